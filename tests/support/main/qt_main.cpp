// The main of the window tests: an application on the offscreen platform, 15 twips per pixel.
#include "forms/twips.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tess::setTwipsPerPixelForTests(15, 15);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
