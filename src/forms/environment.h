// Environment variables, the program's own file, the Windows folder and native paths.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace tess {

// An environment variable's text; a missing variable reads as "". On Linux, when HomeDrive and
// HomePath are both unset, HomePath reads as the user's home folder.
QString Environ(const QString& name);

// The folder the running program file was started from, and the program's name without its
// extension.
QString programFolder();
QString programName();

// The program's own icon file: tessaline.ico beside the program, or under share/tessaline.
QString programIconFile();

// The Windows folder into a buffer of the size given; returns the number of characters written.
// On Linux: SystemRoot if it names a folder, else the Wine prefix's windows folder, else "".
std::uint32_t GetWindowsDirectoryA(char* lpBuffer, std::uint32_t uSize);

// The Wine prefix's drive_c folder ($WINEPREFIX, else ~/.wine) where one exists, else "".
QString wineDriveC();

// A "C:\..." path (or "C:/...") as a path under the Wine prefix's drive_c where there is one;
// any other path as it is.
QString onWineDriveC(const QString& path);

// The Windows folder read the way the program reads it: a 200-character buffer of NULs.
QString windowsFolder();

// The path as it exists on disk: a path that does not exist as written is looked up again
// component by component ignoring case; "C:\..." names drive c. Unchanged when nothing matches.
// The names found keep their bytes (see pathFromBytes).
QString resolvePath(const QString& path);

// A path's bytes as text, and back. Bytes that are not UTF-8 become U+DC80 + the byte (a lone
// surrogate that no decoded name holds), so that a name's bytes survive the round trip exactly:
// every path coming from the system (drops, the command line, dialogs) enters through
// pathFromBytes, and every path going to the system leaves through pathToBytes.
QString pathFromBytes(QByteArrayView bytes);
QByteArray pathToBytes(const QString& path);

// The bytes of the file a path text names: pathToBytes of resolvePath.
QByteArray nativeFile(const QString& path);

// A path text as it is shown: each byte that is not UTF-8 as a replacement character.
QString displayPath(const QString& path);

// A path that a file dialog gave with replacement characters for the bytes of a name that is
// not UTF-8: the path of the entry whose name shows that way, its bytes kept. Other paths are
// returned as they are.
QString recoverShownPath(const QString& shown);

// Folder + the platform's separator + name, where the program joins them with a backslash.
QString joinPath(const QString& folder, const QString& name);

// True for a backslash or a slash.
inline bool isSeparator(QChar c) {
    return c == u'\\' || c == u'/';
}

} // namespace tess
