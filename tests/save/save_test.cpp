#include "app/frm_Vantorel.h"
#include "platform/window/drives.h"
#include "platform/window/environment.h"
#include "save/frm_SaveBox.h"

#include "support/fixtures/fixtures.h"
#include "support/recorders.h"
#include "support/temp_dir.h"

#include <QBuffer>
#include <QImageReader>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tess;
namespace fx = tess::fixtures;
using tess::testing::RecordingServices;
using tess::testing::ShownMessage;
using tess::testing::TempDir;

namespace {

TEST(SavePath, NameOwnExtensionDecidesOtherwiseTypeIsAppended) {
    const std::tuple<QString, QString, int, QString> cases[] = {
        {"/", "IconPicture_5", 1, "/IconPicture_5.ico"},
        {"/pics//", "x", 2, "/pics/x.gif"},
        {"/p/my.icons", "x.bmp", 2, "/p/my.icons/x.bmp"},
        {"/p/my.icons", "x", 3, "/p/my.icons/x.jpeg"},
        {"/p", "a.b.bmp", 1, "/p/a.b.bmp"},
        {"/p", "x.JPEG", 0, "/p/x.JPEG"},
        {"/p", "icon.png", 1, "/p/icon.png.ico"},
        {"/p", "x", -1, "/p/x.bmp"},
        {"/p", "x", 7, "/p/x.bmp"},
        {"/p", " x ", 4, "/p/ x .gfm"}};
    for (const auto& [folder, name, type, expected] : cases)
        EXPECT_EQ(save::savePath(folder, name, type), expected) << name.toStdString();
}

QRgb rgb(int i) {
    const fx::Color c = fx::solidColor(i);
    return qRgb(c.r, c.g, c.b);
}

// A save window on a folder holding src.ico (colour 3 at 32 x 32 and 16 x 16) and text.exe (no
// icons), opened for the file named in that file's folder; a name under a folder gets the icon
// file too. Its window icon is colour 9 in a transparent border.
struct SaveWindow {
    RecordingServices rec;
    TempDir tmp;
    fx::Bytes ico = fx::makeIco(
        {fx::solidImage(32, 32, fx::solidColor(3)), fx::solidImage(16, 8, fx::solidColor(3))});
    QString folder;
    frm_SaveBox box;
    explicit SaveWindow(const std::string& name = "src.ico") {
        const std::string base = pathToBytes(tmp.path()).toStdString() + "/";
        fx::writeFile(base + "src.ico", ico), fx::writeFile(base + "text.exe", {'n', 'o'});
        if (const auto slash = name.rfind('/'); slash != std::string::npos) {
            ::mkdir((base + name.substr(0, slash)).c_str(), 0755);
            fx::writeFile(base + name, ico);
        }
        QImage own(32, 32, QImage::Format_ARGB32);
        own.fill(Qt::transparent);
        QPainter(&own).fillRect(4, 4, 24, 24, QColor(rgb(9)));
        box.setWindowIcon(QIcon(QPixmap::fromImage(own)));
        const QString file = pathFromBytes(base + name);
        open(file.left(file.lastIndexOf(u'/')), file);
    }
    void open(const QString& in, const QString& file) {
        folder = in;
        box.Form_Load();
        box.DataToSaveWindow(in, file, 0);
        box.Form_Activate();
    }
    void save(const QString& name, int type) {
        box.com_FileName->setEditText(name);
        box.com_FileType->setCurrentIndex(type);
        box.com_Save_Click();
    }
    QByteArray bytes(const QString& name) const { // of a file in the window's folder, or nothing
        const std::string path = pathToBytes(folder + "/" + name).toStdString();
        if (::access(path.c_str(), F_OK) != 0) return {};
        const fx::Bytes b = fx::readFile(path);
        return QByteArray(reinterpret_cast<const char*>(b.data()),
                          static_cast<qsizetype>(b.size()));
    }
};

// Each text whole, fitting its box in the design font; no name, no saving.
TEST(SaveWindow, TextsFitTheirBoxesAndABlankNameDisablesSave) {
    const tess::testing::ScopedDrives pinned({{u'c', "/"}});
    SaveWindow w;
    frm_SaveBox& b = w.box;
    const std::pair<QWidget*, QStringList> texts[] = {
        {b.lab_SaveIn, {"Save &in;"}},
        {b.lab_FileName, {"File &name;"}},
        {b.lab_SaveType, {"Save as &type;"}},
        {b.com_Save, {"&Save"}},
        {b.com_Cancel, {"Cancel"}},
        {b.drv_Drive, {"c: [/]"}},
        {b.com_FileType,
         {"BMP  Windows Bitmap                            (*.bmp)",
          "ICO  Icon image                                       (*.ico)",
          "GIF  Graphic Interchange Format            (*.gif)",
          "JPEG Interchange Format                       (*.jpeg)",
          "GFM  Computer Graphics Meta-file          (*.gfm)"}}};
    for (const auto& [widget, expected] : texts) {
        QStringList shown;
        int room = widget->width();
        if (auto* label = qobject_cast<QLabel*>(widget)) shown << label->text();
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            shown << button->text();
            room -= 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin);
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                shown << combo->itemText(i);
            QStyleOptionComboBox option;
            option.initFrom(combo);
            room = combo->style()
                       ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                        combo)
                       .width() -
                   2;
        }
        EXPECT_EQ(shown, expected);
        for (const QString& text : shown)
            EXPECT_LE(widget->fontMetrics().horizontalAdvance(QString(text).remove(u'&')), room)
                << text.toStdString();
        EXPECT_LE(widget->fontMetrics().height(), widget->height());
    }
    EXPECT_LE(b.lab_PathDisplayString->fontMetrics().height(), b.lab_PathDisplayString->height());
    for (const auto& [text, enabled] : {std::pair{"   ", false}, {"", false}, {" a ", true}}) {
        b.com_FileName->lineEdit()->setText(text);
        b.com_FileName_Change();
        EXPECT_EQ(b.com_Save->isEnabled(), enabled) << text;
    }
}

