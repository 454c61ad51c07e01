#include "forms/services.h"

#include "forms/colour.h"
#include "forms/environment.h"
#include "forms/failure.h"
#include "forms/form.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace tess {

QWidget* dialogOwner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = top->windowType();
        if (top->isVisible() && (type == Qt::Window || type == Qt::Dialog)) return top;
    }
    return nullptr;
}

namespace {

// Keeps a dialog centred on its owner while it is laid out for showing (Qt centres it on show,
// but the file and colour dialogs still change their size after that).
class CentreOnOwner final : public QObject {
  public:
    explicit CentreOnOwner(QWidget& dialog) : QObject(&dialog) { dialog.installEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* d = static_cast<QWidget*>(watched);
        if ((event->type() == QEvent::Show || event->type() == QEvent::Resize) &&
            d->parentWidget()) {
            form::centreOn(*d, *d->parentWidget()->window());
        }
        if (event->type() == QEvent::Show) QTimer::singleShot(0, this, [this] { deleteLater(); });
        return false;
    }
};

// A window being shown is placed on the screen only once the display has mapped it: a box raised
// before then waits for it, so that it stands centred on the window where the window will be.
void waitUntilPlaced(QWidget* owner) {
    const QPointer<QWindow> window =
        owner && owner->isVisible() ? owner->window()->windowHandle() : nullptr;
    if (!window || window->isExposed()) return;
    QEventLoop loop;
    struct Exposed final : QObject {
        QEventLoop& loop;
        explicit Exposed(QEventLoop& l) : loop(l) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            const auto* w = static_cast<QWindow*>(watched);
            if ((event->type() == QEvent::Expose && w->isExposed()) ||
                event->type() == QEvent::Hide)
                QTimer::singleShot(0, &loop, &QEventLoop::quit); // once the event is handled
            return false;
        }
    } exposed(loop);
    window->installEventFilter(&exposed);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    QTimer::singleShot(2000, &loop, &QEventLoop::quit); // a window that is never mapped
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (window) window->removeEventFilter(&exposed);
}

// A long path has no blank to break the line at: a zero-width space after each separator, and
// within any other long run of characters, lets the box wrap it instead of cutting it.
QString breakable(const QString& text) {
    constexpr int longest = 40;
    QString out;
    out.reserve(text.size() + text.size() / 8);
    int run = 0;
    for (const QChar c : text) {
        out += c;
        run = c.isSpace() ? 0 : run + 1;
        if (run >= longest || (run > 1 && (c == u'/' || c == u'\\'))) {
            out += QChar(0x200B);
            run = 0;
        }
    }
    return out;
}

class QtMessageBox final : public MessageBoxService {
  public:
    int msgBox(const QString& text, int style, const QString& title) override {
        waitUntilPlaced(dialogOwner());
        QMessageBox box(dialogOwner());
        new CentreOnOwner(box);
        box.setWindowTitle(displayPath(title));
        box.setText(breakable(displayPath(text)));
        const int buttons = style & 7;
        const int icon = style & 112;
        box.setIcon(icon == 16   ? QMessageBox::Critical
                    : icon == 32 ? QMessageBox::Question
                    : icon == 48 ? QMessageBox::Warning
                    : icon == 64 ? QMessageBox::Information
                                 : QMessageBox::NoIcon);
        if (buttons == mb::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton((style & mb::DefaultButton2) ? QMessageBox::No : QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        const int answer = box.exec();
        if (answer == QMessageBox::Yes) return mb::AnswerYes;
        if (answer == QMessageBox::No) return mb::AnswerNo;
        return mb::AnswerOk;
    }
};

// One description of the filter and its patterns ("*.exe;*.dll" split at the ";").
struct FilterEntry {
    QString description;
    std::vector<QRegularExpression> patterns;
};

std::vector<FilterEntry> filterEntries(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    std::vector<FilterEntry> out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        FilterEntry entry{parts[i], {}};
        for (const QString& p : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            // "*.*" is every file, names without a point included, as on Windows.
            const QString pattern = p.trimmed() == u"*.*" ? QStringLiteral("*") : p.trimmed();
            entry.patterns.emplace_back(QRegularExpression::wildcardToRegularExpression(pattern),
                                        QRegularExpression::CaseInsensitiveOption);
        }
        out.push_back(std::move(entry));
    }
    return out;
}

// Shows the folders and the files that the chosen filter's patterns match, ignoring case; the
// dialog's own name filtering is switched off, since it reads patterns out of the descriptions.
class PatternFilter final : public QSortFilterProxyModel {
  public:
    PatternFilter(std::vector<FilterEntry> entries, QObject* parent)
        : QSortFilterProxyModel(parent), entries_(std::move(entries)) {}
    void choose(int index) {
        chosen_ = index;
        invalidateFilter();
    }

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files) return true;
        const QModelIndex index = files->index(row, 0, parent);
        if (files->isDir(index) || chosen_ < 0 || chosen_ >= static_cast<int>(entries_.size()))
            return true;
        const QString name = files->fileName(index);
        const auto& patterns = entries_[static_cast<std::size_t>(chosen_)].patterns;
        return std::any_of(patterns.begin(), patterns.end(),
                           [&](const QRegularExpression& p) { return p.match(name).hasMatch(); });
    }

  private:
    std::vector<FilterEntry> entries_;
    int chosen_ = 0;
};

