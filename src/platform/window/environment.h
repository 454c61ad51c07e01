// Environment variables, the program's own file, the Windows folder and native paths.
#pragma once

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

// The Windows folder read the way the program reads it: a 200-character buffer of NULs.
QString windowsFolder();

// The path as it exists on disk: a path that does not exist as written is looked up again
// component by component ignoring case; "C:\..." names drive c. Unchanged when nothing matches.
QString resolvePath(const QString& path);

// Folder + the platform's separator + name, where the program joins them with a backslash.
QString joinPath(const QString& folder, const QString& name);

// True for a backslash or a slash.
inline bool isSeparator(QChar c) { return c == u'\\' || c == u'/'; }

} // namespace tess
