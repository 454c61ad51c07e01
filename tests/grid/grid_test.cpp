// The grid on the real main window: cells, labels, columns and the stops of the scan.
#include "app/frm_Vantorel.h"
#include "platform/window/twips.h"

#include "support/fixtures/fixtures.h"
#include "support/recorders.h"

#include <gtest/gtest.h>

namespace {

using namespace tess;
namespace fx = tess::fixtures;

TEST(Grid, CellsLabelsAndColumns) {
    struct Case {
        int icons, widthPx, columns, shown;
    } cases[] = {
        {1, 300, 7, 1}, {12, 95, 1, 12}, {12, 96, 2, 12}, {500, 300, 7, 500}, {600, 300, 7, 500}};
    fx::TempDir dir;
    tess::testing::RecordingServices rec;
    for (const Case& c : cases) {
        const std::string path = dir.file("g" + std::to_string(c.icons) + ".dll");
        fx::writeFile(path, fx::makeSolidPe(c.icons));
        frm_Vantorel w;
        w.pic_IconDisplay->setWidthTwips(c.widthPx * twipsPerPixelX());
        w.pic_IconDisplay->setHeightTwips(3000);
        w.displayIcons(QString::fromStdString(path), *w.pic_IconDisplay, 0);
        SCOPED_TRACE(c.icons);
        EXPECT_EQ(w.gridColumns, c.columns);
        EXPECT_EQ(w.iconCount, c.shown);
        EXPECT_EQ(w.displayedFile.toStdString(), path);
        const auto& labels = w.pic_IconDisplay->textRuns();
        const auto& cells = w.pic_IconDisplay->imageRuns();
        ASSERT_EQ(labels.size(), static_cast<std::size_t>(c.shown));
        ASSERT_EQ(cells.size(), static_cast<std::size_t>(c.shown));
        const int last = c.shown - 1;
        const int col = last % c.columns, row = last / c.columns;
        EXPECT_EQ(cells.back(), QRect(col * 38 + 8, row * 50 + 8, 32, 32));
        EXPECT_EQ(labels.back().text, QString::number(last).rightJustified(4, u' '));
        EXPECT_DOUBLE_EQ(labels.back().x, (col * 38 + 8) * twipsPerPixelX());
        EXPECT_DOUBLE_EQ(labels.back().y, (row * 50 + 40) * twipsPerPixelY());
        // The icon's own colour is drawn in its cell.
        const QColor centre = w.pic_IconDisplay->image().pixelColor(24, 24);
        const fx::Color want = fx::solidColor(0);
        EXPECT_EQ(centre, QColor(want.r, want.g, want.b));
    }
}

// On a high-density screen the canvas has the device's pixels: a 32-pixel cell is drawn from
// the icon's 64-pixel image, and the picture taken from the surface keeps its logical size.
TEST(Grid, AtDeviceRatioTwoIconsAreDrawnFromTheirImageForTheDeviceSize) {
    fx::TempDir dir;
    const fx::Color red{255, 0, 0}, blue{0, 0, 255};
    fx::writeFile(dir.file("two.ico"),
                  fx::makeIco({fx::solidImage(32, 32, red), fx::solidImage(64, 32, blue)}));
    tess::testing::RecordingServices rec;
    for (const auto& [ratio, want] : {std::pair{1.0, red}, std::pair{2.0, blue}}) {
        PictureBox::setDevicePixelRatioForTests(ratio);
        frm_Vantorel w;
        w.pic_IconDisplay->setWidthTwips(300 * twipsPerPixelX());
        w.pic_IconDisplay->setHeightTwips(100 * twipsPerPixelY());
        w.displayIcons(QString::fromStdString(dir.file("two.ico")), *w.pic_IconDisplay, 0);
        EXPECT_EQ(w.pic_IconDisplay->imageRuns(), std::vector<QRect>{QRect(8, 8, 32, 32)});
        const QImage picture = w.pic_IconDisplay->image();
        EXPECT_EQ(picture.size(), QSize(300, 100));
        EXPECT_EQ(picture.pixelColor(24, 24), QColor(want.r, want.g, want.b)) << ratio;
    }
    PictureBox::setDevicePixelRatioForTests(0);
}

TEST(Grid, RefreshOfAVanishedOrDamagedFileGivesAnEmptyGrid) {
    fx::TempDir dir;
    tess::testing::RecordingServices rec;
    const std::string path = dir.file("gone.exe");
    fx::writeFile(path, fx::makeSolidPe(3));
    frm_Vantorel w;
    w.loadedFile = QString::fromStdString(path);
    w.menu_Refresh_Click();
    EXPECT_EQ(w.iconCount, 3);
    EXPECT_EQ(w.windowTitle().toStdString(), "Icons from; " + path);
    fx::Bytes garbage(4096, 0xA5);
    fx::writeFile(path, garbage);
    w.menu_Refresh_Click();
    EXPECT_EQ(w.iconCount, 0);
    std::remove(path.c_str());
    w.tim_UpdateDisplayTimer->setInterval(50);
    w.tim_UpdateDisplayTimer_Timer();
    EXPECT_EQ(w.iconCount, 0);
    EXPECT_TRUE(w.pic_IconDisplay->imageRuns().empty());
    EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 0); // fires once
    EXPECT_TRUE(rec.messages->shown.empty());
}

} // namespace
