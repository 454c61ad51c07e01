// The main window: every text the user sees, one row per trigger, compared whole; start-up,
// layout, presses, keys, the grid, the information window, and loading.
#include "app/frm_Vantorel.h"
#include "app/strings.h"
#include "grid/geometry.h"
#include "info/frm_IconInfo.h"
#include "info/markup.h"
#include "info/texts.h"
#include "platform/window/environment.h"
#include "platform/window/form.h"
#include "platform/window/twips.h"

#include "support/recorders.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <sys/stat.h>

using namespace tess;
using namespace tess::testing;
namespace fx = tess::fixtures;

namespace {

// The lines drawn on a surface; with rows, after each its number (empty lines count), * if bold.
QStringList drawnLines(const PictureBox& s, bool rows = false) {
    QStringList lines;
    const auto& runs = s.textRuns();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const double step = runs.size() > 1 ? runs[1].y - runs[0].y : 1, y = runs[i].y;
        if (i == 0 || y != runs[i - 1].y)
            lines << (rows ? QString("%1%2 ")
                                 .arg(qRound((y - runs[0].y) / step))
                                 .arg(runs[i].bold ? "*" : "")
                           : "");
        lines.back() += runs[i].text;
    }
    return lines;
}

// What the user was shown: message boxes (title, text, style), the caption, windows ("[caption]"
// and their lines), dialogs and pop-up menus; the folder written "~".
struct Watch : MainWindow {
    QStringList windows;
    Watch() {
        dir.write("notes.txt", QByteArray("hi")), dir.mkdir("Pictures");
        rec.modal->onShow = [this](QDialog& d) {
            windows << "[" + d.windowTitle() + "]";
            if (auto* info = qobject_cast<frm_IconInfo*>(&d)) windows << drawnLines(*info->surface);
        };
    }
    QStringList texts() const {
        QStringList out;
        for (const auto& m : rec.messages->shown)
            out << m.title << m.text << QString::number(m.style);
        out << w.windowTitle() << windows;
        for (const OpenFileRequest& o : rec.dialogs->opens)
            out << QStringList{o.title, o.filter, o.initDir, o.fileName,
                               QString::asprintf("%d %d %d", o.cancelError, o.filterIndex, o.flags)}
                       .join(" | ");
        for (const auto& c : rec.dialogs->colours)
            out << c.title;
        for (const auto& menu : rec.popup->menus)
            out << menu;
        return out.replaceInStrings(dir.path(), "~");
    }
};

