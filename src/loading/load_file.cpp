// Loading a file by a drop or through the open-file dialog.
#include "forms/environment.h"
#include "forms/failure.h"
#include "forms/format.h"
#include "forms/version_info.h"
#include "forms/win_icons.h"
#include "fs/file_length.h"
#include "loading/loading.h"

#include <QDir>
#include <array>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace tess;

namespace {

const QString LoadFilter = QStringLiteral(
    "Application files (*.exe)|*.exe|Application extension files (*.dll)|*.dll|ICON files "
    "(*.ico)|*.ico|Cursor files (*.cur)|*.cur|Animated cursor files (*.ani)|*.ani|All valid file "
    "types (*.exe, *.dll, *.ico, *.cur, *.ani)|*.exe;*.dll;*.ico;*.cur;*.ani|All file types "
    "(*.*)|*.*");

// Only the last four characters count, lower-cased: no search for the last point.
bool acceptedType(const QString& path) {
    static const std::array<QString, 5> types = {QStringLiteral(".dll"), QStringLiteral(".exe"),
                                                 QStringLiteral(".ico"), QStringLiteral(".cur"),
                                                 QStringLiteral(".ani")};
    const QString last = path.right(4).toLower();
    for (const QString& t : types) {
        if (last == t) return true;
    }
    return false;
}

void warn(const QString& text, const QString& title) {
    services().messageBox->msgBox(text, mb::WarningOk, productName() + title);
}

// "X:\..." or "X:/...": a path typed as Windows writes it, not a name in the current folder.
bool windowsDrivePath(const QString& path) {
    return path.size() >= 3 && path[0].isLetter() && path[1] == u':' && isSeparator(path[2]);
}

// A path typed as Windows writes it names on drive c a file of the Wine prefix, as the list of
// well-known files does; other drives are those of the drive list.
QString onWindowsDrives(const QString& path) {
    return windowsDrivePath(path) ? onWineDriveC(path) : path;
}

// At most this many objects are named in the multi-file message, so that the box fits the
// screen; beyond it the first ones and how many more.
constexpr int ObjectsNamed = 12;

} // namespace

namespace tess::loading {

void dropFiles(Window& window, const DropData& Data) {
    QString objects;
    const int named = Data.Count() <= ObjectsNamed ? Data.Count() : ObjectsNamed - 1;
    for (int i = 0; i < named; ++i)
        objects += u'\t' + Data.Files[i] + CrLf;
    if (named < Data.Count())
        objects += QStringLiteral("\t... and ") + plainNumber(Data.Count() - named) +
                   QStringLiteral(" more") + CrLf;
    if (Data.Count() != 1) {
        warn(productName() + QStringLiteral(" can only load one file at a time.") + CrLf + CrLf +
                 QStringLiteral("The following objects where not loaded.") + CrLf + objects,
             QStringLiteral(" - Multi-file drop error."));
        return;
    }
    const QString path = Data.Files.front();
    if (acceptedType(path)) {
        window.loadStep(path);
        return;
    }
    warn(productName() + QStringLiteral(" can't load;") + CrLf + path + CrLf +
             QStringLiteral("as this file type is not supported."),
         QStringLiteral(" - File type not supported."));
}

void loadCommandLineFiles(Window& window, const QStringList& files) {
    // The current folder by its bytes, so that a folder name that is not UTF-8 is kept too.
    const std::unique_ptr<char, void (*)(void*)> cwd(::getcwd(nullptr, 0), &std::free);
    const QString here = cwd ? pathFromBytes(QByteArrayView(cwd.get())) : QDir::currentPath();
    DropData data;
    for (const QString& file : files)
        data.Files << (file.startsWith(u'/')    ? file
                       : windowsDrivePath(file) ? onWindowsDrives(file)
                                                : here + u'/' + file);
    // One file that is not there: the message the open-file dialog gives, nothing loaded.
    if (data.Count() == 1 && fileLength(data.Files.front()) < 0) {
        warn(QStringLiteral("Can't find file;") + CrLf + data.Files.front(),
             QStringLiteral(" - Can't find file."));
        return;
    }
    if (data.Count() == 1) {
        const icons::HICON first = ExtractIconA(0, nativeFile(data.Files.front()).toStdString(), 0);
        if (first > 1) {
            DestroyIcon(first);
            window.loadStep(data.Files.front());
            return;
        }
    }
    dropFiles(window, data);
}

void loadFromDialog(Window& window, CommonDialog& comm_LoadFile) {
    try {
        comm_LoadFile.CancelError = true;
        comm_LoadFile.DialogTitle =
            productName() + QStringLiteral(" - Load exe or dll file icons.");
        comm_LoadFile.Filter = LoadFilter;
        comm_LoadFile.FilterIndex = 1;
        const QString loadedFile = window.loadedFile();
        if (!loadedFile.isEmpty()) {
            comm_LoadFile.InitDir = loadedFile;
            comm_LoadFile.FileName = loadedFile;
        } else {
            comm_LoadFile.InitDir = windowsFolder();
            comm_LoadFile.FileName = QString();
        }
        comm_LoadFile.Flags = 4;
        comm_LoadFile.ShowOpen();

        const QString chosen = onWindowsDrives(comm_LoadFile.FileName);
        if (chosen.isEmpty() || chosen == loadedFile) return;
        if (fileLength(chosen) < 0) {
            warn(QStringLiteral("Can't find file;") + CrLf + chosen,
                 QStringLiteral(" - Can't find file."));
            return;
        }
        if (acceptedType(chosen)) {
            window.loadStep(chosen);
        } else {
            warn(QStringLiteral("Can't load icons from file;") + CrLf + chosen + CrLf + CrLf +
                     QStringLiteral("\tInvalid file type."),
                 QStringLiteral(" - Invalid file type."));
        }
    } catch (const Failure& f) {
        if (f.number() == failure::DialogCancelled) return;
        const QString n = plainNumber(f.number());
        warn(productName() + QStringLiteral(" load file error;") + CrLf +
                 QStringLiteral("Error; ") + f.description() + QStringLiteral(" (") + n + u')',
             QStringLiteral(" - File load error; (") + n + u')');
    }
}

std::int32_t fileLength(const QString& path) {
    const QByteArray name = nativeFile(path);
    return files::fileLength(
        std::string_view(name.constData(), static_cast<std::size_t>(name.size())));
}

} // namespace tess::loading
