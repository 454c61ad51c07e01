// Every text the user sees from the main window, the grid, loading, the colours, the
// information window and About: one row per trigger, each compared whole.
#include "app/frm_Vantorel.h"
#include "info/frm_IconInfo.h"
#include "info/markup.h"
#include "info/texts.h"

#include "support/recorders.h"

using namespace tess;
using tess::testing::drop;
using tess::testing::RecordingServices;

namespace {

// The lines drawn on a surface, in order; with rows, each prefixed by its line number (empty
// lines counted) and a star when bold.
QStringList drawnLines(const PictureBox& s, bool rows = false) {
    QStringList lines;
    const auto& runs = s.textRuns();
    double y = -1;
    for (const TextRun& r : runs) {
        if (r.y != y) {
            const double step = runs.size() > 1 ? runs[1].y - runs[0].y : 1;
            lines << (rows ? QString::number(qRound((r.y - runs[0].y) / step)) +
                                 (r.bold ? "* " : " ")
                           : QString());
        }
        lines.back() += r.text, y = r.y;
    }
    return lines;
}

// What the user was shown, in order of kind: message boxes (title, text, style), then windows
// ("[caption]" and the lines drawn in it), then dialogs and pop-up menus.
struct Watch {
    RecordingServices rec;
    QStringList windows;
    Watch() {
        rec.modal->onShow = [this](QDialog& d) {
            windows << "[" + d.windowTitle() + "]";
            if (auto* info = qobject_cast<frm_IconInfo*>(&d)) windows << drawnLines(*info->surface);
        };
    }
    QStringList seen() const {
        QStringList out;
        for (const auto& m : rec.messages->shown)
            out << m.title << m.text << QString::number(m.style);
        out << windows;
        for (const OpenFileRequest& o : rec.dialogs->opens) // its filter when not the first's
            out << o.title
                << (&o > &rec.dialogs->opens[0] && o.filter == rec.dialogs->opens[0].filter
                        ? "(the same filter)"
                        : o.filter)
                << QStringList{o.initDir, o.fileName,
                               QString::asprintf("%d %d %d", o.cancelError, o.filterIndex, o.flags)}
                       .join(" | ");
        for (const auto& c : rec.dialogs->colours)
            out << c.title;
        for (const auto& menu : rec.popup->menus)
            out << menu;
        return out;
    }
};

TEST(Texts, EveryTriggerShowsItsWholeText) {
    tess::testing::TempDir dir;
    const QString three = dir.write("three.dll", tess::fixtures::makeSolidPe(3));
    const QString notes = dir.write("notes.txt", QByteArray("hi")),
                  pictures = dir.mkdir("Pictures");
    const QString missing = dir.file("missing.txt");
    const QString multi = "Tessaline can only load one file at a time.\r\n\r\nThe following "
                          "objects where not loaded.\r\n";
    const QString invalid = "as this is an invalid icon number.";
    const QString filter =
        "Application files (*.exe)|*.exe|Application extension files (*.dll)|*.dll|ICON files "
        "(*.ico)|*.ico|Cursor files (*.cur)|*.cur|Animated cursor files (*.ani)|*.ani|All valid "
        "file types (*.exe, *.dll, *.ico, *.cur, *.ani)|*.exe;*.dll;*.ico;*.cur;*.ani|All file "
        "types (*.*)|*.*";
    // clang-format off
    const QStringList fileList = {"&shell32.dll\tShift+F1", "&REGEdit.exe\tShift+F2",
        "&tessaline.ico\tShift+F3", "&iexplore.exe\tShift+F4", "&ieframe.dll\tShift+F5",
        "&explorer.exe\tShift+F6", "&netscape.exe\tShift+F7", "&OSA.EXE\tShift+F8",
        "&WINWORD.EXE\tShift+F9", "&aoltray.exe", "&phx.dll\tShift+F11", "&resource.dll\tShift+F12",
        "&iTunes.exe", "&msmsgs.exe", "&Quillbrook.exe"};
    // clang-format on
    const auto menu = [&](const QString& caption, const QStringList& middle) {
        return QStringList{caption, "Load &file", "&Load file...", "List &of files"} + fileList +
               middle + QStringList{"&About Tessaline"};
    };
    const auto failWith = [](Watch& s, int n) {
        s.rec.dialogs->failures.push_back(Failure(n, "Boom"));
    };
    // clang-format off
    const struct { const char* trigger; std::function<void(frm_Vantorel&, Watch&)> act; QStringList expected; } rows[] = {
        {"start-up", [](frm_Vantorel&, Watch&) {},
         {"EXE or DLL file icons.", "0*  Drag an .exe or .dll file here",
          "1*  to display file icons in this window.", "3  Click menu over this window",
          "4  for menu options.", "6  Tessaline description;", "7  Display icons in file.",
          "9  Tessaline comments;",
          "10  Display all icons in a .exe, .dll, .ico, .cur or .ani file. You can also extract "
          "(save) the icons."}},
        {"menu as designed", [](frm_Vantorel& w, Watch& s) {
             s.rec.popup->popup(*w.menu_MenuOptions, {}); },
         QStringList{"EXE or DLL file icons.", "Load &file", "&Load file...", "List &of files",
          "File ...? (off)"} + QStringList(12, "File ...? (off) (hidden)") +
         QStringList{"&Save icon...", "", "Icon &info (off)", "Text &colour", "Back&ground colour",
          "&Refresh display (off)", "", "&About this application"}},
        {"right click before any file", [](frm_Vantorel& w, Watch&) {
             w.pic_IconDisplay_MouseDown(2, 0, 360, 360); },
         menu("EXE or DLL file icons.", {"&Save icon... (off)", "", "&Icon information (off)",
          "Text &colour", "Back&ground colour", "&Refresh display (off)", ""})},
        {"right click on icon 1 of a file", [&](frm_Vantorel& w, Watch&) {
             drop(w, {three}), w.pic_IconDisplay_MouseDown(2, 0, 930, 360); },
         menu("Icons from; " + three, {"&Save icon 1...", "", "&Icon 1 info", "Text &colour",
          "Back&ground colour", "&Refresh display", ""})},
        {"left click on icon 0", [&](frm_Vantorel& w, Watch&) {
             drop(w, {three}), w.pic_IconDisplay_MouseDown(1, 0, 360, 360); },
         {"Icons from; " + three, "[Tessaline - Icon 0 information.]", "Information on icon 0;",
          "File path name = " + three, "Total icons in file = 3.", "Icon number 0."}},
        {"information before any file", [](frm_Vantorel& w, Watch&) {
             w.menu_IconInformation_Click(); },
         {"EXE or DLL file icons.", "[Tessaline - Icon information.]",
          "Can't display any information about icon -1,", invalid,
          "You have NOT yet loaded a file!"}},
        {"save request for icon 3 of 3", [&](frm_Vantorel& w, Watch&) {
             drop(w, {three}), w.menu_IconInformation->setText("&Icon 3 info"),
             w.menu_SaveIcon_Click(); },
         {"Icons from; " + three, "[Tessaline - Icon info.]", "Can't save icon 3,", invalid, three,
          "has 3 icons, ranging from 0 to 2 only."}},
        {"About", [](frm_Vantorel& w, Watch&) { w.menu_AboutApp_Click(); },
         {"EXE or DLL file icons.", "[ About the Tessaline application.]",
          "Tessaline application.", QString("By ") + versionInfo().legalCopyright,
          "Version; 0.00.0007 (31/05/2014 -  2:40pm bst)",
          QString("E-mail; ") + versionInfo().authorEmail, QString("URL; ") + versionInfo().authorUrl,
          "Tessaline description;", "Display icons in file.", "Tessaline comments;",
          "Display all icons in a .exe, .dll, .ico, .cur or .ani file.",
          "You can also extract (save) the icons."}},
        {"drop of two files", [&](frm_Vantorel& w, Watch&) { drop(w, {three, notes}); },
         {"Tessaline - Multi-file drop error.", multi + "\t" + three + "\r\n\t" + notes + "\r\n",
          "48", "EXE or DLL file icons."}},
        {"drop of nothing", [&](frm_Vantorel& w, Watch&) { drop(w, {}); },
         {"Tessaline - Multi-file drop error.", multi, "48", "EXE or DLL file icons."}},
        {"drop of a folder", [&](frm_Vantorel& w, Watch&) { drop(w, {pictures}); },
         {"Tessaline - File type not supported.",
          "Tessaline can't load;\r\n" + pictures + "\r\nas this file type is not supported.", "48",
          "EXE or DLL file icons."}},
        {"open-file dialog: cancel, then a missing name", [&](frm_Vantorel& w, Watch& s) {
             s.rec.dialogs->openAnswers = {std::nullopt, missing}, w.menu_FileLoadBox_Click(), w.menu_FileLoadBox_Click(); },
         {"Tessaline - Can't find file.", "Can't find file;\r\n" + missing, "48",
          "EXE or DLL file icons.", "Tessaline - Load exe or dll file icons.",
          filter, dir.path() + " |  | 1 1 4", "Tessaline - Load exe or dll file icons.",
          "(the same filter)", dir.path() + " |  | 1 1 4"}},
        {"open-file dialog: the loaded file again, then a text file", [&](frm_Vantorel& w, Watch& s) {
             drop(w, {three}), s.rec.dialogs->openAnswers = {three, notes};
             w.menu_FileLoadBox_Click(), w.menu_FileLoadBox_Click(); },
         {"Tessaline - Invalid file type.",
          "Can't load icons from file;\r\n" + notes + "\r\n\r\n\tInvalid file type.", "48",
          "Icons from; " + three, "Tessaline - Load exe or dll file icons.", filter, three + " | " + three + " | 1 1 4",
          "Tessaline - Load exe or dll file icons.", "(the same filter)", three + " | " + three + " | 1 1 4"}},
        {"open-file dialog: cancel, then failure 53", [&](frm_Vantorel& w, Watch& s) {
             w.menu_FileLoadBox_Click(), failWith(s, 53), w.menu_FileLoadBox_Click();
             s.rec.dialogs->opens.clear(); },
         {"Tessaline - File load error; (53)", "Tessaline load file error;\r\nError; Boom (53)", "48",
          "EXE or DLL file icons."}},
        {"a well-known file that is missing, by the menu and by Shift+F12", [](frm_Vantorel& w, Watch&) {
             w.menu_FileLoad_Click(6), QTest::keyClick(&w, Qt::Key_F12, Qt::ShiftModifier); },
         {"Tessaline - Can't load netscape.exe",
          "Can't load or find file; netscape.exe\r\n"
          "C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe", "48",
          "Tessaline - Can't load resource.dll",
          "Can't load or find file; resource.dll\r\nC:\\Program Files\\AOL 9.0\\resource.dll", "48",
          "EXE or DLL file icons."}},
        {"text colour equal to the background", [](frm_Vantorel& w, Watch& s) {
             s.rec.dialogs->colourAnswers = {0xFFFFFF}, w.menu_ColourForground_Click(); },
         {"Tessaline - Can't select this colour.",
          "Can't select foreground colour &hFFFFFF\r\nas this is the same as the background colour.",
          "48", "EXE or DLL file icons.", "Tessaline - Text colour."}},
        {"background colour equal to the text", [](frm_Vantorel& w, Watch& s) {
             s.rec.dialogs->colourAnswers = {0}, w.menu_ColourBackground_Click(); },
         {"Tessaline - Can't select this colour.",
          "Can't select background colour &h0\r\nas this is the same as the foreground colour.", "48",
          "EXE or DLL file icons.", "Tessaline - Background colour."}},
        {"text colour: failure 1234", [&](frm_Vantorel& w, Watch& s) {
             failWith(s, 1234), w.menu_ColourForground_Click(); },
         {"Tessaline - Text colour selection error; (1234)",
          "Tessaline text colour selection error;\r\n\r\nError; Boom\r\nError number; 1,234", "48",
          "EXE or DLL file icons.", "Tessaline - Text colour."}},
        {"background colour: failure 1234", [&](frm_Vantorel& w, Watch& s) {
             failWith(s, 1234), w.menu_ColourBackground_Click(); },
         {"Tessaline - Background colour selection error; (1234)",
          "Tessaline background colour selection error;\r\nError; Boom (1234)", "48",
          "EXE or DLL file icons.", "Tessaline - Background colour."}},
    };
    // clang-format on
    const tess::testing::ScopedEnv env{{"SystemRoot", dir.path().toUtf8()},
                                       {"WINEPREFIX", dir.file("none").toUtf8()}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.trigger);
        Watch s;
        frm_Vantorel w;
        w.pic_IconDisplay->setWidthTwips(5 * 570); // four columns
        r.act(w, s);
        QStringList seen = s.seen();
        const bool startUp = std::string(r.trigger) == "start-up";
        seen.insert(s.rec.messages->shown.size() * 3, w.windowTitle());
        if (startUp) seen << drawnLines(*w.pic_IconDisplay, true);
        EXPECT_EQ(seen, r.expected);
    }
}