TEST(Texts, EveryTriggerShowsItsWholeText) {
    const QString three = "~/three.dll", notes = "~/notes.txt";
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
    const auto opened = [&](const QString& folder, const QString& name) { // the open-file dialog
        return "Tessaline - Load exe or dll file icons. | " + filter + " | " + folder + " | " +
               name + " | 1 1 4";
    };
    const auto failWith = [](Watch& s, int n) { s.rec.dialogs->failures.emplace_back(n, "Boom"); };
    // clang-format off
    const struct { const char* trigger; std::function<void(Watch&)> act; QStringList expected; } rows[] = {
        {"start-up", [](Watch&) {},
         {"EXE or DLL file icons.", "0*  Drag an .exe or .dll file here", "1*  to display file icons in this window.",
          "3  Click menu over this window", "4  for menu options.", "6  Tessaline description;", "7  Display icons in file.",
          "9  Tessaline comments;",
          "10  Display all icons in a .exe, .dll, .ico, .cur or .ani file. You can also extract (save) the icons."}},
        {"menu as designed", [](Watch& s) { s.rec.popup->popup(*s.w.menu_MenuOptions, {}); },
         QStringList{"EXE or DLL file icons.", "Load &file", "&Load file...", "List &of files",
          "File ...? (off)"} + QStringList(12, "File ...? (off) (hidden)") +
         QStringList{"&Save icon...", "", "Icon &info (off)", "Text &colour", "Back&ground colour",
          "&Refresh display (off)", "", "&About this application"}},
        {"right click before any file", [](Watch& s) { s.w.pic_IconDisplay_MouseDown(2, 0, 360, 360); },
         menu("EXE or DLL file icons.", {"&Save icon... (off)", "", "&Icon information (off)",
          "Text &colour", "Back&ground colour", "&Refresh display (off)", ""})},
        {"right click on icon 1 of a file", [&](Watch& s) {
             drop(s.w, {s.three}), s.w.pic_IconDisplay_MouseDown(2, 0, 930, 360); },
         menu("Icons from; " + three, {"&Save icon 1...", "", "&Icon 1 info", "Text &colour",
          "Back&ground colour", "&Refresh display", ""})},
        {"left click on icon 0", [&](Watch& s) { drop(s.w, {s.three}), s.w.pic_IconDisplay_MouseDown(1, 0, 360, 360); },
         {"Icons from; " + three, "[Tessaline - Icon 0 information.]", "Information on icon 0;",
          "File path name = " + three, "Total icons in file = 3.", "Icon number 0."}},
        {"information before any file", [](Watch& s) { s.w.menu_IconInformation_Click(); },
         {"EXE or DLL file icons.", "[Tessaline - Icon information.]",
          "Can't display any information about icon -1,", invalid, "You have NOT yet loaded a file!"}},
        {"save request for icon 3 of 3", [&](Watch& s) {
             drop(s.w, {s.three}), s.w.menu_IconInformation->setText("&Icon 3 info"), s.w.menu_SaveIcon_Click(); },
         {"Icons from; " + three, "[Tessaline - Icon info.]", "Can't save icon 3,", invalid, three,
          "has 3 icons, ranging from 0 to 2 only."}},
        {"About", [](Watch& s) { s.w.menu_AboutApp_Click(); },
         {"EXE or DLL file icons.", "[ About the Tessaline application.]", "Tessaline application.",
          QString("By ") + versionInfo().legalCopyright, "Version; 0.00.0007 (31/05/2014 -  2:40pm bst)",
          QString("E-mail; ") + versionInfo().authorEmail, QString("URL; ") + versionInfo().authorUrl,
          "Tessaline description;", "Display icons in file.", "Tessaline comments;",
          "Display all icons in a .exe, .dll, .ico, .cur or .ani file.", "You can also extract (save) the icons."}},
        {"drop of two files", [&](Watch& s) { drop(s.w, {s.three, s.dir.file("notes.txt")}); },
         {"Tessaline - Multi-file drop error.", multi + "\t" + three + "\r\n\t" + notes + "\r\n", "48", "EXE or DLL file icons."}},
        {"drop of nothing", [&](Watch& s) { drop(s.w, {}); },
         {"Tessaline - Multi-file drop error.", multi, "48", "EXE or DLL file icons."}},
        {"drop of a folder", [&](Watch& s) { drop(s.w, {s.dir.file("Pictures")}); },
         {"Tessaline - File type not supported.",
          "Tessaline can't load;\r\n~/Pictures\r\nas this file type is not supported.", "48", "EXE or DLL file icons."}},
        {"open-file dialog: cancel, then a missing name", [&](Watch& s) {
             s.rec.dialogs->openAnswers = {std::nullopt, s.dir.file("missing.txt")}, s.w.menu_FileLoadBox_Click(), s.w.menu_FileLoadBox_Click(); },
         {"Tessaline - Can't find file.", "Can't find file;\r\n~/missing.txt", "48",
          "EXE or DLL file icons.", opened("~", ""), opened("~", "")}},
        {"a missing name typed into Qt's own open-file dialog", [](Watch& s) {
             services().dialogs = qtServices().dialogs, whenShown<QFileDialog>([](QDialog& d) {
                 d.findChild<QLineEdit*>("fileNameEdit")->setText("missing.txt"), d.accept(); });
             s.w.menu_FileLoadBox_Click(); },
         {"Tessaline - Can't find file.", "Can't find file;\r\n~/missing.txt", "48", "EXE or DLL file icons."}},
        {"open-file dialog: the loaded file again, then a text file", [&](Watch& s) {
             drop(s.w, {s.three}), s.rec.dialogs->openAnswers = {s.three, s.dir.file("notes.txt")};
             s.w.menu_FileLoadBox_Click(), s.w.menu_FileLoadBox_Click(); },
         {"Tessaline - Invalid file type.",
          "Can't load icons from file;\r\n" + notes + "\r\n\r\n\tInvalid file type.", "48",
          "Icons from; " + three, opened(three, three), opened(three, three)}},
        {"open-file dialog: cancel, then failure 53", [&](Watch& s) {
             s.w.menu_FileLoadBox_Click(), failWith(s, 53), s.w.menu_FileLoadBox_Click();
             s.rec.dialogs->opens.clear(); },
         {"Tessaline - File load error; (53)", "Tessaline load file error;\r\nError; Boom (53)", "48", "EXE or DLL file icons."}},
        {"a well-known file that is missing, by the menu and by Shift+F12", [](Watch& s) {
             s.w.menu_FileLoad_Click(6), QTest::keyClick(&s.w, Qt::Key_F12, Qt::ShiftModifier); },
         {"Tessaline - Can't load netscape.exe",
          "Can't load or find file; netscape.exe\r\nC:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe", "48",
          "Tessaline - Can't load resource.dll",
          "Can't load or find file; resource.dll\r\nC:\\Program Files\\AOL 9.0\\resource.dll", "48", "EXE or DLL file icons."}},
        {"text colour equal to the background", [](Watch& s) {
             s.rec.dialogs->colourAnswers = {0xFFFFFF}, s.w.menu_ColourForground_Click(); },
         {"Tessaline - Can't select this colour.",
          "Can't select foreground colour &hFFFFFF\r\nas this is the same as the background colour.",
          "48", "EXE or DLL file icons.", "Tessaline - Text colour."}},
        {"background colour equal to the text", [](Watch& s) {
             s.rec.dialogs->colourAnswers = {0}, s.w.menu_ColourBackground_Click(); },
         {"Tessaline - Can't select this colour.",
          "Can't select background colour &h0\r\nas this is the same as the foreground colour.", "48",
          "EXE or DLL file icons.", "Tessaline - Background colour."}},
        {"text colour: failure 1234", [&](Watch& s) { failWith(s, 1234), s.w.menu_ColourForground_Click(); },
         {"Tessaline - Text colour selection error; (1234)",
          "Tessaline text colour selection error;\r\n\r\nError; Boom\r\nError number; 1,234", "48",
          "EXE or DLL file icons.", "Tessaline - Text colour."}},
        {"background colour: failure 1234", [&](Watch& s) { failWith(s, 1234), s.w.menu_ColourBackground_Click(); },
         {"Tessaline - Background colour selection error; (1234)",
          "Tessaline background colour selection error;\r\nError; Boom (1234)", "48",
          "EXE or DLL file icons.", "Tessaline - Background colour."}},
    };
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(r.trigger);
        Watch s;
        r.act(s);
        QStringList seen = s.texts();
        if (std::string(r.trigger) == "start-up") seen << drawnLines(*s.w.pic_IconDisplay, true);
        EXPECT_EQ(seen, r.expected);
    }
}

