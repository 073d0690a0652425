#pragma once

#include <QString>

// A folder for this user's temporary files that nobody else can enter or plant
// links in: <temporary folder>/oblimo-<uid>, created with mode 0700. An
// existing one is used only when it is a real folder (not a symbolic link)
// owned by the user with no access for others. Empty when no such folder can
// be had. The temporary folder is $TMPDIR, else /tmp.
QString PrivateTempFolder();
