#include "MessageBox.h"

#include <QMutex>
#include <QMutexLocker>
#include <cstdio>

namespace {
QMutex g_handlerLock;
MessageBoxHandler g_handler;

int CautiousAnswer(MessageButtons buttons) {
    return buttons == MessageButtons::Ok ? IDOK : IDCANCEL;
}
}  // namespace

int AppMessageBox(const QString& text, MessageButtons buttons, MessageIcon icon) {
    MessageBoxHandler handler;
    {
        QMutexLocker lock(&g_handlerLock);
        handler = g_handler;
    }
    if (handler) return handler(MessageRequest{text, buttons, icon});
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    return CautiousAnswer(buttons);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    QMutexLocker lock(&g_handlerLock);
    std::swap(g_handler, handler);
    return handler;
}