// The texts from plain values, for counts no window reaches.
TEST(Texts, RefusalInformationAndAboutTextsWhole) {
    const auto refusal = [](int n, int count, const QString& number, const QString& end) {
        EXPECT_EQ(info::invalidIconText("Can't save icon ", n, count < 0 ? "" : "/a", count),
                  "<B>Can't save icon " + number +
                      ",\r\nas this is an invalid icon number.<b>\r\n\r\n" + end);
    };
    refusal(5, -1, "5", "You have NOT yet loaded a file!");
    refusal(0, 0, "0", "/a\r\ndose not contain any icons.");
    refusal(1, 1, "1", "/a\r\nhas one icon only, numbered as icon index 0.");
    refusal(2500, 2000, "2,500", "/a\r\nhas 2,000 icons, ranging from 0 to 1,999 only.");
    EXPECT_EQ(info::iconInformationText(1234, "/x/a.dll", 1500),
              "<SIZE=16><B><U>Information on icon 1,234<u>;<b><SIZE=8>\r\n\r\nFile path name = "
              "\t<B>/x/a.dll<b>\r\nTotal icons in file = \t<B>1,500.<b>\r\n\r\n<SIZE=12><B><U>Icon "
              "number 1,234<u>.<b><SIZE=8>");
    EXPECT_EQ(info::iconInformationCaption(1234), "Tessaline - Icon 1,234 information.");
    const VersionInfo v{"P", "D.", "One. Two.x. Three", "(c) Me", "me@x", "http://x", 1, 2, 0, 34};
    EXPECT_EQ(info::aboutText(v),
              "<B><SIZE=16><U>P application<u>.<SIZE=8><b>\r\n\r\n<SIZE=10><B>By \t\t(c) Me<b>\r\n"
              "<B>Version; \t1.02.0034<b><SIZE=8> <I>(31/05/2014 -  2:40pm bst)<i>\r\n\r\n"
              "<B>E-mail; \t<U>me@x<u><b>\r\n<B>URL; \t<U>http://x<u><b>\r\n"
              "\r\n<SIZE=10>P description;<SIZE=8>\r\nD.\r\n"
              "\r\n<SIZE=10>P comments;<SIZE=8>\r\nOne.\r\nTwo.x.\r\nThree\r\n");
    EXPECT_EQ(info::aboutCaption(v), " About the P application.");
}

