#include "app/frm_Vantorel.h"
#include "platform/icons/icons.h"
#include "platform/window/drives.h"
#include "save/frm_SaveBox.h"

#include "support/fixtures/fixtures.h"
#include "support/recorders.h"
#include "support/temp_dir.h"

#include <QFile>
#include <QImageReader>
#include <QLineEdit>
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
    const struct {
        QString folder, name;
        int type;
        QString expected;
    } cases[] = {
        {"/", "IconPicture_5", 1, "/IconPicture_5.ico"},
        {"/pics//", "x", 2, "/pics/x.gif"},
        {"/p/my.icons", "x.bmp", 2, "/p/my.icons/x.bmp"},
        {"/p/my.icons", "x", 3, "/p/my.icons/x.jpeg"},
        {"/p", "a.b.bmp", 1, "/p/a.b.bmp"},
        {"/p", "x.JPEG", 0, "/p/x.JPEG"},
        {"/p", "icon.png", 1, "/p/icon.png.ico"},
        {"/p", "x", -1, "/p/x.bmp"},
        {"/p", "x", 7, "/p/x.bmp"},
        {"/p", " x ", 4, "/p/ x .gfm"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(save::savePath(c.folder, c.name, c.type), c.expected) << c.name.toStdString();
}

// The window icon: colour 9 inside a transparent border of 4 pixels.
QIcon windowIconFixture() {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    const fx::Color c = fx::solidColor(9);
    for (int y = 4; y < 28; ++y)
        for (int x = 4; x < 28; ++x)
            img.setPixelColor(x, y, QColor(c.r, c.g, c.b));
    return QIcon(QPixmap::fromImage(img));
}

QRgb rgb(fx::Color c) {
    return qRgb(c.r, c.g, c.b);
}

// A save window open on a folder holding src.ico (an icon of two sizes), for the file named.
struct SaveWindow {
    RecordingServices rec;
    TempDir tmp;
    QString source;
    QByteArray sourceBytes;
    frm_SaveBox box;
    explicit SaveWindow(const QString& name = "src.ico") {
        const fx::Bytes ico = fx::makeIco(
            {fx::solidImage(32, 32, fx::solidColor(3)), fx::solidImage(16, 8, fx::solidColor(4))});
        sourceBytes = QByteArray(reinterpret_cast<const char*>(ico.data()), qsizetype(ico.size()));
        source = tmp.write("src.ico", ico);
        tmp.write("text.exe", QByteArray("no icons here"));
        box.setWindowIcon(windowIconFixture());
        box.Form_Load();
        box.DataToSaveWindow(tmp.path(), tmp.file(name), 0);
        box.Form_Activate();
    }
    void save(const QString& name, int type) {
        box.com_FileName->setEditText(name);
        box.com_FileType->setCurrentIndex(type);
        box.com_Save_Click();
    }
    QByteArray bytes(const QString& name) const {
        QFile f(tmp.file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST(SaveWindow, OpensTheFileTheGridShows) {
    const QRgb icon = rgb(fx::solidColor(3)), own = rgb(fx::solidColor(9));
    const struct {
        const char* name;
        QSize drawn;       // the picture's size
        QRgb centre;       // its centre; 0: the background
        bool icoIsTheFile; // the .ico written is the source file itself
    } cases[] = {
        {"src.ico", {153, 145}, icon, true},
        {"SRC.ICO", {153, 145}, icon, true}, // found as the grid finds it
        {"none.ico", {32, 32}, own, false},  // the window icon at its natural size
        {"text.exe", {153, 145}, 0, false},  // nothing drawn
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SaveWindow w(c.name);
        const QRgb background = w.box.palette().color(QPalette::Base).rgb();
        EXPECT_EQ(w.box.pic_IconImage->picture().size(), c.drawn);
        w.save("p", 1);
        EXPECT_EQ(w.bytes("p.ico") == w.sourceBytes, c.icoIsTheFile);
        w.save("p", 0); // the bitmap: the icon on the surface's background, as on screen
        const QImage bmp(w.tmp.file("p.bmp"));
        EXPECT_EQ(bmp.size(), c.drawn);
        EXPECT_EQ(bmp.pixel(bmp.width() / 2, bmp.height() / 2), c.centre ? c.centre : background);
        EXPECT_EQ(bmp.pixel(0, 0), background);
        EXPECT_TRUE(w.rec.messages->shown.empty());
    }
}

TEST(SaveWindow, EachTypeIsWrittenInItsOwnFormat) {
    const struct {
        int type;
        const char* format;
        int tolerance;
    } cases[] = {{0, "bmp", 0}, {1, "ico", 0}, {2, "gif", 0}, {3, "jpeg", 12}, {4, "bmp", 0}};
    const fx::Color want = fx::solidColor(3);
    for (const auto& c : cases) {
        SaveWindow w;
        w.save("p", c.type);
        const QString path = save::savePath(w.tmp.path(), "p", c.type);
        EXPECT_TRUE(w.rec.messages->shown.empty()) << c.format;
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), c.format);
        const QImage img = reader.read();
        ASSERT_FALSE(img.isNull()) << c.format;
        const QColor centre = img.pixelColor(img.width() / 2, img.height() / 2);
        EXPECT_NEAR(centre.red(), want.r, c.tolerance) << c.format;
        EXPECT_NEAR(centre.green(), want.g, c.tolerance) << c.format;
        EXPECT_NEAR(centre.blue(), want.b, c.tolerance) << c.format;
        EXPECT_EQ(w.box.IconImageInDir(), w.tmp.path());
    }
}

ShownMessage overwriteQuestion(const QString& path, const QString& name) {
    return {"WARNING;\r\nFile " + path + "\r\n" + name +
                " already exists.\r\n\r\nDo you wish to overwrite this file?",
            308, "Tessaline - File already exists."};
}
ShownMessage accessDenied(const QString& path) {
    return {"Can't save file;\r\n" + path +
                "\r\n\r\nAccess denied by drive, directory or file.\r\n\r\nIf overwriting an old "
                "file, check that the file is not locked.\r\nCheck drive and directory can be "
                "written to.\r\n(Eg. Not a CD-ROM or a locked floppy disc)",
            48, "Tessaline - Saving file error."};
}

TEST(SaveWindow, WriteTargets) {
    ::umask(022);
    const struct {
        const char* name;     // typed, type BMP
        int oldMode;          // old.bmp made first with this mode (0: none)
        const char* made;     // also made first: "link.bmp" a link to old.bmp, "dir.bmp" a folder
        int answer;           // to the overwrite question
        const char* messages; // q the question, a access denied, g the general text (53)
        const char* checked;  // the file looked at afterwards
        bool replaced;        // holds a bitmap, else old.bmp's old bytes
        int mode;
    } cases[] = {
        {"new.bmp", 0, "", mb::AnswerYes, "", "new.bmp", true, 0644},
        {"old.bmp", 0640, "", mb::AnswerNo, "q", "old.bmp", false, 0640},
        {"old.bmp", 0640, "", mb::AnswerYes, "q", "old.bmp", true, 0640},
        {"old.bmp", 0444, "", mb::AnswerYes, "qa", "old.bmp", false, 0444}, // read-only
        {"link.bmp", 0600, "link.bmp", mb::AnswerYes, "q", "old.bmp", true, 0600},
        {"dir.bmp", 0, "dir.bmp", mb::AnswerYes, "a", "dir.bmp", false, 0},
        {"old.bmp/x", 0640, "", mb::AnswerYes, "a", "old.bmp", false, 0640},
        {"nosuch/x", 0, "", mb::AnswerYes, "g", "nosuch", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SaveWindow w;
        const QString old = w.tmp.file("old.bmp"), made = w.tmp.file(c.made);
        if (c.oldMode) {
            w.tmp.write("old.bmp", QByteArray("old bytes"));
            ::chmod(QFile::encodeName(old), static_cast<mode_t>(c.oldMode));
        }
        if (QString(c.made) == "link.bmp") QFile::link("old.bmp", made);
        if (QString(c.made) == "dir.bmp") QDir().mkdir(made);
        const QStringList before = QDir(w.tmp.path()).entryList(QDir::AllEntries | QDir::Hidden);
        w.rec.messages->answers = {c.answer};
        w.save(c.name, 0);

        const QString path =
            w.tmp.file(QString(c.name).endsWith(".bmp") ? c.name : c.name + QString(".bmp"));
        std::vector<ShownMessage> expected;
        for (const char m : std::string(c.messages))
            expected.push_back(m == 'q' ? overwriteQuestion(path, c.name)
                               : m == 'a'
                                   ? accessDenied(path)
                                   : ShownMessage{"File save error with file;\r\n" + path +
                                                      "\r\n\r\nError message; \tNo such file or "
                                                      "directory\r\nError number; \t53.",
                                                  48, "Tessaline - Saving file error."});
        EXPECT_EQ(w.rec.messages->shown, expected);
        const QString checked = w.tmp.file(c.checked);
        if (c.mode) {
            EXPECT_EQ(QImageReader(checked).format(), c.replaced ? "bmp" : "");
            EXPECT_EQ(w.bytes(c.checked) == "old bytes", !c.replaced);
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(checked), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(c.mode));
        }
        EXPECT_EQ(QFile::symLinkTarget(made), QString(c.made) == "link.bmp" ? old : "");
        EXPECT_EQ(QFileInfo(made).isDir(), QString(c.made) != "link.bmp");
        // Nothing else appears: no temporary file is left behind.
        QStringList after = QDir(w.tmp.path()).entryList(QDir::AllEntries | QDir::Hidden);
        after.removeAll("new.bmp");
        EXPECT_EQ(after, before);
    }
}

// Whoever saves must be allowed to write the file itself, not only its folder.
TEST(SaveWindow, FileTheUserMayNotWriteIsNotReplaced) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs to become another user";
    TempDir tmp;
    ::chmod(QFile::encodeName(tmp.path()), 0755);
    const QString shared = tmp.mkdir("shared"), file = tmp.write("shared/f.bmp", QByteArray("old"));
    ::chmod(QFile::encodeName(shared), 0777);
    ::chmod(QFile::encodeName(file), 0644);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(1);
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
    EXPECT_EQ(QDir(shared).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"f.bmp"});
}

