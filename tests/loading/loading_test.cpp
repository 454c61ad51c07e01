// Loading: drops, the command line, the dialog's checks, file lengths and the well-known files,
// against a window that records its load steps and redraws.
#include "forms/environment.h"
#include "loading/loading.h"

#include "support/recorders.h"

#include <sys/stat.h>

namespace {

// Under recorders, the test's folder for the Windows folder and no Wine; seen() gives the load
// steps ("load P"), the redraws ("grid P -1", "instructions") and message titles, the folder "~".
struct Loading final : loading::Window {
    RecordingServices rec;
    TempDir dir;
    ScopedEnv env{{"SystemRoot", dir.path().toUtf8()}, {"WINEPREFIX", dir.file("none").toUtf8()}};
    CommonDialog comm;
    PictureBox surface;
    QString loaded;
    QStringList steps;

    QString loadedFile() const override { return loaded; }
    void loadStep(const QString& path) override { loaded = path, steps << "load " + path; }
    void displayIcons(const QString& file, PictureBox& target, std::int16_t index) override {
        steps << QString("grid %1 %2").arg(file).arg(index) + (&target == &surface ? "" : " ?");
    }
    void printInstructions() override { steps << "instructions"; }
    QString seen() const {
        QStringList s = steps;
        for (const ShownMessage& m : rec.messages->shown)
            s << m.title;
        return s.join(" | ").replace(dir.path(), "~");
    }
};

// A drop ('d'), a command line of full names ('c') or of names as given ('g', from the current
// folder), or the open-file dialog's answer ('o').
TEST(Loading, DropsCommandLineFilesAndTheDialogsChecks) {
    // clang-format off
    const std::tuple<char, QStringList, QString> cases[] = {
        {'d', {"SHELL32.DLL"}, "load ~/SHELL32.DLL"},
        {'d', {"garbage.ico"}, "load ~/garbage.ico"}, // accepted by its name, nothing in it
        {'d', {"desk.cpl"}, "Tessaline - File type not supported."}, // by extension
        {'c', {"desk.cpl"}, "load ~/desk.cpl"}, // the command line loads by content
        {'g', {"desk.cpl"}, "load ~/desk.cpl"}, {'c', {"notes.txt"}, "Tessaline - File type not supported."},
        {'g', {"desk.cpl", "notes.txt"}, "Tessaline - Multi-file drop error."}, {'o', {"SHELL32.DLL"}, "load ~/SHELL32.DLL"},
        {'o', {"pipe.exe"}, "load ~/pipe.exe"}, // a pipe is found, and never opened
        {'o', {"dir.dll"}, "Tessaline - Can't find file."}, // a folder is not a file
        {'o', {"notes.txt"}, "Tessaline - Invalid file type."}};
    // clang-format on
    const QString here = QDir::currentPath();
    for (const auto& [how, names, seen] : cases) {
        Loading w;
        w.dir.write("SHELL32.DLL", fx::makeSolidPe(3)), w.dir.write("desk.cpl", fx::makeSolidPe(2));
        w.dir.write("notes.txt", QByteArray("hi")), w.dir.write("garbage.ico", QByteArray("x"));
        w.dir.mkdir("dir.dll"), ::mkfifo(w.dir.file("pipe.exe").toUtf8().constData(), 0600);
        QDir::setCurrent(w.dir.path());
        QStringList files;
        for (const QString& n : names)
            files << (how == 'g' ? n : w.dir.file(n));
        if (how == 'd') loading::dropFiles(w, {files});
        if (how == 'c' || how == 'g') loading::loadCommandLineFiles(w, files);
        if (how == 'o')
            w.rec.dialogs->openAnswers = {files.front()}, loading::loadFromDialog(w, w.comm);
        EXPECT_EQ(w.seen(), seen) << how << names.join(", ").toStdString();
        QDir::setCurrent(here);
    }
}

// A file's length by its name, found ignoring case: a pipe or device never opened; a folder is
// no file.
TEST(Loading, FileLengthOfFilesPipesDevicesAndFolders) {
    Loading w;
    const QString fifo = w.dir.file("pipe.exe");
    ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0600), 0);
    // clang-format off
    const std::pair<QString, int> cases[] = {{w.dir.write("five.ico", QByteArray("12345")), 5},
        {w.dir.file("FIVE.ICO"), 5}, {fifo, 0}, {"/dev/zero", 0}, {w.dir.mkdir("folder"), -1},
        {"/", -1}, {w.dir.file("none"), -1}, {"", -1}, {w.dir.file("five.ico") + QChar(0) + "b", -1}};
    // clang-format on
    for (const auto& [path, length] : cases)
        EXPECT_EQ(loading::fileLength(path), length) << path.toStdString();
}