TEST(SaveWindow, DrawsAndWritesTheIconOfTheFileTheGridShows) {
    const struct {
        const char* name;
        QSize drawn;       // the picture's size
        QRgb centre;       // its centre; 0: the background
        bool icoIsTheFile; // the .ico written is the source file itself
    } cases[] = {
        {"src.ico", {153, 145}, rgb(3), true},
        {"SRC.ICO", {153, 145}, rgb(3), true},             // found as the grid finds it
        {"none.ico", {32, 32}, rgb(9), false},             // the window icon at its natural size
        {"text.exe", {153, 145}, 0, false},                // nothing drawn
        {"caf\xe9/caf\xe9.ico", {153, 145}, rgb(3), true}, // names that are not UTF-8, kept
    };
    const char* formats[] = {"bmp", "ico", "gif", "jpeg", "bmp"}; // .gfm is written as a bitmap
    const auto distance = [](QRgb a, QRgb b) {
        return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b))});
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SaveWindow w(c.name);
        const QRgb background = w.box.palette().color(QPalette::Base).rgb();
        for (int type = 0; type < 5; ++type) {
            w.save("p", type);
            QByteArray saved = w.bytes(QString("p.") + (type == 4 ? "gfm" : formats[type]));
            QBuffer buffer(&saved);
            QImageReader reader(&buffer);
            EXPECT_EQ(reader.format(), formats[type]);
            if (type == 1) {
                EXPECT_EQ(saved == QByteArray(reinterpret_cast<const char*>(w.ico.data()),
                                              static_cast<qsizetype>(w.ico.size())),
                          c.icoIsTheFile);
                continue;
            }
            // The icon on the surface's background, as on screen.
            const QImage img = reader.read();
            const int tolerance = type == 3 ? 12 : 0;
            EXPECT_EQ(img.size(), c.drawn) << type;
            EXPECT_LE(distance(img.pixel(0, 0), background), tolerance) << type;
            EXPECT_LE(distance(img.pixel(img.width() / 2, img.height() / 2),
                               c.centre ? c.centre : background),
                      tolerance)
                << type;
        }
        EXPECT_TRUE(w.rec.messages->shown.empty());
    }
}

