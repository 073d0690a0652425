#include "WidgetMessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/MessageBox.h"

namespace {
QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Question: return QMessageBox::Question;
        case MessageIcon::None: break;
    }
    // A plain message box on Windows shows the exclamation mark.
    return QMessageBox::Warning;
}

int ShowBox(const MessageRequest& request) {
    // The program's texts break lines the Windows way; a Qt label wants "\n".
    QString text = request.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(ToQtIcon(request.icon), QString::fromUtf16(kApplicationTitle), text,
                    QMessageBox::NoButton, QApplication::activeWindow());
    switch (request.buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok: return IDOK;
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        default: return IDCANCEL;
    }
}
}  // namespace

void InstallWidgetMessageBox() { SetMessageBoxHandler(ShowBox); }
