#include "platform/window/environment.h"

#include "platform/window/drives.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstring>

namespace tess {

QString Environ(const QString& name) {
    const QByteArray key = name.toLocal8Bit();
    const QString value = qEnvironmentVariable(key.constData());
    if (name.compare(u"HomePath", Qt::CaseInsensitive) == 0 && value.isEmpty() &&
        !qEnvironmentVariableIsSet("HomeDrive") && !qEnvironmentVariableIsSet("HomePath")) {
        return QDir::homePath();
    }
    return value;
}

QString programFolder() {
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QDir::currentPath() : QDir::toNativeSeparators(dir);
}

QString programName() {
    const QString file = QCoreApplication::applicationFilePath();
    const QString name = QFileInfo(file).completeBaseName();
    return name.isEmpty() ? QStringLiteral("tessaline") : name;
}

QString programIconFile() {
    const QString beside = QDir(programFolder()).filePath(QStringLiteral("tessaline.ico"));
    if (QFileInfo(beside).isFile()) return beside;
    const QString installed = QDir(programFolder())
                                  .filePath(QStringLiteral("../share/tessaline/tessaline.ico"));
    if (QFileInfo(installed).isFile()) return QDir::cleanPath(installed);
    return beside;
}

std::uint32_t GetWindowsDirectoryA(char* lpBuffer, std::uint32_t uSize) {
    QString folder;
    const QString systemRoot = qEnvironmentVariable("SystemRoot");
    if (!systemRoot.isEmpty() && QFileInfo(systemRoot).isDir()) {
        folder = systemRoot;
    } else {
        QString prefix = qEnvironmentVariable("WINEPREFIX");
        if (prefix.isEmpty()) prefix = QDir::homePath() + QStringLiteral("/.wine");
        const QString wine = prefix + QStringLiteral("/drive_c/windows");
        if (QFileInfo(wine).isDir()) folder = wine;
    }
    const QByteArray bytes = QDir::toNativeSeparators(folder).toLocal8Bit();
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (lpBuffer == nullptr || length + 1 > uSize) return length + 1; // buffer too small
    std::memcpy(lpBuffer, bytes.constData(), length);
    lpBuffer[length] = '\0';
    return length;
}

QString windowsFolder() {
    char buffer[200] = {};
    const std::uint32_t n = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (n >= sizeof buffer) return QString();
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(n));
}

namespace {
// Splits on both separators, keeping empty leading component for absolute paths.
QStringList components(const QString& path) {
    QString p = path;
    p.replace(u'\\', u'/');
    return p.split(u'/');
}
} // namespace

QString resolvePath(const QString& path) {
    if (path.isEmpty()) return path;
    QString p = mapDrivePath(path);
    if (QFileInfo::exists(p)) return p;
    QStringList parts = components(p);
    QString current;
    qsizetype start = 0;
    if (!parts.isEmpty() && parts.front().isEmpty()) {
        current = QStringLiteral("/");
        start = 1;
    } else {
        current = QStringLiteral(".");
    }
    for (qsizetype i = start; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part.isEmpty()) continue;
        QDir dir(current);
        QString next = dir.filePath(part);
        if (!QFileInfo::exists(next)) {
            const QStringList entries =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            bool found = false;
            for (const QString& e : entries) {
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    next = dir.filePath(e);
                    found = true;
                    break;
                }
            }
            if (!found) return p;
        }
        current = next;
    }
    return current.startsWith(QStringLiteral("./")) && !p.startsWith(QStringLiteral("./"))
               ? current.mid(2)
               : current;
}

QString joinPath(const QString& folder, const QString& name) {
    return folder + QDir::separator() + name;
}

} // namespace tess