TEST(SaveWindow, WriteTargets) {
    ::umask(022);
    const struct {
        const char* name;     // typed, type BMP
        int oldMode;          // old.bmp made first with this mode (0: none)
        const char* made;     // also made first: "link.bmp" a link to old.bmp, "dir.bmp" a folder
        bool yes;             // the answer to the overwrite question
        const char* messages; // q the question, a access denied, g the general text (53)
        bool replaced;        // old.bmp holds a bitmap, else its old bytes
        int mode;             // old.bmp's mode afterwards (0: there is none)
    } cases[] = {
        {"old.bmp", 0, "", true, "", true, 0644},
        {"old.bmp", 0640, "", false, "q", false, 0640},
        {"old.bmp", 0640, "", true, "q", true, 0640},
        {"old.bmp", 0444, "", true, "qa", false, 0444}, // read-only
        {"link.bmp", 0600, "link.bmp", true, "q", true, 0600},
        {"dir.bmp", 0, "dir.bmp", true, "a", false, 0},
        {"old.bmp/x", 0640, "", true, "a", false, 0640},
        {"nosuch/x", 0, "", true, "g", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SaveWindow w;
        const QString old = w.tmp.file("old.bmp"), made = w.tmp.file(c.made), name = c.name;
        if (c.oldMode)
            ::chmod(QFile::encodeName(w.tmp.write("old.bmp", QByteArray("old bytes"))),
                    static_cast<mode_t>(c.oldMode));
        if (QString(c.made) == "link.bmp") QFile::link("old.bmp", made);
        if (QString(c.made) == "dir.bmp") QDir().mkdir(made);
        const auto entries = [&] { // besides old.bmp
            return QDir(w.tmp.path())
                .entryList(QDir::AllEntries | QDir::Hidden)
                .filter(QRegularExpression("^(?!old\\.bmp$)"));
        };
        const QStringList before = entries();
        w.rec.messages->answers = {c.yes ? mb::AnswerYes : mb::AnswerNo};
        w.save(name, 0);

        const QString path = w.tmp.file(name.endsWith(".bmp") ? name : name + ".bmp");
        std::vector<ShownMessage> expected;
        for (const char m : std::string(c.messages))
            expected.push_back(
                m == 'q' ? ShownMessage{"WARNING;\r\nFile " + path + "\r\n" + name +
                                            " already exists.\r\n\r\nDo you wish to overwrite "
                                            "this file?",
                                        308, "Tessaline - File already exists."}
                : m == 'a'
                    ? ShownMessage{"Can't save file;\r\n" + path +
                                       "\r\n\r\nAccess denied by drive, directory or file.\r\n\r\n"
                                       "If overwriting an old file, check that the file is not "
                                       "locked.\r\nCheck drive and directory can be written to."
                                       "\r\n(Eg. Not a CD-ROM or a locked floppy disc)",
                                   48, "Tessaline - Saving file error."}
                    : ShownMessage{"File save error with file;\r\n" + path +
                                       "\r\n\r\nError message; \tNo such file or directory\r\n"
                                       "Error number; \t53.",
                                   48, "Tessaline - Saving file error."});
        EXPECT_EQ(w.rec.messages->shown, expected);
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(old), &st) == 0 ? st.st_mode & 07777 : 0,
                  static_cast<mode_t>(c.mode));
        EXPECT_EQ(QImageReader(old).format(), c.replaced ? "bmp" : "");
        EXPECT_EQ(w.bytes("old.bmp") == "old bytes", c.oldMode && !c.replaced);
        EXPECT_EQ(QFile::symLinkTarget(made), QString(c.made) == "link.bmp" ? old : "");
        EXPECT_EQ(QFileInfo(made).isDir(), QString(c.made) != "link.bmp");
        EXPECT_EQ(entries(), before); // no temporary file left behind
    }
}

// Whoever saves must be allowed to write the file itself, not only its folder.
TEST(SaveWindow, FileTheUserMayNotWriteIsNotReplaced) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs to become another user";
    TempDir tmp;
    const QString shared = tmp.mkdir("shared"), file = tmp.write("shared/f.bmp", QByteArray("old"));
    for (const auto& [path, mode] : {std::pair{tmp.path(), 0755}, {shared, 0777}, {file, 0644}})
        ::chmod(QFile::encodeName(path), static_cast<mode_t>(mode));
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0 ||
            ::access(QFile::encodeName(shared), W_OK) != 0) // the folder itself is writable
            ::_exit(1);
        try {
            save::writeFileAtomically(file, {'n', 'e', 'w'});
            ::_exit(0);
        } catch (const Failure& f) {
            ::_exit(f.number());
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 75);
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), "old");
    EXPECT_EQ(QDir(shared).entryList(QDir::Files | QDir::Hidden), QStringList{"f.bmp"});
}

