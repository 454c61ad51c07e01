// The display colours: what a choice leaves on the surface. Their messages are in the table of
// texts (tests/app).
#include "app/frm_Vantorel.h"

#include "support/recorders.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace tess;
using tess::testing::RecordingServices;

namespace {

TEST(Colours, RefusalsCancelsAndRedrawsInTheNewColours) {
    tess::testing::TempDir tmp;
    const QString pe = tmp.write("a.dll", tess::fixtures::makeSolidPe(2));
    const struct {
        bool text, loaded;
        std::optional<std::uint32_t> answer;
        std::uint32_t fore, back; // afterwards
        std::size_t messages;
    } cases[] = {
        {true, false, 0xFFFFFF, 0x000000, 0xFFFFFF, 1}, // the background's colour: refused
        {false, false, 0x000000, 0x000000, 0xFFFFFF, 1},
        {true, false, 0x0000FF, 0x0000FF, 0xFFFFFF, 0},
        {false, true, 0x00FF00, 0x000000, 0x00FF00, 0},
        {false, false, 0xFFFFFF, 0x000000, 0xFFFFFF, 0},   // the colour it already has
        {true, true, std::nullopt, 0x000000, 0xFFFFFF, 0}, // cancelled
    };
    for (const auto& c : cases) {
        RecordingServices rec;
        frm_Vantorel w;
        if (c.loaded) w.loadCommandLineFiles({pe});
        w.pic_IconDisplay->cls();
        rec.dialogs->colourAnswers = {c.answer};
        c.text ? w.menu_ColourForground_Click() : w.menu_ColourBackground_Click();
        ASSERT_EQ(rec.dialogs->colours.size(), 1u);
        EXPECT_EQ(rec.dialogs->colours[0].color, c.text ? 0x000000u : 0xFFFFFFu);
        EXPECT_EQ(w.pic_IconDisplay->foreColor(), c.fore);
        EXPECT_EQ(w.pic_IconDisplay->backColor(), c.back);
        EXPECT_EQ(rec.messages->shown.size(), c.messages);
        // Redrawn only when a colour was taken: the grid from the file, else the instructions.
        const bool redrawn = c.answer && c.messages == 0;
        const auto& runs = w.pic_IconDisplay->textRuns();
        EXPECT_EQ(runs.size(), !redrawn ? 0u : c.loaded ? 2u : 8u);
        if (!runs.empty()) {
            EXPECT_EQ(runs.front().colour, c.fore);
        }
        EXPECT_EQ(w.pic_IconDisplay->imageRuns().size(), redrawn && c.loaded ? 2u : 0u);
    }
}

} // namespace
