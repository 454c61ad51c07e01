// The grid: columns, cells, labels and the hit test; drawing at a device ratio.
#include "forms/twips.h"
#include "grid/display_icons.h"
#include "grid/geometry.h"

#include "support/recorders.h"

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
    TempDir dir;
    const fx::Color first = fx::solidColor(0);
    for (const auto& c : cases) {
        const QString path = dir.write(QString("g%1.dll").arg(c.icons), fx::makeSolidPe(c.icons));
        PictureBox s;
        grid::Shown shown;
        s.setWidthTwips(c.widthPx * 15), s.setHeightTwips(3000);
        grid::displayIcons(path, s, 0, shown);
        ASSERT_EQ(s.textRuns().size(), s.imageRuns().size());
        const TextRun& label = s.textRuns().back();
        EXPECT_EQ(std::make_tuple(shown.iconCount, shown.displayedFile, s.imageRuns().size(),
                                  s.imageRuns().back(), label.text, QPointF(label.x, label.y),
                                  s.image().pixelColor(24, 24)),
                  std::make_tuple(c.shown, path, std::size_t(c.shown), c.lastCell,
                                  QString(c.lastLabel), c.labelAt,
                                  QColor(first.r, first.g, first.b)))
            << c.icons;
    }
}

// At device ratio 2 a 32-pixel cell is drawn from a 64-pixel image; the picture stays logical.
TEST(Grid, AtDeviceRatioTwoIconsAreDrawnFromTheirImageForTheDeviceSize) {
    TempDir dir;
    const fx::Color red{255, 0, 0}, blue{0, 0, 255};
    const QString ico = dir.write(
        "two.ico", fx::makeIco({fx::solidImage(32, 32, red), fx::solidImage(64, 32, blue)}));
    for (const auto& [ratio, want] : {std::pair{1.0, red}, std::pair{2.0, blue}}) {
        PictureBox::setDevicePixelRatioForTests(ratio);
        PictureBox s;
        grid::Shown shown;
        s.setWidthTwips(300 * 15), s.setHeightTwips(100 * 15);
        grid::displayIcons(ico, s, 0, shown);
        EXPECT_EQ(std::make_pair(s.image().size(), s.image().pixelColor(24, 24)),
                  std::make_pair(QSize(300, 100), QColor(want.r, want.g, want.b)))
            << ratio;
    }
    PictureBox::setDevicePixelRatioForTests(0);
}

} // namespace
