#include "forms/environment.h"
#include "forms/format.h"
#include "forms/twips.h"

#include "support/recorders.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTreeView>

namespace {

// The columns fit their contents, whatever the font and scale.
TEST(OpenFileDialog, DescriptionsAsWrittenPatternsIgnoringCaseNamesReturnedByTheirBytes) {
    TempDir tmp;
    // Qt's file dialog keeps its columns' state in the user's settings: none of the machine's.
    const ScopedEnv config{{"XDG_CONFIG_HOME", tmp.file("config").toUtf8()}};
    for (const char* name : {"a.exe", "B.EXE", "README", "c.dll", "notes.txt"})
        tmp.write(QString("list/") + name, QByteArray("x"));
    tmp.mkdir("list/Sub");
    const QByteArray odd = QFile::encodeName(tmp.path()) + "/list/caf\xe9.ico"; // not UTF-8
    fx::writeFile(odd.toStdString(), {});
    QStringList seen;
    std::vector<std::pair<int, int>> columns; // each column's width and its contents' widest
    whenShown<QFileDialog>([&](QFileDialog& d) {
        auto* types = d.findChild<QComboBox*>("fileTypeCombo");
        auto* files = d.findChild<QFileSystemModel*>();
        seen << d.findChild<QLineEdit*>("fileNameEdit")->text();
        for (int i = 0; i < types->count(); ++i)
            seen << types->itemText(i);
        // The dialog opened above the folder: its listing is known once the model says so.
        QSignalSpy loaded(files, &QFileSystemModel::directoryLoaded);
        d.setDirectory(tmp.file("list"));
        while (!loaded.contains({tmp.file("list")}) && loaded.wait(30000)) {
        }
        const QModelIndex root = d.proxyModel()->mapFromSource(files->index(tmp.file("list")));
        for (int index : {0, 5, 6}) {
            types->setCurrentIndex(index);
            emit types->activated(index);
            QStringList names;
            for (int i = 0; i < d.proxyModel()->rowCount(root); ++i)
                names << d.proxyModel()->index(i, 0, root).data().toString();
            seen << (names.sort(), names.join(u' '));
        }
        const QAbstractItemView* details = d.findChild<QTreeView*>("treeView");
        QHeaderView* header = d.findChild<QTreeView*>("treeView")->header();
        QMetaObject::invokeMethod(header, "resizeSections");
        for (int column = 1; column < 4; ++column) {
            const int widest = details->sizeHintForColumn(column);
            columns.emplace_back(std::min(header->sectionSize(column), widest), widest);
        }
        static_cast<QDialog&>(d).accept();
    });
    const QString asked = pathFromBytes(QFile::encodeName(tmp.path()) + "/LIST/CAF\xe9.ICO");
    const QString got =
        qtServices().dialogs->showOpen({true, "T", LoadFilter, 1, tmp.path(), asked, 4});
    // The name found by the path rule; Qt's folder model leaves out the name that is not UTF-8.
    EXPECT_EQ(seen, QStringList({"caf\ufffd.ico", "Application files (*.exe)",
                                 "Application extension files (*.dll)", "ICON files (*.ico)",
                                 "Cursor files (*.cur)", "Animated cursor files (*.ani)",
                                 "All valid file types (*.exe, *.dll, *.ico, *.cur, *.ani)",
                                 "All file types (*.*)", "B.EXE Sub a.exe", "B.EXE Sub a.exe c.dll",
                                 "B.EXE README Sub a.exe c.dll notes.txt"}));
    for (const auto& [width, widest] : columns)
        EXPECT_EQ(width, widest);
    EXPECT_EQ(pathToBytes(got), odd);
}

// Every message box and dialog belongs to the window that opened it and stands centred on it.
// Without a Windows folder the open-file dialog opens in the home folder.
TEST(Dialogs, OwnedByTheWindowThatOpenedThemAndCentredOnIt) {
    const TempDir config; // Qt's dialogs keep their state there, not in the user's settings
    const ScopedEnv env{{"XDG_CONFIG_HOME", config.path().toUtf8()}};
    QWidget main;
    main.setGeometry(300, 200, 800, 500), main.show(), QApplication::setActiveWindow(&main);
    const Services qt = qtServices();
    // clang-format off
    const std::function<void()> opens[] = {[&] { qt.messageBox->msgBox("x", mb::WarningOk, "T"); },
        [&] { qt.dialogs->showOpen({false, "T", LoadFilter, 1, "", "", 4}); },
        [&] { qt.dialogs->showColor({false, "T", 0}); }};
    // clang-format on
    std::vector<std::tuple<QWidget*, bool, QString>> seen; // owner, centred, folder
    for (const auto& open : opens) {
        whenShown<QDialog>([&](QDialog& d) {
            const auto* files = qobject_cast<QFileDialog*>(&d);
            seen.emplace_back(
                d.parentWidget(),
                (d.geometry().center() - main.geometry().center()).manhattanLength() <= 2,
                files ? files->directory().absolutePath() : "");
            d.reject();
        });
        open();
    }
    EXPECT_EQ(seen, (decltype(seen){
                        {&main, true, ""}, {&main, true, QDir::homePath()}, {&main, true, ""}}));
}

TEST(Numbers, PicturesReadingRoundingAndFailureNumbersAsTheWindowsDo) {
    // clang-format off
    const std::pair<const char*, std::vector<std::pair<double, const char*>>> pictures[] = {
        {"#,###,##0", {{0, "0"}, {7, "7"}, {1234, "1,234"}, {1234567, "1,234,567"}}},
        {"###,###,###,##0", {{-1, "-1"}, {-1234, "-1,234"}, {2147483647, "2,147,483,647"}}},
        {"#####00", {{7, "07"}, {0, "00"}, {123, "123"}}}, {"##0.##", {{2.125, "2.13"}}},
        {"##,###,###,###,##0.#####", {{53, "53."}, {32755, "32,755."}, {1.5, "1.5"}}}};
    const std::pair<const char*, double> texts[] = {{"", 0}, {"abc", 0}, {"12", 12}, {"  12", 12},
        {"1 2", 12}, {"1\t2\n3", 123}, {"12.5", 12.5}, {"12.5.6", 12.5}, {"-3", -3}, {"+4", 4},
        {"1e3", 1000}, {"2.5E-1", 0.25}, {"1d2", 100}, {"&H1F", 31}, {"&hff", 255}, {"&O17", 15},
        {"&o8", 0}, {".5", 0.5}, {".", 0}, {"16>", 16}, {"1e", 1}, {"- 5", -5}};
    const std::pair<double, int> halves[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0},
        {-1.5, -2}, {2.4999, 2}, {2.5001, 3}, {7.89, 8}, {1e20, 2147483647}, {-1e20, INT32_MIN}};
    const std::pair<int, int> failures[] = {{EROFS, 75}, {ENODEV, 68}, {ENOSPC, 61},
                                            {ENAMETOOLONG, 52}};
    // clang-format on
    for (const bool german : {true, false}) { // the locale's separators; read with a point
        QLocale::setDefault(QLocale(german ? QLocale::German : QLocale::C));
        for (const auto& [picture, cases] : pictures)
            for (const auto& [value, c] : cases)
                EXPECT_EQ(formatPicture(value, picture),
                          german ? QString(c).replace(',', '_').replace('.', ',').replace('_', '.')
                                 : c)
                    << value << " with " << picture;
        for (const auto& [text, expected] : texts)
            EXPECT_DOUBLE_EQ(val(text), expected) << '"' << text << '"';
    }
    for (auto [v, expected] : halves)
        EXPECT_EQ(roundToInt(v), expected) << v;
    EXPECT_EQ(QStringList({formatDate({{2026, 3, 5}, {9, 7, 59}}, "yyyy-mm-dd_HH-MM"),
                           formatDate({{1999, 12, 31}, {23, 59}}, "yyyy-mm-dd_HH-MM")}),
              QStringList({"2026-03-05_09-07", "1999-12-31_23-59"}));
    for (auto [err, number] : failures) // more where saving fails
        EXPECT_EQ(failureFromErrno(err).number(), number) << err;
}

