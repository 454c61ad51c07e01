#include "save/frm_SaveBox.h"

#include "forms/drives.h"
#include "forms/environment.h"
#include "forms/failure.h"
#include "forms/fonts.h"
#include "forms/format.h"
#include "forms/services.h"
#include "forms/twips.h"
#include "forms/version_info.h"
#include "forms/win_icons.h"
#include "fs/file_length.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPainter>
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include <cerrno>

using namespace tess;

namespace {

const QString TAB = QStringLiteral("\t");

int px(double twips, double perPixel) {
    return roundToInt(twips / perPixel);
}

void place(QWidget& w, double left, double top, double width, double height) {
    const double x = twipsPerPixelX();
    const double y = twipsPerPixelY();
    w.setGeometry(px(left, x), px(top, y), px(width, x), px(height, y));
}

// Opens and closes a folder to learn whether it can be read; raises the platform's failure.
void probeFolder(const QString& folder, bool asDrive) {
    DIR* d = ::opendir(pathToBytes(folder).constData());
    if (d) {
        ::closedir(d);
        return;
    }
    const Failure f = failureFromErrno(errno);
    if (asDrive) throw Failure(failure::DeviceUnavailable, f.description());
    throw f;
}

// The folders in a folder (hidden ones left out), their names' bytes kept, ignoring case in order.
QStringList subfolders(const QString& folder) {
    QStringList out;
    QByteArray base = pathToBytes(folder);
    if (!base.endsWith('/')) base += '/';
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(base.constData()), ::closedir);
    if (!dir) return out;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        struct stat st {};
        if (!name.startsWith('.') && ::stat((base + name).constData(), &st) == 0 &&
            S_ISDIR(st.st_mode))
            out << pathFromBytes(name);
    }
    std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return out;
}

// The letter number of a path: its drive's letter, or the first character for a drive text.
int pathLetterNumber(const QString& path) {
    if (path.size() >= 2 && path[1] == u':') return letterNumber(path);
    const std::vector<Drive> table = drives();
    const Drive* d = driveOfPath(table, path);
    return d ? letterNumber(QString(d->letter)) : letterNumber(path);
}

const QStringList FileTypes = {
    QStringLiteral("BMP  Windows Bitmap                            (*.bmp)"),
    QStringLiteral("ICO  Icon image                                       (*.ico)"),
    QStringLiteral("GIF  Graphic Interchange Format            (*.gif)"),
    QStringLiteral("JPEG Interchange Format                       (*.jpeg)"),
    QStringLiteral("GFM  Computer Graphics Meta-file          (*.gfm)"),
};

} // namespace

namespace tess::save {

DirectoryList::DirectoryList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        try {
            setPath(item->data(Qt::UserRole).toString());
        } catch (const Failure&) {
            // A folder that cannot be opened: the list stays where it is.
        }
    });
}

void DirectoryList::setPath(const QString& folder, const QString& driveRoot) {
    QString p = mapDrivePath(folder);
    if (p.size() >= 2 && p[1] == u':')
        throw Failure(failure::DeviceUnavailable, QStringLiteral("No such drive"));
    p = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(p).absoluteFilePath()));
    probeFolder(p, false);
    // The list shows one drive, from its mount point down: the drive chosen, else the one shown
    // so far, else the folder's own.
    const auto under = [&p](const QString& root) {
        return !root.isEmpty() &&
               (p == root || p.startsWith(root.endsWith(u'/') ? root : root + u'/'));
    };
    // A folder on a drive mounted deeper than the one shown (a mount point entered from above)
    // is shown on its own drive, so that the list never walks into another drive.
    const std::vector<Drive> table = drives();
    const Drive* own = driveOfPath(table, p);
    QString root = under(driveRoot) ? driveRoot : under(root_) ? root_ : QString();
    if (own && (root.isEmpty() || own->mountPoint.size() > root.size())) root = own->mountPoint;
    if (root.isEmpty()) root = QStringLiteral("/");
    if (p == path_ && root == root_) return;
    path_ = p;
    root_ = root;
    fill();
    emit Change();
}

