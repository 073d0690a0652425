// The main of every non-widget test: a private settings folder, then a
// graphical application on the offscreen platform (image plug-ins and fonts
// need one), then GoogleTest.

#include <gtest/gtest.h>

#include <QGuiApplication>

#include "TestEnvironment.h"

int main(int argc, char** argv) {
    TestEnvironment::Prepare();
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