// The texts built from plain values, for the counts no window can reach on its own.
TEST(Texts, RefusalInformationAndAboutTextsWhole) {
    const QString head = "<B>Can't save icon ",
                  tail = ",\r\nas this is an invalid icon number.<b>\r\n\r\n";
    const std::pair<QString, QString> refusals[] = {
        {info::invalidIconText("Can't save icon ", 5, "", -1),
         head + "5" + tail + "You have NOT yet loaded a file!"},
        {info::invalidIconText("Can't save icon ", 0, "/x/a.dll", 0),
         head + "0" + tail + "/x/a.dll\r\ndose not contain any icons."},
        {info::invalidIconText("Can't save icon ", 1, "/x/a.dll", 1),
         head + "1" + tail + "/x/a.dll\r\nhas one icon only, numbered as icon index 0."},
        {info::invalidIconText("Can't save icon ", 2500, "/x/a.dll", 2000),
         head + "2,500" + tail + "/x/a.dll\r\nhas 2,000 icons, ranging from 0 to 1,999 only."}};
    for (const auto& [text, expected] : refusals)
        EXPECT_EQ(text, expected);
    EXPECT_EQ(info::iconInformationText(1234, "/x/a.dll", 1500),
              "<SIZE=16><B><U>Information on icon 1,234<u>;<b><SIZE=8>\r\n\r\nFile path name = "
              "\t<B>/x/a.dll<b>\r\nTotal icons in file = \t<B>1,500.<b>\r\n\r\n<SIZE=12><B><U>Icon "
              "number 1,234<u>.<b><SIZE=8>");
    EXPECT_EQ(info::iconInformationCaption(1234), "Tessaline - Icon 1,234 information.");
    const VersionInfo v{"P", "Desc.", "One. Two.x. Three", "(c) Me", "me@x", "http://x", 1, 2,
                        0,   34};
    EXPECT_EQ(info::aboutText(v),
              "<B><SIZE=16><U>P application<u>.<SIZE=8><b>\r\n\r\n<SIZE=10><B>By \t\t(c) Me<b>\r\n"
              "<B>Version; \t1.02.0034<b><SIZE=8> <I>(31/05/2014 -  2:40pm bst)<i>\r\n\r\n"
              "<B>E-mail; \t<U>me@x<u><b>\r\n<B>URL; \t<U>http://x<u><b>\r\n"
              "\r\n<SIZE=10>P description;<SIZE=8>\r\nDesc.\r\n"
              "\r\n<SIZE=10>P comments;<SIZE=8>\r\nOne.\r\nTwo.x.\r\nThree\r\n");
    EXPECT_EQ(info::aboutCaption(v), " About the P application.");
}

