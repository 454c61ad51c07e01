// The main window: the icon grid on its picture surface, the pop-up menu, loading and the
// requests for information and saving.
#pragma once

#include "forms/common_dialog.h"
#include "forms/picture_box.h"
#include "forms/timer.h"
#include "forms/win_icons.h"

#include <QMenu>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QDropEvent;
class frm_SaveBox;
class frm_Vantorel;

namespace tess::save {
// Opens the save window for icon n and takes its last folder back as the default folder.
void openSaveWindow(frm_Vantorel& main, std::int32_t n);
} // namespace tess::save

// The data of a drop: the full paths of the dropped objects, files and folders alike.
struct DropData {
    QStringList Files;
    int Count() const { return static_cast<int>(Files.size()); }
};

// The main window's variables that the other windows read. Only the main window's own
// procedures write them (and the save request, which takes the save window's folder back).
struct VantorelState {
    QString loadedFile;          // the file the user loaded; "" when none
    QString displayedFile;       // the file the grid shows
    std::int32_t iconCount = -1; // icons found by the last display; -1 before any
    QString defaultFolder;       // where the save window opens
};

class frm_Vantorel : public QWidget {
    Q_OBJECT
  public:
    explicit frm_Vantorel(QWidget* parent = nullptr);
    ~frm_Vantorel() override;

    // --- Public functions for the other windows ---
    QString swapString(QString convertString, QString swapThis, QString withThis = QString()) const;

    // --- The main window's state, to read ---
    const VantorelState& state() const { return state_; }

    // --- Controls ---
    tess::PictureBox* pic_IconDisplay = nullptr;
    tess::Timer* tim_UpdateDisplayTimer = nullptr;
    tess::CommonDialog comm_LoadFile;

    // The pop-up menu tree.
    QMenu* menu_MenuOptions = nullptr;
    QMenu* menu_Files = nullptr;
    QAction* menu_FileLoadBox = nullptr;
    QMenu* menu_FileList = nullptr;
    std::vector<QAction*> menu_FileLoad; // a control array: elements 0 to 12 at first
    QAction* menu_SaveIcon = nullptr;
    QAction* menu_Bar_001 = nullptr;
    QAction* menu_IconInformation = nullptr;
    QAction* menu_ColourForground = nullptr;
    QAction* menu_ColourBackground = nullptr;
    QAction* menu_Refresh = nullptr;
    QAction* menu_Bar_002 = nullptr;
    QAction* menu_AboutApp = nullptr;

    // --- Start-up and layout ---
    void Form_Load();
    void printInstructions();
    void Form_Resize();
    void Form_Unload(std::int16_t& Cancel);
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    bool isDirectory(const QString& path) const;

    // --- The icon grid ---
    void displayIcons(const QString& filePath, tess::PictureBox& target,
                      std::int16_t windowIconIndex);
    void menu_Refresh_Click();
    void tim_UpdateDisplayTimer_Timer();

    // --- Selection, pop-up menu and keys ---
    void pic_IconDisplay_MouseDown(std::int16_t Button, std::int16_t Shift, float x, float y);
    void pic_IconDisplay_KeyDown(std::int16_t KeyCode, std::int16_t Shift);

    // --- Loading a file ---
    void Form_OLEDragDrop(DropData& Data, std::int32_t& Effect, std::int16_t& Button,
                          std::int16_t& Shift, float& x, float& y);
    void pic_IconDisplay_OLEDragDrop(DropData& Data, std::int32_t& Effect, std::int16_t& Button,
                                     std::int16_t& Shift, float& x, float& y);
    void menu_FileLoadBox_Click();
    // Files named on the command line, as a file manager passes them (bytes as pathFromBytes
    // gives them, relative to the current folder or not): one whose content holds icons loads
    // whatever its extension; otherwise they are taken as a drop of them would be.
    void loadCommandLineFiles(const QStringList& files);
    std::int32_t fileLength(const QString& path) const;
    QString knownFile(std::int16_t index, bool fullPath) const;
    void menu_FileLoad_Click(std::int16_t Index);

    // --- Display colours ---
    void menu_ColourForground_Click();
    void menu_ColourBackground_Click();

    // --- Information window, icon information, About ---
    void showInformation(QString captionText, QString infoText, QString iconFile,
                         std::int32_t iconNumber, std::int16_t iconAsLogo,
                         std::int32_t minRightEdge, std::int32_t maxIconRightEdge);
    std::int32_t numberFromText(const QString& sourceText) const;
    QString pluralSuffix(std::int32_t count) const;
    void menu_IconInformation_Click();
    void menu_AboutApp_Click();

    // --- Saving ---
    void menu_SaveIcon_Click();
    frm_SaveBox& saveBox();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    friend void tess::save::openSaveWindow(frm_Vantorel& main, std::int32_t n);

    VantorelState state_;
    // Private to the display.
    std::int32_t gridColumns = 0;
    std::int16_t scanIndex = 0;
    tess::icons::HICON iconHandle = 0;

    void buildMenu();
    // Runs the handler of a menu item once the menu has closed.
    void runMenuItem(QAction* item);
    // The load step shared by every way of loading a file.
    void loadStep(const QString& path);
    // A drop on the window (onSurface false) or on its surface, handed to its handler.
    void takeDrop(QDropEvent& event, bool onSurface);

    void menuKey(std::int16_t shift);
    // Captions the list of well-known files, creating elements beyond the designed ones.
    void fillFileList();
    std::unique_ptr<frm_SaveBox> saveBox_;
};

// Key codes and shift bits as the handlers receive them.
namespace keys {
constexpr std::int16_t F1 = 112;
constexpr std::int16_t F10 = 121;
constexpr std::int16_t F12 = 123;
constexpr std::int16_t ShiftMask = 1;
constexpr std::int16_t CtrlMask = 2;
constexpr std::int16_t AltMask = 4;
} // namespace keys