// The folder the dialog opens in: the folder of an initial path that is a file, the path itself
// when it is a folder, else the folder it would be in, else the user's home folder.
QString startFolder(const QString& initDir) {
    if (initDir.isEmpty()) return QDir::homePath();
    const QString resolved = resolvePath(initDir);
    struct stat st {};
    const QByteArray bytes = pathToBytes(resolved);
    if (::stat(bytes.constData(), &st) == 0 && S_ISDIR(st.st_mode)) return displayPath(resolved);
    const QString parent = displayPath(QFileInfo(resolved).absolutePath());
    return QFileInfo(parent).isDir() ? parent : QDir::homePath();
}

class QtDialogs final : public DialogService {
  public:
    QString showOpen(const OpenFileRequest& r) override {
        QFileDialog dialog(dialogOwner(), r.title);
        dialog.setObjectName(QStringLiteral("comm_OpenFile"));
        new CentreOnOwner(dialog);
        // Qt's own dialog: a desktop's would show its own pattern lists and matching.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        // Any typed name is returned, so that the caller's checks and messages follow.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        std::vector<FilterEntry> entries = filterEntries(r.filter);
        QStringList descriptions;
        for (const FilterEntry& e : entries)
            descriptions << e.description;
        auto* filter = new PatternFilter(std::move(entries), &dialog);
        dialog.setProxyModel(filter);
        dialog.setNameFilters(descriptions);
        auto* files = dialog.findChild<QFileSystemModel*>();
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        const auto useFilter = [files, filter](int index) {
            if (files) files->setNameFilters({});
            filter->choose(index);
        };
        if (types)
            QObject::connect(types, qOverload<int>(&QComboBox::activated), filter, useFilter);
        const int first =
            r.filterIndex >= 1 && r.filterIndex <= descriptions.size() ? r.filterIndex - 1 : 0;
        if (!descriptions.isEmpty()) dialog.selectNameFilter(descriptions[first]);
        useFilter(first);

        // Size, type and date as wide as what they show, in the dialog's own font and scale.
        if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
            for (int column = 1; column < details->header()->count(); ++column)
                details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
        dialog.setDirectory(startFolder(r.initDir));
        if (!r.fileName.isEmpty())
            dialog.selectFile(QFileInfo(displayPath(resolvePath(r.fileName))).fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            if (r.cancelError)
                throw Failure(failure::DialogCancelled, QStringLiteral("Cancel was selected."));
            return QString();
        }
        // A path typed as Windows writes it ("C:\\...") is the caller's to map, not a name in
        // the folder shown.
        const auto* typed = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString name = typed ? typed->text() : QString();
        if (name.size() >= 3 && name[0].isLetter() && name[1] == u':' && isSeparator(name[2]))
            return recoverShownPath(name);
        return QDir::toNativeSeparators(recoverShownPath(dialog.selectedFiles().front()));
    }

    std::uint32_t showColor(const ColorRequest& r) override {
        QColorDialog dialog(toQColor(r.color), dialogOwner());
        dialog.setWindowTitle(r.title);
        new CentreOnOwner(dialog);
        if (dialog.exec() != QDialog::Accepted) {
            if (r.cancelError)
                throw Failure(failure::DialogCancelled, QStringLiteral("Cancel was selected."));
            return r.color;
        }
        return fromQColor(dialog.selectedColor());
    }
};

class QtModal final : public ModalService {
  public:
    void showModal(QDialog& window, QWidget* owner) override {
        if (owner && window.parentWidget() != owner)
            window.setParent(owner, window.windowFlags() | Qt::Dialog);
        window.setWindowModality(Qt::ApplicationModal);
        window.exec();
    }
};

class QtPopup final : public PopupMenuService {
  public:
    QAction* popup(QMenu& menu, const QPoint& globalPosition) override {
        return menu.exec(globalPosition);
    }
};

} // namespace

Services qtServices() {
    return Services{std::make_shared<QtMessageBox>(), std::make_shared<QtDialogs>(),
                    std::make_shared<QtModal>(), std::make_shared<QtPopup>()};
}

Services& services() {
    static Services current = qtServices();
    return current;
}

} // namespace tess
