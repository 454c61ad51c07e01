#include "forms/environment.h"
#include "save/frm_SaveBox.h"

#include "support/recorders.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <ranges>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(SavePath, NameOwnExtensionDecidesOtherwiseTypeIsAppended) {
    // clang-format off
    const std::tuple<QString, QString, int, QString> cases[] = {
        {"/", "IconPicture_5", 1, "/IconPicture_5.ico"}, {"/pics//", "x", 2, "/pics/x.gif"},
        {"/p/my.ico", "x.bmp", 2, "/p/my.ico/x.bmp"}, {"/p/my.ico", "x", 3, "/p/my.ico/x.jpeg"},
        {"/p", "a.b.bmp", 1, "/p/a.b.bmp"}, {"/p", "x.JPEG", 0, "/p/x.JPEG"},
        {"/p", "icon.png", 1, "/p/icon.png.ico"}, {"/p", "x", -1, "/p/x.bmp"},
        {"/p", "x", 7, "/p/x.bmp"}, {"/p", " x ", 4, "/p/ x .gfm"}};
    // clang-format on
    for (const auto& [folder, name, type, expected] : cases)
        EXPECT_EQ(save::savePath(folder, name, type), expected) << name.toStdString();
}

const auto rgb = [](fx::Color c) { return qRgb(c.r, c.g, c.b); };

// A save window for the file named, on its folder beside src.ico (colour 3, 32 x 32 and 16 x 16,
// in caf\xe9/ too) and text.exe (no icons); its icon is colour 9 with a margin.
struct SaveWindow {
    RecordingServices rec;
    TempDir tmp;
    fx::Bytes ico = fx::makeIco(
        {fx::solidImage(32, 32, fx::solidColor(3)), fx::solidImage(16, 8, fx::solidColor(3))});
    std::string folder; // the file's, its bytes, with its slash
    frm_SaveBox box;
    explicit SaveWindow(const std::string& name = "src.ico") {
        const std::string base = pathToBytes(tmp.path()).toStdString() + "/";
        fx::writeFile(base + "src.ico", ico), fx::writeFile(base + "text.exe", {'n', 'o'});
        ::mkdir((base + "caf\xe9").c_str(), 0755), fx::writeFile(base + "caf\xe9/caf\xe9.ico", ico);
        QImage own(32, 32, QImage::Format_ARGB32);
        own.fill(Qt::transparent);
        QPainter(&own).fillRect(4, 4, 24, 24, QColor(rgb(fx::solidColor(9))));
        box.setWindowIcon(QIcon(QPixmap::fromImage(own)));
        folder = base + name.substr(0, name.rfind('/') + 1);
        open(pathFromBytes(folder), pathFromBytes(base + name));
    }
    void open(const QString& in, const QString& file) {
        box.Form_Load(), box.DataToSaveWindow(in, file, 0), box.Form_Activate();
    }
    void save(const QString& name, int type) {
        box.com_FileName->setEditText(name), box.com_FileType->setCurrentIndex(type);
        box.com_Save_Click();
    }
};

