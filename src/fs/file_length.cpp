#include "fs/file_length.h"

#include <algorithm>
#include <limits>
#include <string>
#include <sys/stat.h>

namespace tess::files {

std::int32_t fileLength(std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos) return -1;
    struct stat st {};
    if (::stat(std::string(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode) || st.st_size < 0)
        return -1;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(st.st_size, std::numeric_limits<std::int32_t>::max()));
}

} // namespace tess::files
