// The grid's geometry as plain arithmetic, and the grid as the main window draws it.
#include "app/frm_Vantorel.h"
#include "grid/geometry.h"
#include "platform/window/twips.h"

#include "support/recorders.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

using namespace tess;
namespace fx = tess::fixtures;

TEST(Geometry, ColumnsCellsLabelsAndHitTest) {
    // Columns: pixels over 38, rounded halves to even, less one, at least one.
    const std::pair<double, int> columns[] = {{300, 7}, {95, 1},    {96, 2},    {57, 1},
                                              {0, 1},   {1000, 25}, {1045, 27}, {1063, 27}};
    for (const auto& [px, n] : columns)
        EXPECT_EQ(grid::columnsForWidth(px * 15, 15), n) << px;
    EXPECT_EQ(grid::columnsForWidth(300 * 12, 12), 7); // by the twips per pixel given
    const struct {
        int index, columns;
        QPoint icon, label;
        const char* text;
    } cells[] = {{0, 7, {8, 8}, {8, 40}, "   0"},
                 {7, 7, {8, 58}, {8, 90}, "   7"},
                 {12, 7, {198, 58}, {198, 90}, "  12"},
                 {499, 1, {8, 24958}, {8, 24990}, " 499"}};
    for (const auto& c : cells) {
        EXPECT_EQ(grid::iconPosition(c.index, c.columns), c.icon) << c.index;
        EXPECT_EQ(grid::labelPosition(c.index, c.columns), c.label) << c.index;
        EXPECT_EQ(grid::indexLabel(c.index), c.text);
    }
    // The hit test on a surface 5 cells wide (4 columns), cells 570 x 750 twips at 15 a pixel.
    const struct {
        double x, y;
        std::int64_t index;
    } hits[] = {
        {360, 360, 0},
        {20000, 1175, 7},                      // right of the last column: the row's last icon
        {350 + 0.5 * 570, 425 + 0.5 * 750, 0}, // halves to even
        {350 + 1.5 * 570, 425 + 1.5 * 750, 10},
        {350 + 3 * 570, 425 + 2 * 750, 11},
        {-500, -500, 0}, // above and left: the first cell
        {360, 1e30, -1}, // far below: beyond every index
    };
    for (const auto& h : hits)
        EXPECT_EQ(grid::iconIndexAt(h.x, h.y, 5 * 570, 15, 15), h.index) << h.x << "," << h.y;
    EXPECT_EQ(grid::iconIndexAt(360, 425 + 20 * 750, 60 * 570, 15, 15), 1180);
    EXPECT_EQ(grid::iconIndexAt(730, 1275, 1500, 10, 17), 4); // twips per pixel apart
}

TEST(Grid, CellsLabelsColumnsAndTheStopAt500) {
    const struct {
        int icons, widthPx, shown;
        QRect lastCell;
        const char* lastLabel;
        QPointF labelAt; // twips
    } cases[] = {{1, 300, 1, {8, 8, 32, 32}, "   0", {120, 600}},
                 {12, 95, 12, {8, 558, 32, 32}, "  11", {120, 8850}},
                 {12, 96, 12, {46, 258, 32, 32}, "  11", {690, 4350}},
                 {600, 300, 500, {84, 3558, 32, 32}, " 499", {1260, 53850}}};
    tess::testing::TempDir dir;
    tess::testing::RecordingServices rec;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.icons);
        const QString path = dir.write(QString("g%1.dll").arg(c.icons), fx::makeSolidPe(c.icons));
        frm_Vantorel w;
        w.pic_IconDisplay->setWidthTwips(c.widthPx * 15);
        w.pic_IconDisplay->setHeightTwips(3000);
        w.displayIcons(path, *w.pic_IconDisplay, 0);
        EXPECT_EQ(w.state().iconCount, c.shown);
        EXPECT_EQ(w.state().displayedFile, path);
        const auto& labels = w.pic_IconDisplay->textRuns();
        const auto& cells = w.pic_IconDisplay->imageRuns();
        ASSERT_EQ(labels.size(), static_cast<std::size_t>(c.shown));
        ASSERT_EQ(cells.size(), static_cast<std::size_t>(c.shown));
        EXPECT_EQ(cells.back(), c.lastCell);
        EXPECT_EQ(labels.back().text, c.lastLabel);
        EXPECT_EQ(QPointF(labels.back().x, labels.back().y), c.labelAt);
        const fx::Color want = fx::solidColor(0); // the icon's own colour in its cell
        EXPECT_EQ(w.pic_IconDisplay->image().pixelColor(24, 24), QColor(want.r, want.g, want.b));
    }
}

// On a high-density screen the canvas has the device's pixels: a 32-pixel cell is drawn from
// the icon's 64-pixel image, and the picture taken from the surface keeps its logical size.
TEST(Grid, AtDeviceRatioTwoIconsAreDrawnFromTheirImageForTheDeviceSize) {
    tess::testing::TempDir dir;
    const fx::Color red{255, 0, 0}, blue{0, 0, 255};
    const QString ico = dir.write(
        "two.ico", fx::makeIco({fx::solidImage(32, 32, red), fx::solidImage(64, 32, blue)}));
    tess::testing::RecordingServices rec;
    for (const auto& [ratio, want] : {std::pair{1.0, red}, std::pair{2.0, blue}}) {
        PictureBox::setDevicePixelRatioForTests(ratio);
        frm_Vantorel w;
        w.pic_IconDisplay->setWidthTwips(300 * 15);
        w.pic_IconDisplay->setHeightTwips(100 * 15);
        w.displayIcons(ico, *w.pic_IconDisplay, 0);
        const QImage picture = w.pic_IconDisplay->image();
        EXPECT_EQ(picture.size(), QSize(300, 100));
        EXPECT_EQ(picture.pixelColor(24, 24), QColor(want.r, want.g, want.b)) << ratio;
    }
    PictureBox::setDevicePixelRatioForTests(0);
}

TEST(Grid, RefreshOfAVanishedOrDamagedFileGivesAnEmptyGrid) {
    tess::testing::TempDir dir;
    tess::testing::RecordingServices rec;
    const QString path = dir.write("gone.exe", fx::makeSolidPe(3));
    frm_Vantorel w;
    w.loadCommandLineFiles({path});
    w.menu_Refresh_Click();
    EXPECT_EQ(w.state().iconCount, 3);
    EXPECT_EQ(w.windowTitle(), "Icons from; " + path);
    dir.write("gone.exe", QByteArray(4096, '\xA5'));
    w.menu_Refresh_Click();
    EXPECT_EQ(w.state().iconCount, 0);
    QFile::remove(path);
    w.tim_UpdateDisplayTimer->setInterval(50);
    w.tim_UpdateDisplayTimer_Timer();
    EXPECT_EQ(w.state().iconCount, 0);
    EXPECT_TRUE(w.pic_IconDisplay->imageRuns().empty());
    EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 0); // fires once
    EXPECT_TRUE(rec.messages->shown.empty());
}

} // namespace
