// Recorders that stand in for message boxes, dialogs, modal windows and the pop-up menu:
// they answer in turn and keep what was asked, so that no test ever blocks.
#pragma once

#include "app/frm_Vantorel.h"
#include "platform/window/failure.h"
#include "platform/window/services.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace tess::testing {

struct ShownMessage {
    QString text;
    int style = 0;
    QString title;
    bool operator==(const ShownMessage&) const = default;
};

class RecordingMessageBox final : public MessageBoxService {
  public:
    std::vector<ShownMessage> shown;
    std::deque<int> answers; // empty: OK, or No for a Yes/No question
    int msgBox(const QString& text, int style, const QString& title) override {
        shown.push_back({text, style, title});
        if (!answers.empty()) {
            const int a = answers.front();
            answers.pop_front();
            return a;
        }
        return (style & 7) == mb::YesNo ? mb::AnswerNo : mb::AnswerOk;
    }
};

class RecordingDialogs final : public DialogService {
  public:
    std::vector<OpenFileRequest> opens;
    std::vector<ColorRequest> colours;
    std::deque<std::optional<QString>> openAnswers;         // nothing: the user cancels
    std::deque<std::optional<std::uint32_t>> colourAnswers; // nothing: the user cancels
    std::deque<Failure> failures; // raised, in turn, before any answer is taken

    QString showOpen(const OpenFileRequest& r) override {
        opens.push_back(r);
        raiseFailure();
        std::optional<QString> a;
        if (!openAnswers.empty()) {
            a = openAnswers.front();
            openAnswers.pop_front();
        }
        if (!a) throw Failure(failure::DialogCancelled, QStringLiteral("Cancel was selected."));
        return *a;
    }
    std::uint32_t showColor(const ColorRequest& r) override {
        colours.push_back(r);
        raiseFailure();
        std::optional<std::uint32_t> a;
        if (!colourAnswers.empty()) {
            a = colourAnswers.front();
            colourAnswers.pop_front();
        }
        if (!a) throw Failure(failure::DialogCancelled, QStringLiteral("Cancel was selected."));
        return *a;
    }

  private:
    void raiseFailure() {
        if (failures.empty()) return;
        const Failure f = failures.front();
        failures.pop_front();
        throw f;
    }
};

// Modal windows are not run: the test looks at (and acts on) the window, then it is closed.
class RecordingModal final : public ModalService {
  public:
    std::vector<QString> captions;
    std::function<void(QDialog&)> onShow;
    void showModal(QDialog& window, QWidget* /*owner*/) override {
        captions.push_back(window.windowTitle());
        if (onShow) onShow(window);
        if (window.isVisible()) window.close();
    }
};

// A snapshot of one menu item as it stood when the menu was shown.
struct MenuItemState {
    QString caption;
    bool enabled = false;
    bool visible = false;
    bool separator = false;
    int depth = 0;
};

class RecordingPopup final : public PopupMenuService {
  public:
    std::vector<std::vector<MenuItemState>> menus;
    std::vector<QPoint> positions;
    std::function<QAction*(QMenu&)> choose; // nothing chosen when unset
    QAction* popup(QMenu& menu, const QPoint& globalPosition) override {
        std::vector<MenuItemState> items;
        snapshot(menu, 0, items);
        menus.push_back(std::move(items));
        positions.push_back(globalPosition);
        return choose ? choose(menu) : nullptr;
    }

  private:
    static void snapshot(const QMenu& menu, int depth, std::vector<MenuItemState>& out) {
        for (QAction* a : menu.actions()) {
            out.push_back({a->text(), a->isEnabled(), a->isVisible(), a->isSeparator(), depth});
            if (a->menu()) snapshot(*a->menu(), depth + 1, out);
        }
    }
};

// For tests of Qt's own dialogs: acts on the first modal window of type D once it is shown (its
// exec() waits meanwhile), so the act must close it.
template <class D> void whenShown(std::function<void(D&)> act, int tries = 300) {
    QTimer::singleShot(10, [act = std::move(act), tries]() mutable {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget()); d && d->isVisible())
            return act(*d);
        if (tries > 0) whenShown<D>(std::move(act), tries - 1);
    });
}

// Installs recorders for the life of a test and puts Qt's own services back after it.
struct RecordingServices {
    std::shared_ptr<RecordingMessageBox> messages = std::make_shared<RecordingMessageBox>();
    std::shared_ptr<RecordingDialogs> dialogs = std::make_shared<RecordingDialogs>();
    std::shared_ptr<RecordingModal> modal = std::make_shared<RecordingModal>();
    std::shared_ptr<RecordingPopup> popup = std::make_shared<RecordingPopup>();

    RecordingServices() { services() = Services{messages, dialogs, modal, popup}; }
    ~RecordingServices() { services() = qtServices(); }
    RecordingServices(const RecordingServices&) = delete;
    RecordingServices& operator=(const RecordingServices&) = delete;
};

// Drops the files on the main window as the desktop would; a drop never changes the effect.
inline void drop(frm_Vantorel& w, QStringList files) {
    DropData data{std::move(files)};
    std::int32_t effect = 7;
    std::int16_t button = 0, shift = 0;
    float x = 0, y = 0;
    w.Form_OLEDragDrop(data, effect, button, shift, x, y);
    EXPECT_EQ(effect, 7);
}

} // namespace tess::testing
