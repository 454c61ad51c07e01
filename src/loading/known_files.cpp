// The list of well-known files, and loading one of them.
#include "forms/environment.h"
#include "forms/format.h"
#include "forms/services.h"
#include "forms/version_info.h"
#include "loading/loading.h"

namespace tess::loading {

QString knownFile(std::int16_t index, bool fullPath) {
    const auto inWindows = [](const QString& rest) { return joinPath(windowsFolder(), rest); };
    // The fixed "C:\" paths name Windows programs: with a Wine prefix they live in its drive_c.
    QString path;
    switch (index) {
    case 0:
        path = inWindows(QStringLiteral("system32/shell32.dll"));
        break;
    case 1:
        path = inWindows(QStringLiteral("REGEdit.exe"));
        break;
    case 2:
        path = programIconFile();
        break; // the program's own icons
    case 3:
        path = onWineDriveC(QStringLiteral("C:\\Program Files\\Internet Explorer\\iexplore.exe"));
        break;
    case 4:
        path = inWindows(QStringLiteral("system32/ieframe.dll"));
        break;
    case 5:
        path = onWineDriveC(QStringLiteral("C:\\Windows\\explorer.exe"));
        break;
    case 6:
        path = onWineDriveC(
            QStringLiteral("C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe"));
        break;
    case 7:
        path =
            onWineDriveC(QStringLiteral("C:\\Program Files\\microsoft office\\office10\\OSA.EXE"));
        break;
    case 8:
        path = onWineDriveC(
            QStringLiteral("C:\\Program Files\\microsoft office\\office10\\WINWORD.EXE"));
        break;
    case 9:
        path = onWineDriveC(QStringLiteral("C:\\Program Files\\AOL 9.0\\aoltray.exe"));
        break;
    case 10:
        path = onWineDriveC(QStringLiteral("C:\\Program Files\\AOL 9.0\\phx.dll"));
        break;
    case 11:
        path = onWineDriveC(QStringLiteral("C:\\Program Files\\AOL 9.0\\resource.dll"));
        break;
    case 12:
        path = onWineDriveC(QStringLiteral("C:\\Program Files\\iTunes\\iTunes.exe"));
        break;
    case 13:
        path = onWineDriveC(QStringLiteral("C:\\Program Files\\Messenger\\msmsgs.exe"));
        break;
    case 14:
        path = onWineDriveC(QStringLiteral("C:\\Program Files\\Quillbrook\\Quillbrook.exe"));
        break;
    default:
        return QString();
    }
    if (fullPath) return path;
    // The part after the last separator, or the whole text when it has none.
    qsizetype cut = -1;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (isSeparator(path[i])) cut = i;
    }
    return path.mid(cut + 1);
}

void loadKnownFile(Window& window, std::int16_t Index) {
    const QString path = knownFile(Index, true);
    if (fileLength(path) < 0) {
        const QString name = knownFile(Index, false);
        services().messageBox->msgBox(
            QStringLiteral("Can't load or find file; ") + name + CrLf + path, mb::WarningOk,
            productName() + QStringLiteral(" - Can't load ") + name);
        return;
    }
    window.loadStep(path);
}

} // namespace tess::loading
