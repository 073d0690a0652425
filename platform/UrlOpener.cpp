#include "UrlOpener.h"

#include <QDesktopServices>

namespace {
UrlOpenHandler& Handler() {
    static UrlOpenHandler handler;
    return handler;
}
}  // namespace

bool OpenUrl(const QUrl& url) {
    if (const UrlOpenHandler& handler = Handler()) return handler(url);
    return QDesktopServices::openUrl(url);
}

UrlOpenHandler SetUrlOpenHandler(UrlOpenHandler handler) {
    std::swap(Handler(), handler);
    return handler;
}
