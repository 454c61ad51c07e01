// Qt's own dialogs and message boxes as the services show them, driven offscreen.
#include "platform/window/environment.h"
#include "platform/window/failure.h"
#include "platform/window/services.h"

#include "support/recorders.h"
#include "support/temp_dir.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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

// The names the dialog lists in its folder, in order, once the list has stopped changing (the
// folder's files arrive from another thread).
QStringList listed(QFileDialog& d) {
    auto* files = d.findChild<QFileSystemModel*>();
    auto* proxy = d.proxyModel();
    QStringList last;
    for (int tries = 0; tries < 100; ++tries) {
        QTest::qWait(20);
        const QModelIndex root = proxy->mapFromSource(files->index(d.directory().absolutePath()));
        QStringList names;
        for (int i = 0; i < proxy->rowCount(root); ++i)
            names << proxy->index(i, 0, root).data().toString();
        names.sort();
        if (!names.isEmpty() && names == last) break;
        last = names;
    }
    return last;
}

TEST(OpenFileDialog, DescriptionsAsWrittenPatternsIgnoringCaseAndTypedNamesReturned) {
    TempDir tmp;
    for (const char* name : {"a.exe", "B.EXE", "README", "c.dll", "notes.txt"})
        tmp.write(name, QByteArray("x"));
    tmp.mkdir("Sub");
    QStringList combo, lineEdit;
    std::vector<QStringList> shown;
    whenShown<QFileDialog>([&](QFileDialog& d) {
        auto* types = d.findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; i < types->count(); ++i)
            combo << types->itemText(i);
        lineEdit << d.findChild<QLineEdit*>("fileNameEdit")->text();
        for (int index : {0, 5, 6}) {
            types->setCurrentIndex(index);
            emit types->activated(index);
            shown.push_back(listed(d));
        }
        d.findChild<QLineEdit*>("fileNameEdit")->setText("missing.txt");
        static_cast<QDialog&>(d).accept();
    });
    const QString chosen = qtServices().dialogs->showOpen(
        {true, "T", LoadFilter, 1, tmp.path() + "/A.EXE", tmp.path() + "/A.EXE", 4});
    EXPECT_EQ(combo, QStringList({"Application files (*.exe)",
                                  "Application extension files (*.dll)", "ICON files (*.ico)",
                                  "Cursor files (*.cur)", "Animated cursor files (*.ani)",
                                  "All valid file types (*.exe, *.dll, *.ico, *.cur, *.ani)",
                                  "All file types (*.*)"}));
    EXPECT_EQ(lineEdit, QStringList{"a.exe"}); // the initial name through the path rule
    EXPECT_EQ(shown, (std::vector<QStringList>{
                         {"B.EXE", "Sub", "a.exe"},
                         {"B.EXE", "Sub", "a.exe", "c.dll"},
                         {"B.EXE", "README", "Sub", "a.exe", "c.dll", "notes.txt"}}));
    EXPECT_EQ(chosen, tmp.path() + "/missing.txt");
}

TEST(OpenFileDialog, ANameThatIsNotUtf8IsShownReplacedAndReturnedByItsBytes) {
    TempDir tmp;
    const QByteArray file = QFile::encodeName(tmp.path()) + "/caf\xe9.ico";
    ::close(::creat(file.constData(), 0600));
    QString lineEdit;
    whenShown<QFileDialog>([&](QFileDialog& d) {
        lineEdit = d.findChild<QLineEdit*>("fileNameEdit")->text();
        static_cast<QDialog&>(d).accept();
    });
    const QString chosen = qtServices().dialogs->showOpen(
        {true, "T", LoadFilter, 7, pathFromBytes(file), pathFromBytes(file), 4});
    EXPECT_EQ(lineEdit, QString("caf\ufffd.ico"));
    EXPECT_EQ(pathToBytes(chosen), file);
    ::unlink(file.constData()); // Qt cannot remove a name that is not UTF-8
}

// Every message box and dialog belongs to the window that opened it and stands centred on it.
// Without a Windows folder the open-file dialog opens in the home folder.
TEST(Dialogs, OwnedByTheWindowThatOpenedThemAndCentredOnIt) {
    QWidget main;
    main.setGeometry(300, 200, 800, 500);
    main.show();
    QApplication::setActiveWindow(&main);
    const Services qt = qtServices();
    const std::vector<std::pair<std::function<void()>, QString>> opens = {
        {[&] { qt.messageBox->msgBox("text", mb::WarningOk, "title"); }, ""},
        {[&] {
             qt.dialogs->showOpen({false, "T", LoadFilter, 1, "", "", 4});
         },
         QDir::homePath()},
        {[&] {
             qt.dialogs->showColor({false, "T", 0});
         },
         ""},
    };
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

} // namespace
