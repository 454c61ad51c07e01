// The services every window is written against: message boxes, the common dialogs, modal
// showing and the pop-up menu. Tests replace them with recorders that answer.
#pragma once

#include <QPoint>
#include <QString>
#include <cstdint>
#include <memory>

class QAction;
class QDialog;
class QMenu;
class QWidget;

namespace tess {

// Message-box styles and answers.
namespace mb {
constexpr int OkOnly = 0;
constexpr int YesNo = 4;
constexpr int Exclamation = 48;
constexpr int DefaultButton2 = 256;
constexpr int WarningOk = 48;              // exclamation, OK
constexpr int WarningYesNoDefaultNo = 308; // exclamation, Yes and No, No default
constexpr int AnswerOk = 1;
constexpr int AnswerYes = 6;
constexpr int AnswerNo = 7;
} // namespace mb

class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    // Shows text under title in the given style; returns the button chosen.
    virtual int msgBox(const QString& text, int style, const QString& title) = 0;
};

// What the open-file dialog is set to before it is shown.
struct OpenFileRequest {
    bool cancelError = true;
    QString title;
    QString filter; // description|pattern pairs joined by "|"
    int filterIndex = 1;
    QString initDir;
    QString fileName;
    int flags = 0;
};

struct ColorRequest {
    bool cancelError = true;
    QString title;
    std::uint32_t color = 0; // 0x00BBGGRR
};

class DialogService {
  public:
    virtual ~DialogService() = default;
    // The chosen file's full path; a cancel raises failure 32755.
    virtual QString showOpen(const OpenFileRequest& request) = 0;
    // The chosen colour as 0x00BBGGRR; a cancel raises failure 32755.
    virtual std::uint32_t showColor(const ColorRequest& request) = 0;
};

class ModalService {
  public:
    virtual ~ModalService() = default;
    // Shows the window modally, owned by owner, and returns when it has been closed.
    virtual void showModal(QDialog& window, QWidget* owner) = 0;
};

class PopupMenuService {
  public:
    virtual ~PopupMenuService() = default;
    // Shows the menu at the position (global pixels); returns the item chosen, or nothing.
    virtual QAction* popup(QMenu& menu, const QPoint& globalPosition) = 0;
};

struct Services {
    std::shared_ptr<MessageBoxService> messageBox;
    std::shared_ptr<DialogService> dialogs;
    std::shared_ptr<ModalService> modal;
    std::shared_ptr<PopupMenuService> popupMenu;
};

// The window a dialog or message box belongs to: the modal window in front, else the active
// window, else the first window shown. Dialogs are centred on it.
QWidget* dialogOwner();

// The services in force: Qt's own until a test replaces them.
Services& services();

// Qt's own services.
Services qtServices();

} // namespace tess
