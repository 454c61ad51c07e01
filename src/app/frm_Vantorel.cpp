#include "app/frm_Vantorel.h"

#include "forms/environment.h"
#include "forms/form.h"
#include "forms/strings.h"
#include "forms/twips.h"
#include "forms/version_info.h"
#include "info/information.h"
#include "info/texts.h"
#include "save/frm_SaveBox.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QUrl>
#include <sys/stat.h>

using namespace tess;

namespace {

constexpr double SurfaceLeft = 120; // twips: the surface's margins stay at their design values
constexpr double SurfaceTop = 120;

std::int16_t shiftBits(Qt::KeyboardModifiers m) {
    std::int16_t bits = 0;
    if (m & Qt::ShiftModifier) bits |= keys::ShiftMask;
    if (m & Qt::ControlModifier) bits |= keys::CtrlMask;
    if (m & Qt::AltModifier) bits |= keys::AltMask;
    return bits;
}

// Qt's key into the key code the handlers receive (F1 is 112, letters their capitals).
std::int16_t keyCode(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::int16_t>(112 + (key - Qt::Key_F1));
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::int16_t>(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::int16_t>(key);
    return 0;
}

// Files may be dropped; anything else is not taken.
void acceptFiles(QDragMoveEvent& event) {
    if (event.mimeData() && event.mimeData()->hasUrls()) event.acceptProposedAction();
}

loading::DropData dropDataOf(const QMimeData* mime) {
    loading::DropData data;
    if (!mime) return data;
    for (const QUrl& url : mime->urls()) {
        // The name's bytes as the URL carries them: toLocalFile() would lose those that are not
        // UTF-8.
        if (url.isLocalFile())
            data.Files << pathFromBytes(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    }
    return data;
}

} // namespace

frm_Vantorel::frm_Vantorel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frm_Vantorel"));
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    const QString icon = programIconFile();
    if (QFileInfo(icon).isFile()) setWindowIcon(QIcon(icon));

    pic_IconDisplay = new PictureBox(this);
    pic_IconDisplay->setObjectName(QStringLiteral("pic_IconDisplay"));
    pic_IconDisplay->setGeometryTwips(SurfaceLeft, SurfaceTop, 0, 0);
    pic_IconDisplay->setAcceptDrops(true);
    pic_IconDisplay->setFocusPolicy(Qt::StrongFocus);
    pic_IconDisplay->setForeColor(0x000000);
    pic_IconDisplay->setBackColor(0xFFFFFF);
    pic_IconDisplay->installEventFilter(this);

    tim_UpdateDisplayTimer = new Timer(this);
    tim_UpdateDisplayTimer->setObjectName(QStringLiteral("tim_UpdateDisplayTimer"));
    connect(tim_UpdateDisplayTimer, &Timer::tick, this, [this] { tim_UpdateDisplayTimer_Timer(); });

    buildMenu();
    form::setClientSize(*this, 12015, 3000);
    Form_Load();
}

frm_Vantorel::~frm_Vantorel() = default;

void frm_Vantorel::buildMenu() {
    menu_MenuOptions = new QMenu(QStringLiteral("Menu"), this);
    menu_Files = menu_MenuOptions->addMenu(QStringLiteral("Load &file"));
    menu_FileLoadBox = menu_Files->addAction(QStringLiteral("&Load file..."));
    menu_FileList = menu_Files->addMenu(QStringLiteral("List &of files"));
    for (int i = 0; i <= 12; ++i) {
        QAction* item = menu_FileList->addAction(QStringLiteral("File ...?"));
        item->setData(i);
        item->setEnabled(false);
        item->setVisible(i == 0);
        menu_FileLoad.push_back(item);
    }
    menu_SaveIcon = menu_MenuOptions->addAction(QStringLiteral("&Save icon..."));
    menu_Bar_001 = menu_MenuOptions->addSeparator();
    menu_IconInformation = menu_MenuOptions->addAction(QStringLiteral("Icon &info"));
    menu_IconInformation->setEnabled(false);
    menu_ColourForground = menu_MenuOptions->addAction(QStringLiteral("Text &colour"));
    menu_ColourBackground = menu_MenuOptions->addAction(QStringLiteral("Back&ground colour"));
    menu_Refresh = menu_MenuOptions->addAction(QStringLiteral("&Refresh display"));
    menu_Refresh->setEnabled(false);
    menu_Bar_002 = menu_MenuOptions->addSeparator();
    menu_AboutApp = menu_MenuOptions->addAction(QStringLiteral("&About this application"));
    // Each control by its name.
    const std::pair<QObject*, const char*> named[] = {
        {menu_MenuOptions, "menu_MenuOptions"},
        {menu_Files, "menu_Files"},
        {menu_FileLoadBox, "menu_FileLoadBox"},
        {menu_FileList, "menu_FileList"},
        {menu_SaveIcon, "menu_SaveIcon"},
        {menu_Bar_001, "menu_Bar_001"},
        {menu_IconInformation, "menu_IconInformation"},
        {menu_ColourForground, "menu_ColourForground"},
        {menu_ColourBackground, "menu_ColourBackground"},
        {menu_Refresh, "menu_Refresh"},
        {menu_Bar_002, "menu_Bar_002"},
        {menu_AboutApp, "menu_AboutApp"}};
    for (const auto& [control, name] : named)
        control->setObjectName(QLatin1String(name));
    for (QAction* item : menu_FileLoad)
        item->setObjectName(QStringLiteral("menu_FileLoad"));
}

void frm_Vantorel::runMenuItem(QAction* item) {
    if (!item) return;
    if (item == menu_FileLoadBox) return menu_FileLoadBox_Click();
    if (item == menu_SaveIcon) return menu_SaveIcon_Click();
    if (item == menu_IconInformation) return menu_IconInformation_Click();
    if (item == menu_ColourForground) return menu_ColourForground_Click();
    if (item == menu_ColourBackground) return menu_ColourBackground_Click();
    if (item == menu_Refresh) return menu_Refresh_Click();
    if (item == menu_AboutApp) return menu_AboutApp_Click();
    for (std::size_t i = 0; i < menu_FileLoad.size(); ++i) {
        if (menu_FileLoad[i] == item) return menu_FileLoad_Click(static_cast<std::int16_t>(i));
    }
}

void frm_Vantorel::Form_Load() {
    setWindowTitle(QStringLiteral("EXE or DLL file icons."));
    state_.displayedFile = QString();
    state_.iconCount = -1;
    printInstructions();
    state_.loadedFile = QString();

    const QString homeDrive = Environ(QStringLiteral("HomeDrive"));
    const QString homePath = Environ(QStringLiteral("HomePath"));
    const bool homeUnset =
        !qEnvironmentVariableIsSet("HomeDrive") && !qEnvironmentVariableIsSet("HomePath");
    // Without HomeDrive and HomePath, "My Pictures" and "My Documents" below the home folder are
    // the user's pictures and documents folders.
    const QString pictures =
        homeUnset ? QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)
                  : homeDrive + homePath + QDir::separator() + QStringLiteral("My Pictures");
    const QString documents =
        homeUnset ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                  : homeDrive + homePath + QDir::separator() + QStringLiteral("My Documents");
    if (isDirectory(pictures)) {
        state_.defaultFolder = pictures;
    } else if (isDirectory(documents)) {
        state_.defaultFolder = documents;
    } else if (isDirectory(homeDrive + homePath)) {
        state_.defaultFolder = homeDrive + homePath;
    } else {
        state_.defaultFolder = Environ(QStringLiteral("SystemRoot"));
    }
}

