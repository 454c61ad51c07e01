// The length of a file by its name: the existence test of every window.
#pragma once

#include <cstdint>
#include <string_view>

namespace tess::files {

// The length in bytes of the file a path names (its bytes as the system takes them), or -1 when
// there is none: no such name, a malformed one (empty, or holding a NUL) or a folder, which is
// not a file. Nothing is opened, so a pipe or a device is never read; a file beyond 2 GiB reads
// as the largest length rather than as a negative one, which would say it does not exist.
std::int32_t fileLength(std::string_view path);

} // namespace tess::files