// The markup's words: "line @x size[B][I][U] text", the x only where a word does not follow on
// from the last; lines end at the heights of the sizes in breaks.
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

// The save window's folder, home's "My Pictures", "My Documents", home, else the Windows folder;
// XDG's without HomePath. A step makes a folder ("x/"), a file, or removes one ("-x").
TEST(StartUp, StateSizeAndTheDefaultFolderTakesTheFirstFolderThatExists) {
    TempDir tmp;
    const ScopedDrives pinned({{u'c', "/"}, {u'd', tmp.path()}});
    const frm_Vantorel first;
    EXPECT_EQ(std::make_tuple(first.state().loadedFile, first.state().displayedFile,
                              first.state().iconCount, first.tim_UpdateDisplayTimer->interval(),
                              form::scaleWidth(first), form::scaleHeight(first)),
              std::make_tuple(QString(), QString(), -1, 0, 12015.0, 3000.0));
    const QString home = tmp.file("Home");
    // clang-format off
    const struct { QStringList steps; std::optional<QByteArray> home, root; QString folder; } cases[] = {
        {{"Work/"}, "\\Work", "C:\\WINDOWS", "D:\\Work"},
        {{"Work/My Pictures", "Work/My Documents/"}, "\\Work", "C:\\WINDOWS", "D:\\Work/My Documents"},
        {{"-Work/My Pictures", "Work/My Pictures/"}, "\\Work", "C:\\WINDOWS", "D:\\Work/My Pictures"},
        {{}, "\\Elsewhere", "C:\\WINDOWS", "C:\\WINDOWS"},
        {{}, "\\Elsewhere", std::nullopt, ""},
        {{"Home/"}, std::nullopt, std::nullopt, home},
        {{"Home/Documents/"}, std::nullopt, std::nullopt, home + "/Documents"},
        {{"Home/Pictures/"}, std::nullopt, std::nullopt, home + "/Pictures"},
    };
    // clang-format on
    const ScopedEnv xdg{{"HOME", home.toUtf8()}, {"XDG_CONFIG_HOME", (home + "/.config").toUtf8()}};
    for (const auto& c : cases) {
        for (const QString& s : c.steps)
            s.startsWith('-') ? void(QFile::remove(tmp.file(s.mid(1))))
            : s.endsWith('/') ? void(tmp.mkdir(s))
                              : void(tmp.write(s, QByteArray("a file, not a folder")));
        const ScopedEnv env{
            {"HomeDrive", c.home ? "D:" : c.home}, {"HomePath", c.home}, {"SystemRoot", c.root}};
        EXPECT_EQ(frm_Vantorel().state().defaultFolder, c.folder)
            << c.steps.join(", ").toStdString();
    }
}

