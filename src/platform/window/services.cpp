#include "platform/window/services.h"

#include "platform/window/environment.h"
#include "platform/window/failure.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace tess {

namespace {

class QtMessageBox final : public MessageBoxService {
  public:
    int msgBox(const QString& text, int style, const QString& title) override {
        QMessageBox box;
        box.setWindowTitle(displayPath(title));
        box.setText(displayPath(text));
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

// "Application files (*.exe)|*.exe|..." into Qt's "Application files (*.exe *.exe)" filters.
QStringList qtFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        // Names on Windows ignore case: offer both spellings of each pattern.
        QStringList both;
        for (const QString& p : patterns.split(u' ', Qt::SkipEmptyParts)) {
            both << p;
            if (p.toUpper() != p) both << p.toUpper();
        }
        out << parts[i] + QStringLiteral(" (") + both.join(QLatin1Char(' ')) + QStringLiteral(")");
    }
    return out;
}

class QtDialogs final : public DialogService {
  public:
    QString showOpen(const OpenFileRequest& r) override {
        QFileDialog dialog(nullptr, r.title);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setOption(QFileDialog::ReadOnly, (r.flags & 4) != 0);
        const QStringList filters = qtFilters(r.filter);
        dialog.setNameFilters(filters);
        if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[r.filterIndex - 1]);
        // An initial folder that is a file's full path opens the file's folder with it selected.
        QFileInfo init(r.initDir);
        dialog.setDirectory(init.isFile() ? init.absolutePath() : r.initDir);
        if (!r.fileName.isEmpty()) dialog.selectFile(r.fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            if (r.cancelError)
                throw Failure(failure::DialogCancelled, QStringLiteral("Cancel was selected."));
            return QString();
        }
        return QDir::toNativeSeparators(dialog.selectedFiles().front());
    }

    std::uint32_t showColor(const ColorRequest& r) override {
        const QColor start(static_cast<int>(r.color & 0xFF),
                           static_cast<int>((r.color >> 8) & 0xFF),
                           static_cast<int>((r.color >> 16) & 0xFF));
        QColorDialog dialog(start);
        dialog.setWindowTitle(r.title);
        if (dialog.exec() != QDialog::Accepted) {
            if (r.cancelError)
                throw Failure(failure::DialogCancelled, QStringLiteral("Cancel was selected."));
            return r.color;
        }
        const QColor c = dialog.selectedColor();
        return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
               (static_cast<std::uint32_t>(c.blue()) << 16);
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
