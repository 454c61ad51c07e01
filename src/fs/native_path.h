// The file a path names, as Windows would find it: names ignore case. No Qt.
#pragma once

#include <string>
#include <string_view>

namespace tess::paths {

// The bytes of the file to open for a path's bytes: the path as written when it exists, else
// the path looked up again component by component (separated by "/" or "\"), each component
// matched ignoring case (ASCII, and the letters of the Latin, Greek and Cyrillic blocks in
// UTF-8); the names found keep their bytes exactly. Where nothing matches, the path as written.
std::string nativePath(std::string_view path);

// A Windows path on drive c ("C:\\rest", "c:/rest" or "C:") where drive c is the Wine prefix's
// drive_c folder: that folder, "/" and the rest with its backslashes as slashes. Any other path,
// and every path when driveC is empty, is returned unchanged.
std::string onWineDriveC(std::string_view path, std::string_view driveC);

// Two names equal ignoring case, as nativePath compares them.
bool sameNameIgnoringCase(std::string_view a, std::string_view b);

} // namespace tess::paths
