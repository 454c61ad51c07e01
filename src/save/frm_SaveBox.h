// The save window: drive, folder, file name and type, and the icon drawn large.
#pragma once

#include "forms/fonts.h"
#include "forms/picture_box.h"
#include "tessaline/icons.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class QFileSystemModel;
class frm_SaveBox;

namespace tess::save {

// The folder list: one drive's folders, the folder's ancestors from the drive's mount point down,
// then its subfolders; a double click (or Enter) opens the folder under the pointer.
class DirectoryList : public QListWidget {
    Q_OBJECT
  public:
    explicit DirectoryList(QWidget* parent = nullptr);
    QString path() const { return path_; }
    // The mount point of the drive the list shows.
    QString root() const { return root_; }
    // Goes to a folder ("C:\" style drive roots are understood), shown on the drive whose mount
    // point is driveRoot when it lies there, unless another drive is mounted deeper on its way;
    // a folder that cannot be read raises its failure and leaves the list where it was.
    void setPath(const QString& folder, const QString& driveRoot = QString());
  signals:
    void Change();

  private:
    void fill();
    QString path_;
    QString root_; // the mount point of the drive shown
};

// A label that keeps its full text but shows a long one elided in the middle, the whole text in
// its tooltip.
class PathLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The file's own extension decides; otherwise the selected type's extension is appended.
QString savePath(const QString& folder, const QString& name, int typePosition);

// The bytes of the file for a path's extension: a bitmap, an icon file, a GIF or a JPEG.
// The icon is written from its own images when there is one; otherwise the picture.
std::vector<std::uint8_t> pictureFileBytes(const QString& path, const QImage& picture,
                                           const tess::icons::Icon* icon);

// Replaces the file at path with bytes, through a temporary file in the same folder that is
// renamed over it when complete. Raises the failure of the platform on any error.
void writeFileAtomically(const QString& path, const std::vector<std::uint8_t>& bytes);

// Opens the save window for icon number n of displayedFile, owned by and centred on owner (whose
// icon it takes), in defaultFolder; defaultFolder becomes the window's folder when it has closed.
void openSaveWindow(frm_SaveBox& box, QWidget& owner, QString& defaultFolder,
                    const QString& displayedFile, std::int32_t n);

} // namespace tess::save

class frm_SaveBox : public QDialog {
    Q_OBJECT
  public:
    explicit frm_SaveBox(QWidget* parent = nullptr);
    ~frm_SaveBox() override;

    void DataToSaveWindow(QString displayDirectory, QString iconGotFromFile,
                          std::int32_t iconIndex = 0, std::int16_t ListDisplayType = -1);
    QString IconImageInDir() const;

    void Form_Load();
    void Form_Activate();

    void drv_Drive_Change();
    void dir_DirectoryList_Change();
    void com_Save_Click();
    void com_Cancel_Click();
    void com_FileName_Change();

    // --- Controls ---
    QLabel* lab_SaveIn = nullptr;
    tess::ElidedComboBox* drv_Drive = nullptr;
    tess::save::DirectoryList* dir_DirectoryList = nullptr;
    QListView* DirectoryView = nullptr;
    tess::PictureBox* pic_IconImage = nullptr;
    QLabel* lab_FileName = nullptr;
    QLabel* lab_SaveType = nullptr;
    QComboBox* com_FileName = nullptr;
    QComboBox* com_FileType = nullptr;
    QPushButton* com_Save = nullptr;
    QPushButton* com_Cancel = nullptr;
    tess::save::PathLabel* lab_PathDisplayString = nullptr;

    std::array<QString, 27> driveFolders;

  private:
    // Selects the drive of a path in the drive list (raising the drive change when it differs).
    void setDrive(const QString& path);
    std::int32_t fileLength(const QString& path) const;

    QString saveDirectory;
    QString sourceFile;
    std::int32_t sourceIconIndex = 0;
    std::shared_ptr<const tess::icons::Icon> savedIcon; // the drawn icon, for writing .ico files
    QFileSystemModel* viewModel = nullptr;
};