TEST(Layout, SurfaceKeepsItsMarginsAndTheTimerArmsOnlyWithAFile) {
    MainWindow m;
    const std::pair<QSize, QRectF> cases[] = {
        {{801, 200}, {120, 120, 801 * 15 - 240, 200 * 15 - 240}},
        {{16, 16}, {120, 120, 0, 0}},
        {{10, 300}, {120, 120, 0, 300 * 15 - 240}}};
    const PictureBox& s = *m.w.pic_IconDisplay;
    for (const auto& [size, surface] : cases) {
        m.w.resize(size), m.w.Form_Resize();
        EXPECT_EQ(QRectF(s.leftTwips(), s.topTwips(), s.widthTwips(), s.heightTwips()), surface);
        EXPECT_EQ(m.w.tim_UpdateDisplayTimer->interval(), 0);
    }
    EXPECT_EQ(s.textRuns().size(), 8u); // the instruction text stays as drawn
    drop(m.w, {m.three});
    m.w.resize(900, 300), m.w.Form_Resize();
    EXPECT_EQ(m.w.tim_UpdateDisplayTimer->interval(), 50);
}

TEST(SwapString, ReplacesEveryOccurrenceLeftToRight) {
    const std::array<const char*, 4> cases[] = {
        {"", "a", "b", ""},       {"abc", "", "x", "abc"}, {"a.b.c", ".", nullptr, "abc"},
        {"aaa", "aa", "b", "ba"}, {"Aa", "a", "x", "Ax"},  {"ab", "a", "aa", "aab"},
        {"ab", "abc", "x", "ab"}, {"xx", "x", "", ""}};
    for (const auto& [text, swapThis, withThis, expected] : cases)
        EXPECT_EQ(withThis ? swapString(text, swapThis, withThis) : swapString(text, swapThis),
                  QString(expected))
            << text << " / " << swapThis;
}

TEST(Selection, ButtonsAndShiftKeysRunTheirRequests) {
    // clang-format off
    const std::tuple<std::int16_t, std::int16_t, float, float, QString> cases[] = {
        {1, 2, 360, 360, "~/three.dll | 3 | &Icon 0 info | [Save icon '0' as;]"},
        {1, 1, 930, 360, "~/three.dll | 3 | &Icon 1 info | [Save icon '1' as;]"},
        {1, 4, 20000, 360, "~/three.dll | 3 | &Icon information"}, // right of the last column: icon 3 of 3
        {4, 0, 360, 360, "~/three.dll | 3 | &Icon 0 info"},        // middle: captions only
        {2, 0, 360, 1200, "~/three.dll | 3 | &Icon information | [ About the Tessaline application.] | 1 menu"},
        {1, 0, 360, 1200, "~/three.dll | 3 | &Icon information"}};
    // clang-format on
    for (const auto& [button, shift, x, y, seen] : cases) {
        MainWindow m(true);
        m.rec.popup->choose = [&](QMenu&) { // the item chosen runs once the menu has closed
            EXPECT_TRUE(m.rec.modal->captions.empty());
            return m.w.menu_AboutApp;
        };
        m.w.pic_IconDisplay_MouseDown(button, shift, x, y);
        const QPoint at = m.w.pic_IconDisplay->mapToGlobal(QPoint(x / 15, y / 15));
        EXPECT_EQ(std::make_pair(m.seen(), m.rec.popup->positions),
                  std::make_pair(seen, button == 2 ? std::vector{at} : std::vector<QPoint>{}));
    }
}

// Keys reach the handler once, from the window and from the surface.
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
            MainWindow m;
            m.dir.write("system32/shell32.dll", tess::fixtures::makeSolidPe(4));
            QTest::keyClick(onSurface ? static_cast<QWidget*>(m.w.pic_IconDisplay) : &m.w, key,
                            mods);
            EXPECT_EQ(m.seen(), seen) << key << " on the surface: " << onSurface;
        }
    }
}