void frm_Vantorel::printInstructions() {
    const VersionInfo& v = versionInfo();
    PictureBox& pic = *pic_IconDisplay;
    pic.cls();
    pic.setFontBold(true);
    pic.print(QStringLiteral(" Drag an .exe or .dll file here"));
    pic.print(QStringLiteral(" to display file icons in this window."));
    pic.setFontBold(false);
    pic.print(QString());
    pic.print(QStringLiteral(" Click menu over this window"));
    pic.print(QStringLiteral(" for menu options."));
    pic.print(QString());
    pic.print(QStringLiteral(" ") + productName() + QStringLiteral(" description;"));
    pic.print(QStringLiteral(" ") + QString::fromUtf8(v.fileDescription));
    pic.print(QString());
    pic.print(QStringLiteral(" ") + productName() + QStringLiteral(" comments;"));
    pic.print(QStringLiteral(" ") + QString::fromUtf8(v.comments));
}

void frm_Vantorel::Form_Resize() {
    double width = form::scaleWidth(*this) - 2 * SurfaceLeft;
    double height = form::scaleHeight(*this) - 2 * SurfaceTop;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    pic_IconDisplay->setWidthTwips(width);
    pic_IconDisplay->setHeightTwips(height);
    if (!state_.loadedFile.isEmpty()) tim_UpdateDisplayTimer->setInterval(50);
}

