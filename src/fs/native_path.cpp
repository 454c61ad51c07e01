#include "fs/native_path.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace tess::paths {

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.empty() ? "." : path.c_str(), &st) == 0;
}

// The lower-case letter of a code point, for the letters whose cases pair simply.
char32_t lower(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && c % 2 == 0) return c + 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1) return c + 1;
    return c;
}

// The next character of a name: a code point of valid UTF-8, or a lone byte, marked apart so
// that a byte that is not UTF-8 only ever equals the same byte.
char32_t next(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    const auto cont = [&](std::size_t k) {
        return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    };
    const auto bits = [&](std::size_t k) { return static_cast<char32_t>(s[i + k] & 0x3F); };
    if (b >= 0xC2 && b <= 0xDF && cont(1)) {
        const char32_t c = (static_cast<char32_t>(b & 0x1F) << 6) | bits(1);
        i += 2;
        return c;
    }
    if (b >= 0xE0 && b <= 0xEF && cont(1) && cont(2)) {
        const char32_t c = (static_cast<char32_t>(b & 0x0F) << 12) | (bits(1) << 6) | bits(2);
        if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
            i += 3;
            return c;
        }
    }
    ++i;
    return b < 0x80 ? b : 0x80000000u | b; // four-byte sequences compare byte by byte
}

} // namespace

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (lower(next(a, i)) != lower(next(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

std::string onWineDriveC(std::string_view path, std::string_view driveC) {
    const bool onC = path.size() >= 2 && (path[0] == 'c' || path[0] == 'C') && path[1] == ':' &&
                     (path.size() == 2 || path[2] == '\\' || path[2] == '/');
    if (!onC || driveC.empty()) return std::string(path);
    std::string out(driveC);
    if (!out.ends_with('/')) out += '/';
    for (const char c : path.substr(std::min<std::size_t>(3, path.size())))
        out += c == '\\' ? '/' : c;
    return out;
}

std::string nativePath(std::string_view path) {
    const std::string written(path);
    if (path.empty() || exists(written) || path.find('\0') != std::string_view::npos)
        return written;

    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/' || path[i] == '\\') {
            if (i > start) parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    const bool absolute = path.front() == '/' || path.front() == '\\';
    std::string current = absolute ? "/" : "";
    for (const std::string_view part : parts) {
        std::string candidate = current + std::string(part);
        if (!exists(candidate)) {
            // The first of the matching names in byte order, so that the choice never varies.
            std::unique_ptr<DIR, int (*)(DIR*)> dir(
                ::opendir(current.empty() ? "." : current.c_str()), &::closedir);
            if (!dir) return written;
            std::string found;
            while (const dirent* entry = ::readdir(dir.get())) {
                const std::string_view name(entry->d_name);
                if (name == "." || name == "..") continue;
                if (sameNameIgnoringCase(name, part) && (found.empty() || name < found))
                    found = std::string(name);
            }
            if (found.empty()) return written;
            candidate = current + found;
        }
        current = std::move(candidate) + "/";
    }
    if (current.size() > 1) current.pop_back();
    return current;
}

} // namespace tess::paths