void DirectoryList::fill() {
    clear();
    QFileIconProvider icons;
    const QIcon open = icons.icon(QFileIconProvider::Folder);
    auto add = [&](const QString& caption, const QString& target, int depth) {
        auto* item =
            new QListWidgetItem(open, QString(depth * 2, u' ') + displayPath(caption), this);
        item->setData(Qt::UserRole, target);
        return item;
    };
    QString at = root_;
    QListWidgetItem* current = add(root_, at, 0);
    int depth = 1;
    const QStringList parts = QDir(root_).relativeFilePath(path_).split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QStringLiteral(".")) continue;
        at = QDir(at).filePath(part);
        current = add(part, at, depth++);
    }
    for (const QString& sub : subfolders(path_))
        add(sub, QDir(path_).filePath(sub), depth);
    setCurrentItem(current);
}

void PathLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
    p.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
}

} // namespace tess::save

frm_SaveBox::frm_SaveBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frm_SaveBox"));
    setWindowTitle(QStringLiteral("Save as..."));
    setFixedSize(px(8895, twipsPerPixelX()), px(5895, twipsPerPixelY()));
    setFont(designFont()); // the design's font: the labels fit their places

    lab_SaveIn = new QLabel(QStringLiteral("Save &in;"), this);
    drv_Drive = new ElidedComboBox(this); // a long mount point shortened in the middle
    dir_DirectoryList = new save::DirectoryList(this);
    DirectoryView = new QListView(this);
    pic_IconImage = new PictureBox(this);
    lab_FileName = new QLabel(QStringLiteral("File &name;"), this);
    lab_SaveType = new QLabel(QStringLiteral("Save as &type;"), this);
    com_FileName = new QComboBox(this);
    com_FileType = new QComboBox(this);
    com_Save = new QPushButton(QStringLiteral("&Save"), this);
    com_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    lab_PathDisplayString = new save::PathLabel(QStringLiteral("C:\\"), this);

    place(*lab_SaveIn, 120, 120, 825, 195);
    place(*drv_Drive, 840, 120, 1575, 315);
    place(*dir_DirectoryList, 120, 480, 2295, 3015);
    place(*DirectoryView, 2520, 480, 6255, 4455);
    pic_IconImage->setGeometryTwips(120, 3600, 2295, 2175);
    place(*lab_FileName, 2520, 5160, 1440, 195);
    place(*lab_SaveType, 2520, 5520, 1335, 195);
    place(*com_FileName, 3600, 5040, 3735, 315);
    place(*com_FileType, 3600, 5400, 3735, 315);
    place(*com_Save, 7680, 4995, 1095, 375);
    place(*com_Cancel, 7680, 5400, 1095, 375);
    place(*lab_PathDisplayString, 2520, 120, 6255, 255);

    lab_SaveIn->setBuddy(drv_Drive);
    lab_FileName->setBuddy(com_FileName);
    lab_SaveType->setBuddy(com_FileType);
    com_FileName->setEditable(true);
    com_FileName->setInsertPolicy(QComboBox::NoInsert);
    com_Save->setToolTip(QStringLiteral(" Save file "));
    com_Cancel->setToolTip(QStringLiteral(" Close window "));
    com_Save->setDefault(true);
    QFont bold = designFont();
    bold.setBold(true);
    lab_PathDisplayString->setFont(bold);

    // The folder view: the folder's files with their icons, nothing to change.
    viewModel = new QFileSystemModel(this);
    // The widgets' icon provider knows the desktop's file icons; it outlives every model.
    static QFileIconProvider viewIcons;
    viewModel->setIconProvider(&viewIcons);
    viewModel->setReadOnly(true);
    viewModel->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
    DirectoryView->setModel(viewModel);
    DirectoryView->setViewMode(QListView::ListMode);
    DirectoryView->setFlow(QListView::TopToBottom);
    DirectoryView->setWrapping(true);
    DirectoryView->setResizeMode(QListView::Adjust);
    DirectoryView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DirectoryView->setDragEnabled(false);

    const std::vector<QWidget*> order = {drv_Drive,     dir_DirectoryList, DirectoryView,
                                         pic_IconImage, com_FileName,      com_FileType,
                                         com_Save,      com_Cancel};
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(drv_Drive, &QComboBox::currentIndexChanged, this, [this] { drv_Drive_Change(); });
    connect(dir_DirectoryList, &save::DirectoryList::Change, this,
            [this] { dir_DirectoryList_Change(); });
    connect(com_FileName->lineEdit(), &QLineEdit::textEdited, this,
            [this] { com_FileName_Change(); });
    connect(com_Save, &QPushButton::clicked, this, [this] { com_Save_Click(); });
    connect(com_Cancel, &QPushButton::clicked, this, [this] { com_Cancel_Click(); });
}

