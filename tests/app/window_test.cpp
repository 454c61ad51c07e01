// The main window: start-up, layout, presses, the Menu key and the Shift+F keys.
#include "app/frm_Vantorel.h"
#include "app/strings.h"
#include "platform/window/form.h"

#include "support/recorders.h"

using namespace tess;
using tess::testing::RecordingServices;
using tess::testing::ScopedEnv;
using tess::testing::TempDir;

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

} // namespace
