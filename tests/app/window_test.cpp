// The main window: every text the user sees, one row per trigger, compared whole; start-up,
// layout, presses and keys.
#include "forms/environment.h"
#include "forms/form.h"
#include "forms/strings.h"
#include "forms/twips.h"
#include "info/frm_IconInfo.h"
#include "info/texts.h"

#include "support/main_window.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

namespace {

// The lines drawn on a surface; with rows, after each its number (empty lines count), * if bold.
QStringList drawnLines(const PictureBox& s, bool rows = false) {
    QStringList lines;
    const auto& runs = s.textRuns();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const double step = runs.size() > 1 ? runs[1].y - runs[0].y : 1, y = runs[i].y;
        if (i == 0 || y != runs[i - 1].y)
            lines << (rows ? QString::asprintf("%d%s ", qRound((y - runs[0].y) / step),
                                               runs[i].bold ? "*" : "")
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
        return "Tessaline - Load exe or dll file icons. | " + LoadFilter + " | " + folder + " | " +
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
        {"menu as designed", [](Watch& s) { s.rec.popup->popup(control<QMenu>(s.w, "menu_MenuOptions"), {}); },
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
             drop(s.w, {s.three}), item(s.w, "menu_IconInformation").setText("&Icon 3 info"), s.w.menu_SaveIcon_Click(); },
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
        {"drop of 120 files: the first eleven named", [&](Watch& s) {
             QStringList files;
             for (int i = 0; i < 120; ++i) files << s.dir.file(QString("f%1.ico").arg(i));
             drop(s.w, files); },
         {"Tessaline - Multi-file drop error.", multi + "\t~/f0.ico\r\n\t~/f1.ico\r\n\t~/f2.ico\r\n"
          "\t~/f3.ico\r\n\t~/f4.ico\r\n\t~/f5.ico\r\n\t~/f6.ico\r\n\t~/f7.ico\r\n\t~/f8.ico\r\n"
          "\t~/f9.ico\r\n\t~/f10.ico\r\n\t... and 109 more\r\n", "48", "EXE or DLL file icons."}},
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
        {"a missing file on the command line", [](Watch& s) { s.w.loadCommandLineFiles({"/no/such.dll"}); },
         {"Tessaline - Can't find file.", "Can't find file;\r\n/no/such.dll", "48", "EXE or DLL file icons."}},
        {"a Windows path typed into Qt's own open-file dialog: drive c is Wine's", [](Watch& s) {
             s.dir.write("none/drive_c/windows/system32/shell32.dll", fixtures::makeSolidPe(3));
             services().dialogs = qtServices().dialogs, whenShown<QFileDialog>([](QDialog& d) {
                 d.findChild<QLineEdit*>("fileNameEdit")->setText("C:\\WINDOWS\\System32\\SHELL32.DLL"), d.accept(); });
             s.w.menu_FileLoadBox_Click(); },
         {"Icons from; ~/none/drive_c/WINDOWS/System32/SHELL32.DLL"}},
        {"a Windows path on the command line", [](Watch& s) {
             s.dir.write("none/drive_c/windows/system32/shell32.dll", fixtures::makeSolidPe(3));
             s.w.loadCommandLineFiles({"c:/Windows\\system32\\Shell32.dll"}); },
         {"Icons from; ~/none/drive_c/Windows/system32/Shell32.dll"}},
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
        if (std::string(r.trigger) == "start-up") seen << drawnLines(surface(s.w), true);
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

// The save window's folder, home's "My Pictures", "My Documents", home, else the Windows folder;
// XDG's without HomePath. A step makes a folder ("x/"), a file, or removes one ("-x").
TEST(StartUp, StateSizeAndTheDefaultFolderTakesTheFirstFolderThatExists) {
    TempDir tmp;
    const ScopedDrives pinned({{u'c', "/"}, {u'd', tmp.path()}});
    const frm_Vantorel first;
    EXPECT_EQ(std::make_tuple(first.state().loadedFile, first.state().displayedFile,
                              first.state().iconCount, timer(first).interval(),
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
    const PictureBox& s = surface(m.w);
    for (const auto& [size, surface] : cases) {
        m.w.resize(size), m.w.Form_Resize();
        EXPECT_EQ(QRectF(s.leftTwips(), s.topTwips(), s.widthTwips(), s.heightTwips()), surface);
        EXPECT_EQ(timer(m.w).interval(), 0);
    }
    EXPECT_EQ(s.textRuns().size(), 8u); // the instruction text stays as drawn
    drop(m.w, {m.three}), m.w.resize(900, 300), m.w.Form_Resize();
    EXPECT_EQ(timer(m.w).interval(), 50);
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
        {1, 2, 360, 360, "~/three.dll | 3 | &Icon 0 info | [Save icon '0' as;]"}, {1, 1, 930, 360, "~/three.dll | 3 | &Icon 1 info | [Save icon '1' as;]"},
        {1, 4, 20000, 360, "~/three.dll | 3 | &Icon information"}, // right of the last column: icon 3 of 3
        {4, 0, 360, 360, "~/three.dll | 3 | &Icon 0 info"},        // middle: captions only
        {2, 0, 360, 1200, "~/three.dll | 3 | &Icon information | [ About the Tessaline application.] | 1 menu"},
        {1, 0, 360, 1200, "~/three.dll | 3 | &Icon information"}};
    // clang-format on
    for (const auto& [button, shift, x, y, seen] : cases) {
        MainWindow m(true);
        m.rec.popup->choose = [&](QMenu&) { // the item chosen runs once the menu has closed
            EXPECT_TRUE(m.rec.modal->captions.empty());
            return &item(m.w, "menu_AboutApp");
        };
        m.w.pic_IconDisplay_MouseDown(button, shift, x, y);
        const QPoint at = surface(m.w).mapToGlobal(QPoint(x / 15, y / 15));
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
        {Qt::Key_F10, Qt::ShiftModifier, none}, {Qt::Key_F1, Qt::ShiftModifier | Qt::ControlModifier, none}, {Qt::Key_F1, Qt::NoModifier, none}};
    // clang-format on
    for (const bool onSurface : {true, false})
        for (const auto& [key, mods, seen] : cases) {
            MainWindow m;
            m.dir.write("system32/shell32.dll", fx::makeSolidPe(4));
            QTest::keyClick(onSurface ? static_cast<QWidget*>(&surface(m.w)) : &m.w, key, mods);
            EXPECT_EQ(m.seen(), seen) << key << " on the surface: " << onSurface;
        }
}

TEST(Keys, TheMenuKeyPressesTheRightButtonAtThePointerOrTheCorner) {
    MainWindow m(true);
    m.w.move(100, 100), m.w.show();
    const std::tuple<QPoint, QPoint, const char*> cases[] = {{{62, 24}, {62, 24}, "&Icon 1 info"},
                                                             {{-50, -50}, {0, 0}, "&Icon 0 info"}};
    for (const auto& [pointer, at, info] : cases)
        for (QWidget* target : std::initializer_list<QWidget*>{&surface(m.w), &m.w}) {
            m.rec.popup->positions.clear();
            QCursor::setPos(surface(m.w).mapToGlobal(pointer));
            QTest::keyClick(target, Qt::Key_Menu);
            EXPECT_EQ(
                std::make_pair(m.rec.popup->positions, item(m.w, "menu_IconInformation").text()),
                std::make_pair(std::vector{surface(m.w).mapToGlobal(at)}, QString(info)));
        }
}

// A file damaged or gone since, on a refresh or the timer's one tick: an empty grid, no message.
TEST(Grid, RefreshOfAVanishedOrDamagedFileGivesAnEmptyGrid) {
    MainWindow m(true);
    m.w.menu_Refresh_Click();
    EXPECT_EQ(m.seen(), "~/three.dll | 3 | Icon &info");
    m.dir.write("three.dll", QByteArray(4096, '\xA5')), m.w.menu_Refresh_Click();
    EXPECT_EQ(m.seen(), "~/three.dll | 0 | Icon &info");
    QFile::remove(m.three), timer(m.w).setInterval(50), m.w.tim_UpdateDisplayTimer_Timer();
    EXPECT_EQ(std::make_tuple(m.seen(), surface(m.w).imageRuns().size(), timer(m.w).interval()),
              std::make_tuple("~/three.dll | 0 | Icon &info", 0u, 0));
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
        QCoreApplication::sendEvent(&surface(w), &enter);
        QCoreApplication::sendEvent(&surface(w), &event);
        std::size_t drawn = 0;
        rec.modal->onShow = [&](QDialog& d) {
            drawn = d.findChild<PictureBox*>("pic_IconDisplay")->imageRuns().size();
        };
        w.pic_IconDisplay_MouseDown(1, 0, 360, 360), w.menu_FileLoadBox_Click();
        // The caption has U+FFFD for a byte that is not UTF-8.
        EXPECT_EQ(
            std::make_tuple(pathToBytes(w.state().loadedFile), w.windowTitle(), w.state().iconCount,
                            drawn, pathToBytes(rec.dialogs->opens.at(0).fileName)),
            std::make_tuple(asked, "Icons from; " + QString::fromUtf8(asked), count, 1u, asked))
            << name;
    }
}

// A message box fits the screen: a long path wraps rather than being cut, and of 120 files
// dropped the first are named and the rest counted.
TEST(MessageBoxes, FitTheScreen) {
    const ScopedEnv env{{"SystemRoot", ""}, {"WINEPREFIX", "/no/such/prefix"}};
    frm_Vantorel main;
    main.show();
    const QRect screen = main.screen()->availableGeometry();
    std::vector<std::pair<bool, bool>> seen; // on the screen, its text whole
    const auto measure = [&] {
        whenShown<QMessageBox>([&](QMessageBox& box) {
            const auto* label = box.findChild<QLabel*>("qt_msgbox_label");
            seen.emplace_back(screen.contains(box.frameGeometry()),
                              label->minimumSizeHint().width() <= label->width());
            box.accept();
        });
    };
    measure();
    qtServices().messageBox->msgBox("Can't save file;\r\n/tmp/" + QString(300, u'n') + ".ico",
                                    mb::WarningOk, "T");
    QStringList files;
    for (int i = 0; i < 120; ++i)
        files << QString("/tmp/dropped/file%1.ico").arg(i);
    measure();
    drop(main, files);
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{true, true}, {true, true}}));
}

} // namespace