// The entries' paths (their names are in the menu's file list, in the table of texts). With a
// Wine prefix, "C:\" is its drive_c: an entry loads what Wine installed, found ignoring case.
TEST(Loading, WellKnownFilesInTheWindowsFolderAndTheWinePrefix) {
    Loading w;
    const QString win = w.dir.path();
    // clang-format off
    const std::pair<int, QString> paths[] = {
        {0, win + "/system32/shell32.dll"}, {1, win + "/REGEdit.exe"}, {2, programIconFile()},
        {4, win + "/system32/ieframe.dll"}, {5, "C:\\Windows\\explorer.exe"},
        {8, "C:\\Program Files\\microsoft office\\office10\\WINWORD.EXE"},
        {14, "C:\\Program Files\\Quillbrook\\Quillbrook.exe"}, {15, ""}, {-1, ""}};
    // clang-format on
    for (const auto& [i, path] : paths)
        EXPECT_EQ(loading::knownFile(i, true), path) << i;
    const ScopedEnv wine{{"WINEPREFIX", w.dir.file("wine").toUtf8()}};
    w.dir.write("wine/drive_c/program files/internet explorer/IEXPLORE.EXE", fx::makeSolidPe(2));
    w.dir.mkdir("wine/drive_c/Windows/explorer.exe"); // a folder: not found
    loading::loadKnownFile(w, 3), loading::loadKnownFile(w, 5);
    EXPECT_EQ(w.seen(), "load ~/wine/drive_c/Program Files/Internet Explorer/iexplore.exe | "
                        "Tessaline - Can't load explorer.exe");
}

// Seen: the dialog's first colour, text and background colours, messages, then the redraw: a
// colour taken draws the grid or the instruction text again.
TEST(Colours, RefusalsCancelsAndRedrawsInTheNewColours) {
    // clang-format off
    const struct { bool text, loaded; std::optional<std::uint32_t> answer; const char* after; } cases[] = {
        {true, false, 0xFFFFFF, "0 0 ffffff 1 -"}, // the background's colour: refused
        {false, false, 0x000000, "ffffff 0 ffffff 1 -"},
        {true, false, 0x0000FF, "0 ff ffffff 0 instructions"},
        {false, true, 0x00FF00, "ffffff 0 ff00 0 grid /a.dll -1"},
        {false, false, 0xFFFFFF, "ffffff 0 ffffff 0 instructions"}, // the colour it already has
        {true, true, std::nullopt, "0 0 ffffff 0 -"}}; // cancelled
    // clang-format on
    for (const auto& c : cases) {
        Loading w;
        w.loaded = c.loaded ? "/a.dll" : "", w.rec.dialogs->colourAnswers.push_back(c.answer);
        c.text ? loading::chooseTextColour(w, w.comm, w.surface)
               : loading::chooseBackgroundColour(w, w.comm, w.surface);
        EXPECT_EQ(QString::asprintf("%x %x %x %zu ", w.rec.dialogs->colours.at(0).color,
                                    w.surface.foreColor(), w.surface.backColor(),
                                    w.rec.messages->shown.size()) +
                      (w.steps.isEmpty() ? "-" : w.steps.join(", ")),
                  c.after)
            << c.text << c.loaded;
    }
}

} // namespace
