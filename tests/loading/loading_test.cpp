// Loading on the real main window: drops, the command line, the open-file dialog and the list
// of well-known files. Their messages are in the table of texts (tests/app).
#include "app/frm_Vantorel.h"
#include "platform/window/environment.h"

#include "support/recorders.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace tess;
namespace fx = tess::fixtures;
using tess::testing::RecordingServices;
using tess::testing::ScopedEnv;
using tess::testing::TempDir;

using tess::testing::drop;

// What a drop or a command line leaves: the file loaded, its icons counted, messages shown.
TEST(Loading, DropsAndCommandLineFiles) {
    TempDir dir;
    const QString good = dir.write("SHELL32.DLL", fx::makeSolidPe(3));
    const QString cpl = dir.write("desk.cpl", fx::makeSolidPe(2));
    const QString txt = dir.write("notes.txt", QByteArray("hi")), folder = dir.mkdir("Pictures");
    const QString empty = dir.file("garbage.ico");
    const QString here = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const struct {
        bool commandLine;
        QStringList files;
        QString loaded;
        int count;
        std::size_t messages;
    } cases[] = {
        {false, {good}, good, 3, 0},
        {false, {good, txt}, "", -1, 1},
        {false, {folder}, "", -1, 1},
        {false, {empty}, empty, 0, 0},   // accepted by its name, nothing in it
        {false, {cpl}, "", -1, 1},       // a drop keeps the extension test
        {true, {cpl}, cpl, 2, 0},        // the command line loads by content
        {true, {"desk.cpl"}, cpl, 2, 0}, // relative to the current folder
        {true, {txt}, "", -1, 1},
        {true, {cpl, "notes.txt"}, "", -1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files.join(", ").toStdString());
        RecordingServices rec;
        frm_Vantorel w;
        c.commandLine ? w.loadCommandLineFiles(c.files) : drop(w, c.files);
        EXPECT_EQ(w.state().loadedFile, c.loaded);
        EXPECT_EQ(w.windowTitle(),
                  c.loaded.isEmpty() ? "EXE or DLL file icons." : "Icons from; " + c.loaded);
        EXPECT_EQ(w.state().iconCount, c.count);
        EXPECT_EQ(rec.messages->shown.size(), c.messages);
    }
    QDir::setCurrent(here);
    // The loaded file dropped again is drawn again.
    RecordingServices rec;
    frm_Vantorel w;
    drop(w, {good});
    w.pic_IconDisplay->cls();
    drop(w, {good});
    EXPECT_EQ(w.pic_IconDisplay->imageRuns().size(), 3u);
}

