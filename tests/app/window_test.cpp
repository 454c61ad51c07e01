// The main window: start-up, layout, presses, the Menu key and the Shift+F keys, the grid, and
// the information window's layout.
#include "app/frm_Vantorel.h"
#include "app/strings.h"
#include "grid/geometry.h"
#include "info/frm_IconInfo.h"
#include "platform/window/form.h"
#include "platform/window/twips.h"

#include "support/recorders.h"

using namespace tess;
using tess::testing::RecordingServices;
using tess::testing::ScopedEnv;
using tess::testing::TempDir;
namespace fx = tess::fixtures;

namespace {

// The save window's folder is the first that exists of the home's "My Pictures", "My Documents"
// and the home itself, else the Windows folder unchecked; without HomeDrive and HomePath, the
// user's pictures and documents folders and the home folder. Each step makes a folder (a name
// ending in "/"), a file, or removes one (a leading "-"), before a window starts.
TEST(StartUp, StateSizeAndTheDefaultFolderTakesTheFirstFolderThatExists) {
    TempDir tmp;
    const tess::testing::ScopedDrives pinned({{u'c', "/"}, {u'd', tmp.path()}});
    const frm_Vantorel first;
    EXPECT_EQ(std::make_tuple(first.state().loadedFile, first.state().displayedFile,
                              first.state().iconCount, first.tim_UpdateDisplayTimer->interval(),
                              form::scaleWidth(first), form::scaleHeight(first)),
              std::make_tuple(QString(), QString(), -1, 0, 12015.0, 3000.0));
    const QString home = tmp.file("Home");
    // clang-format off
    const struct { QStringList steps; const char* homePath; std::optional<QByteArray> root; QString folder; } cases[] = {
        {{"Work/"}, "\\Work", "C:\\WINDOWS", "D:\\Work"},
        {{"Work/My Pictures", "Work/My Documents/"}, "\\Work", "C:\\WINDOWS", "D:\\Work/My Documents"},
        {{"-Work/My Pictures", "Work/My Pictures/"}, "\\Work", "C:\\WINDOWS", "D:\\Work/My Pictures"},
        {{}, "\\Elsewhere", "C:\\WINDOWS", "C:\\WINDOWS"},
        {{}, "\\Elsewhere", std::nullopt, ""},
        {{"Home/"}, nullptr, std::nullopt, home},
        {{"Home/Documents/"}, nullptr, std::nullopt, home + "/Documents"},
        {{"Home/Pictures/"}, nullptr, std::nullopt, home + "/Pictures"},
    };
    // clang-format on
    for (const auto& c : cases) {
        for (const QString& s : c.steps)
            s.startsWith('-') ? void(QFile::remove(tmp.file(s.mid(1))))
            : s.endsWith('/') ? void(tmp.mkdir(s))
                              : void(tmp.write(s, QByteArray("a file, not a folder")));
        const auto homeVar = [&](const char* v) {
            return c.homePath ? std::optional(v) : std::nullopt;
        };
        const ScopedEnv env{{"HomeDrive", homeVar("D:")},
                            {"HomePath", homeVar(c.homePath)},
                            {"SystemRoot", c.root},
                            {"HOME", home.toUtf8()},
                            {"XDG_CONFIG_HOME", (home + "/.config").toUtf8()}};
        EXPECT_EQ(frm_Vantorel().state().defaultFolder, c.folder)
            << c.steps.join(", ").toStdString();
    }
}

TEST(Layout, SurfaceKeepsItsMarginsAndTheTimerArmsOnlyWithAFile) {
    tess::testing::MainWindow m;
    frm_Vantorel& w = m.w;
    // The window's inner size in pixels -> the surface in twips: 120 in, never negative.
    const std::pair<QSize, QRectF> cases[] = {
        {{801, 200}, {120, 120, 801 * 15 - 240, 200 * 15 - 240}},
        {{16, 16}, {120, 120, 0, 0}},
        {{10, 300}, {120, 120, 0, 300 * 15 - 240}}};
    const PictureBox& s = *w.pic_IconDisplay;
    for (const auto& [size, surface] : cases) {
        w.resize(size), w.Form_Resize();
        EXPECT_EQ(QRectF(s.leftTwips(), s.topTwips(), s.widthTwips(), s.heightTwips()), surface);
        EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 0);
    }
    EXPECT_EQ(s.textRuns().size(), 8u); // the instruction text stays as drawn
    tess::testing::drop(w, {m.three});
    w.resize(900, 300), w.Form_Resize();
    EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 50);
}

