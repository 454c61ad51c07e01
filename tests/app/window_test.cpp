// The main window: start-up, layout, presses, the Menu key and the Shift+F keys.
#include "app/frm_Vantorel.h"
#include "app/strings.h"
#include "platform/window/form.h"

#include "support/recorders.h"
#include "support/temp_dir.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tess;
using tess::testing::RecordingServices;
using tess::testing::ScopedEnv;
using tess::testing::TempDir;

namespace {

TEST(StartUp, StateSizeAndTheDefaultFolderTakesTheFirstFolderThatExists) {
    TempDir tmp;
    const tess::testing::ScopedDrives pinned({{u'c', "/"}, {u'd', tmp.path()}});
    const QString work = tmp.mkdir("Work");
    const auto folder = [](const char* homePath, std::optional<QByteArray> systemRoot) {
        const ScopedEnv env{
            {"HomeDrive", "D:"}, {"HomePath", homePath}, {"SystemRoot", systemRoot}};
        return frm_Vantorel().state().defaultFolder;
    };
    {
        const frm_Vantorel w;
        EXPECT_EQ(std::tie(w.state().loadedFile, w.state().displayedFile, w.state().iconCount),
                  std::make_tuple(QString(), QString(), -1));
        EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 0);
        EXPECT_EQ(std::make_pair(form::scaleWidth(w), form::scaleHeight(w)),
                  std::make_pair(12015.0, 3000.0));
    }
    tmp.write("Work/My Pictures", QByteArray("a file, not a folder"));
    tmp.mkdir("Work/My Documents");
    EXPECT_EQ(folder("\\Work", "C:\\WINDOWS"), "D:\\Work/My Documents");
    QFile::remove(work + "/My Pictures");
    tmp.mkdir("Work/My Pictures");
    EXPECT_EQ(folder("\\Work", "C:\\WINDOWS"), "D:\\Work/My Pictures");
    QDir(work).removeRecursively();
    tmp.mkdir("Work");
    EXPECT_EQ(folder("\\Work", "C:\\WINDOWS"), "D:\\Work");
    EXPECT_EQ(folder("\\Elsewhere", "C:\\WINDOWS"), "C:\\WINDOWS"); // taken without a test
    EXPECT_EQ(folder("\\Elsewhere", std::nullopt), "");             // even when empty
}

TEST(StartUp, WithoutHomeVariablesTheHomeFoldersCount) {
    TempDir tmp;
    const ScopedEnv env{{"HOME", tmp.path().toUtf8()},
                        {"XDG_CONFIG_HOME", (tmp.path() + "/.config").toUtf8()},
                        {"HomeDrive", std::nullopt},
                        {"HomePath", std::nullopt},
                        {"SystemRoot", std::nullopt}};
    EXPECT_EQ(frm_Vantorel().state().defaultFolder, tmp.path());
    tmp.mkdir("Documents");
    EXPECT_EQ(frm_Vantorel().state().defaultFolder, tmp.path() + "/Documents");
    tmp.mkdir("Pictures");
    EXPECT_EQ(frm_Vantorel().state().defaultFolder, tmp.path() + "/Pictures");
}

TEST(Layout, SurfaceKeepsItsMarginsAndTheTimerArmsOnlyWithAFile) {
    RecordingServices rec;
    TempDir tmp;
    frm_Vantorel w;
    const struct {
        int widthPx, heightPx;
        double width, height;
    } cases[] = {{801, 200, 801 * 15 - 240, 200 * 15 - 240},
                 {16, 16, 0, 0}, // below twice the margins: 0, never negative
                 {10, 300, 0, 300 * 15 - 240}};
    for (const auto& c : cases) {
        w.resize(c.widthPx, c.heightPx);
        w.Form_Resize();
        EXPECT_EQ(QRectF(w.pic_IconDisplay->leftTwips(), w.pic_IconDisplay->topTwips(),
                         w.pic_IconDisplay->widthTwips(), w.pic_IconDisplay->heightTwips()),
                  QRectF(120, 120, c.width, c.height));
        EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 0);
    }
    EXPECT_EQ(w.pic_IconDisplay->textRuns().size(), 8u); // the instruction text stays as drawn
    DropData data{{tmp.write("a.ico", tess::fixtures::makeSolidIco(2))}};
    std::int32_t effect = 0;
    std::int16_t button = 0, shift = 0;
    float x = 0, y = 0;
    w.Form_OLEDragDrop(data, effect, button, shift, x, y);
    w.resize(900, 300);
    w.Form_Resize();
    EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 50);
}