// Each text whole and fitting its box in the design font; a long drive entry elided in the
// middle, whole in its tooltip and open list; no name, no saving.
TEST(SaveWindow, TextsFitTheirBoxesAndABlankNameDisablesSave) {
    const ScopedDrives pinned({{u'c', "/"}});
    SaveWindow w;
    frm_SaveBox& b = w.box;
    EXPECT_EQ(QFontInfo(b.font()).family(), "Liberation Sans"); // measured below, no stand-in
    QStringList shown;
    const auto fits = [&](QWidget* widget, const QString& text, int room) {
        EXPECT_LE(widget->fontMetrics().horizontalAdvance(QString(text).remove(u'&')), room)
            << text.toStdString();
        EXPECT_LE(widget->fontMetrics().height(), widget->height());
        shown << text;
    };
    for (QLabel* l : {b.lab_SaveIn, b.lab_FileName, b.lab_SaveType})
        fits(l, l->text(), l->width());
    for (QPushButton* p : {b.com_Save, b.com_Cancel})
        fits(p, p->text(), p->width() - 2 * p->style()->pixelMetric(QStyle::PM_ButtonMargin));
    for (QComboBox* c : {static_cast<QComboBox*>(b.drv_Drive), b.com_FileType}) {
        QStyleOptionComboBox o;
        o.initFrom(c);
        const QRect field =
            c->style()->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, c);
        for (int i = 0; i < c->count(); ++i)
            fits(c, c->itemText(i), field.width() - 2);
    }
    fits(b.lab_PathDisplayString, "", 0); // its height
    EXPECT_EQ(shown << b.drv_Drive->shownText(),
              QStringList({"Save &in;", "File &name;", "Save as &type;", "&Save", "Cancel",
                           "c: [/]", "BMP  Windows Bitmap                            (*.bmp)",
                           "ICO  Icon image                                       (*.ico)",
                           "GIF  Graphic Interchange Format            (*.gif)",
                           "JPEG Interchange Format                       (*.jpeg)",
                           "GFM  Computer Graphics Meta-file          (*.gfm)", "", "c: [/]"}));
    const QString archive = "e: [/mnt/archive/photographs/2026/data]";
    b.drv_Drive->addItem(archive), b.drv_Drive->setCurrentIndex(1);
    EXPECT_EQ(b.drv_Drive->toolTip(), archive);
    EXPECT_TRUE(b.drv_Drive->shownText().contains(QRegularExpression("^e: \\[/.+\u2026.+data\\]$")))
        << b.drv_Drive->shownText().toStdString();
    b.drv_Drive->showPopup();
    EXPECT_GE(b.drv_Drive->view()->width(),
              b.drv_Drive->view()->fontMetrics().horizontalAdvance(archive));
    b.drv_Drive->hidePopup();
    for (const auto& [text, enabled] : {std::pair{"   ", false}, {"", false}, {" a ", true}}) {
        b.com_FileName->setEditText(text), b.com_FileName_Change();
        EXPECT_EQ(b.com_Save->isEnabled(), enabled) << text;
    }
}

// Each picture type holds the icon on the surface's background as shown, the .ico the icon's own
// file. Rows: the file named, picture size, centre colour (0: background), .ico the source file.
TEST(SaveWindow, DrawsAndWritesTheIconOfTheFileTheGridShows) {
    const QRgb icon = rgb(fx::solidColor(3)), own = rgb(fx::solidColor(9));
    const std::tuple<const char*, QSize, QRgb, bool> cases[] = {
        {"src.ico", {153, 145}, icon, true},
        {"none.ico", {32, 32}, own, false},              // the window icon at its natural size
        {"text.exe", {153, 145}, 0, false},              // nothing drawn
        {"caf\xe9/caf\xe9.ico", {153, 145}, icon, true}, // names that are not UTF-8, kept
    };
    // The name's extension and the format written (.gfm has no encoder of its own).
    const char* formats[][2] = {
        {"bmp", "bmp"}, {"ico", "ico"}, {"gif", "gif"}, {"jpeg", "jpeg"}, {"gfm", "bmp"}};
    const auto near = [](QRgb a, QRgb b, int tolerance) {
        return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b))}) <= tolerance;
    };
    for (const auto& [name, size, centre, icoIsTheFile] : cases) {
        SaveWindow w(name);
        const QRgb back = w.box.palette().color(QPalette::Base).rgb();
        for (int type = 0; type < 5; ++type) {
            w.save("p", type);
            const fx::Bytes b = fx::readFile(w.folder + "p." + formats[type][0]);
            QByteArray saved(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
            const QImage img = QImage::fromData(saved);
            const int t = type == 3 ? 12 : 0; // JPEG's loss
            const bool drawn =
                near(img.pixel(0, 0), back, t) &&
                near(img.pixel(img.width() / 2, img.height() / 2), centre ? centre : back, t);
            QBuffer buffer(&saved);
            EXPECT_EQ(std::tuple(QImageReader(&buffer).format(),
                                 type == 1 ? b == w.ico : img.size() == size && drawn,
                                 w.rec.messages->shown.size()),
                      std::tuple(QByteArray(formats[type][1]), type != 1 || icoIsTheFile, 0u))
                << name << " as " << formats[type][0];
        }
    }
}

// A save into the window's folder: the name typed as BMP ("link.bmp" made a link to old.bmp,
// "dir.bmp" a folder); old.bmp's content and mode (none: no old file); saved by another user, who
// may write the folder; the answer; the messages (q: overwrite?, a: access denied, g: not found,
// l: name too long); the folder after: names, a link's target, "folder", format or content (the
// modes the writer gives are its own tests').
struct WriteTarget {
    const char* row;
    QString name;
    const char* old;
    mode_t oldMode;
    bool other, yes;
    std::string messages;
    QStringList after;
    friend void PrintTo(const WriteTarget& t, std::ostream* os) { *os << t.row; }
};

