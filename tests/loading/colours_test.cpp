#include "app/frm_Vantorel.h"

#include "support/fixtures/fixtures.h"
#include "support/recorders.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace tess;
using tess::testing::RecordingServices;

namespace {

TEST(Colours, RefusalsCancelsAndRedraws) {
    const struct {
        bool text;
        std::optional<std::uint32_t> answer;
        QString refusal; // "" when accepted or cancelled
        std::uint32_t fore, back;
    } cases[] = {
        {true, 0xFFFFFF,
         "Can't select foreground colour &hFFFFFF\r\nas this is the same as the background colour.",
         0x000000, 0xFFFFFF},
        {false, 0x000000,
         "Can't select background colour &h0\r\nas this is the same as the foreground colour.",
         0x000000, 0xFFFFFF},
        {true, 0x0000FF, "", 0x0000FF, 0xFFFFFF},
        {false, 0x00FF00, "", 0x000000, 0x00FF00},
        {false, 0xFFFFFF, "", 0x000000, 0xFFFFFF}, // the colour it already has
        {true, std::nullopt, "", 0x000000, 0xFFFFFF},
    };
    for (const auto& c : cases) {
        RecordingServices rec;
        frm_Vantorel w;
        rec.dialogs->colourAnswers = {c.answer};
        const auto runsBefore = w.pic_IconDisplay->textRuns().size();
        c.text ? w.menu_ColourForground_Click() : w.menu_ColourBackground_Click();
        ASSERT_EQ(rec.dialogs->colours.size(), 1u);
        EXPECT_EQ(rec.dialogs->colours[0].title,
                  c.text ? "Tessaline - Text colour." : "Tessaline - Background colour.");
        EXPECT_EQ(rec.dialogs->colours[0].color, c.text ? 0x000000u : 0xFFFFFFu);
        EXPECT_EQ(w.pic_IconDisplay->foreColor(), c.fore);
        EXPECT_EQ(w.pic_IconDisplay->backColor(), c.back);
        if (!c.refusal.isEmpty()) {
            ASSERT_EQ(rec.messages->shown.size(), 1u);
            EXPECT_EQ(rec.messages->shown[0],
                      (tess::testing::ShownMessage{c.refusal, 48,
                                                   "Tessaline - Can't select this colour."}));
        } else {
            EXPECT_TRUE(rec.messages->shown.empty());
        }
        const bool redrawn = c.answer && c.refusal.isEmpty();
        if (redrawn && runsBefore > 0) {
            ASSERT_FALSE(w.pic_IconDisplay->textRuns().empty());
            EXPECT_EQ(w.pic_IconDisplay->textRuns().front().colour,
                      c.fore); // instructions in the new colour
        }
    }
}

TEST(Colours, AfterALoadTheGridIsRedrawnFromTheLoadedFile) {
    RecordingServices rec;
    tess::testing::TempDir tmp;
    frm_Vantorel w;
    w.loadedFile = tmp.write("a.ico", tess::fixtures::makeSolidIco(2));
    rec.dialogs->colourAnswers = {0x0000FFu};
    w.menu_ColourBackground_Click();
    EXPECT_EQ(w.pic_IconDisplay->backColor(), 0x0000FFu);
    EXPECT_EQ(w.displayedFile, w.loadedFile);
}

} // namespace