// The markup's words as drawn, neighbouring characters of one style on one line joined: "line
// @x size[B][I][U] text", the x given only where a word does not follow on from the one before;
// the line counted from the top through the line ends' heights (the font sizes in breaks).
TEST(Markup, DrawsEachCaseAsItsTagsSay) {
    // clang-format off
    const struct { const char* markup; QStringList words; std::vector<double> breaks; } cases[] = {
        {"<B>Bold<b> plain<b>", {"0 @960 8B Bold", "0 8  plain"}, {8}},
        {"<U><B>x", {"0 @960 8BU x"}, {8}},
        {"<I>i<i>j", {"0 @960 8I i", "0 8 j"}, {8}},
        {"a<X>b\r\na < b\r\n<size=10>", {"0 @960 8 aX>b", "1 @960 8 a  b", "2 @960 8 size=10>"}, {8, 8, 8}},
        {"<SIZE=16>Head<SIZE=8>\r\nNext", {"0 @960 16 Head", "1 @960 8 Next"}, {8, 8}},
        {"<SIZE=16>Big\r\nx", {"0 @960 16 Big", "1 @960 16 x"}, {16, 16}},
        {"<SIZE=0>a<SIZE=-3>b<SIZE=pt>c", {"0 @960 8 abc"}, {8}},
        {"<SIZE=12.5>a", {"0 @960 12.5 a"}, {12.5}},
        {"<SIZE=1 2>a", {"0 @960 12 a"}, {12}},
        {"<SIZE=12 pt\r\nz", {"1 @960 12 z"}, {12, 12}},
        {"A\tB", {"0 @960 8 A", "0 @1600 8 B"}, {8}},
        {"\t\tB", {"0 @2400 8 B"}, {8}},
        {"A\r\n\r\nB\r\n", {"0 @960 8 A", "2 @960 8 B"}, {8, 8, 8}},
        {"a\rb\nc", {"0 @960 8 a\rb\nc"}, {8}},
        {"", {}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        std::vector<double> lineTops{128};
        for (double size : c.breaks)
            lineTops.push_back(lineTops.back() + tess::testing::lineHeight(size));
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

} // namespace
