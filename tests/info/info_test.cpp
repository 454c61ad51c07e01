// The information window: the markup, the number and plural texts, the icon box and placement.
#include "forms/form.h"
#include "forms/twips.h"
#include "info/frm_IconInfo.h"
#include "info/information.h"
#include "info/markup.h"
#include "info/texts.h"

#include "support/recorders.h"

namespace {

// The markup's words: "line @x size[B][I][U] text", the x only where a word does not follow on
// from the last; lines end at the heights of the sizes in breaks.
TEST(Markup, DrawsEachCaseAsItsTagsSay) {
    // clang-format off
    const struct { const char* markup; QStringList words; std::vector<double> breaks; } cases[] = {
        {"<B>Bold<b> plain<b>", {"0 @960 8B Bold", "0 8  plain"}, {8}},
        {"<U><B>x", {"0 @960 8BU x"}, {8}}, {"<I>i<i>j", {"0 @960 8I i", "0 8 j"}, {8}},
        {"a<X>b\r\na < b\r\n<size=10>", {"0 @960 8 aX>b", "1 @960 8 a  b", "2 @960 8 size=10>"}, {8, 8, 8}},
        {"<SIZE=16>Head<SIZE=8>\r\nNext", {"0 @960 16 Head", "1 @960 8 Next"}, {8, 8}},
        {"<SIZE=16>Big\r\nx", {"0 @960 16 Big", "1 @960 16 x"}, {16, 16}},
        {"<SIZE=0>a<SIZE=-3>b<SIZE=pt>c", {"0 @960 8 abc"}, {8}},
        {"<SIZE=12.5>a", {"0 @960 12.5 a"}, {12.5}}, {"<SIZE=1 2>a", {"0 @960 12 a"}, {12}},
        {"<SIZE=12 pt\r\nz", {"1 @960 12 z"}, {12, 12}},
        {"A\tB", {"0 @960 8 A", "0 @1600 8 B"}, {8}}, {"\t\tB", {"0 @2400 8 B"}, {8}},
        {"A\r\n\r\nB\r\n", {"0 @960 8 A", "2 @960 8 B"}, {8, 8, 8}},
        {"a\rb\nc", {"0 @960 8 a\rb\nc"}, {8}}, {"", {}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        std::vector<double> lineTops{128};
        for (double size : c.breaks)
            lineTops.push_back(lineTops.back() + lineHeight(size));
        PictureBox sf;
        EXPECT_GE(info::drawMarkup(sf, c.markup, 100), 100);
        QStringList words;
        QString lastStyle;
        double endX = -1, y = -1;
        for (const TextRun& r : sf.textRuns()) {
            const QString style = QString::number(r.fontSize) + (r.bold ? "B" : "") +
                                  (r.italic ? "I" : "") + (r.underline ? "U" : "");
            const bool follows = r.y == y && std::abs(r.x - endX) < 1e-6;
            const auto line = std::find_if(lineTops.begin(), lineTops.end(),
                                           [&](double t) { return std::abs(t - r.y) < 1e-6; });
            if (follows && style == lastStyle)
                words.back() += r.text;
            else
                words << QString("%1 %2%3 %4")
                             .arg(line - lineTops.begin())
                             .arg(follows ? QString() : QString("@%1 ").arg(r.x), style, r.text);
            sf.setFontSize(r.fontSize), sf.setFontBold(r.bold), sf.setFontItalic(r.italic);
            sf.setFontUnderline(r.underline);
            endX = r.x + sf.textWidth(r.text), y = r.y, lastStyle = style;
        }
        EXPECT_EQ(words, c.words);
        EXPECT_NEAR(sf.currentY(), lineTops.back(), 1e-6);
    }
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
    for (const auto& [count, suffix] :
         {std::pair{1, ""}, {-1, ""}, {0, "s"}, {2, "s"}, {-2, "s"}, {500, "s"}})
        EXPECT_EQ(info::pluralSuffix(count), suffix) << count;
}

TEST(InformationWindow, IconBoxGridIconLogoAndPlacement) {
    RecordingServices rec;
    TempDir dir;
    QWidget owner;
    PictureBox display;
    const info::Asker asker{owner, display};
    const QString ico =
        dir.write("big.ico", fx::makeIco({fx::solidImage(32, 32, fx::solidColor(1)),
                                          fx::solidImage(256, 32, fx::solidColor(2), true)}));
    // The information window, centred on it, would start off the screen.
    owner.setGeometry(0, 0, 100, 60);
    rec.modal->onShow = [](QDialog& d) {
        auto& info = dynamic_cast<frm_IconInfo&>(d);
        const PictureBox& box = *info.pic_IconDisplay;
        EXPECT_GT(form::scaleWidth(d), 5120 + 15); // the line widens the window but not the box
        const int boxTop = roundToInt(std::round((128 + lineHeight(8) + 120) / 15) * 15);
        EXPECT_EQ(QRectF(box.leftTwips(), box.topTwips(), box.widthTwips(), box.heightTwips()),
                  QRectF(960, boxTop, 4040, 4040));
        EXPECT_NEAR(info.okTopTwips(), boxTop + 4040 + 120, 15);
        EXPECT_NEAR(form::scaleHeight(d), info.okTopTwips() + 375 + 120, 7.5);
        // 59 dotted lines each way, 64 twips apart, from 8 pixels in.
        const std::vector<LineRun>& grid = box.lineRuns();
        ASSERT_EQ(grid.size(), 118u);
        EXPECT_TRUE(std::ranges::all_of(grid, &LineRun::dotted));
        EXPECT_EQ(std::tie(grid[0].x1, grid[58].x1, grid[0].y2, grid[117].y1),
                  std::make_tuple(120.0, 120.0 + 58 * 64, 4040.0 - 120 - 64, 120.0 + 58 * 64));
        EXPECT_EQ(std::make_tuple(box.imageRuns(), info.pic_AppLogo->imageRuns(),
                                  form::leftTwips(d), form::topTwips(d)),
                  std::make_tuple(std::vector{QRect(8, 8, 249, 249)},
                                  std::vector{QRect(0, 0, 41, 41)}, 0.0, 0.0));
    };
    info::showInformation(asker, "Cap", "<SIZE=40>WWWWWWWWWWWWWWWWWWWWWW<SIZE=8>", ico, 0, -1, 5000,
                          5000);
    // No icon: no box, the logo as it was, OK 120 under the text and centred.
    rec.modal->onShow = [](QDialog& d) {
        auto& info = dynamic_cast<frm_IconInfo&>(d);
        QString text;
        for (const TextRun& r : info.surface->textRuns())
            text += r.text;
        EXPECT_EQ(std::make_tuple(text, info.pic_IconDisplay->isHidden(),
                                  info.pic_AppLogo->imageRuns().size()),
                  std::make_tuple("There is no information available on this icon.", true, 0u));
        EXPECT_NEAR(info.okTopTwips(), 128 + lineHeight(8) + 120, 7.5);
        EXPECT_NEAR(info.okLeftTwips(), (form::scaleWidth(d) - 1095) / 2, 7.5);
        EXPECT_NEAR(form::scaleHeight(d), info.okTopTwips() + 375 + 120, 7.5);
    };
    info::showInformation(asker, "?", "?", ico + "-missing", 0, -1, 100, 5000);
    rec.modal->onShow = [](QDialog& d) { EXPECT_NEAR(form::scaleWidth(d), 100 + 120, 7.5); };
    info::showInformation(asker, "", "", "", -1, 0, 100, -1); // the least width stands
    EXPECT_EQ(rec.modal->captions,
              (std::vector<QString>{"Cap", "Tessaline - Icon information.", ""}));
}

} // namespace