frm_SaveBox::~frm_SaveBox() = default;

void frm_SaveBox::DataToSaveWindow(QString displayDirectory, QString iconGotFromFile,
                                   std::int32_t iconIndex, std::int16_t) {
    saveDirectory = displayDirectory;
    sourceFile = iconGotFromFile;
    sourceIconIndex = iconIndex;
}

QString frm_SaveBox::IconImageInDir() const {
    return saveDirectory;
}

void frm_SaveBox::setDrive(const QString& path) {
    const std::vector<Drive> table = drives();
    const QString mapped = mapDrivePath(path);
    const Drive* d = driveOfPath(table, QDir::cleanPath(QFileInfo(mapped).absoluteFilePath()));
    if (!d) throw Failure(failure::DeviceUnavailable, QStringLiteral("No such drive"));
    drv_Drive->setCurrentIndex(drv_Drive->findData(d->mountPoint));
}

void frm_SaveBox::Form_Load() {
    savedIcon.reset();
    pic_IconImage->setAutoSize(false);
    pic_IconImage->setPicture(QImage());
    com_Save->setEnabled(true);
    // Every showing starts from the drives' roots: the drive set below must not go back to a
    // folder of an earlier showing, which may be gone by now.
    for (int n = 1; n <= 26; ++n)
        driveFolders[n] = QString(QChar(u'a' + n - 1)) + QStringLiteral(":\\");
    {
        const QSignalBlocker quiet(drv_Drive);
        drv_Drive->clear();
        for (const Drive& d : drives())
            drv_Drive->addItem(d.text(), d.mountPoint);
        drv_Drive->setCurrentIndex(-1);
    }
    try {
        setDrive(QStringLiteral("C:\\"));
        dir_DirectoryList->setPath(QStringLiteral("C:\\"));
    } catch (const Failure&) {
        // A machine whose root cannot be read: the lists start empty.
    }
    viewModel->setRootPath(dir_DirectoryList->path());
    DirectoryView->setRootIndex(viewModel->index(dir_DirectoryList->path()));

    const QString now =
        formatDate(QDateTime::currentDateTime(), QStringLiteral("yyyy-mm-dd_HH-MM"));
    com_FileName->clear();
    com_FileName->addItem(QStringLiteral("IconPictureCopy"));
    com_FileName->addItem(QStringLiteral("IconPictureCopy_") + now);
    com_FileName->setCurrentIndex(0);

    com_FileType->clear();
    com_FileType->addItems(FileTypes);
    com_FileType->setCurrentIndex(1);
}

void frm_SaveBox::Form_Activate() {
    // Every step may fail on its own; a failing step is passed over.
    auto attempt = [](auto&& step) {
        try {
            step();
        } catch (const Failure&) {
        }
    };
    attempt([&] { setDrive(QStringLiteral("C:")); });
    attempt([&] { setDrive(saveDirectory); });
    // The folder list shows the drive the drive list has chosen.
    const auto driveRoot = [this] { return drv_Drive->currentData().toString(); };
    attempt([&] { dir_DirectoryList->setPath(QStringLiteral("C:"), driveRoot()); });
    attempt([&] { dir_DirectoryList->setPath(saveDirectory, driveRoot()); });

    const QString now =
        formatDate(QDateTime::currentDateTime(), QStringLiteral("yyyy-mm-dd_HH-MM"));
    const QString index = plainNumber(sourceIconIndex);
    com_FileName->addItem(QStringLiteral("IconPicture_") + index);
    com_FileName->setCurrentIndex(com_FileName->count() - 1);
    com_FileName->addItem(QStringLiteral("IconPicture_") + now + QStringLiteral("_") + index);

    pic_IconImage->setBackColor(fromQColor(palette().color(QPalette::Base)));
    pic_IconImage->setAutoRedraw(true);
    pic_IconImage->setAutoSize(false);
    pic_IconImage->setPicture(QImage());
    pic_IconImage->cls();

    savedIcon.reset();
    const icons::HICON handle =
        ExtractIconA(static_cast<std::uint32_t>(QCoreApplication::applicationPid()),
                     nativeFile(sourceFile).toStdString(), sourceIconIndex);
    if (handle != 0) {
        const int w = px(pic_IconImage->widthTwips(), twipsPerPixelX()) - 16;
        const int h = px(pic_IconImage->heightTwips(), twipsPerPixelY()) - 16;
        DrawIconEx(pic_IconImage->hDC(), 6, 6, handle, w, h, 0, 0, 3);
        pic_IconImage->setPicture(pic_IconImage->image());
        savedIcon = icons::iconOfHandle(handle);
        DestroyIcon(handle);
    } else {
        // The program's own icon stands in, at its natural size; an .ico of it is its own file.
        const QIcon own = windowIcon();
        const QList<QSize> sizes = own.availableSizes();
        const QSize natural =
            sizes.contains(QSize(32, 32)) || sizes.isEmpty() ? QSize(32, 32) : sizes.first();
        // It is shown, and written as a picture, on the surface's background.
        QImage picture;
        if (!own.isNull()) {
            picture = QImage(natural, QImage::Format_RGB32);
            picture.fill(toQColor(pic_IconImage->backColor()));
            QPainter painter(&picture);
            own.paint(&painter, QRect(QPoint(0, 0), natural));
        }
        pic_IconImage->setAutoSize(true);
        pic_IconImage->setPicture(picture);
        const icons::IconFile file =
            icons::readIconFile(nativeFile(programIconFile()).toStdString());
        if (!file.icons.empty())
            savedIcon = std::make_shared<const icons::Icon>(file.icons.front());
    }
}

