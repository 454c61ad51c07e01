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
#include <unistd.h>

using namespace tess;
namespace fx = tess::fixtures;
using tess::testing::RecordingServices;
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

// A save window open on a folder with an icon of two sizes drawn in it.
struct SaveWindow {
    RecordingServices rec;
    TempDir tmp;
    QString source;
    frm_SaveBox box;
    explicit SaveWindow() {
        source = tmp.write("src.ico", fx::makeIco({fx::solidImage(32, 32, fx::solidColor(3)),
                                                   fx::solidImage(16, 8, fx::solidColor(4))}));
        box.Form_Load();
        box.DataToSaveWindow(tmp.path(), source, 0);
        box.Form_Activate();
    }
    void save(const QString& name, int type) {
        box.com_FileName->setEditText(name);
        box.com_FileType->setCurrentIndex(type);
        box.com_Save_Click();
    }
};

TEST(SaveWindow, OpensInTheGivenFolderWithProposedNamesAndTypes) {
    SaveWindow w;
    EXPECT_EQ(w.box.lab_PathDisplayString->text(), w.tmp.path());
    EXPECT_EQ(w.box.com_FileName->itemText(0), "IconPictureCopy");
    EXPECT_EQ(w.box.com_FileName->currentText(), "IconPicture_0");
    EXPECT_EQ(w.box.com_FileType->currentText(),
              "ICO  Icon image                                       (*.ico)");
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

TEST(SaveWindow, IcoHoldsTheIconsOwnImagesExactly) {
    SaveWindow w;
    w.save("copy", 1);
    const auto saved = icons::readIconFile(w.tmp.file("copy.ico").toStdString());
    const auto original = icons::readIconFile(w.source.toStdString());
    ASSERT_EQ(saved.icons.size(), 1u);
    ASSERT_EQ(saved.icons[0].images.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(*icons::imageBytes(saved.icons[0].images[i]),
                  *icons::imageBytes(original.icons[0].images[i]));
    if (fx::haveTool("icotool")) {
        EXPECT_EQ(fx::run("icotool -l '" + w.tmp.file("copy.ico").toStdString() + "' >/dev/null"),
                  0);
    }
}

TEST(SaveWindow, OverwriteIsAskedAndNoKeepsTheOldFile) {
    for (const int answer : {mb::AnswerNo, mb::AnswerYes}) {
        SaveWindow w;
        const QString old = w.tmp.write("old.bmp", QByteArray("old bytes"));
        w.rec.messages->answers = {answer};
        w.save("old.bmp", 2);
        ASSERT_EQ(w.rec.messages->shown.size(), 1u);
        EXPECT_EQ(w.rec.messages->shown[0],
                  (tess::testing::ShownMessage{"WARNING;\r\nFile " + old +
                                                   "\r\nold.bmp already exists.\r\n\r\n"
                                                   "Do you wish to overwrite this file?",
                                               308, "Tessaline - File already exists."}));
        QFile f(old);
        f.open(QIODevice::ReadOnly);
        const QByteArray now = f.readAll();
        if (answer == mb::AnswerNo) {
            EXPECT_EQ(now, "old bytes");
        } else {
            EXPECT_EQ(QImageReader(old).format(), "bmp");
        }
        EXPECT_EQ(QDir(w.tmp.path()).entryList(QDir::Files | QDir::Hidden).size(),
                  2); // no temporary left
    }
}

TEST(SaveWindow, WriteFailuresReportAccessAndLeaveTheOldFile) {
    SaveWindow w;
    const QString old = w.tmp.write("old.bmp", QByteArray("old bytes"));
    QDir(w.tmp.path()).mkdir("folder.bmp");
    const QString access =
        "Can't save file;\r\n%1\r\n\r\nAccess denied by drive, directory or file.";
    std::vector<QString> names = {"folder.bmp", "old.bmp/x.bmp"}; // a folder; a path below a file
    if (::geteuid() != 0) {
        const QString ro = w.tmp.mkdir("ro");
        QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner);
        names.push_back("ro/new.bmp");
    }
    for (const QString& name : names) {
        w.rec.messages->shown.clear();
        w.save(name, 0);
        ASSERT_EQ(w.rec.messages->shown.size(), 1u) << name.toStdString();
        EXPECT_EQ(w.rec.messages->shown[0].title, "Tessaline - Saving file error.");
        EXPECT_EQ(w.rec.messages->shown[0].style, 48);
        EXPECT_TRUE(w.rec.messages->shown[0].text.startsWith(access.arg(w.tmp.file(name))));
        EXPECT_EQ(w.box.com_FileName->currentText(), name); // choices kept
    }
    w.rec.messages->shown.clear();
    w.save("nosuch/x", 0); // any other failure: the general text with the number
    ASSERT_EQ(w.rec.messages->shown.size(), 1u);
    EXPECT_TRUE(w.rec.messages->shown[0].text.endsWith("\r\nError number; \t53."));
    EXPECT_TRUE(w.rec.messages->shown[0].text.startsWith("File save error with file;\r\n" +
                                                         w.tmp.file("nosuch/x.bmp")));
    EXPECT_EQ(fx::readFile(old.toStdString()),
              (fx::Bytes{'o', 'l', 'd', ' ', 'b', 'y', 't', 'e', 's'}));
    EXPECT_FALSE(QFile::exists(w.tmp.file("ro/new.bmp")));
}

TEST(SaveWindow, BlankNameDisablesSave) {
    SaveWindow w;
    for (const auto& [text, enabled] : {std::pair{"   ", false}, {"", false}, {" a ", true}}) {
        w.box.com_FileName->lineEdit()->setText(text);
        w.box.com_FileName_Change();
        EXPECT_EQ(w.box.com_Save->isEnabled(), enabled) << text;
    }
}

TEST(SaveWindow, DrivesRememberTheirLastFolder) {
    SaveWindow w;
    const QString cSub = w.tmp.mkdir("c_sub"), dRoot = w.tmp.mkdir("d"),
                  dInner = w.tmp.mkdir("d/inner");
    setDrivesForTests({{u'c', "/"}, {u'd', dRoot}, {u'e', "/no/such/drive"}});
    w.box.Form_Load();
    w.box.DataToSaveWindow(cSub, w.source, 0);
    w.box.Form_Activate();
    EXPECT_EQ(w.box.dir_DirectoryList->path(), cSub);
    w.box.drv_Drive->setCurrentIndex(1);
    EXPECT_EQ(w.box.dir_DirectoryList->path(), dRoot);
    w.box.dir_DirectoryList->setPath(dInner);
    w.box.drv_Drive->setCurrentIndex(0);
    EXPECT_EQ(w.box.dir_DirectoryList->path(), cSub);
    w.box.drv_Drive->setCurrentIndex(1);
    EXPECT_EQ(w.box.dir_DirectoryList->path(), dInner);
    w.box.drv_Drive->setCurrentIndex(2);
    ASSERT_EQ(w.rec.messages->shown.size(), 1u);
    EXPECT_EQ(w.rec.messages->shown[0].title, "Tessaline - Drive unavailable.");
    EXPECT_TRUE(w.rec.messages->shown[0].text.startsWith(
        "Drive e: [/no/such/drive] is unavailable.\r\n\r\n"));
    EXPECT_EQ(w.box.drv_Drive->currentIndex(), 2);
    EXPECT_EQ(w.box.dir_DirectoryList->path(), dInner);
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
