// Loading on the real main window: drops, the open-file dialog and the list of well-known files,
// with every message asserted exactly.
#include "app/frm_Vantorel.h"
#include "platform/window/environment.h"

#include "support/fixtures/fixtures.h"
#include "support/recorders.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace tess;
namespace fx = tess::fixtures;
using Shown = tess::testing::ShownMessage;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

void drop(frm_Vantorel& w, QStringList files) {
    DropData data{std::move(files)};
    std::int32_t effect = 7;
    std::int16_t button = 0, shift = 0;
    float x = 0, y = 0;
    w.Form_OLEDragDrop(data, effect, button, shift, x, y);
    EXPECT_EQ(effect, 7);
}

TEST(Loading, Drops) {
    fx::TempDir dir;
    const QString good = q(dir.file("SHELL32.DLL")), other = q(dir.file("b.exe"));
    fx::writeFile(good.toStdString(), fx::makeSolidPe(3));
    fx::writeFile(other.toStdString(), fx::makeSolidPe(1));
    QDir().mkdir(q(dir.file("Pictures")));
    const QString cpl = q(dir.file("desk.cpl"));
    fx::writeFile(cpl.toStdString(), fx::makeSolidPe(2));
    const QString multi = "Tessaline can only load one file at a time.\r\n\r\nThe following "
                          "objects where not loaded.\r\n";
    struct Case {
        QStringList files;
        std::vector<Shown> shown;
        QString loaded;
    } cases[] = {
        {{good}, {}, good},
        {{good, other},
         {{multi + "\t" + good + "\r\n\t" + other + "\r\n", 48,
           "Tessaline - Multi-file drop error."}},
         ""},
        {{}, {{multi, 48, "Tessaline - Multi-file drop error."}}, ""},
        {{q(dir.file("Pictures"))},
         {{"Tessaline can't load;\r\n" + q(dir.file("Pictures")) +
               "\r\nas this file type is not supported.",
           48, "Tessaline - File type not supported."}},
         ""},
        {{q(dir.file("garbage.ico"))}, {}, q(dir.file("garbage.ico"))}, // accepted, nothing in it
        {{cpl},
         {{"Tessaline can't load;\r\n" + cpl + "\r\nas this file type is not supported.", 48,
           "Tessaline - File type not supported."}},
         ""}, // a drop keeps the extension test
    };
    for (const Case& c : cases) {
        tess::testing::RecordingServices rec;
        frm_Vantorel w;
        drop(w, c.files);
        EXPECT_EQ(rec.messages->shown, c.shown);
        EXPECT_EQ(w.loadedFile, c.loaded);
        EXPECT_EQ(w.windowTitle(),
                  c.loaded.isEmpty() ? "EXE or DLL file icons." : "Icons from; " + c.loaded);
        EXPECT_EQ(w.iconCount, c.loaded == good ? 3 : c.loaded.isEmpty() ? -1 : 0);
    }
}