TEST(SwapString, ReplacesEveryOccurrenceLeftToRight) {
    const struct {
        const char *text, *swapThis, *withThis, *expected; // withThis nullptr: left out
    } cases[] = {
        {"", "a", "b", ""},       {"abc", "", "x", "abc"}, {"a.b.c", ".", nullptr, "abc"},
        {"aaa", "aa", "b", "ba"}, {"Aa", "a", "x", "Ax"},  {"ab", "a", "aa", "aab"},
        {"ab", "abc", "x", "ab"}, {"xx", "x", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.withThis ? swapString(c.text, c.swapThis, c.withThis)
                             : swapString(c.text, c.swapThis),
                  QString(c.expected))
            << c.text << " / " << c.swapThis;
}

// What a press runs, by button and shift keys, on a file of three icons in four columns.
TEST(Selection, ButtonsAndShiftKeysRunTheirRequests) {
    TempDir tmp;
    const QString three = tmp.write("three.dll", tess::fixtures::makeSolidPe(3));
    const struct {
        std::int16_t button, shift;
        float x, y;
        std::vector<QString> shown; // window captions
        std::size_t menus;
        const char* info; // the information item's caption afterwards
    } cases[] = {
        {1, 0, 360, 360, {"Tessaline - Icon 0 information."}, 0, "&Icon 0 info"},
        {1, 2, 360, 360, {"Save icon '0' as;"}, 0, "&Icon 0 info"},
        {1, 1, 930, 360, {"Save icon '1' as;"}, 0, "&Icon 1 info"},
        {1, 4, 20000, 360, {}, 0, "&Icon information"}, // right of the last column: icon 3 of 3
        {4, 0, 360, 360, {}, 0, "&Icon 0 info"},        // middle: captions only
        {2, 0, 360, 1200, {}, 1, "&Icon information"},  // below the last row
        {1, 0, 360, 1200, {}, 0, "&Icon information"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.button << "/" << c.shift << " at " << c.x);
        RecordingServices rec;
        frm_Vantorel w;
        w.pic_IconDisplay->setWidthTwips(5 * 570);
        w.loadCommandLineFiles({three});
        w.pic_IconDisplay_MouseDown(c.button, c.shift, c.x, c.y);
        EXPECT_EQ(rec.modal->captions, c.shown);
        EXPECT_EQ(rec.popup->menus.size(), c.menus);
        EXPECT_EQ(w.menu_IconInformation->text(), c.info);
    }
}

TEST(Selection, TheChosenItemRunsAfterTheMenuClosesAtThePointer) {
    RecordingServices rec;
    frm_Vantorel w;
    rec.popup->choose = [&](QMenu&) {
        EXPECT_TRUE(rec.modal->captions.empty());
        return w.menu_AboutApp;
    };
    w.pic_IconDisplay_MouseDown(2, 0, 300, 450);
    EXPECT_EQ(rec.popup->positions,
              std::vector<QPoint>{w.pic_IconDisplay->mapToGlobal(QPoint(20, 30))});
    EXPECT_EQ(rec.modal->captions, std::vector<QString>{" About the Tessaline application."});
}

// Keys reach the handler once, from the window and from the surface: Shift+F1 loads entry 0,
// Shift+F12 reports the missing entry 11; Shift+F10, Ctrl+Shift+F1 and F1 alone do nothing.
TEST(Keys, ShiftWithAFunctionKeyLoadsItsEntryOnce) {
    TempDir tmp;
    const ScopedEnv env{{"SystemRoot", tmp.path().toUtf8()},
                        {"WINEPREFIX", tmp.file("none").toUtf8()}};
    tmp.mkdir("system32");
    const QString shell32 = tmp.write("system32/shell32.dll", tess::fixtures::makeSolidPe(4));
    const tess::testing::ShownMessage resource{
        "Can't load or find file; resource.dll\r\nC:\\Program Files\\AOL 9.0\\resource.dll", 48,
        "Tessaline - Can't load resource.dll"};
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        QString loaded;
        std::vector<tess::testing::ShownMessage> shown;
    } cases[] = {{Qt::Key_F1, Qt::ShiftModifier, shell32, {}},
                 {Qt::Key_F12, Qt::ShiftModifier, "", {resource}},
                 {Qt::Key_F10, Qt::ShiftModifier, "", {}},
                 {Qt::Key_F1, Qt::ShiftModifier | Qt::ControlModifier, "", {}},
                 {Qt::Key_F1, Qt::NoModifier, "", {}}};
    for (const bool onSurface : {true, false}) {
        for (const auto& k : cases) {
            RecordingServices rec;
            frm_Vantorel w;
            QTest::keyClick(onSurface ? static_cast<QWidget*>(w.pic_IconDisplay) : &w, k.key,
                            k.mods);
            EXPECT_EQ(w.state().loadedFile, k.loaded) << k.key;
            EXPECT_EQ(rec.messages->shown, k.shown) << k.key;
        }
    }
}

// The Menu key presses the right button where the pointer is over the surface, else at the
// surface's top-left corner.
TEST(Keys, TheMenuKeyPressesTheRightButtonAtThePointerOrTheCorner) {
    RecordingServices rec;
    TempDir tmp;
    frm_Vantorel w;
    w.move(100, 100);
    w.show();
    w.pic_IconDisplay->setWidthTwips(5 * 570);
    w.loadCommandLineFiles({tmp.write("three.dll", tess::fixtures::makeSolidPe(3))});
    const struct {
        QPoint pointer, at;
        const char* info;
    } cases[] = {{{62, 24}, {62, 24}, "&Icon 1 info"}, {{-50, -50}, {0, 0}, "&Icon 0 info"}};
    for (const auto& c : cases) {
        for (QWidget* target :
             {static_cast<QWidget*>(w.pic_IconDisplay), static_cast<QWidget*>(&w)}) {
            rec.popup->positions.clear();
            QCursor::setPos(w.pic_IconDisplay->mapToGlobal(c.pointer));
            QTest::keyClick(target, Qt::Key_Menu);
            EXPECT_EQ(rec.popup->positions,
                      std::vector<QPoint>{w.pic_IconDisplay->mapToGlobal(c.at)});
            EXPECT_EQ(w.menu_IconInformation->text(), c.info);
        }
    }
}

} // namespace