class WriteTargets : public ::testing::TestWithParam<WriteTarget> {};

// clang-format off
const WriteTarget writeTargets[] = {
    {"new", "old.bmp", nullptr, 0, false, true, "", {"old.bmp bmp"}},
    {"kept", "old.bmp", "old bytes", 0640, false, false, "q", {"old.bmp old bytes"}},
    {"emptyKept", "old.bmp", "", 0644, false, false, "q", {"old.bmp "}}, // empty, still a file
    {"readOnly", "old.bmp", "old bytes", 0444, false, true, "qa", {"old.bmp old bytes"}},
    {"otherUser", "old.bmp", "old bytes", 0644, true, true, "qa", {"old.bmp old bytes"}},
    {"link", "link.bmp", "old bytes", 0600, false, true, "q", {"link.bmp -> old.bmp", "old.bmp bmp"}},
    {"folder", "dir.bmp", nullptr, 0, false, true, "a", {"dir.bmp folder"}},
    {"underAFile", "old.bmp/x", "old bytes", 0640, false, true, "a", {"old.bmp old bytes"}},
    {"noFolder", "nosuch/x", nullptr, 0, false, true, "g", {}},
    {"nameTooLong", QString(300, u'n'), nullptr, 0, false, true, "l", {}}};
// clang-format on

INSTANTIATE_TEST_SUITE_P(SaveWindow, WriteTargets, ::testing::ValuesIn(writeTargets),
                         [](const auto& row) { return std::string(row.param.row); });

TEST_P(WriteTargets, AskWriteOrRefuseWithTheReason) {
    const auto& [row, name, old, oldMode, other, yes, messages, after] = GetParam();
    if (other && ::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
    SaveWindow w;
    if (old) ::chmod(QFile::encodeName(w.tmp.write("old.bmp", QByteArray(old))), oldMode);
    if (name == "link.bmp") QFile::link("old.bmp", w.tmp.file(name));
    if (name == "dir.bmp") QDir().mkdir(w.tmp.file(name));
    w.rec.messages->answers = {yes ? mb::AnswerYes : mb::AnswerNo};
    const std::shared_ptr<void> back(nullptr, [](void*) { ::setfsuid(0), ::setfsgid(0); });
    if (other) ::chmod(QFile::encodeName(w.tmp.path()), 0777), ::setfsgid(65534), ::setfsuid(65534);
    w.save(name, 0);
    const QString path = w.tmp.file(name.endsWith(".bmp") ? name : name + ".bmp");
    const auto general = [&](const QString& reason, const QString& number) {
        return ShownMessage{"File save error with file;\r\n" + path + "\r\n\r\nError message; \t" +
                                reason + "\r\nError number; \t" + number,
                            48, "Tessaline - Saving file error."};
    };
    // clang-format off
    const std::map<char, ShownMessage> texts = {
        {'q', {"WARNING;\r\nFile " + path + "\r\n" + name + " already exists.\r\n\r\n"
               "Do you wish to overwrite this file?", 308, "Tessaline - File already exists."}},
        {'a', {"Can't save file;\r\n" + path + "\r\n\r\nAccess denied by drive, directory or "
               "file.\r\n\r\nIf overwriting an old file, check that the file is not locked.\r\n"
               "Check drive and directory can be written to.\r\n(Eg. Not a CD-ROM or a locked "
               "floppy disc)", 48, "Tessaline - Saving file error."}},
        {'g', general("No such file or directory", "53.")},
        {'l', general("File name too long", "52.")}};
    // clang-format on
    const auto shown = messages | std::views::transform([&](char m) { return texts.at(m); });
    QStringList folder;
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo& e : QDir(w.tmp.path()).entryInfoList(all, QDir::Name)) {
        QFile f(e.filePath());
        const QByteArray format = QImageReader(e.filePath()).format();
        folder << e.fileName() + " " +
                      (e.isSymLink()      ? "-> " + QFileInfo(e.symLinkTarget()).fileName()
                       : e.isDir()        ? QString("folder")
                       : format.isEmpty() ? (f.open(QIODevice::ReadOnly), f.readAll())
                                          : format);
    }
    EXPECT_EQ(std::tuple(w.rec.messages->shown,
                         folder.filter(QRegularExpression("^(?!src\\.ico |text\\.exe |caf)"))),
              std::tuple(std::vector(shown.begin(), shown.end()), after));
}