void frm_SaveBox::drv_Drive_Change() {
    const auto driveText = [this] { return drv_Drive->currentText(); };
    try {
        const int n = letterNumber(driveText());
        if (n < 0 || n > 26)
            throw Failure(failure::IndexOutOfRange, QStringLiteral("Subscript out of range"));
        probeFolder(drv_Drive->currentData().toString(), true);
        // A drive's own text stands for its root.
        dir_DirectoryList->setPath(!driveFolders[n].isEmpty() ? driveFolders[n]
                                                              : drv_Drive->currentData().toString(),
                                   drv_Drive->currentData().toString());
    } catch (const Failure& f) {
        if (f.number() == failure::DeviceUnavailable) {
            services().messageBox->msgBox(
                QStringLiteral("Drive ") + driveText() + QStringLiteral(" is unavailable.") + CrLf +
                    CrLf + f.description() + QStringLiteral(".") + CrLf + QStringLiteral("Drive ") +
                    driveText() + QStringLiteral(" may be;") + CrLf + TAB +
                    QStringLiteral("Empty (No disc)") + CrLf + TAB +
                    QStringLiteral("Unknown or bad format") + CrLf + TAB +
                    QStringLiteral("Unplugged"),
                mb::WarningOk, productName() + QStringLiteral(" - Drive unavailable."));
        } else {
            services().messageBox->msgBox(
                QStringLiteral("Error selecting drive ") + driveText() + CrLf + CrLf +
                    f.description() + CrLf + QStringLiteral("Error number; ") +
                    formatPicture(f.number(), QStringLiteral("###,###,###,##0.####")),
                mb::WarningOk, productName() + QStringLiteral(" - Drive selection error."));
        }
    }
}

void frm_SaveBox::dir_DirectoryList_Change() {
    const QString path = dir_DirectoryList->path();
    viewModel->setRootPath(path);
    DirectoryView->setRootIndex(viewModel->index(path));
    const int n = pathLetterNumber(path);
    if (n >= 1 && n <= 26) driveFolders[n] = path;
    // The drive list names the drive the folder list shows, also when the user has entered
    // another drive's mount point (its change finds the folder just remembered for it).
    const int shown = drv_Drive->findData(dir_DirectoryList->root());
    if (shown >= 0) drv_Drive->setCurrentIndex(shown);
    lab_PathDisplayString->setToolTip(displayPath(path));
    lab_PathDisplayString->setText(displayPath(path));
}

void frm_SaveBox::com_Cancel_Click() {
    close();
}

void frm_SaveBox::com_FileName_Change() {
    com_Save->setEnabled(!com_FileName->currentText().trimmed().isEmpty());
}

std::int32_t frm_SaveBox::fileLength(const QString& path) const {
    const QByteArray name = pathToBytes(path);
    return files::fileLength(
        std::string_view(name.constData(), static_cast<std::size_t>(name.size())));
}
