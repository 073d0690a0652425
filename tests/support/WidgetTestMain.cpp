// The main of every widget test: a private settings folder and the offscreen
// platform, then a QApplication with the editor's Japanese font, then
// GoogleTest.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "TestEnvironment.h"
#include "platform/ui/UiFont.h"

namespace {
// The offscreen platform reports for every popup and sized top-level window
// what a window system would do there (size hints, raising, keyboard grabs);
// that says nothing about the test.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}
}  // namespace

int main(int argc, char** argv) {
    TestEnvironment::Prepare();
    qInstallMessageHandler(QuietMessages);
    QApplication application(argc, argv);
    InstallJapaneseUiFont();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
