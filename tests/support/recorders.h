// Recorders for message boxes, dialogs, modal windows and the pop-up menu: they answer in turn
// and keep what was asked, so that no test ever blocks.
#pragma once

#include "forms/failure.h"
#include "forms/picture_box.h"
#include "forms/services.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Failures print texts as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tess::testing {

struct ShownMessage {
    QString text;
    int style = 0;
    QString title;
    bool operator==(const ShownMessage&) const = default;
};

template <class T> T take(std::deque<T>& queue, T otherwise = {}) {
    if (queue.empty()) return otherwise;
    T a = std::move(queue.front());
    queue.pop_front();
    return a;
}

class RecordingMessageBox final : public MessageBoxService {
  public:
    std::vector<ShownMessage> shown;
    std::deque<int> answers; // when empty: OK, or No for a Yes/No question
    int msgBox(const QString& text, int style, const QString& title) override {
        shown.push_back({text, style, title});
        return take(answers, (style & 7) == mb::YesNo ? mb::AnswerNo : mb::AnswerOk);
    }
};

// A request raises the next failure, if any, else takes the next answer; none is Cancel.
class RecordingDialogs final : public DialogService {
  public:
    std::vector<OpenFileRequest> opens;
    std::vector<ColorRequest> colours;
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<std::uint32_t>> colourAnswers;
    std::deque<Failure> failures;

    QString showOpen(const OpenFileRequest& r) override {
        return opens.push_back(r), answer(openAnswers);
    }
    std::uint32_t showColor(const ColorRequest& r) override {
        return colours.push_back(r), answer(colourAnswers);
    }

  private:
    template <class T> T answer(std::deque<std::optional<T>>& answers) {
        if (!failures.empty()) throw take(failures, failures.front());
        const std::optional<T> a = take(answers);
        return a ? *a : throw Failure(failure::DialogCancelled, "Cancel was selected.");
    }
};

// Modal windows are not run: the test acts on the window, then it is closed.
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

// Each menu as shown: captions in order, a submenu's after its own, " (off)" when disabled
// (separators aside), " (hidden)" when not visible.
class RecordingPopup final : public PopupMenuService {
  public:
    std::vector<QStringList> menus;
    std::vector<QPoint> positions;
    std::function<QAction*(QMenu&)> choose; // nothing chosen when unset
    QAction* popup(QMenu& menu, const QPoint& globalPosition) override {
        menus.push_back(items(menu));
        positions.push_back(globalPosition);
        return choose ? choose(menu) : nullptr;
    }

  private:
    static QStringList items(const QMenu& menu) {
        QStringList out;
        for (QAction* a : menu.actions()) {
            out << a->text() + (a->isEnabled() || a->isSeparator() ? "" : " (off)") +
                       (a->isVisible() ? "" : " (hidden)");
            if (a->menu()) out << items(*a->menu());
        }
        return out;
    }
};

// For Qt's own dialogs: acts on the modal window of type D once shown; the act must close it.
template <class D> void whenShown(std::function<void(D&)> act, int tries = 300) {
    QTimer::singleShot(10, [act = std::move(act), tries]() mutable {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget()); d && d->isVisible())
            return act(*d);
        if (tries > 0) whenShown<D>(std::move(act), tries - 1);
    });
}

// Recorders for the life of a test; Qt's own services after it.
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

// The load dialog's filter as written.
inline const QString LoadFilter =
    "Application files (*.exe)|*.exe|Application extension files (*.dll)|*.dll|ICON files "
    "(*.ico)|*.ico|Cursor files (*.cur)|*.cur|Animated cursor files (*.ani)|*.ani|All valid file "
    "types (*.exe, *.dll, *.ico, *.cur, *.ani)|*.exe;*.dll;*.ico;*.cur;*.ani|All file types "
    "(*.*)|*.*";

// The height of one line of "Arial" at a size, in twips.
inline double lineHeight(double size) {
    PictureBox p;
    p.setFontName("Arial"), p.setFontSize(size);
    return p.textHeight();
}

} // namespace tess::testing

// Every test file's names.
using namespace tess;
using namespace tess::testing;
namespace fx = tess::fixtures;