void frm_Vantorel::Form_Unload(std::int16_t& /*Cancel*/) {
    // Closing the main window ends the program at once, whatever else is open.
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

void frm_Vantorel::Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift) {
    pic_IconDisplay_KeyDown(KeyCode, Shift);
}

bool frm_Vantorel::isDirectory(const QString& path) const {
    struct stat st {};
    return !path.isEmpty() && ::stat(nativeFile(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString frm_Vantorel::swapString(QString convertString, QString swapThis, QString withThis) const {
    return tess::swapString(convertString, swapThis, withThis);
}

frm_SaveBox& frm_Vantorel::saveBox() {
    if (!saveBox_) saveBox_ = std::make_unique<frm_SaveBox>();
    return *saveBox_;
}

// --- Events from Qt into the window's handlers ---

bool frm_Vantorel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != pic_IconDisplay) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        const std::int16_t button = e->button() == Qt::LeftButton     ? 1
                                    : e->button() == Qt::RightButton  ? 2
                                    : e->button() == Qt::MiddleButton ? 4
                                                                      : 0;
        pic_IconDisplay->setFocus();
        const QPointF p = e->position();
        pic_IconDisplay_MouseDown(button, shiftBits(e->modifiers()),
                                  static_cast<float>(p.x() * twipsPerPixelX()),
                                  static_cast<float>(p.y() * twipsPerPixelY()));
        return true;
    }
    case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(event);
        if (e->isAutoRepeat()) return true;
        if (e->key() == Qt::Key_Menu)
            menuKey(shiftBits(e->modifiers()));
        else
            pic_IconDisplay_KeyDown(keyCode(e->key()), shiftBits(e->modifiers()));
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
        acceptFiles(*static_cast<QDragMoveEvent*>(event));
        return true;
    case QEvent::Drop:
        takeDrop(*static_cast<QDropEvent*>(event), true);
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void frm_Vantorel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frm_Vantorel::keyPressEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    if (event->key() == Qt::Key_Menu) return menuKey(shiftBits(event->modifiers()));
    Form_KeyDown(keyCode(event->key()), shiftBits(event->modifiers()));
}

// The Menu key presses the right button where the pointer is over the surface, else at the
// surface's top-left corner, so the menu's captions follow the hit test as for a right click.
void frm_Vantorel::menuKey(std::int16_t shift) {
    QPoint at = pic_IconDisplay->mapFromGlobal(QCursor::pos());
    if (!pic_IconDisplay->rect().contains(at)) at = QPoint(0, 0);
    pic_IconDisplay_MouseDown(2, shift, static_cast<float>(at.x() * twipsPerPixelX()),
                              static_cast<float>(at.y() * twipsPerPixelY()));
}

void frm_Vantorel::closeEvent(QCloseEvent* event) {
    std::int16_t cancel = 0;
    event->accept();
    Form_Unload(cancel);
}

void frm_Vantorel::dragEnterEvent(QDragEnterEvent* event) {
    acceptFiles(*event);
}

void frm_Vantorel::dragMoveEvent(QDragMoveEvent* event) {
    acceptFiles(*event);
}

