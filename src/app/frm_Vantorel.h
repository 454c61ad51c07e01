// The main window: the icon grid on its picture surface, the pop-up menu, loading and the
// requests for information and saving.
#pragma once

#include "forms/common_dialog.h"
#include "forms/picture_box.h"
#include "forms/timer.h"
#include "grid/display_icons.h"
#include "loading/loading.h"

#include <QMenu>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QDropEvent;
class frm_SaveBox;

// The main window's variables that the other windows read: the display's (the file the grid
// shows and its number of icons), the file the user loaded and where the save window opens. Only
// the main window writes them, or the procedure it hands one to (the display, the save request).
struct VantorelState : tess::grid::Shown {
    QString loadedFile;    // the file the user loaded; "" when none
    QString defaultFolder; // where the save window opens
};

// The main window owns its controls: each is found by its name (objectName), a menu's items
// among its children; the control array menu_FileLoad's elements all carry that name.
class frm_Vantorel : public QWidget, private tess::loading::Window {
    Q_OBJECT
  public:
    explicit frm_Vantorel(QWidget* parent = nullptr);
    ~frm_Vantorel() override;

    // --- Public functions for the other windows ---
    QString swapString(QString convertString, QString swapThis, QString withThis = QString()) const;

    // --- The main window's state, to read ---
    const VantorelState& state() const { return state_; }

    // Files named on the command line, as a file manager passes them.
    void loadCommandLineFiles(const QStringList& files);

    // --- Handlers ---
    void Form_Load();
    void Form_Resize();
    void Form_Unload(std::int16_t& Cancel);
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    void menu_Refresh_Click();
    void tim_UpdateDisplayTimer_Timer();
    void pic_IconDisplay_MouseDown(std::int16_t Button, std::int16_t Shift, float x, float y);
    void pic_IconDisplay_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    void Form_OLEDragDrop(tess::loading::DropData& Data, std::int32_t& Effect, std::int16_t& Button,
                          std::int16_t& Shift, float& x, float& y);
    void pic_IconDisplay_OLEDragDrop(tess::loading::DropData& Data, std::int32_t& Effect,
                                     std::int16_t& Button, std::int16_t& Shift, float& x, float& y);
    void menu_FileLoadBox_Click();
    void menu_FileLoad_Click(std::int16_t Index);
    void menu_ColourForground_Click();
    void menu_ColourBackground_Click();
    void menu_IconInformation_Click();
    void menu_AboutApp_Click();
    void menu_SaveIcon_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
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

    VantorelState state_;
    std::unique_ptr<frm_SaveBox> saveBox_;

    // --- What loading uses of the window ---
    QString loadedFile() const override { return state_.loadedFile; }
    void loadStep(const QString& path) override;
    void displayIcons(const QString& filePath, tess::PictureBox& target,
                      std::int16_t windowIconIndex) override;
    void printInstructions() override;

    bool isDirectory(const QString& path) const;
    frm_SaveBox& saveBox();
    void buildMenu();
    // Runs the handler of a menu item once the menu has closed.
    void runMenuItem(QAction* item);
    // A drop on the window (onSurface false) or on its surface, handed to its handler.
    void takeDrop(QDropEvent& event, bool onSurface);
    void menuKey(std::int16_t shift);
    // Captions the list of well-known files, creating elements beyond the designed ones.
    void fillFileList();
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