TEST(SaveWindow, DrivesRememberTheirLastFolderWithinOneShowing) {
    SaveWindow w;
    const QString c = w.tmp.mkdir("c"), d = w.tmp.mkdir("d"), in = w.tmp.mkdir("d/in"),
                  gone = w.tmp.mkdir("gone"), other = w.tmp.mkdir("other");
    const ScopedDrives pinned({{u'c', "/"}, {u'd', d}, {u'e', "/no/such/drive"}, {u'#', other}});
    // The act (s: show anew in the folder, x: the same once "gone" is deleted, d: choose the drive,
    // f: go to the folder, t: open the top entry); then the list's path, top entry and messages.
    // clang-format off
    const ShownMessage unavailable{"Drive e: [/no/such/drive] is unavailable.\r\n\r\nNo such "
        "file or directory.\r\nDrive e: [/no/such/drive] may be;\r\n\tEmpty (No disc)\r\n"
        "\tUnknown or bad format\r\n\tUnplugged", 48, "Tessaline - Drive unavailable."};
    const ShownMessage outOfRange{"Error selecting drive #: [" + other + "]\r\n\r\nSubscript "
        "out of range\r\nError number; 9.", 48, "Tessaline - Drive selection error."};
    const std::tuple<char, QString, int, QString, QString, std::vector<ShownMessage>> steps[] = {
        {'s', c, 0, c, "/", {}}, {'d', "", 1, d, d, {}}, {'f', in, 1, in, d, {}},
        {'d', "", 0, c, "/", {}}, {'d', "", 1, in, d, {}},
        {'d', "", 2, in, d, {unavailable}}, // the drive stays chosen, the folder stays
        {'d', "", 3, in, d, {outOfRange}},
        {'t', "", 1, d, d, {}}, // the top of the list is the drive's mount point; the drive follows
        {'d', "", 0, c, "/", {}}, {'f', w.tmp.path(), 0, w.tmp.path(), "/", {}},
        {'f', d, 1, d, d, {}}, // another drive's mount point entered from above: that drive
        {'d', "", 0, w.tmp.path(), "/", {}}, {'f', gone, 0, gone, "/", {}},
        {'x', c, 0, c, "/", {}}, // no error for the deleted folder, other drives from their roots
        {'d', "", 1, d, d, {}},
        {'s', in, 1, in, d, {}}, // a showing on drive d shows d's folders
    };
    // clang-format on
    save::DirectoryList& list = *w.box.dir_DirectoryList;
    for (const auto& [act, folder, drive, shown, top, messages] : steps) {
        w.rec.messages->shown.clear();
        if (act == 'x') QDir(gone).removeRecursively();
        if (act == 's' || act == 'x') w.open(folder, w.tmp.file("src.ico"));
        if (act == 'd') w.box.drv_Drive->setCurrentIndex(drive);
        if (act == 't') emit list.itemActivated(list.item(0));
        if (act == 'f') list.setPath(folder);
        const QLabel& label = *w.box.lab_PathDisplayString;
        EXPECT_EQ(std::tuple(list.path(), list.item(0)->text(), label.text(), label.toolTip(),
                             w.box.drv_Drive->currentIndex(), w.rec.messages->shown),
                  std::tuple(shown, top, shown, shown, drive, messages))
            << shown.toStdString();
    }
}

TEST(SaveRequest, FolderIsHandedBackAfterSaveAndKeptAfterCancel) {
    SaveWindow w; // its recorders and folder
    const QString sub = w.tmp.mkdir("sub");
    QWidget owner;
    owner.setWindowIcon(w.box.windowIcon());
    QString defaultFolder = w.tmp.path();
    for (const bool saving : {false, true}) {
        w.rec.modal->onShow = [&](QDialog& d) {
            auto& box = static_cast<frm_SaveBox&>(d);
            box.dir_DirectoryList->setPath(sub);
            saving ? box.com_Save_Click() : box.com_Cancel_Click();
        };
        save::openSaveWindow(w.box, owner, defaultFolder, w.tmp.file("src.ico"), 0);
        EXPECT_EQ(std::tuple(defaultFolder, QFile::exists(sub + "/IconPicture_0.ico"),
                             w.rec.modal->captions.back()),
                  std::tuple(saving ? sub : w.tmp.path(), saving, QString("Save icon '0' as;")));
    }
}

} // namespace
