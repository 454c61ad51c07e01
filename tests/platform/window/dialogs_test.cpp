// Qt's own dialogs and message boxes as the services show them, driven offscreen, and the drive
// list's long entries.
#include "platform/window/environment.h"
#include "platform/window/fonts.h"
#include "platform/window/services.h"
#include "platform/window/twips.h"

#include "support/recorders.h"
#include "support/temp_dir.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tess;
using tess::testing::TempDir;
using tess::testing::whenShown;

namespace {

const QString LoadFilter =
    "Application files (*.exe)|*.exe|Application extension files (*.dll)|*.dll|ICON files "
    "(*.ico)|*.ico|Cursor files (*.cur)|*.cur|Animated cursor files (*.ani)|*.ani|All valid file "
    "types (*.exe, *.dll, *.ico, *.cur, *.ani)|*.exe;*.dll;*.ico;*.cur;*.ani|All file types "
    "(*.*)|*.*";

// The names the dialog lists in its folder, sorted, once the list has stopped changing (the
// folder's files arrive from another thread).
QStringList listed(QFileDialog& d) {
    const QModelIndex folder = d.findChild<QFileSystemModel*>()->index(d.directory().path());
    QStringList last, names;
    for (int tries = 0; tries < 100 && (names.isEmpty() || names != last); ++tries) {
        QTest::qWait(20);
        last = std::exchange(names, {});
        const QModelIndex root = d.proxyModel()->mapFromSource(folder);
        for (int i = 0; i < d.proxyModel()->rowCount(root); ++i)
            names << d.proxyModel()->index(i, 0, root).data().toString();
        names.sort();
    }
    return names;
}

TEST(OpenFileDialog, DescriptionsAsWrittenPatternsIgnoringCaseNamesReturnedByTheirBytes) {
    TempDir tmp;
    for (const char* name : {"a.exe", "B.EXE", "README", "c.dll", "notes.txt"})
        tmp.write(name, QByteArray("x"));
    tmp.mkdir("Sub");
    const QByteArray odd = QFile::encodeName(tmp.path()) + "/caf\xe9.ico"; // not UTF-8
    ::close(::creat(odd.constData(), 0600));
    const struct {
        QString file; // the initial name
        QString shown, typed;
        QByteArray chosen;
    } rows[] = {{tmp.path() + "/A.EXE", "a.exe", "missing.txt", // through the path rule
                 QFile::encodeName(tmp.path()) + "/missing.txt"},
                {pathFromBytes(odd), "caf\ufffd.ico", "", odd}};
    for (const auto& r : rows) {
        QStringList combo, lineEdit;
        std::vector<QStringList> shown;
        whenShown<QFileDialog>([&](QFileDialog& d) {
            auto* types = d.findChild<QComboBox*>("fileTypeCombo");
            for (int i = 0; i < types->count(); ++i)
                combo << types->itemText(i);
            auto* name = d.findChild<QLineEdit*>("fileNameEdit");
            lineEdit << name->text();
            for (int index : {0, 5, 6}) {
                types->setCurrentIndex(index);
                emit types->activated(index);
                shown.push_back(listed(d));
            }
            if (!r.typed.isEmpty()) name->setText(r.typed);
            static_cast<QDialog&>(d).accept();
        });
        const QString chosen =
            qtServices().dialogs->showOpen({true, "T", LoadFilter, 1, r.file, r.file, 4});
        EXPECT_EQ(combo, QStringList({"Application files (*.exe)",
                                      "Application extension files (*.dll)", "ICON files (*.ico)",
                                      "Cursor files (*.cur)", "Animated cursor files (*.ani)",
                                      "All valid file types (*.exe, *.dll, *.ico, *.cur, *.ani)",
                                      "All file types (*.*)"}));
        // Qt's folder model leaves out the name that is not UTF-8.
        EXPECT_EQ(shown, (std::vector<QStringList>{
                             {"B.EXE", "Sub", "a.exe"},
                             {"B.EXE", "Sub", "a.exe", "c.dll"},
                             {"B.EXE", "README", "Sub", "a.exe", "c.dll", "notes.txt"}}));
        EXPECT_EQ(lineEdit, QStringList{r.shown});
        EXPECT_EQ(pathToBytes(chosen), r.chosen);
    }
    ::unlink(odd.constData()); // Qt cannot remove a name that is not UTF-8
}

// Every message box and dialog belongs to the window that opened it and stands centred on it.
// Without a Windows folder the open-file dialog opens in the home folder.
TEST(Dialogs, OwnedByTheWindowThatOpenedThemAndCentredOnIt) {
    QWidget main;
    main.setGeometry(300, 200, 800, 500);
    main.show();
    QApplication::setActiveWindow(&main);
    const Services qt = qtServices();
    const std::pair<std::function<void()>, QString> opens[] = {
        {[&] { qt.messageBox->msgBox("text", mb::WarningOk, "title"); }, ""},
        {[&] {
             qt.dialogs->showOpen({false, "T", LoadFilter, 1, "", "", 4});
         },
         QDir::homePath()},
        {[&] {
             qt.dialogs->showColor({false, "T", 0});
         },
         ""}};
    for (const auto& [open, home] : opens) {
        QWidget* parent = nullptr;
        QPoint centre;
        QString folder;
        whenShown<QDialog>([&](QDialog& d) {
            parent = d.parentWidget(), centre = d.geometry().center();
            if (auto* files = qobject_cast<QFileDialog*>(&d))
                folder = files->directory().absolutePath();
            d.reject();
        });
        open();
        EXPECT_EQ(parent, &main);
        EXPECT_LE((centre - main.geometry().center()).manhattanLength(), 2);
        EXPECT_EQ(folder, home);
    }
}

TEST(DriveList, ALongEntryIsElidedInTheMiddleAndWholeInItsTooltipAndList) {
    ElidedComboBox box;
    box.setFont(designFont());
    box.resize(roundToInt(1575 / twipsPerPixelX()), roundToInt(315 / twipsPerPixelY()));
    const QString shortText = "c: [/]", longText = "e: [/mnt/archive/photographs/2026/data]";
    box.addItems({shortText, longText});
    EXPECT_EQ(box.shownText(), shortText);
    box.setCurrentIndex(1);
    const QString shown = box.shownText();
    EXPECT_TRUE(shown.startsWith("e: [/") && shown.endsWith("data]") && shown.contains(u'\u2026'))
        << shown.toStdString();
    EXPECT_EQ(box.toolTip(), longText);
    box.showPopup();
    EXPECT_GE(box.view()->width(), box.view()->fontMetrics().horizontalAdvance(longText));
    box.hidePopup();
}

} // namespace