void frm_Vantorel::dropEvent(QDropEvent* event) {
    takeDrop(*event, false);
}

void frm_Vantorel::takeDrop(QDropEvent& event, bool onSurface) {
    loading::DropData data = dropDataOf(event.mimeData());
    std::int32_t effect = static_cast<std::int32_t>(event.dropAction());
    std::int16_t button = 0;
    std::int16_t shift = shiftBits(event.modifiers());
    float x = static_cast<float>(event.position().x() * twipsPerPixelX());
    float y = static_cast<float>(event.position().y() * twipsPerPixelY());
    event.acceptProposedAction();
    if (onSurface)
        pic_IconDisplay_OLEDragDrop(data, effect, button, shift, x, y);
    else
        Form_OLEDragDrop(data, effect, button, shift, x, y);
}

void frm_Vantorel::loadStep(const QString& path) {
    state_.loadedFile = path;
    setWindowTitle(QStringLiteral("Icons from; ") + displayPath(state_.loadedFile));
    displayIcons(state_.loadedFile, *pic_IconDisplay, 0);
}

// --- The icon grid ---

void frm_Vantorel::displayIcons(const QString& filePath, PictureBox& target,
                                std::int16_t windowIconIndex) {
    grid::displayIcons(filePath, target, windowIconIndex, state_);
}

void frm_Vantorel::menu_Refresh_Click() {
    setWindowTitle(QStringLiteral("Icons from; ") + displayPath(state_.loadedFile));
    displayIcons(state_.loadedFile, *pic_IconDisplay, -1);
}

void frm_Vantorel::tim_UpdateDisplayTimer_Timer() {
    tim_UpdateDisplayTimer->setInterval(0);
    displayIcons(state_.loadedFile, *pic_IconDisplay, -1);
}

// --- Loading and the display colours ---

void frm_Vantorel::Form_OLEDragDrop(loading::DropData& Data, std::int32_t& Effect,
                                    std::int16_t& Button, std::int16_t& Shift, float& x, float& y) {
    pic_IconDisplay_OLEDragDrop(Data, Effect, Button, Shift, x, y);
}

void frm_Vantorel::pic_IconDisplay_OLEDragDrop(loading::DropData& Data, std::int32_t&,
                                               std::int16_t&, std::int16_t&, float&, float&) {
    loading::dropFiles(*this, Data);
}

void frm_Vantorel::loadCommandLineFiles(const QStringList& files) {
    loading::loadCommandLineFiles(*this, files);
}

void frm_Vantorel::menu_FileLoadBox_Click() {
    loading::loadFromDialog(*this, comm_LoadFile);
}

void frm_Vantorel::menu_FileLoad_Click(std::int16_t Index) {
    loading::loadKnownFile(*this, Index);
}

void frm_Vantorel::menu_ColourForground_Click() {
    loading::chooseTextColour(*this, comm_LoadFile, *pic_IconDisplay);
}

void frm_Vantorel::menu_ColourBackground_Click() {
    loading::chooseBackgroundColour(*this, comm_LoadFile, *pic_IconDisplay);
}

// --- Information and saving ---

void frm_Vantorel::menu_IconInformation_Click() {
    info::showIconInformation({*this, *pic_IconDisplay}, menu_IconInformation->text(),
                              state_.displayedFile, state_.iconCount);
}

void frm_Vantorel::menu_AboutApp_Click() {
    info::showAbout({*this, *pic_IconDisplay});
}

void frm_Vantorel::menu_SaveIcon_Click() {
    const std::int32_t n = info::numberFromText(menu_IconInformation->text());
    if (n < 0 || n >= state_.iconCount) {
        info::showInformation({*this, *pic_IconDisplay},
                              productName() + QStringLiteral(" - Icon info."),
                              info::invalidIconText(QStringLiteral("Can't save icon "), n,
                                                    state_.displayedFile, state_.iconCount),
                              QString(), -1, 0, 100, -1);
        return;
    }
    save::openSaveWindow(saveBox(), *this, state_.defaultFolder, state_.displayedFile, n);
}