TEST(SwapString, ReplacesEveryOccurrenceLeftToRight) {
    // withThis nullptr: left out
    const std::array<const char*, 4> cases[] = {
        {"", "a", "b", ""},       {"abc", "", "x", "abc"}, {"a.b.c", ".", nullptr, "abc"},
        {"aaa", "aa", "b", "ba"}, {"Aa", "a", "x", "Ax"},  {"ab", "a", "aa", "aab"},
        {"ab", "abc", "x", "ab"}, {"xx", "x", "", ""}};
    for (const auto& [text, swapThis, withThis, expected] : cases)
        EXPECT_EQ(withThis ? swapString(text, swapThis, withThis) : swapString(text, swapThis),
                  QString(expected))
            << text << " / " << swapThis;
}

// What a press runs, by button and shift keys, on a file of three icons in four columns.
TEST(Selection, ButtonsAndShiftKeysRunTheirRequests) {
    // clang-format off
    const std::tuple<std::int16_t, std::int16_t, float, float, QString> cases[] = {
        {1, 0, 360, 360, "~/three.dll | 3 | &Icon 0 info | [Tessaline - Icon 0 information.]"},
        {1, 2, 360, 360, "~/three.dll | 3 | &Icon 0 info | [Save icon '0' as;]"},
        {1, 1, 930, 360, "~/three.dll | 3 | &Icon 1 info | [Save icon '1' as;]"},
        {1, 4, 20000, 360, "~/three.dll | 3 | &Icon information"}, // right of the last column: icon 3 of 3
        {4, 0, 360, 360, "~/three.dll | 3 | &Icon 0 info"},        // middle: captions only
        {2, 0, 360, 1200, "~/three.dll | 3 | &Icon information | 1 menu"},  // below the last row
        {1, 0, 360, 1200, "~/three.dll | 3 | &Icon information"}};
    // clang-format on
    for (const auto& [button, shift, x, y, seen] : cases) {
        tess::testing::MainWindow m(true);
        m.w.pic_IconDisplay_MouseDown(button, shift, x, y);
        EXPECT_EQ(m.seen(), seen);
    }
    // A chosen menu item runs once the menu, shown at the pointer, has closed.
    tess::testing::MainWindow m;
    std::size_t shownBefore = 1;
    m.rec.popup->choose = [&](QMenu&) {
        return shownBefore = m.rec.modal->captions.size(), m.w.menu_AboutApp;
    };
    m.w.pic_IconDisplay_MouseDown(2, 0, 300, 450);
    EXPECT_EQ(m.rec.popup->positions,
              std::vector{m.w.pic_IconDisplay->mapToGlobal(QPoint(20, 30))});
    EXPECT_EQ(
        std::make_pair(shownBefore, m.rec.modal->captions),
        std::make_pair(std::size_t{0}, std::vector<QString>{" About the Tessaline application."}));
}

// Keys reach the handler once, from the window and from the surface: Shift+F1 loads entry 0,
// Shift+F12 reports the missing entry 11; Shift+F10, Ctrl+Shift+F1 and F1 alone do nothing.
TEST(Keys, ShiftWithAFunctionKeyLoadsItsEntryOnce) {
    const QString none = "- | -1 | Icon &info";
    // clang-format off
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, QString> cases[] = {
        {Qt::Key_F1, Qt::ShiftModifier, "~/system32/shell32.dll | 4 | Icon &info"},
        {Qt::Key_F12, Qt::ShiftModifier, none + " | Tessaline - Can't load resource.dll"},
        {Qt::Key_F10, Qt::ShiftModifier, none}, {Qt::Key_F1, Qt::ShiftModifier | Qt::ControlModifier, none},
        {Qt::Key_F1, Qt::NoModifier, none}};
    // clang-format on
    for (const bool onSurface : {true, false}) {
        for (const auto& [key, mods, seen] : cases) {
            tess::testing::MainWindow m;
            const ScopedEnv env{{"SystemRoot", m.dir.path().toUtf8()},
                                {"WINEPREFIX", m.dir.file("none").toUtf8()}};
            m.dir.mkdir("system32");
            m.dir.write("system32/shell32.dll", tess::fixtures::makeSolidPe(4));
            QTest::keyClick(onSurface ? static_cast<QWidget*>(m.w.pic_IconDisplay) : &m.w, key,
                            mods);
            EXPECT_EQ(m.seen(), seen) << key << " on the surface: " << onSurface;
        }
    }
}

