// The main of the window tests: an application on the offscreen platform, 15 twips per pixel.
#include "platform/window/twips.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    tess::setTwipsPerPixelForTests(15, 15);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
