#pragma once

#include "resources/SettingsTemplates.h"

class CPropertyPage;

// Makes the controls of a page template on the page, in template order (which
// is the tab order), placed at their rectangles in dialog units of the page's
// font. A control whose text needs more room than its rectangle grows to the
// right and down, and the page grows with it, so that no text is cut off.
// Controls with an id are registered on the page; a label stands as the buddy
// of the field that follows it.
void CreatePageControls(CPropertyPage& page, const PageTemplate& dialog);
