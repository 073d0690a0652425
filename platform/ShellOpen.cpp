#include "ShellOpen.h"

#include <QDesktopServices>

namespace {
ShellOpenHandler& Handler() {
    static ShellOpenHandler handler;
    return handler;
}
}  // namespace

bool ShellOpenUrl(const QUrl& url) {
    if (const ShellOpenHandler& handler = Handler()) return handler(url);
    return QDesktopServices::openUrl(url);
}

ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler) {
    ShellOpenHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
