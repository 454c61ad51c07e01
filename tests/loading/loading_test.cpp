// Loading: drops, the command line, names by their bytes, file lengths and the well-known files.
#include "app/frm_Vantorel.h"
#include "forms/environment.h"
#include "info/texts.h"

#include "support/recorders.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <sys/stat.h>

using namespace tess;
using namespace tess::testing;
namespace fx = tess::fixtures;

namespace {

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
