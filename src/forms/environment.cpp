#include "forms/environment.h"

#include "forms/drives.h"
#include "fs/native_path.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace tess {

QString Environ(const QString& name) {
    const QByteArray key = name.toLocal8Bit();
    // The variables name folders: their bytes are kept as a path's are.
    const QString value = pathFromBytes(qgetenv(key.constData()));
    if (name.compare(u"HomePath", Qt::CaseInsensitive) == 0 && value.isEmpty() &&
        !qEnvironmentVariableIsSet("HomeDrive") && !qEnvironmentVariableIsSet("HomePath")) {
        const QByteArray home = qgetenv("HOME");
        return home.isEmpty() ? QDir::homePath() : pathFromBytes(home);
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
    const QString installed =
        QDir(programFolder()).filePath(QStringLiteral("../share/tessaline/tessaline.ico"));
    if (QFileInfo(installed).isFile()) return QDir::cleanPath(installed);
    return beside;
}

namespace {
bool isFolder(const QByteArray& path) {
    struct stat st {};
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QByteArray winePrefix() {
    const QByteArray prefix = qgetenv("WINEPREFIX");
    return prefix.isEmpty() ? QFile::encodeName(QDir::homePath()) + "/.wine" : prefix;
}
} // namespace

QString wineDriveC() {
    const QByteArray driveC = winePrefix() + "/drive_c";
    return isFolder(driveC) ? pathFromBytes(driveC) : QString();
}

QString onWineDriveC(const QString& path) {
    const QByteArray bytes = pathToBytes(path), driveC = pathToBytes(wineDriveC());
    const std::string mapped =
        paths::onWineDriveC(std::string_view(bytes.constData(), bytes.size()),
                            std::string_view(driveC.constData(), driveC.size()));
    return pathFromBytes(QByteArrayView(mapped.data(), static_cast<qsizetype>(mapped.size())));
}

std::uint32_t GetWindowsDirectoryA(char* lpBuffer, std::uint32_t uSize) {
    QByteArray folder = qgetenv("SystemRoot");
    if (!isFolder(folder)) {
        folder = winePrefix() + "/drive_c/windows";
        if (!isFolder(folder)) folder.clear();
    }
    const auto length = static_cast<std::uint32_t>(folder.size());
    if (lpBuffer == nullptr || length + 1 > uSize) return length + 1; // buffer too small
    std::memcpy(lpBuffer, folder.constData(), length);
    lpBuffer[length] = '\0';
    return length;
}

QString windowsFolder() {
    char buffer[200] = {};
    const std::uint32_t n = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (n >= sizeof buffer) return QString();
    return pathFromBytes(QByteArrayView(buffer, static_cast<qsizetype>(n)));
}

QString pathFromBytes(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const auto cont = [&](qsizetype i) { return i < bytes.size() && (at(i) & 0xC0) == 0x80; };
    for (qsizetype i = 0; i < bytes.size();) {
        const unsigned char b = at(i);
        char32_t c = b;
        qsizetype n = 1;
        if (b >= 0xC2 && b <= 0xDF && cont(i + 1)) {
            c = ((b & 0x1Fu) << 6) | (at(i + 1) & 0x3Fu), n = 2;
        } else if (b >= 0xE0 && b <= 0xEF && cont(i + 1) && cont(i + 2)) {
            c = ((b & 0x0Fu) << 12) | ((at(i + 1) & 0x3Fu) << 6) | (at(i + 2) & 0x3Fu), n = 3;
            if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) n = 1; // overlong or a surrogate
        } else if (b >= 0xF0 && b <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            c = ((b & 0x07u) << 18) | ((at(i + 1) & 0x3Fu) << 12) | ((at(i + 2) & 0x3Fu) << 6) |
                (at(i + 3) & 0x3Fu),
            n = 4;
            if (c < 0x10000 || c > 0x10FFFF) n = 1;
        }
        if (n == 1 && b >= 0x80) {
            out += QChar(static_cast<char16_t>(0xDC00 + b)); // a byte that is not UTF-8
        } else if (n == 1) {
            out += QChar(static_cast<char16_t>(b));
        } else {
            const char32_t one[] = {c};
            out += QString::fromUcs4(one, 1);
        }
        i += n;
    }
    return out;
}

namespace {
bool escapedByte(QString::const_iterator it, QString::const_iterator begin) {
    return it->unicode() >= 0xDC80 && it->unicode() <= 0xDCFF &&
           (it == begin || !(it - 1)->isHighSurrogate());
}
} // namespace

QByteArray pathToBytes(const QString& path) {
    QByteArray out;
    out.reserve(path.size());
    for (auto it = path.cbegin(); it != path.cend(); ++it) {
        if (escapedByte(it, path.cbegin())) {
            out += static_cast<char>(it->unicode() - 0xDC00);
        } else if (it->isHighSurrogate() && it + 1 != path.cend() && (it + 1)->isLowSurrogate()) {
            out += QStringView(it, 2).toUtf8();
            ++it;
        } else {
            out += QStringView(it, 1).toUtf8(); // a lone surrogate becomes a replacement character
        }
    }
    return out;
}

QString displayPath(const QString& path) {
    QString out = path;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (escapedByte(out.cbegin() + i, out.cbegin())) out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

QString resolvePath(const QString& path) {
    if (path.isEmpty()) return path;
    const QString p = mapDrivePath(path);
    const QByteArray written = pathToBytes(p);
    const std::string found =
        paths::nativePath(std::string_view(written.constData(), written.size()));
    if (found == std::string_view(written.constData(), written.size())) return p;
    return pathFromBytes(QByteArrayView(found.data(), static_cast<qsizetype>(found.size())));
}

QByteArray nativeFile(const QString& path) {
    return pathToBytes(resolvePath(path));
}

QString recoverShownPath(const QString& shown) {
    if (!shown.contains(QChar::ReplacementCharacter)) return shown;
    const QStringList parts = QString(shown).replace(u'\\', u'/').split(u'/');
    QByteArray current = shown.startsWith(u'/') ? QByteArray("/") : QByteArray();
    for (const QString& part : parts) {
        if (part.isEmpty()) continue;
        QByteArray name = pathToBytes(part);
        if (part.contains(QChar::ReplacementCharacter)) {
            std::unique_ptr<DIR, int (*)(DIR*)> dir(
                ::opendir(current.isEmpty() ? "." : current.constData()), &::closedir);
            if (!dir) return shown;
            QByteArray match;
            while (const dirent* entry = ::readdir(dir.get())) {
                const QByteArray entryName(entry->d_name);
                const bool shownSo = QString::fromUtf8(entryName) == part ||
                                     displayPath(pathFromBytes(entryName)) == part;
                if (shownSo && (match.isEmpty() || entryName < match)) match = entryName;
            }
            if (match.isEmpty()) return shown;
            name = match;
        }
        current += name + '/';
    }
    if (current.size() > 1) current.chop(1);
    return pathFromBytes(current);
}

QString joinPath(const QString& folder, const QString& name) {
    return folder + QDir::separator() + name;
}

} // namespace tess