// The Menu key presses the right button where the pointer is over the surface, else at the
// surface's top-left corner.
TEST(Keys, TheMenuKeyPressesTheRightButtonAtThePointerOrTheCorner) {
    tess::testing::MainWindow m(true);
    frm_Vantorel& w = m.w;
    w.move(100, 100), w.show();
    const std::tuple<QPoint, QPoint, const char*> cases[] = {{{62, 24}, {62, 24}, "&Icon 1 info"},
                                                             {{-50, -50}, {0, 0}, "&Icon 0 info"}};
    for (const auto& [pointer, at, info] : cases) {
        for (QWidget* target :
             {static_cast<QWidget*>(w.pic_IconDisplay), static_cast<QWidget*>(&w)}) {
            m.rec.popup->positions.clear();
            QCursor::setPos(w.pic_IconDisplay->mapToGlobal(pointer));
            QTest::keyClick(target, Qt::Key_Menu);
            EXPECT_EQ(
                std::make_pair(m.rec.popup->positions, w.menu_IconInformation->text()),
                std::make_pair(std::vector{w.pic_IconDisplay->mapToGlobal(at)}, QString(info)));
        }
    }
}

TEST(Geometry, ColumnsCellsLabelsAndHitTest) {
    // Columns: pixels over 38, rounded halves to even, less one, at least one.
    const std::pair<double, int> columns[] = {{300, 7}, {95, 1},    {96, 2},    {57, 1},
                                              {0, 1},   {1000, 25}, {1045, 27}, {1063, 27}};
    for (const auto& [px, n] : columns)
        EXPECT_EQ(grid::columnsForWidth(px * 15, 15), n) << px;
    EXPECT_EQ(grid::columnsForWidth(300 * 12, 12), 7); // by the twips per pixel given
    // clang-format off
    const std::tuple<int, int, QPoint, QPoint, QString> cells[] = {{0, 7, {8, 8}, {8, 40}, "   0"},
        {7, 7, {8, 58}, {8, 90}, "   7"}, {12, 7, {198, 58}, {198, 90}, "  12"}, {499, 1, {8, 24958}, {8, 24990}, " 499"}};
    // clang-format on
    for (const auto& [i, columns, icon, label, text] : cells)
        EXPECT_EQ(std::make_tuple(grid::iconPosition(i, columns), grid::labelPosition(i, columns),
                                  grid::indexLabel(i)),
                  std::make_tuple(icon, label, text));
    // The hit test on a surface 5 cells wide (4 columns), cells 570 x 750 twips at 15 a pixel.
    const std::tuple<double, double, std::int64_t> hits[] = {
        {360, 360, 0},
        {20000, 1175, 7},                      // right of the last column: the row's last icon
        {350 + 0.5 * 570, 425 + 0.5 * 750, 0}, // halves to even
        {350 + 1.5 * 570, 425 + 1.5 * 750, 10},
        {350 + 3 * 570, 425 + 2 * 750, 11},
        {-500, -500, 0}, // above and left: the first cell
        {360, 1e30, -1}, // far below: beyond every index
    };
    for (const auto& [x, y, index] : hits)
        EXPECT_EQ(grid::iconIndexAt(x, y, 5 * 570, 15, 15), index) << x << "," << y;
    EXPECT_EQ(grid::iconIndexAt(360, 425 + 20 * 750, 60 * 570, 15, 15), 1180);
    EXPECT_EQ(grid::iconIndexAt(730, 1275, 1500, 10, 17), 4); // twips per pixel apart
}

