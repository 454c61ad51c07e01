// The grid: columns, cells, labels and the hit test; drawing at a device ratio; a refresh.
#include "app/frm_Vantorel.h"
#include "forms/twips.h"
#include "grid/geometry.h"

#include "support/recorders.h"

using namespace tess;
using namespace tess::testing;
namespace fx = tess::fixtures;

namespace {

TEST(Geometry, ColumnsCellsLabelsAndHitTest) {
    const std::pair<double, int> columns[] = {{300, 7}, {95, 1},    {96, 2},    {57, 1},
                                              {0, 1},   {1000, 25}, {1045, 27}, {1063, 27}};
    for (const auto& [px, n] : columns)
        EXPECT_EQ(grid::columnsForWidth(px * 15, 15), n) << px;
    EXPECT_EQ(grid::columnsForWidth(300 * 12, 12), 7); // by the twips per pixel given
    // A surface 5 cells wide (4 columns), cells 570 x 750 twips at 15 a pixel.
    // clang-format off
    const std::tuple<double, double, std::int64_t> hits[] = {{360, 360, 0}, {-500, -500, 0}, {360, 1e30, -1},
        {20000, 1175, 7}, {350 + 0.5 * 570, 425 + 0.5 * 750, 0}, {350 + 1.5 * 570, 425 + 1.5 * 750, 10},
        {350 + 3 * 570, 425 + 2 * 750, 11}}; // right of the last column: the row's last; halves to even
    // clang-format on
    for (const auto& [x, y, index] : hits)
        EXPECT_EQ(grid::iconIndexAt(x, y, 5 * 570, 15, 15), index) << x << "," << y;
    EXPECT_EQ(grid::iconIndexAt(360, 425 + 20 * 750, 60 * 570, 15, 15), 1180);
    EXPECT_EQ(grid::iconIndexAt(730, 1275, 1500, 10, 17), 4); // twips per pixel apart
}

TEST(Grid, CellsLabelsColumnsAndTheStopAt500) {
    // clang-format off
    const struct { int icons, widthPx, shown; QRect lastCell; const char* lastLabel; QPointF labelAt; } cases[] = {
        {1, 300, 1, {8, 8, 32, 32}, "   0", {120, 600}}, {12, 95, 12, {8, 558, 32, 32}, "  11", {120, 8850}},
        {12, 96, 12, {46, 258, 32, 32}, "  11", {690, 4350}}, {600, 300, 500, {84, 3558, 32, 32}, " 499", {1260, 53850}}};
    // clang-format on
    MainWindow m;
    const fx::Color first = fx::solidColor(0);
    for (const auto& c : cases) {
        const QString path = m.dir.write(QString("g%1.dll").arg(c.icons), fx::makeSolidPe(c.icons));
        frm_Vantorel w;
        PictureBox& s = *w.pic_IconDisplay;
        s.setWidthTwips(c.widthPx * 15), s.setHeightTwips(3000);
        w.displayIcons(path, s, 0);
        ASSERT_EQ(s.textRuns().size(), s.imageRuns().size());
        const TextRun& label = s.textRuns().back();
        EXPECT_EQ(std::make_tuple(w.state().iconCount, w.state().displayedFile,
                                  s.imageRuns().size(), s.imageRuns().back(), label.text,
                                  QPointF(label.x, label.y), s.image().pixelColor(24, 24)),
                  std::make_tuple(c.shown, path, std::size_t(c.shown), c.lastCell,
                                  QString(c.lastLabel), c.labelAt,
                                  QColor(first.r, first.g, first.b)))
            << c.icons;
    }
}

// At device ratio 2 a 32-pixel cell is drawn from a 64-pixel image; the picture stays logical.
TEST(Grid, AtDeviceRatioTwoIconsAreDrawnFromTheirImageForTheDeviceSize) {
    MainWindow m;
    const fx::Color red{255, 0, 0}, blue{0, 0, 255};
    const QString ico = m.dir.write(
        "two.ico", fx::makeIco({fx::solidImage(32, 32, red), fx::solidImage(64, 32, blue)}));
    for (const auto& [ratio, want] : {std::pair{1.0, red}, std::pair{2.0, blue}}) {
        PictureBox::setDevicePixelRatioForTests(ratio);
        frm_Vantorel w;
        w.pic_IconDisplay->setWidthTwips(300 * 15), w.pic_IconDisplay->setHeightTwips(100 * 15);
        w.displayIcons(ico, *w.pic_IconDisplay, 0);
        const QImage picture = w.pic_IconDisplay->image();
        EXPECT_EQ(std::make_pair(picture.size(), picture.pixelColor(24, 24)),
                  std::make_pair(QSize(300, 100), QColor(want.r, want.g, want.b)))
            << ratio;
    }
    PictureBox::setDevicePixelRatioForTests(0);
}

// A file damaged or gone since, on a refresh or the timer's one tick: an empty grid, no message.
TEST(Grid, RefreshOfAVanishedOrDamagedFileGivesAnEmptyGrid) {
    MainWindow m(true);
    m.w.menu_Refresh_Click();
    EXPECT_EQ(m.seen(), "~/three.dll | 3 | Icon &info");
    m.dir.write("three.dll", QByteArray(4096, '\xA5'));
    m.w.menu_Refresh_Click();
    EXPECT_EQ(m.seen(), "~/three.dll | 0 | Icon &info");
    QFile::remove(m.three);
    m.w.tim_UpdateDisplayTimer->setInterval(50);
    m.w.tim_UpdateDisplayTimer_Timer();
    EXPECT_EQ(std::make_tuple(m.seen(), m.w.pic_IconDisplay->imageRuns().size(),
                              m.w.tim_UpdateDisplayTimer->interval()),
              std::make_tuple("~/three.dll | 0 | Icon &info", 0u, 0));
}

} // namespace
