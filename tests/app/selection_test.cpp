#include "app/frm_Vantorel.h"

#include "support/recorders.h"

#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using namespace tess;
using tess::testing::RecordingServices;

namespace {

struct PressCase {
    std::int16_t button, shift;
    float x, y;
    std::int32_t iconCount;
    const char* info;  // caption of menu_IconInformation after the press
    const char* shown; // caption of the information window shown, "" none
    bool menu;         // the pop-up menu was shown
};

// A surface 5 cells wide: 4 columns. Cells are 570 twips wide and 750 high at 15 twips a pixel.
TEST(Selection, HitTestCaptionsAndButtons) {
    RecordingServices rec;
    frm_Vantorel w;
    w.pic_IconDisplay->setWidthTwips(5 * 570);
    const char* info0 = "Tessaline - Icon 0 information.";
    const PressCase cases[] = {
        {1, 0, 360, 360, 10, "&Icon 0 info", info0, false},            // the middle of icon 0
        {1, 2, 360, 360, 10, "&Icon 0 info", "", false},               // Ctrl: the save request
        {1, 1, 360, 360, 10, "&Icon 0 info", "", false},               // Shift
        {1, 4, 360, 360, 10, "&Icon 0 info", "", false},               // Alt
        {4, 0, 20000, 1175, 10, "&Icon 7 info", "", false},            // right of the last column
        {2, 0, 360, 425 + 3 * 750, 10, "&Icon information", "", true}, // below the last row
        {1, 0, 350 + 3 * 570, 425 + 2 * 750, 10, "&Icon information", "", false}, // icon 11 of 10
        {1, 0, 350 + 3 * 570, 425 + 2 * 750, 12, "&Icon 11 info",
         "Tessaline - Icon 11 information.", false},
        {4, 0, 350 + 0.5 * 570, 425 + 0.5 * 750, 10, "&Icon 0 info", "", false}, // halves to even
        {4, 0, 350 + 1.5 * 570, 425 + 1.5 * 750, 12, "&Icon 10 info", "", false},
        {4, 0, -500, -500, 10, "&Icon 0 info", "", false},   // clamped at the first cell
        {2, 0, 360, 360, -1, "&Icon information", "", true}, // before any file
        {1, 0, 360, 360, -1, "&Icon information", "", false},
        {1, 0, 360, 1e30f, 10, "&Icon information", "", false}, // far below: nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.button << "/" << c.shift << " at " << c.x << "," << c.y);
        w.iconCount = c.iconCount;
        rec.modal->captions.clear();
        rec.popup->menus.clear();
        w.pic_IconDisplay_MouseDown(c.button, c.shift, c.x, c.y);
        const bool hit = QString(c.info) != "&Icon information";
        EXPECT_EQ(w.menu_IconInformation->text(), c.info);
        EXPECT_EQ(w.menu_IconInformation->isEnabled(), hit);
        EXPECT_EQ(w.menu_SaveIcon->text(),
                  hit ? QString(c.info).replace("&Icon ", "&Save icon ").replace(" info", "...")
                      : "&Save icon...");
        EXPECT_EQ(w.menu_SaveIcon->isEnabled(), hit);
        EXPECT_EQ(w.menu_AboutApp->text(), "&About Tessaline");
        const auto& shown = rec.modal->captions;
        EXPECT_EQ(std::find(shown.begin(), shown.end(), QString(c.shown)) != shown.end(),
                  *c.shown != 0);
        EXPECT_EQ(rec.popup->menus.size(), c.menu ? 1u : 0u);
    }
    // Thousands get their separator.
    w.iconCount = 2000; // more than the grid draws, to reach four digits
    w.pic_IconDisplay->setWidthTwips(60 * 570);
    w.pic_IconDisplay_MouseDown(4, 0, 360, 425 + 20 * 750);
    EXPECT_EQ(w.menu_IconInformation->text(), "&Icon 1,180 info");
}

TEST(Selection, RightClickFillsTheFileListAndRunsTheChoiceAfterwards) {
    RecordingServices rec;
    frm_Vantorel w;
    w.pic_IconDisplay->setWidthTwips(5 * 570);
    rec.popup->choose = [&](QMenu&) { return w.menu_AboutApp; };
    w.pic_IconDisplay_MouseDown(2, 0, 300, 450);
    ASSERT_EQ(rec.popup->menus.size(), 1u);
    EXPECT_EQ(rec.popup->positions[0], w.pic_IconDisplay->mapToGlobal(QPoint(20, 30)));
    EXPECT_EQ(rec.modal->captions, std::vector<QString>{" About the Tessaline application."});
    EXPECT_FALSE(w.menu_Refresh->isEnabled());
    std::size_t listed = 0;
    for (std::int16_t i = 0; !w.knownFile(i, true).isEmpty(); ++i, ++listed) {
        const char* keys[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", nullptr, "11", "12"};
        const QString key = i < 12 && keys[i] ? QString("\tShift+F") + keys[i] : QString();
        ASSERT_LT(static_cast<std::size_t>(i), w.menu_FileLoad.size());
        EXPECT_EQ(w.menu_FileLoad[i]->text(), "&" + w.knownFile(i, false) + key);
        EXPECT_TRUE(w.menu_FileLoad[i]->isEnabled() && w.menu_FileLoad[i]->isVisible());
    }
    EXPECT_EQ(w.menu_FileLoad.size(), std::max<std::size_t>(13, listed));
    w.loadedFile = "/x/a.dll";
    rec.popup->choose = nullptr;
    w.pic_IconDisplay_MouseDown(2, 0, 300, 450);
    EXPECT_TRUE(w.menu_Refresh->isEnabled());
    EXPECT_EQ(rec.modal->captions.size(), 1u); // nothing chosen, nothing run
}

TEST(Selection, PressesAndKeysArriveOnceThroughTheWindow) {
    RecordingServices rec;
    frm_Vantorel w;
    w.pic_IconDisplay->setWidthTwips(5 * 570);
    w.pic_IconDisplay->setHeightTwips(3000);
    w.iconCount = 3;
    QTest::mouseClick(w.pic_IconDisplay, Qt::LeftButton, {}, QPoint(24, 24));
    EXPECT_EQ(rec.modal->captions, std::vector<QString>{"Tessaline - Icon 0 information."});
    // A missing well-known file reports itself once per press; keys without an entry do nothing.
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::int16_t entry; // -1: none
    } keyCases[] = {{Qt::Key_F12, Qt::ShiftModifier, 11},
                    {Qt::Key_F1, Qt::ShiftModifier, 0},
                    {Qt::Key_F10, Qt::ShiftModifier, -1},
                    {Qt::Key_F1, Qt::ShiftModifier | Qt::ControlModifier, -1},
                    {Qt::Key_F1, Qt::NoModifier, -1}};
    for (QWidget* target : {static_cast<QWidget*>(w.pic_IconDisplay), static_cast<QWidget*>(&w)}) {
        for (const auto& k : keyCases) {
            rec.messages->shown.clear();
            QTest::keyClick(target, k.key, k.mods);
            const bool loads = k.entry >= 0 && !w.knownFile(k.entry, true).isEmpty() &&
                               w.fileLength(w.knownFile(k.entry, true)) < 0;
            EXPECT_EQ(rec.messages->shown.size(), loads ? 1u : 0u) << k.key;
        }
    }
}

// The Menu key opens the pop-up menu as a right click would: at the pointer over the surface,
// else at its top-left corner. Shift+F10 still does nothing.
TEST(Selection, TheMenuKeyPressesTheRightButtonAtThePointerOrTheCorner) {
    RecordingServices rec;
    frm_Vantorel w;
    w.move(100, 100);
    w.show();
    w.pic_IconDisplay->setWidthTwips(5 * 570);
    w.iconCount = 3;
    const struct {
        QPoint pointer; // on the surface
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* info; // "" no menu
        QPoint at;
    } cases[] = {{{62, 24}, Qt::Key_Menu, {}, "&Icon 1 info", {62, 24}},
                 {{-50, -50}, Qt::Key_Menu, {}, "&Icon 0 info", {0, 0}},
                 {{62, 24}, Qt::Key_F10, Qt::ShiftModifier, "", {}}};
    for (const auto& c : cases) {
        for (QWidget* target :
             {static_cast<QWidget*>(w.pic_IconDisplay), static_cast<QWidget*>(&w)}) {
            rec.popup->menus.clear(), rec.popup->positions.clear();
            QCursor::setPos(w.pic_IconDisplay->mapToGlobal(c.pointer));
            QTest::keyClick(target, c.key, c.mods);
            if (*c.info == 0) {
                EXPECT_TRUE(rec.popup->menus.empty());
                continue;
            }
            EXPECT_EQ(rec.popup->positions,
                      std::vector<QPoint>{w.pic_IconDisplay->mapToGlobal(c.at)});
            EXPECT_EQ(w.menu_IconInformation->text(), c.info);
        }
    }
}

} // namespace