TEST(Paths, ResolveIgnoringCaseComponentByComponentKeepingBytes) {
    TempDir tmp;
    tmp.mkdir("Windows/System32");
    const QByteArray root = QFile::encodeName(tmp.path());
    for (const char* name : {"Windows/System32/Shell32.dll", "Windows/caf\xe9.ico",
                             "Windows/\xc3\x89t\xc3\xa9.ico", "Windows/\xce\xa3.ico"})
        fx::writeFile((root + "/" + name).toStdString(), {});
    const std::pair<const char*, const char*> cases[] = {
        {"/windows\\system32/SHELL32.DLL", "/Windows/System32/Shell32.dll"},
        {"/windows/caf\xc9.ico", "/windows/caf\xc9.ico"}, // a byte only equals the same byte
        {"/windows/\xc3\xa9T\xc3\x89.ICO", "/Windows/\xc3\x89t\xc3\xa9.ico"}, // UTF-8 letters
        {"/windows/\xcf\x83.ico", "/Windows/\xce\xa3.ico"}};
    for (const auto& [asked, found] : cases) // the bytes kept where no name is found
        EXPECT_EQ(pathToBytes(resolvePath(pathFromBytes(root + asked))), root + found) << asked;
    EXPECT_EQ(pathFromBytes("/\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"),
              QString("/\u00e9\u20ac\U0001F600"));
}