TEST(Keys, TheMenuKeyPressesTheRightButtonAtThePointerOrTheCorner) {
    MainWindow m(true);
    m.w.move(100, 100), m.w.show();
    const std::tuple<QPoint, QPoint, const char*> cases[] = {{{62, 24}, {62, 24}, "&Icon 1 info"},
                                                             {{-50, -50}, {0, 0}, "&Icon 0 info"}};
    for (const auto& [pointer, at, info] : cases) {
        for (QWidget* target : std::initializer_list<QWidget*>{m.w.pic_IconDisplay, &m.w}) {
            m.rec.popup->positions.clear();
            QCursor::setPos(m.w.pic_IconDisplay->mapToGlobal(pointer));
            QTest::keyClick(target, Qt::Key_Menu);
            EXPECT_EQ(
                std::make_pair(m.rec.popup->positions, m.w.menu_IconInformation->text()),
                std::make_pair(std::vector{m.w.pic_IconDisplay->mapToGlobal(at)}, QString(info)));
        }
    }
}

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
    MainWindow m;
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

// At device ratio 2 a 32-pixel cell is drawn from a 64-pixel image; the picture stays logical.
TEST(Grid, AtDeviceRatioTwoIconsAreDrawnFromTheirImageForTheDeviceSize) {
    MainWindow m;
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

// A file damaged or gone since, on a refresh or the timer's one tick: an empty grid, no message.
TEST(Grid, RefreshOfAVanishedOrDamagedFileGivesAnEmptyGrid) {
    MainWindow m(true);
    m.w.menu_Refresh_Click();
    EXPECT_EQ(m.seen(), "~/three.dll | 3 | Icon &info");
    m.dir.write("three.dll", QByteArray(4096, '\xA5'));
    m.w.menu_Refresh_Click();
    EXPECT_EQ(m.seen(), "~/three.dll | 0 | Icon &info");
    QFile::remove(m.three);
    m.w.tim_UpdateDisplayTimer->setInterval(50);
    m.w.tim_UpdateDisplayTimer_Timer();
    EXPECT_EQ(std::make_tuple(m.seen(), m.w.pic_IconDisplay->imageRuns().size(),
                              m.w.tim_UpdateDisplayTimer->interval()),
              std::make_tuple("~/three.dll | 0 | Icon &info", 0u, 0));
}

TEST(InformationWindow, IconBoxGridIconLogoAndPlacement) {
    MainWindow m;
    const QString ico =
        m.dir.write("big.ico", fx::makeIco({fx::solidImage(32, 32, fx::solidColor(1)),
                                            fx::solidImage(256, 32, fx::solidColor(2), true)}));
    m.w.move(0, 0);
    m.w.resize(100, 60); // the information window, centred on it, would start off the screen
    m.rec.modal->onShow = [](QDialog& d) {
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
        EXPECT_TRUE(
            std::all_of(grid.begin(), grid.end(), [](const LineRun& l) { return l.dotted; }));
        EXPECT_EQ(std::tie(grid[0].x1, grid[58].x1, grid[0].y2, grid[117].y1),
                  std::make_tuple(120.0, 120.0 + 58 * 64, 4040.0 - 120 - 64, 120.0 + 58 * 64));
        EXPECT_EQ(std::make_tuple(box.imageRuns(), info.pic_AppLogo->imageRuns(),
                                  form::leftTwips(d), form::topTwips(d)),
                  std::make_tuple(std::vector{QRect(8, 8, 249, 249)},
                                  std::vector{QRect(0, 0, 41, 41)}, 0.0, 0.0));
    };
    m.w.showInformation("Cap", "<SIZE=40>WWWWWWWWWWWWWWWWWWWWWW<SIZE=8>", ico, 0, -1, 5000, 5000);
    // No icon: no box, the logo as it was, OK 120 under the text and centred.
    m.rec.modal->onShow = [](QDialog& d) {
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
    m.w.showInformation("?", "?", ico + "-missing", 0, -1, 100, 5000);
    m.rec.modal->onShow = [](QDialog& d) { EXPECT_NEAR(form::scaleWidth(d), 100 + 120, 7.5); };
    m.w.showInformation("", "", "", -1, 0, 100, -1); // the least width stands
    EXPECT_EQ(m.rec.modal->captions,
              (std::vector<QString>{"Cap", "Tessaline - Icon information.", ""}));
}

// A drop, a command line of full names, or of names as given ('g', from the current folder).
TEST(Loading, DropsAndCommandLineFiles) {
    const QString none = "- | -1 | Icon &info";
    // clang-format off
    const std::tuple<char, QStringList, QString> cases[] = {
        {'d', {"SHELL32.DLL"}, "~/SHELL32.DLL | 3 | Icon &info"},
        {'d', {"garbage.ico"}, "~/garbage.ico | 0 | Icon &info"}, // accepted by its name, nothing in it
        {'d', {"desk.cpl"}, none + " | Tessaline - File type not supported."}, // by extension
        {'c', {"desk.cpl"}, "~/desk.cpl | 2 | Icon &info"}, // the command line loads by content
        {'g', {"desk.cpl"}, "~/desk.cpl | 2 | Icon &info"},
        {'c', {"notes.txt"}, none + " | Tessaline - File type not supported."},
        {'g', {"desk.cpl", "notes.txt"}, none + " | Tessaline - Multi-file drop error."}};
    // clang-format on
    const QString here = QDir::currentPath();
    for (const auto& [how, names, seen] : cases) {
        MainWindow m;
        m.dir.write("SHELL32.DLL", fx::makeSolidPe(3)), m.dir.write("desk.cpl", fx::makeSolidPe(2));
        m.dir.write("notes.txt", QByteArray("hi"));
        QDir::setCurrent(m.dir.path());
        QStringList files;
        for (const QString& n : names)
            files << (how == 'g' ? n : m.dir.file(n));
        how == 'd' ? drop(m.w, files) : m.w.loadCommandLineFiles(files);
        EXPECT_EQ(m.seen(), seen) << how << names.join(", ").toStdString();
        QDir::setCurrent(here);
    }
    // The loaded file dropped again is drawn again.
    MainWindow m(true);
    m.w.pic_IconDisplay->cls(), drop(m.w, {m.three});
    EXPECT_EQ(m.w.pic_IconDisplay->imageRuns().size(), 3u);
}

// A name in other capitals or not UTF-8 loads by a real drop, into the grid, the information
// window and the open-file dialog's initial name, bytes and all.
TEST(Loading, NamesFoundIgnoringCaseAndKeptByTheirBytes) {
    fx::TempDir dir;
    QDir().mkdir(QString::fromStdString(dir.file("Icons")));
    fx::writeFile(dir.file("Icons/Shell32.dll"), fx::makeSolidPe(3));
    fx::writeFile(dir.file("Icons/caf\xe9.ico"), fx::makeSolidIco(1));
    const std::pair<std::string, int> cases[] = {
        {"icons/SHELL32.DLL", 3}, {"Icons/caf\xe9.ico", 1}, {"ICONS/CAF\xe9.ICO", 1}};
    for (const auto& [name, count] : cases) {
        RecordingServices rec;
        frm_Vantorel w;
        const QByteArray asked = QByteArray::fromStdString(dir.file(name));
        QMimeData mime;
        mime.setUrls({QUrl(QString::fromLatin1("file://" + asked.toPercentEncoding("/")))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.pic_IconDisplay, &enter);
        QCoreApplication::sendEvent(w.pic_IconDisplay, &event);
        std::size_t drawn = 0;
        rec.modal->onShow = [&](QDialog& d) {
            drawn = d.findChild<PictureBox*>("pic_IconDisplay")->imageRuns().size();
        };
        w.pic_IconDisplay_MouseDown(1, 0, 360, 360);
        w.menu_FileLoadBox_Click();
        // The caption has U+FFFD for a byte that is not UTF-8.
        EXPECT_EQ(
            std::make_tuple(pathToBytes(w.state().loadedFile), w.windowTitle(), w.state().iconCount,
                            drawn, pathToBytes(rec.dialogs->opens.at(0).fileName)),
            std::make_tuple(asked, "Icons from; " + QString::fromUtf8(asked), count, 1u, asked))
            << name;
    }
}

// A file's length by its name: a pipe or device never opened; a pipe dropped does not block.
TEST(Loading, FileLengthNeverOpensSpecialFiles) {
    MainWindow m;
    const QString fifo = m.dir.file("pipe.exe");
    ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0600), 0);
    // clang-format off
    const std::pair<QString, int> cases[] = {{m.dir.write("five.ico", QByteArray("12345")), 5}, {fifo, 0},
        {"/dev/zero", 0}, {m.dir.file("none"), -1}, {"", -1}, {QString("a") + QChar(0) + "b", -1}};
    // clang-format on
    for (const auto& [path, length] : cases)
        EXPECT_EQ(m.w.fileLength(path), length) << path.toStdString();
    drop(m.w, {fifo});
    EXPECT_EQ(m.seen(), "~/pipe.exe | 0 | Icon &info");
}

// The entries' paths (their names are in the menu's file list, in the table of texts). With a
// Wine prefix, "C:\" is its drive_c: an entry loads what Wine installed, found ignoring case.
TEST(Loading, WellKnownFilesInTheWindowsFolderAndTheWinePrefix) {
    MainWindow m;
    const QString win = m.dir.path();
    // clang-format off
    const std::pair<int, QString> paths[] = {
        {0, win + "/system32/shell32.dll"}, {1, win + "/REGEdit.exe"}, {2, programIconFile()},
        {4, win + "/system32/ieframe.dll"}, {5, "C:\\Windows\\explorer.exe"},
        {8, "C:\\Program Files\\microsoft office\\office10\\WINWORD.EXE"},
        {14, "C:\\Program Files\\Quillbrook\\Quillbrook.exe"}, {15, ""}, {-1, ""}};
    // clang-format on
    for (const auto& [i, path] : paths)
        EXPECT_EQ(m.w.knownFile(i, true), path) << i;
    const ScopedEnv wine{{"WINEPREFIX", m.dir.file("wine").toUtf8()}};
    m.dir.write("wine/drive_c/program files/internet explorer/IEXPLORE.EXE", fx::makeSolidPe(2));
    const QString iexplore =
        m.dir.file("wine/drive_c/Program Files/Internet Explorer/iexplore.exe");
    m.w.menu_FileLoad_Click(3);
    EXPECT_EQ(std::make_tuple(m.w.knownFile(5, true), m.w.knownFile(3, true),
                              m.w.state().loadedFile, m.w.state().iconCount,
                              m.rec.messages->shown.size()),
              std::make_tuple(m.dir.file("wine/drive_c/Windows/explorer.exe"), iexplore, iexplore,
                              2, 0u));
}

// Seen: the dialog's first colour, text and background colours, messages, texts, images drawn,
// the first text's colour; a colour taken redraws the grid or the instruction text.
TEST(Colours, RefusalsCancelsAndRedrawsInTheNewColours) {
    // clang-format off
    const struct { bool text, loaded; std::optional<std::uint32_t> answer; const char* after; } cases[] = {
        {true, false, 0xFFFFFF, "0 0 ffffff 1 0 0"}, // the background's colour: refused
        {false, false, 0x000000, "ffffff 0 ffffff 1 0 0"},
        {true, false, 0x0000FF, "0 ff ffffff 0 8 0 ff"},
        {false, true, 0x00FF00, "ffffff 0 ff00 0 3 3 0"},
        {false, false, 0xFFFFFF, "ffffff 0 ffffff 0 8 0 0"},   // the colour it already has
        {true, true, std::nullopt, "0 0 ffffff 0 0 0"}}; // cancelled
    // clang-format on
    for (const auto& c : cases) {
        MainWindow m(c.loaded);
        PictureBox& s = *m.w.pic_IconDisplay;
        s.cls(), m.rec.dialogs->colourAnswers.push_back(c.answer);
        c.text ? m.w.menu_ColourForground_Click() : m.w.menu_ColourBackground_Click();
        const auto& runs = s.textRuns();
        const QString after = QString::asprintf(
            "%x %x %x %zu %zu %zu", m.rec.dialogs->colours.at(0).color, s.foreColor(),
            s.backColor(), m.rec.messages->shown.size(), runs.size(), s.imageRuns().size());
        EXPECT_EQ(runs.empty() ? after : after + QString(" %1").arg(runs[0].colour, 0, 16), c.after)
            << c.text << c.loaded;
    }
}

} // namespace