// A name asked with other capitals, or whose bytes are not UTF-8, loads by a real drop into the
// grid and the information window, and is the open-file dialog's initial name, bytes and all.
TEST(Loading, NamesFoundIgnoringCaseAndKeptByTheirBytes) {
    fx::TempDir dir;
    QDir().mkdir(q(dir.file("Icons")));
    fx::writeFile(dir.file("Icons/Shell32.dll"), fx::makeSolidPe(3));
    fx::writeFile(dir.file("Icons/caf\xe9.ico"),
                  fx::makeIco({fx::solidImage(32, 32, fx::solidColor(1))}));
    const std::pair<std::string, int> cases[] = {
        {"icons/SHELL32.DLL", 3}, {"Icons/caf\xe9.ico", 1}, {"ICONS/CAF\xe9.ICO", 1}};
    for (const auto& [name, count] : cases) {
        tess::testing::RecordingServices rec;
        frm_Vantorel w;
        const QByteArray asked = QByteArray::fromStdString(dir.file(name));
        QMimeData mime;
        mime.setUrls({QUrl(QString::fromLatin1("file://" + asked.toPercentEncoding("/")))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.pic_IconDisplay, &enter);
        QCoreApplication::sendEvent(w.pic_IconDisplay, &event);
        SCOPED_TRACE(name);
        EXPECT_EQ(pathToBytes(w.loadedFile), asked);
        EXPECT_EQ(w.windowTitle(), "Icons from; " + QString::fromUtf8(asked)); // U+FFFD for a byte
        EXPECT_EQ(w.iconCount, count);
        std::size_t drawn = 0;
        rec.modal->onShow = [&](QDialog& d) {
            drawn = d.findChild<PictureBox*>("pic_IconDisplay")->imageRuns().size();
        };
        w.pic_IconDisplay_MouseDown(1, 0, 360, 360);
        EXPECT_EQ(drawn, 1u);
        w.menu_FileLoadBox_Click();
        EXPECT_EQ(pathToBytes(rec.dialogs->opens.at(0).fileName), asked);
    }
}

// Files named on the command line load whenever their content holds icons; the rest are taken
// as a drop of them would be.
TEST(Loading, CommandLineFiles) {
    fx::TempDir dir;
    fx::writeFile(dir.file("desk.cpl"), fx::makeSolidPe(2));
    fx::writeFile(dir.file("notes.txt"), {'h', 'i'});
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(q(dir.path()));
    const QString cpl = q(dir.file("desk.cpl")), txt = q(dir.file("notes.txt"));
    const struct {
        QStringList files;
        QString loaded;
        int count;
        std::vector<Shown> shown;
    } cases[] = {
        {{cpl}, cpl, 2, {}},
        {{"desk.cpl"}, cpl, 2, {}}, // relative to the current folder
        {{txt},
         "",
         -1,
         {{"Tessaline can't load;\r\n" + txt + "\r\nas this file type is not supported.", 48,
           "Tessaline - File type not supported."}}},
        {{cpl, "notes.txt"},
         "",
         -1,
         {{"Tessaline can only load one file at a time.\r\n\r\nThe following objects where not "
           "loaded.\r\n\t" +
               cpl + "\r\n\t" + txt + "\r\n",
           48, "Tessaline - Multi-file drop error."}}},
    };
    for (const auto& c : cases) {
        tess::testing::RecordingServices rec;
        frm_Vantorel w;
        w.loadCommandLineFiles(c.files);
        EXPECT_EQ(w.loadedFile, c.loaded);
        EXPECT_EQ(w.iconCount, c.count);
        EXPECT_EQ(rec.messages->shown, c.shown);
    }
    QDir::setCurrent(cwd);
}

TEST(Loading, OpenFileDialog) {
    fx::TempDir dir;
    qputenv("SystemRoot", dir.path().c_str());
    const QString good = q(dir.file("a.dll")), text = q(dir.file("notes.txt"));
    fx::writeFile(good.toStdString(), fx::makeSolidPe(2));
    fx::writeFile(text.toStdString(), {'h', 'i'});
    tess::testing::RecordingServices rec;
    frm_Vantorel w;
    rec.dialogs->openAnswers = {std::nullopt, good, good, q(dir.file("missing.txt")), text};
    for (int i = 0; i < 5; ++i)
        w.menu_FileLoadBox_Click();
    const auto& first = rec.dialogs->opens.at(0);
    EXPECT_EQ(first.title, "Tessaline - Load exe or dll file icons.");
    EXPECT_TRUE(first.cancelError);
    EXPECT_EQ(first.filterIndex, 1);
    EXPECT_EQ(first.flags, 4);
    EXPECT_EQ(first.filter.count('|'), 13);
    EXPECT_TRUE(
        first.filter.startsWith("Application files (*.exe)|*.exe|Application extension files"));
    EXPECT_EQ(first.initDir, windowsFolder());
    EXPECT_EQ(first.fileName, "");
    EXPECT_EQ(rec.dialogs->opens.at(2).initDir, good); // after a load: the file's own path
    EXPECT_EQ(rec.dialogs->opens.at(2).fileName, good);
    EXPECT_EQ(w.loadedFile, good);
    EXPECT_EQ(w.windowTitle(), "Icons from; " + good);
    EXPECT_EQ(rec.messages->shown,
              (std::vector<Shown>{
                  {"Can't find file;\r\n" + q(dir.file("missing.txt")), 48,
                   "Tessaline - Can't find file."},
                  {"Can't load icons from file;\r\n" + text + "\r\n\r\n\tInvalid file type.", 48,
                   "Tessaline - Invalid file type."}}));
    qunsetenv("SystemRoot");
}

TEST(Loading, TheOpenFileDialogHandsATypedMissingNameToTheChecks) {
    fx::TempDir dir;
    qputenv("SystemRoot", dir.path().c_str());
    tess::testing::RecordingServices rec;
    services().dialogs = qtServices().dialogs;
    frm_Vantorel w;
    tess::testing::whenShown<QFileDialog>([](QFileDialog& d) {
        d.findChild<QLineEdit*>("fileNameEdit")->setText("missing.txt");
        static_cast<QDialog&>(d).accept();
    });
    w.menu_FileLoadBox_Click();
    EXPECT_EQ(rec.messages->shown,
              (std::vector<Shown>{{"Can't find file;\r\n" + q(dir.file("missing.txt")), 48,
                                   "Tessaline - Can't find file."}}));
    qunsetenv("SystemRoot");
}

TEST(Loading, FileLengthNeverOpensSpecialFiles) {
    fx::TempDir dir;
    tess::testing::RecordingServices rec;
    frm_Vantorel w;
    const QString fifo = q(dir.file("pipe.exe"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.exe").c_str(), 0600), 0);
    fx::writeFile(dir.file("five.ico"), {1, 2, 3, 4, 5});
    EXPECT_EQ(w.fileLength(q(dir.file("five.ico"))), 5);
    for (const QString& p : {fifo, QString("/dev/zero")})
        EXPECT_EQ(w.fileLength(p), 0);
    for (const QString& p : {q(dir.file("none")), QString(), QString("a") + QChar(0) + "b"})
        EXPECT_EQ(w.fileLength(p), -1);
    drop(w, {fifo}); // accepted by its name, refused by the engine without blocking
    EXPECT_EQ(w.iconCount, 0);
}

TEST(Loading, WellKnownFilesAndTheirKeys) {
    fx::TempDir dir;
    qputenv("SystemRoot", dir.path().c_str());
    qputenv("WINEPREFIX", dir.file("no-prefix").c_str());
    QDir().mkdir(q(dir.file("system32")));
    fx::writeFile(dir.file("system32/shell32.dll"), fx::makeSolidPe(4));
    tess::testing::RecordingServices rec;
    frm_Vantorel w;
    const QString win = q(dir.path());
    const std::vector<std::pair<int, QString>> paths = {
        {0, win + "/system32/shell32.dll"},
        {1, win + "/REGEdit.exe"},
        {2, programIconFile()},
        {4, win + "/system32/ieframe.dll"},
        {5, "C:\\Windows\\explorer.exe"},
        {8, "C:\\Program Files\\microsoft office\\office10\\WINWORD.EXE"},
        {14, "C:\\Program Files\\Quillbrook\\Quillbrook.exe"},
        {15, ""},
        {-1, ""}};
    for (const auto& [i, path] : paths) {
        EXPECT_EQ(w.knownFile(static_cast<std::int16_t>(i), true), path);
        EXPECT_EQ(w.knownFile(static_cast<std::int16_t>(i), false),
                  path.mid(path.lastIndexOf(QRegularExpression("[/\\\\]")) + 1));
    }
    w.pic_IconDisplay_KeyDown(keys::F1, keys::ShiftMask); // entry 0
    EXPECT_EQ(w.loadedFile, win + "/system32/shell32.dll");
    EXPECT_EQ(w.iconCount, 4);
    for (const std::int16_t key : {keys::F10, keys::F1}) // Shift+F10, and F1 without Shift
        w.pic_IconDisplay_KeyDown(key, key == keys::F1 ? 0 : keys::ShiftMask);
    EXPECT_TRUE(rec.messages->shown.empty());
    w.menu_FileLoad_Click(6);
    EXPECT_EQ(
        rec.messages->shown,
        (std::vector<Shown>{{"Can't load or find file; netscape.exe\r\n"
                             "C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe",
                             48, "Tessaline - Can't load netscape.exe"}}));
    EXPECT_EQ(w.loadedFile, win + "/system32/shell32.dll");
    // With a Wine prefix, "C:\\" is its drive_c: Shift+F4 loads what Wine installed.
    qputenv("WINEPREFIX", dir.file("wine").c_str());
    QDir().mkpath(q(dir.file("wine/drive_c/program files/internet explorer")));
    fx::writeFile(dir.file("wine/drive_c/program files/internet explorer/IEXPLORE.EXE"),
                  fx::makeSolidPe(2));
    EXPECT_EQ(w.knownFile(3, true),
              q(dir.file("wine/drive_c/Program Files/Internet Explorer/iexplore.exe")));
    EXPECT_EQ(w.knownFile(5, true), q(dir.file("wine/drive_c/Windows/explorer.exe")));
    EXPECT_EQ(w.knownFile(5, false), "explorer.exe");
    w.pic_IconDisplay_KeyDown(keys::F1 + 3, keys::ShiftMask);
    EXPECT_EQ(w.loadedFile, w.knownFile(3, true));
    EXPECT_EQ(w.iconCount, 2);
    EXPECT_EQ(rec.messages->shown.size(), 1u);
    qunsetenv("SystemRoot");
    qunsetenv("WINEPREFIX");
}

} // namespace