TEST(SaveWindow, BlankNameDisablesSave) {
    SaveWindow w;
    for (const auto& [text, enabled] : {std::pair{"   ", false}, {"", false}, {" a ", true}}) {
        w.box.com_FileName->lineEdit()->setText(text);
        w.box.com_FileName_Change();
        EXPECT_EQ(w.box.com_Save->isEnabled(), enabled) << text;
    }
}

TEST(SaveWindow, DrivesRememberTheirLastFolderWithinOneShowing) {
    SaveWindow w;
    const QString c = w.tmp.mkdir("c"), d = w.tmp.mkdir("d"), in = w.tmp.mkdir("d/in"),
                  gone = w.tmp.mkdir("gone"), other = w.tmp.mkdir("other");
    setDrivesForTests({{u'c', "/"}, {u'd', d}, {u'e', "/no/such/drive"}, {u'#', other}});
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
        std::optional<ShownMessage> message;
    } steps[] = {
        {'s', c, 0, c, "/", {}},
        {'d', "", 1, d, d, {}},
        {'f', in, 1, in, d, {}},
        {'t', "", 1, d, d, {}}, // the top of the list is the drive's mount point
        {'f', in, 1, in, d, {}},
        {'d', "", 0, c, "/", {}},
        {'d', "", 1, in, d, {}},
        {'d', "", 2, in, d, unavailable}, // the drive stays chosen, the folder stays
        {'d', "", 3, in, d, outOfRange},
        {'f', gone, 3, gone, "/", {}},
        {'x', c, 0, c, "/", {}}, // no error for the deleted folder, other drives from their roots
        {'d', "", 1, d, d, {}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.shown.toStdString());
        w.rec.messages->shown.clear();
        if (s.act == 's' || s.act == 'x') {
            if (s.act == 'x') QDir(gone).removeRecursively();
            w.box.Form_Load();
            w.box.DataToSaveWindow(s.folder, w.source, 0);
            w.box.Form_Activate();
        } else if (s.act == 'd') {
            w.box.drv_Drive->setCurrentIndex(s.drive);
        } else if (s.act == 't') {
            emit w.box.dir_DirectoryList->itemActivated(w.box.dir_DirectoryList->item(0));
        } else {
            w.box.dir_DirectoryList->setPath(s.folder);
        }
        EXPECT_EQ(w.box.dir_DirectoryList->path(), s.shown);
        EXPECT_EQ(w.box.dir_DirectoryList->item(0)->text(), s.top);
        EXPECT_EQ(w.box.lab_PathDisplayString->text(), s.shown);
        EXPECT_EQ(w.box.drv_Drive->currentIndex(), s.drive);
        EXPECT_EQ(w.rec.messages->shown,
                  s.message ? std::vector<ShownMessage>{*s.message} : std::vector<ShownMessage>{});
    }
    setDrivesForTests({});
}

TEST(SaveRequest, FolderIsHandedBackAfterSaveAndKeptAfterCancel) {
    RecordingServices rec;
    TempDir tmp;
    const QString sub = tmp.mkdir("sub");
    frm_Vantorel main;
    main.displayedFile =
        tmp.write("src.ico", fx::makeIco({fx::solidImage(32, 32, fx::solidColor(1))}));
    for (const bool saving : {false, true}) {
        main.defaultFolder = tmp.path();
        rec.modal->onShow = [&](QDialog& d) {
            auto& box = static_cast<frm_SaveBox&>(d);
            box.dir_DirectoryList->setPath(sub);
            if (saving)
                box.com_Save_Click();
            else
                box.com_Cancel_Click();
        };
        save::openSaveWindow(main, 0);
        EXPECT_EQ(main.defaultFolder, saving ? sub : tmp.path());
        EXPECT_EQ(QFile::exists(sub + "/IconPicture_0.ico"), saving);
    }
    EXPECT_EQ(rec.modal->captions.back(), "Save icon '0' as;");
}

} // namespace
