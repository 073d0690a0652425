#pragma once

#include <QIcon>

// The 16 x 15 pictures of the toolbar buttons: new, undo, redo, mirror
// top-bottom, mirror left-right and grid. A null icon for other commands.
QIcon ToolbarIcon(int commandId);