TEST(SaveWindow, DrivesRememberTheirLastFolderWithinOneShowing) {
    SaveWindow w;
    const QString c = w.tmp.mkdir("c"), d = w.tmp.mkdir("d"), in = w.tmp.mkdir("d/in"),
                  gone = w.tmp.mkdir("gone"), other = w.tmp.mkdir("other");
    const tess::testing::ScopedDrives pinned(
        {{u'c', "/"}, {u'd', d}, {u'e', "/no/such/drive"}, {u'#', other}});
    const ShownMessage unavailable{
        "Drive e: [/no/such/drive] is unavailable.\r\n\r\nNo such file or directory.\r\n"
        "Drive e: [/no/such/drive] may be;\r\n\tEmpty (No disc)\r\n\tUnknown or bad format\r\n"
        "\tUnplugged",
        48, "Tessaline - Drive unavailable."};
    const ShownMessage outOfRange{"Error selecting drive #: [" + other +
                                      "]\r\n\r\nSubscript out of range\r\nError number; 9.",
                                  48, "Tessaline - Drive selection error."};
    const struct {
        char act; // s: a new showing in the folder (x: "gone" deleted before), d: choose drive n,
                  // f: go to the folder, t: open the top entry of the folder list
        QString folder;
        int drive;
        QString shown; // the folder list's path afterwards
        QString top;   // its top entry
        std::vector<ShownMessage> messages;
    } steps[] = {
        {'s', c, 0, c, "/", {}},
        {'d', "", 1, d, d, {}},
        {'f', in, 1, in, d, {}},
        {'t', "", 1, d, d, {}}, // the top of the list is the drive's mount point
        {'f', in, 1, in, d, {}},
        {'d', "", 0, c, "/", {}},
        {'d', "", 1, in, d, {}},
        {'d', "", 2, in, d, {unavailable}}, // the drive stays chosen, the folder stays
        {'d', "", 3, in, d, {outOfRange}},
        {'f', gone, 3, gone, "/", {}},
        {'x', c, 0, c, "/", {}}, // no error for the deleted folder, other drives from their roots
        {'d', "", 1, d, d, {}},
        {'s', in, 1, in, d, {}}, // a showing on drive d shows d's folders
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.shown.toStdString());
        w.rec.messages->shown.clear();
        if (s.act == 'x') QDir(gone).removeRecursively();
        if (s.act == 's' || s.act == 'x') w.open(s.folder, w.tmp.file("src.ico"));
        if (s.act == 'd') w.box.drv_Drive->setCurrentIndex(s.drive);
        if (s.act == 't')
            emit w.box.dir_DirectoryList->itemActivated(w.box.dir_DirectoryList->item(0));
        if (s.act == 'f') w.box.dir_DirectoryList->setPath(s.folder);
        EXPECT_EQ(w.box.dir_DirectoryList->path(), s.shown);
        EXPECT_EQ(w.box.dir_DirectoryList->item(0)->text(), s.top);
        EXPECT_EQ(w.box.lab_PathDisplayString->text(), s.shown);
        EXPECT_EQ(w.box.drv_Drive->currentIndex(), s.drive);
        EXPECT_EQ(w.rec.messages->shown, s.messages);
    }
}

TEST(SaveRequest, FolderIsHandedBackAfterSaveAndKeptAfterCancel) {
    RecordingServices rec;
    TempDir tmp;
    const QString sub = tmp.mkdir("sub");
    // The save window opens in the home folder: no "My Pictures" or "My Documents" below it.
    const tess::testing::ScopedEnv home{{"HomeDrive", ""}, {"HomePath", tmp.path().toUtf8()}};
    frm_Vantorel main;
    main.loadCommandLineFiles(
        {tmp.write("src.ico", fx::makeIco({fx::solidImage(32, 32, fx::solidColor(1))}))});
    for (const bool saving : {false, true}) {
        rec.modal->onShow = [&](QDialog& d) {
            auto& box = static_cast<frm_SaveBox&>(d);
            box.dir_DirectoryList->setPath(sub);
            saving ? box.com_Save_Click() : box.com_Cancel_Click();
        };
        save::openSaveWindow(main, 0);
        EXPECT_EQ(main.state().defaultFolder, saving ? sub : tmp.path());
        EXPECT_EQ(QFile::exists(sub + "/IconPicture_0.ico"), saving);
    }
    EXPECT_EQ(rec.modal->captions, std::vector<QString>(2, "Save icon '0' as;"));
}

} // namespace
