// Replacing a file in one step, shared by the save window and the command line.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tess::files {

// Writes bytes to a temporary file in the target's folder and renames it over the target only
// once it is whole, so a failure leaves the old file as it was and no temporary file behind.
// A symbolic link is written through to the file it names (a link to nothing names the file it
// would create); the replaced file keeps its permissions and, where allowed, its owner. A folder
// gives EISDIR; any other special file, a file nobody may write (read-only, even for the
// administrator) or one the caller may not write gives EACCES. Returns 0, or the errno.
int replaceFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Every byte written to an open file, whatever the system takes at a time; 0 or the errno.
int writeAll(int fd, std::span<const std::uint8_t> bytes);

} // namespace tess::files