// Icons drawn and counted, at most 500, each in its cell in its own colour, labelled by index.
TEST(Grid, CellsLabelsColumnsAndTheStopAt500) {
    // clang-format off
    const struct { int icons, widthPx, shown; QRect lastCell; const char* lastLabel; QPointF labelAt; } cases[] = {
        {1, 300, 1, {8, 8, 32, 32}, "   0", {120, 600}}, {12, 95, 12, {8, 558, 32, 32}, "  11", {120, 8850}},
        {12, 96, 12, {46, 258, 32, 32}, "  11", {690, 4350}}, {600, 300, 500, {84, 3558, 32, 32}, " 499", {1260, 53850}}};
    // clang-format on
    tess::testing::MainWindow m;
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

// On a high-density screen the canvas has the device's pixels: a 32-pixel cell is drawn from
// the icon's 64-pixel image, and the picture taken from the surface keeps its logical size.
TEST(Grid, AtDeviceRatioTwoIconsAreDrawnFromTheirImageForTheDeviceSize) {
    tess::testing::MainWindow m;
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

// A refresh redraws the file; one that was damaged or has gone, on the timer's single tick,
// leaves an empty grid and no message.
TEST(Grid, RefreshOfAVanishedOrDamagedFileGivesAnEmptyGrid) {
    tess::testing::MainWindow m(true);
    frm_Vantorel& w = m.w;
    w.menu_Refresh_Click();
    EXPECT_EQ(m.seen(), "~/three.dll | 3 | Icon &info");
    m.dir.write("three.dll", QByteArray(4096, '\xA5'));
    w.menu_Refresh_Click();
    EXPECT_EQ(m.seen(), "~/three.dll | 0 | Icon &info");
    QFile::remove(m.three);
    w.tim_UpdateDisplayTimer->setInterval(50);
    w.tim_UpdateDisplayTimer_Timer();
    EXPECT_EQ(std::make_tuple(m.seen(), w.pic_IconDisplay->imageRuns().size(),
                              w.tim_UpdateDisplayTimer->interval()),
              std::make_tuple("~/three.dll | 0 | Icon &info", 0u, 0));
}

// The checks run while each window is shown; the captions after.
TEST(InformationWindow, IconBoxGridIconLogoAndPlacement) {
    tess::testing::MainWindow m;
    const QString ico =
        m.dir.write("big.ico", fx::makeIco({fx::solidImage(32, 32, fx::solidColor(1)),
                                            fx::solidImage(256, 32, fx::solidColor(2), true)}));
    frm_Vantorel& w = m.w;
    w.move(0, 0);
    w.resize(100, 60); // smaller than the information window: it would start left of the screen
    m.rec.modal->onShow = [](QDialog& d) {
        auto& info = dynamic_cast<frm_IconInfo&>(d);
        const PictureBox& box = *info.pic_IconDisplay;
        EXPECT_GT(form::scaleWidth(d), 5120 + 15); // the line widens the window but not the box
        const int boxTop =
            roundToInt(std::round((128 + tess::testing::lineHeight(8) + 120) / 15) * 15);
        EXPECT_EQ(QRectF(box.leftTwips(), box.topTwips(), box.widthTwips(), box.heightTwips()),
                  QRectF(960, boxTop, 4040, 4040));
        EXPECT_NEAR(info.okTopTwips(), boxTop + 4040 + 120, 15);
        EXPECT_NEAR(form::scaleHeight(d), info.okTopTwips() + 375 + 120, 7.5);
        // 59 dotted lines each way, 64 twips apart, from 8 pixels in.
        const std::vector<LineRun>& grid = box.lineRuns();
        ASSERT_EQ(grid.size(), 118u);
        EXPECT_TRUE(
            std::all_of(grid.begin(), grid.end(), [](const LineRun& l) { return l.dotted; }));
        EXPECT_EQ(std::tie(grid[0].x1, grid[58].x1, grid[0].y2, grid[117].y1),
                  std::make_tuple(120.0, 120.0 + 58 * 64, 4040.0 - 120 - 64, 120.0 + 58 * 64));
        EXPECT_EQ(std::make_tuple(box.imageRuns(), info.pic_AppLogo->imageRuns(),
                                  form::leftTwips(d),
                                  form::topTwips(d)), // kept on the screen
                  std::make_tuple(std::vector{QRect(8, 8, 249, 249)},
                                  std::vector{QRect(0, 0, 41, 41)}, 0.0, 0.0));
    };
    w.showInformation("Cap", "<SIZE=40>WWWWWWWWWWWWWWWWWWWWWW<SIZE=8>", ico, 0, -1, 5000, 5000);
    // No icon to take: no box, the logo keeps its picture; OK 120 twips under the text, centred,
    // and the window ends 120 below it, at least as wide as asked.
    m.rec.modal->onShow = [](QDialog& d) {
        auto& info = dynamic_cast<frm_IconInfo&>(d);
        QString text;
        for (const TextRun& r : info.surface->textRuns())
            text += r.text;
        EXPECT_EQ(std::make_tuple(text, info.pic_IconDisplay->isHidden(),
                                  info.pic_AppLogo->imageRuns().size()),
                  std::make_tuple("There is no information available on this icon.", true, 0u));
        EXPECT_NEAR(info.okTopTwips(), 128 + tess::testing::lineHeight(8) + 120, 7.5);
        EXPECT_NEAR(info.okLeftTwips(), (form::scaleWidth(d) - 1095) / 2, 7.5);
        EXPECT_NEAR(form::scaleHeight(d), info.okTopTwips() + 375 + 120, 7.5);
    };
    w.showInformation("?", "?", ico + "-missing", 0, -1, 100, 5000);
    m.rec.modal->onShow = [](QDialog& d) { EXPECT_NEAR(form::scaleWidth(d), 100 + 120, 7.5); };
    w.showInformation("", "", "", -1, 0, 100, -1); // the least width stands
    EXPECT_EQ(m.rec.modal->captions,
              (std::vector<QString>{"Cap", "Tessaline - Icon information.", ""}));
}

} // namespace
