#pragma once

#include <QUrl>
#include <functional>

// Opening a page or a file with the desktop's default program (the help page,
// the home page). The real opener is the desktop's; tests install one that
// records the address, so that no browser is ever started by a test.
using UrlOpenHandler = std::function<bool(const QUrl&)>;

// Opens the address; the answer says whether the desktop took it. Callers
// show nothing of their own when it did not.
bool OpenUrl(const QUrl& url);

// Replaces the opener and returns the previous one (an empty handler restores
// the desktop's).
UrlOpenHandler SetUrlOpenHandler(UrlOpenHandler handler);
