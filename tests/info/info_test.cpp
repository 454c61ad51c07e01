#include "app/frm_Vantorel.h"
#include "info/frm_IconInfo.h"
#include "info/texts.h"
#include "platform/window/form.h"
#include "platform/window/twips.h"

#include "support/fixtures/fixtures.h"
#include "support/recorders.h"

#include <QPushButton>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <tuple>

using namespace tess;
namespace fx = tess::fixtures;
using tess::testing::RecordingServices;

namespace {

// A piece of text as drawn: neighbouring characters of one style on one line join up.
struct Word {
    QString text;
    double x;                  // NAN: not checked
    std::vector<double> above; // the font sizes of the line breaks above its line
    double size = 8;
    bool bold = false, italic = false, underline = false;
    double y = 0;
};

struct Shown {
    QString caption;
    std::vector<Word> words;
    double width, height, okLeft, okTop, endY, left, top;
    bool box;
    QRect boxRect;
    std::vector<LineRun> grid;
    std::vector<QRect> boxImages, logoImages;
    std::map<double, double> lineHeight; // of "Arial" at a size
};

Shown show(RecordingServices& rec, const std::function<void()>& call) {
    Shown s{};
    rec.modal->onShow = [&s](QDialog& d) {
        auto& info = dynamic_cast<frm_IconInfo&>(d);
        PictureBox &sf = *info.surface, &box = *info.pic_IconDisplay;
        // clang-format off
        s = {d.windowTitle(), {}, form::scaleWidth(d), form::scaleHeight(d), info.okLeftTwips(),
             info.okTopTwips(), sf.currentY(), form::leftTwips(d), form::topTwips(d), !box.isHidden(),
             QRect(roundToInt(box.leftTwips()), roundToInt(box.topTwips()), roundToInt(box.widthTwips()),
                   roundToInt(box.heightTwips())),
             box.lineRuns(), box.imageRuns(), info.pic_AppLogo->imageRuns(), {}};
        // clang-format on
        auto setFont = [&sf](double size, bool b, bool i, bool u) {
            sf.setFontSize(size), sf.setFontBold(b), sf.setFontItalic(i), sf.setFontUnderline(u);
        };
        double endX = -1, y = -1;
        const TextRun* p = nullptr;
        for (const TextRun& r : sf.textRuns()) {
            if (p && r.y == y && r.fontSize == p->fontSize && r.bold == p->bold &&
                r.italic == p->italic && r.underline == p->underline && std::abs(r.x - endX) < 1e-6)
                s.words.back().text += r.text;
            else
                s.words.push_back(
                    {r.text, r.x, {}, r.fontSize, r.bold, r.italic, r.underline, r.y});
            setFont(r.fontSize, r.bold, r.italic, r.underline);
            endX = r.x + sf.textWidth(r.text), y = r.y, p = &r;
        }
        for (double size : {8.0, 10.0, 12.0, 12.5, 16.0, 40.0}) {
            setFont(size, false, false, false);
            s.lineHeight[size] = sf.textHeight();
        }
    };
    call();
    return s;
}

struct MarkupCase {
    const char* markup;
    std::vector<Word> words;
    std::vector<double> breaks; // font sizes of every line break
};

TEST(Markup, DrawsEachCaseAsItsTagsSay) {
    RecordingServices rec;
    frm_Vantorel w;
    const double N = NAN;
    const MarkupCase cases[] = {
        {"?", {{"There is no information available on this icon.", 960, {}}}, {8}},
        {"<B>Bold<b> plain<b>", {{"Bold", 960, {}, 8, true}, {" plain", N, {}}}, {8}},
        {"<U><B>x", {{"x", 960, {}, 8, true, false, true}}, {8}},
        {"<I>i<i>", {{"i", 960, {}, 8, false, true}}, {8}},
        {"a<X>b\r\na < b\r\n<size=10>",
         {{"aX>b", 960, {}}, {"a  b", 960, {8}}, {"size=10>", 960, {8, 8}}},
         {8, 8, 8}},
        {"<SIZE=16>Head<SIZE=8>\r\nNext", {{"Head", 960, {}, 16}, {"Next", 960, {8}}}, {8, 8}},
        {"<SIZE=16>Big\r\nx", {{"Big", 960, {}, 16}, {"x", 960, {16}, 16}}, {16, 16}},
        {"<SIZE=0>a<SIZE=-3>b<SIZE=pt>c", {{"abc", 960, {}}}, {8}},
        {"<SIZE=12.5>a", {{"a", 960, {}, 12.5}}, {12.5}},
        {"<SIZE=1 2>a", {{"a", 960, {}, 12}}, {12}},
        {"<SIZE=12 pt\r\nz", {{"z", 960, {12}, 12}}, {12, 12}},
        {"A\tB", {{"A", 960, {}}, {"B", 1600, {}}}, {8}},
        {"\t\tB", {{"B", 2400, {}}}, {8}},
        {"A\r\n\r\nB\r\n", {{"A", 960, {}}, {"B", 960, {8, 8}}}, {8, 8, 8}},
        {"a\rb\nc", {{"a\rb\nc", 960, {}}}, {8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        const Shown s = show(rec, [&] { w.showInformation("?", c.markup, "", -1, 0, 100, -1); });
        EXPECT_EQ(s.caption, "Tessaline - Icon information.");
        ASSERT_EQ(s.words.size(), c.words.size());
        for (std::size_t i = 0; i < c.words.size(); ++i) {
            const Word &got = s.words[i], &want = c.words[i];
            EXPECT_EQ(got.text, want.text);
            if (!std::isnan(want.x)) {
                EXPECT_DOUBLE_EQ(got.x, want.x) << want.text.toStdString();
            }
            double y = 128;
            for (double size : want.above)
                y += s.lineHeight.at(size);
            EXPECT_NEAR(got.y, y, 1e-6) << want.text.toStdString();
            EXPECT_EQ(std::tie(got.size, got.bold, got.italic, got.underline),
                      std::tie(want.size, want.bold, want.italic, want.underline));
        }
        double endY = 128;
        for (double size : c.breaks)
            endY += s.lineHeight.at(size);
        EXPECT_NEAR(s.endY, endY, 1e-6);
        // No icon: OK 120 twips under the last line, centred; the window ends 120 below it.
        EXPECT_FALSE(s.box);
        EXPECT_NEAR(s.okTop, endY + 120, 7.5);
        EXPECT_NEAR(s.okLeft, (s.width - 1095) / 2, 7.5);
        EXPECT_NEAR(s.height, s.okTop + 375 + 120, 7.5);
    }
    const Shown none = show(rec, [&] { w.showInformation("?", "", "", -1, 0, 100, -1); });
    EXPECT_TRUE(none.words.empty());
    EXPECT_NEAR(none.width, 100 + 120, 7.5); // the least width stands
}

TEST(InformationWindow, IconBoxGridIconLogoAndPlacement) {
    RecordingServices rec;
    fx::TempDir tmp;
    const std::string ico = tmp.file("big.ico");
    fx::writeFile(ico, fx::makeIco({fx::solidImage(32, 32, fx::solidColor(1)),
                                    fx::solidImage(256, 32, fx::solidColor(2), true)}));
    frm_Vantorel w;
    w.move(0, 0);
    w.resize(100, 60); // smaller than the information window: it would start left of the screen
    const char* wide = "<SIZE=40>WWWWWWWWWWWWWWWWWWWWWW<SIZE=8>";
    const Shown s =
        show(rec, [&] { w.showInformation("Cap", wide, ico.c_str(), 0, -1, 5000, 5000); });
    EXPECT_EQ(s.caption, "Cap");
    EXPECT_GT(s.width, 5120 + 15); // the line widens the window but not the box
    ASSERT_TRUE(s.box);
    EXPECT_EQ(
        s.boxRect,
        QRect(960, roundToInt(std::round((128 + s.lineHeight.at(8) + 120) / 15) * 15), 4040, 4040));
    EXPECT_NEAR(s.okTop, s.boxRect.bottom() + 1 + 120, 15);
    EXPECT_NEAR(s.height, s.okTop + 375 + 120, 7.5);
    // 59 dotted lines each way, 64 twips apart, from 8 pixels in.
    ASSERT_EQ(s.grid.size(), 118u);
    for (const auto& l : s.grid)
        EXPECT_TRUE(l.dotted);
    EXPECT_EQ(std::tie(s.grid[0].x1, s.grid[58].x1, s.grid[0].y2, s.grid[117].y1),
              std::make_tuple(120.0, 120.0 + 58 * 64, 4040.0 - 120 - 64, 120.0 + 58 * 64));
    EXPECT_EQ(s.boxImages, std::vector<QRect>{QRect(8, 8, 249, 249)});
    EXPECT_EQ(s.logoImages, std::vector<QRect>{QRect(0, 0, 41, 41)});
    EXPECT_EQ(s.left, 0); // clamped at the screen's edge
    EXPECT_EQ(s.top, 0);
    // No icon to take: no box, the logo keeps its picture.
    const Shown none = show(
        rec, [&] { w.showInformation("?", "x", (ico + "-missing").c_str(), 0, -1, 5000, 5000); });
    EXPECT_FALSE(none.box);
    EXPECT_TRUE(none.logoImages.empty());
}

TEST(IconInformation, NumberFromTextAndPluralSuffix) {
    // clang-format off
    const std::pair<const char*, std::int32_t> numbers[] = {
        {"&Icon 12 info", 12}, {"&Icon information", -1}, {"Icon &info", -1}, {"", -1}, {"Icon 1,234 info", 1234},
        {"1.2.3", 1}, {"12.5", 12}, {"13.5", 14}, {".", 0}, {"-5", 5}, {"3 of 7", 37}, {"99999999999", -1},
        {"2147483647", 2147483647}};
    // clang-format on
    for (const auto& [text, n] : numbers)
        EXPECT_EQ(info::numberFromText(text), n) << text;
    for (int c : {1, -1})
        EXPECT_EQ(info::pluralSuffix(c), "");
    for (int c : {0, 2, -2, 500})
        EXPECT_EQ(info::pluralSuffix(c), "s");
}

} // namespace