TEST(Drives, LettersMapOntoMountPointsTheRootIsCAndTheWindowsFolder) {
    // A table as the kernel writes it: pseudo file systems and the system's folders left out,
    // blanks escaped in octal, a mount point listed twice taken once.
    const QByteArray table = "sysfs /sys sysfs rw 0 0\nproc /proc proc rw 0 0\n"
                             "/dev/sda2 /home ext4 rw 0 0\n/dev/sda1 / ext4 rw 0 0\n"
                             "tmpfs /run tmpfs rw 0 0\n/dev/sdb1 /run/media/usb vfat rw 0 0\n"
                             "/dev/sdc1 /mnt/my\\040disk ext4 rw 0 0\n/dev/sda3 /devel xfs rw 0 0\n"
                             "/dev/sda2 /home ext4 rw 0 0\n";
    QStringList texts;
    for (const Drive& d : drivesOfMountTable(table))
        texts << d.text();
    EXPECT_EQ(texts, QStringList({"c: [/]", "d: [/home]", "e: [/mnt/my disk]", "f: [/devel]"}));
    TempDir tmp;
    const ScopedDrives pinned({{u'c', "/"}, {u'd', tmp.path()}});
    QStringList mapped;
    for (const char* path : {"C:\\", "c:", "E:\\x", "/usr", "D:\\Work\\My Pictures"})
        mapped << mapDrivePath(path);
    EXPECT_EQ(mapped, QStringList({"/", "/", "E:\\x", "/usr", tmp.path() + "/Work/My Pictures"}));
    EXPECT_EQ(drives().at(1).text(), "d: [" + tmp.path() + "]");
    // The Windows folder: SystemRoot's when it is a folder, else the Wine prefix's.
    const ScopedEnv env{{"SystemRoot", "/no/such/folder"}, {"WINEPREFIX", tmp.path().toUtf8()}};
    EXPECT_EQ(windowsFolder(), "");
    tmp.mkdir("drive_c/windows");
    EXPECT_EQ(windowsFolder(), tmp.path() + "/drive_c/windows");
    EXPECT_EQ(std::vector<int>({letterNumber("a"), letterNumber("C:\\"), letterNumber("z"),
                                letterNumber("\\\\server")}),
              std::vector<int>({1, 3, 26, -4}));
}

} // namespace
