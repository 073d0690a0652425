#pragma once

#include <functional>

#include "platform/AppMessages.h"

class CTavloApp;

// Sends a private message to every window below the main frame.
using SendToDescendants = std::function<void(AppMessage)>;

// A page became the active one: its index is remembered at once, so that the
// next opening of the sheet starts there, whether this one ends with OK or not.
void RememberActivePage(CTavloApp& app, int pageIndex);