// A name asked with other capitals, or whose bytes are not UTF-8, loads by a real drop into the
// grid and the information window, and is the open-file dialog's initial name, bytes and all.
TEST(Loading, NamesFoundIgnoringCaseAndKeptByTheirBytes) {
    fx::TempDir dir;
    QDir().mkdir(QString::fromStdString(dir.file("Icons")));
    fx::writeFile(dir.file("Icons/Shell32.dll"), fx::makeSolidPe(3));
    fx::writeFile(dir.file("Icons/caf\xe9.ico"),
                  fx::makeIco({fx::solidImage(32, 32, fx::solidColor(1))}));
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
        SCOPED_TRACE(name);
        EXPECT_EQ(pathToBytes(w.state().loadedFile), asked);
        EXPECT_EQ(w.windowTitle(), "Icons from; " + QString::fromUtf8(asked)); // U+FFFD for a byte
        EXPECT_EQ(w.state().iconCount, count);
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

TEST(Loading, OpenFileDialog) {
    TempDir dir;
    const ScopedEnv env{{"SystemRoot", dir.path().toUtf8()}};
    const QString good = dir.write("a.dll", fx::makeSolidPe(2)),
                  text = dir.write("n.txt", QByteArray("hi"));
    RecordingServices rec;
    frm_Vantorel w;
    rec.dialogs->openAnswers = {std::nullopt, good, good, text};
    for (int i = 0; i < 4; ++i)
        w.menu_FileLoadBox_Click();
    const struct {
        QString initDir, fileName;
    } opened[] = {{windowsFolder(), ""}, {windowsFolder(), ""}, {good, good}, {good, good}};
    ASSERT_EQ(rec.dialogs->opens.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const OpenFileRequest& o = rec.dialogs->opens[i];
        EXPECT_EQ(std::tie(o.initDir, o.fileName), std::tie(opened[i].initDir, opened[i].fileName));
        EXPECT_EQ(std::make_tuple(o.cancelError, o.filterIndex, o.flags),
                  std::make_tuple(true, 1, 4));
    }
    EXPECT_EQ(w.state().loadedFile, good); // the same file again, then a text file: no change
    EXPECT_EQ(rec.messages->shown.size(), 1u);
}

TEST(Loading, TheOpenFileDialogHandsATypedMissingNameToTheChecks) {
    TempDir dir;
    const ScopedEnv env{{"SystemRoot", dir.path().toUtf8()}};
    RecordingServices rec;
    services().dialogs = qtServices().dialogs;
    frm_Vantorel w;
    tess::testing::whenShown<QFileDialog>([](QFileDialog& d) {
        d.findChild<QLineEdit*>("fileNameEdit")->setText("missing.txt");
        static_cast<QDialog&>(d).accept();
    });
    w.menu_FileLoadBox_Click();
    EXPECT_EQ(rec.messages->shown, (std::vector<tess::testing::ShownMessage>{
                                       {"Can't find file;\r\n" + dir.file("missing.txt"), 48,
                                        "Tessaline - Can't find file."}}));
}

TEST(Loading, FileLengthNeverOpensSpecialFiles) {
    TempDir dir;
    RecordingServices rec;
    frm_Vantorel w;
    const QString fifo = dir.file("pipe.exe");
    ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0600), 0);
    EXPECT_EQ(w.fileLength(dir.write("five.ico", QByteArray("12345"))), 5);
    for (const QString& p : {fifo, QString("/dev/zero")})
        EXPECT_EQ(w.fileLength(p), 0);
    for (const QString& p : {dir.file("none"), QString(), QString("a") + QChar(0) + "b"})
        EXPECT_EQ(w.fileLength(p), -1);
    drop(w, {fifo}); // accepted by its name, refused by the engine without blocking
    EXPECT_EQ(w.state().iconCount, 0);
}

TEST(Loading, WellKnownFilesInTheWindowsFolderAndTheWinePrefix) {
    TempDir dir;
    const ScopedEnv env{{"SystemRoot", dir.path().toUtf8()},
                        {"WINEPREFIX", dir.file("no-prefix").toUtf8()}};
    RecordingServices rec;
    frm_Vantorel w;
    const QString win = dir.path();
    const std::tuple<int, QString, QString> paths[] = {
        {0, win + "/system32/shell32.dll", "shell32.dll"},
        {1, win + "/REGEdit.exe", "REGEdit.exe"},
        {2, programIconFile(), "tessaline.ico"},
        {4, win + "/system32/ieframe.dll", "ieframe.dll"},
        {5, "C:\\Windows\\explorer.exe", "explorer.exe"},
        {8, "C:\\Program Files\\microsoft office\\office10\\WINWORD.EXE", "WINWORD.EXE"},
        {14, "C:\\Program Files\\Quillbrook\\Quillbrook.exe", "Quillbrook.exe"},
        {15, "", ""},
        {-1, "", ""}};
    for (const auto& [i, path, name] : paths) {
        EXPECT_EQ(w.knownFile(static_cast<std::int16_t>(i), true), path);
        EXPECT_EQ(w.knownFile(static_cast<std::int16_t>(i), false), name);
    }
    // With a Wine prefix, "C:\" is its drive_c: the entry loads what Wine installed.
    const ScopedEnv wine{{"WINEPREFIX", dir.file("wine").toUtf8()}};
    dir.mkdir("wine/drive_c/program files/internet explorer");
    dir.write("wine/drive_c/program files/internet explorer/IEXPLORE.EXE", fx::makeSolidPe(2));
    EXPECT_EQ(w.knownFile(3, true),
              dir.file("wine/drive_c/Program Files/Internet Explorer/iexplore.exe"));
    EXPECT_EQ(w.knownFile(5, true), dir.file("wine/drive_c/Windows/explorer.exe"));
    w.menu_FileLoad_Click(3);
    EXPECT_EQ(w.state().loadedFile, w.knownFile(3, true));
    EXPECT_EQ(w.state().iconCount, 2);
    EXPECT_TRUE(rec.messages->shown.empty());
}

} // namespace
