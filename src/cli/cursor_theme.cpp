#include "cli/cursor_theme.h"

#include "cli/animation.h"
#include "cli/output.h"
#include "cli/xcursor.h"
#include "fs/native_path.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::cli {
namespace {

// The roles of a Windows cursor scheme, in the order of its registry value, with the names a
// folder's files may have (compared without case, spaces, '-' and '_') and the freedesktop names
// desktops look the cursor up by (the first is the file, the others links to it).
struct Role {
    const char* name;
    std::vector<const char*> fileNames;
    std::vector<const char*> cursorNames;
};
const std::array<Role, 17> kRoles{{
    {"Arrow",
     {"arrow", "normal select", "normal", "pointer"},
     {"default", "left_ptr", "arrow", "top_left_arrow"}},
    {"Help",
     {"help", "help select", "helpsel"},
     {"help", "question_arrow", "whats_this", "left_ptr_help"}},
    {"AppStarting",
     {"appstarting", "working in background", "working", "background"},
     {"progress", "left_ptr_watch", "half-busy"}},
    {"Wait", {"wait", "busy"}, {"wait", "watch"}},
    {"Crosshair",
     {"crosshair", "precision select", "precision", "cross"},
     {"crosshair", "cross", "tcross"}},
    {"IBeam", {"ibeam", "text select", "text", "beam"}, {"text", "xterm", "ibeam"}},
    {"NWPen", {"nwpen", "handwriting", "pen"}, {"pencil"}},
    {"No",
     {"no", "unavailable", "unavail"},
     {"not-allowed", "no-drop", "crossed_circle", "forbidden", "circle"}},
    {"SizeNS",
     {"sizens", "vertical resize", "vert", "ns"},
     {"ns-resize", "row-resize", "n-resize", "s-resize", "size_ver", "sb_v_double_arrow",
      "v_double_arrow", "double_arrow", "top_side", "bottom_side"}},
    {"SizeWE",
     {"sizewe", "horizontal resize", "horz", "ew"},
     {"ew-resize", "col-resize", "e-resize", "w-resize", "size_hor", "sb_h_double_arrow",
      "h_double_arrow", "left_side", "right_side"}},
    {"SizeNWSE",
     {"sizenwse", "diagonal resize 1", "dgn1", "nwse"},
     {"nwse-resize", "nw-resize", "se-resize", "size_fdiag", "top_left_corner",
      "bottom_right_corner", "bd_double_arrow"}},
    {"SizeNESW",
     {"sizenesw", "diagonal resize 2", "dgn2", "nesw"},
     {"nesw-resize", "ne-resize", "sw-resize", "size_bdiag", "top_right_corner",
      "bottom_left_corner", "fd_double_arrow"}},
    {"SizeAll", {"sizeall", "move"}, {"move", "fleur", "all-scroll", "size_all"}},
    {"UpArrow", {"uparrow", "alternate select", "alternate", "up"}, {"center_ptr"}},
    {"Hand", {"hand", "link select", "link"}, {"pointer", "hand2", "hand1", "pointing_hand"}},
    {"Pin", {"pin", "location select"}, {}},
    {"Person", {"person", "person select"}, {}},
}};

constexpr std::uint64_t kMaxInfBytes = 4u << 20;
constexpr std::size_t kMaxLine = 4096;
constexpr std::size_t kMaxEntries = 1000;

struct Failure {
    std::string message;
};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t\r") - first + 1));
}

// A name as a folder's files are matched: lower case, without spaces, '-' and '_'.
std::string folded(std::string_view s) {
    std::string out;
    for (const char c : lower(s))
        if (c != ' ' && c != '-' && c != '_') out += c;
    return out;
}

std::optional<std::size_t> roleOfFileName(std::string_view stem) {
    std::string name = folded(stem);
    // Windows' own files: aero_arrow.cur, aero_busy.ani ...
    if (name.starts_with("aero") && name.size() > 4) name = name.substr(4);
    for (std::size_t r = 0; r < kRoles.size(); ++r)
        for (const char* n : kRoles[r].fileNames)
            if (folded(n) == name) return r;
    return std::nullopt;
}

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6), out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12), out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18), out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F)),
            out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The text of an .inf as Windows reads it: UTF-16 after its byte-order mark, UTF-8 after its
// own, else the ANSI code page (Western European, Windows-1252).
std::string infText(const std::vector<std::uint8_t>& b) {
    std::string text;
    if (b.size() >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        const bool little = b[0] == 0xFF;
        for (std::size_t i = 2; i + 1 < b.size(); i += 2) {
            std::uint32_t u = little ? b[i] | b[i + 1] << 8 : b[i] << 8 | b[i + 1];
            if (u >= 0xD800 && u < 0xDC00 && i + 3 < b.size()) {
                const std::uint32_t low =
                    little ? b[i + 2] | b[i + 3] << 8 : b[i + 2] << 8 | b[i + 3];
                if (low >= 0xDC00 && low < 0xE000) {
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), i += 2;
                }
            }
            appendUtf8(text, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
        }
        return text;
    }
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return std::string(b.begin() + 3, b.end());
    // Windows-1252: Latin-1 but for 0x80 to 0x9F (the unassigned five kept as they are).
    static constexpr std::uint16_t k1252[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    for (const std::uint8_t c : b)
        appendUtf8(text, c >= 0x80 && c < 0xA0 ? k1252[c - 0x80] : c);
    return text;
}

// The fields of an .inf line, split at commas outside quotes, quotes taken away ("" is one).
std::vector<std::string> fields(std::string_view line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                out.back() += '"', ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == ',' && !quoted) {
            out.back() = trim(out.back()), out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    out.back() = trim(out.back());
    return out;
}

// A line without its comment (from a ';' outside quotes).
std::string_view uncommented(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == ';' && !quoted) return line.substr(0, i);
    }
    return line;
}

struct Inf {
    std::map<std::string, std::vector<std::string>> sections; // by lower-case name: the lines
};

Inf parseInf(const std::string& text) {
    Inf inf;
    std::vector<std::string>* section = nullptr;
    std::size_t entries = 0, number = 0;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        ++number;
        if (end - at > kMaxLine)
            throw Failure{"line " + std::to_string(number) + " is longer than " +
                          std::to_string(kMaxLine) + " characters"};
        const std::string line = trim(uncommented(std::string_view(text).substr(at, end - at)));
        at = end + 1;
        if (line.empty()) continue;
        if (++entries > kMaxEntries)
            throw Failure{"it has more than " + std::to_string(kMaxEntries) + " entries"};
        if (line.front() == '[' && line.back() == ']') {
            section = &inf.sections[lower(trim(line.substr(1, line.size() - 2)))];
        } else if (section) {
            section->push_back(line);
        }
    }
    return inf;
}

// The text with each %name% replaced by its [Strings] value; %% is one '%', and a directory's
// number (%10%) is kept as it is.
std::string resolved(const std::string& text, const std::map<std::string, std::string>& strings,
                     bool haveStrings) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const std::size_t close = text.find('%', i + 1);
        if (close == std::string::npos)
            throw Failure{"\"" + text.substr(i) + "\" has no closing %, so it never resolves"};
        const std::string name = text.substr(i + 1, close - i - 1);
        if (name.empty()) {
            out += '%';
        } else if (name.find_first_not_of("0123456789") == std::string::npos) {
            out += '%' + name + '%';
        } else if (const auto it = strings.find(lower(name)); it != strings.end()) {
            out += it->second;
        } else {
            throw Failure{haveStrings ? "%" + name + "% is not in its [Strings] section"
                                      : "%" + name + "% is used, and it has no [Strings] section"};
        }
        i = close;
    }
    return out;
}

// A path the scheme gives, as the file to read beside its .inf or below it. One that names the
// place the scheme installs to (%10%\Cursors\..., C:\...) is the file of that name beside it.
std::string schemeFile(const std::string& folder, const std::string& written) {
    std::string given = written;
    std::replace(given.begin(), given.end(), '\\', '/');
    const bool installed =
        given.starts_with('%') || given.starts_with('/') || (given.size() >= 2 && given[1] == ':');
    if (installed) given = given.substr(given.rfind('/') + 1);
    std::string relative;
    for (std::size_t at = 0; at <= given.size();) {
        std::size_t end = given.find('/', at);
        if (end == std::string::npos) end = given.size();
        const std::string part = given.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") throw Failure{"\"" + written + "\" climbs out of the scheme's folder"};
        relative += (relative.empty() ? "" : "/") + part;
    }
    if (relative.empty()) throw Failure{"\"" + written + "\" names no file"};
    return paths::nativePath(joinPath(folder, relative));
}

// The file of each role named by a scheme's .inf, and the scheme's name.
std::array<std::string, kRoles.size()> rolesOfInf(const std::string& path, std::string& scheme) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw Failure{std::strerror(errno)};
    if (!S_ISREG(st.st_mode)) throw Failure{"neither a scheme's .inf nor a folder"};
    if (static_cast<std::uint64_t>(st.st_size) > kMaxInfBytes)
        throw Failure{"it is larger than " + std::to_string(kMaxInfBytes >> 20) +
                      " MiB, so not a cursor scheme's .inf"};
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw Failure{"it cannot be read"};
    const Inf inf = parseInf(infText(bytes));

    std::map<std::string, std::string> strings;
    const auto stringsSection = inf.sections.find("strings");
    if (stringsSection != inf.sections.end()) {
        for (const std::string& line : stringsSection->second) {
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::vector<std::string> value = fields(line.substr(eq + 1));
            strings[lower(trim(line.substr(0, eq)))] = value.empty() ? "" : value[0];
        }
    }
    const bool haveStrings = stringsSection != inf.sections.end();
    const std::string folder =
        path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));

    // The registry lines: HKCU,"Control Panel\Cursors\Schemes",NAME,FLAGS,"FILE,FILE,..." (one
    // for the whole scheme) or HKCU,"Control Panel\Cursors",ROLE,FLAGS,"FILE" (one per role).
    std::array<std::string, kRoles.size()> files;
    bool found = false;
    for (const auto& [name, lines] : inf.sections) {
        if (name == "strings") continue;
        for (const std::string& line : lines) {
            std::vector<std::string> f = fields(line);
            if (f.size() < 5) continue;
            const std::string key = lower(resolved(f[1], strings, haveStrings));
            if (key == "control panel\\cursors\\schemes") {
                if (found) continue;
                found = true;
                scheme = resolved(f[2], strings, haveStrings);
                const std::vector<std::string> list = fields(resolved(f[4], strings, haveStrings));
                for (std::size_t r = 0; r < list.size() && r < files.size(); ++r)
                    if (!list[r].empty()) files[r] = schemeFile(folder, list[r]);
            } else if (key == "control panel\\cursors") {
                const std::string role = lower(resolved(f[2], strings, haveStrings));
                for (std::size_t r = 0; r < kRoles.size(); ++r) {
                    const std::string value = trim(resolved(f[4], strings, haveStrings));
                    if (lower(kRoles[r].name) == role && !value.empty())
                        files[r] = schemeFile(folder, value), found = true;
                }
            }
        }
    }
    if (!found)
        throw Failure{"it names no cursors (no HKCU,\"Control Panel\\Cursors\\Schemes\" line)"};

    // Only files beside the .inf or below it are read, links followed included.
    char* real = ::realpath(folder.empty() ? "." : folder.c_str(), nullptr);
    const std::string base = real ? std::string(real) + "/" : std::string();
    std::free(real);
    for (std::size_t r = 0; r < files.size(); ++r) {
        if (files[r].empty()) continue;
        char* target = ::realpath(files[r].c_str(), nullptr);
        const std::string resolvedPath = target ? target : "";
        std::free(target);
        if (resolvedPath.empty())
            throw Failure{files[r] + " (" + kRoles[r].name + "): " + std::strerror(errno)};
        if (base.empty() || !resolvedPath.starts_with(base))
            throw Failure{files[r] + " (" + kRoles[r].name + ") lies outside the scheme's folder"};
    }
    return files;
}

// The file of each role in a folder of cursors named by role.
std::array<std::string, kRoles.size()> rolesOfFolder(const std::string& folder) {
    std::array<std::string, kRoles.size()> files;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) throw Failure{std::strerror(errno)};
    std::size_t entries = 0;
    while (const dirent* e = ::readdir(dir.get())) {
        if (++entries > kMaxEntries + 2)
            throw Failure{"it has more than " + std::to_string(kMaxEntries) + " entries"};
        const std::string name = e->d_name;
        const std::size_t dot = name.rfind('.');
        if (dot == std::string::npos || dot == 0) continue;
        const std::string extension = lower(name.substr(dot));
        if (extension != ".cur" && extension != ".ani") continue;
        const std::optional<std::size_t> role = roleOfFileName(name.substr(0, dot));
        if (!role) continue;
        const std::string path = joinPath(folder, name);
        if (!files[*role].empty())
            throw Failure{"both " + files[*role] + " and " + path + " are the " +
                          kRoles[*role].name + " cursor"};
        files[*role] = path;
    }
    return files;
}

// The Xcursor file of one role's .cur or .ani.
std::vector<std::uint8_t> roleCursor(const std::string& path, const Role& role) {
    const icons::IconFile file = icons::readIconFile(path);
    std::string error;
    std::vector<Step> steps;
    if (file.status == icons::FileStatus::Unreadable) {
        error = file.error;
    } else if (file.animation) {
        steps = animationSteps(file, error);
    } else if (!file.icons.empty() && file.icons[0].cursor) {
        steps.push_back({&file.icons[0], 0});
    } else {
        error = "not a cursor";
    }
    std::vector<std::uint8_t> bytes;
    if (!steps.empty()) bytes = xcursorFile(steps, error);
    if (bytes.empty()) throw Failure{path + " (" + role.name + "): " + error};
    return bytes;
}

// Flushes a folder's entries to disk.
int syncFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

// A line of index.theme: control characters of a path made harmless.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return text;
}

} // namespace

int runCursorTheme(const Command& command, std::ostream& out, std::ostream& err) {
    const std::string source = paths::nativePath(command.files.at(0));
    const std::string folder = command.folder.empty() ? "." : paths::nativePath(command.folder);
    const std::string target = joinPath(folder, command.cursorTheme);

    std::array<std::vector<std::uint8_t>, kRoles.size()> cursors;
    std::string scheme;
    try {
        struct stat st {};
        if (::stat(source.c_str(), &st) != 0) throw Failure{std::strerror(errno)};
        const auto files = S_ISDIR(st.st_mode) ? rolesOfFolder(source) : rolesOfInf(source, scheme);
        for (std::size_t r = 0; r < kRoles.size(); ++r)
            if (!files[r].empty()) cursors[r] = roleCursor(files[r], kRoles[r]);
    } catch (const Failure& f) {
        err << "tessaline: " << source << ": " << f.message << "\n";
        return kExitFailed;
    }
    std::string missing;
    for (std::size_t r = 0; r < kRoles.size(); ++r)
        if (cursors[r].empty())
            missing += (missing.empty() ? "" : ", ") + std::string(kRoles[r].name);
    if (std::all_of(cursors.begin(), cursors.end(), [](const auto& c) { return c.empty(); })) {
        err << "tessaline: " << source << ": no cursors for any role\n";
        return kExitFailed;
    }

    struct stat existing {};
    const bool exists = ::lstat(target.c_str(), &existing) == 0;
    if (exists && !command.force) {
        err << "tessaline: " << target << ": " << std::strerror(EEXIST)
            << " (--force replaces it)\n";
        return kExitFailed;
    }

    // The theme is made whole in a folder of its own beside the target, then put in its place
    // in one step; on any failure it is taken away again.
    // (~/.icons, say, may not be there yet.)
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    std::string temporary = joinPath(folder, "." + command.cursorTheme + ".XXXXXX");
    if (!::mkdtemp(temporary.data())) {
        err << "tessaline: " << folder << ": " << std::strerror(errno) << "\n";
        return kExitFailed;
    }
    // (mkdtemp makes it for its owner alone; a theme is read by everyone the umask allows.)
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temporary.c_str(), 0777 & ~mask);
    int error = 0;
    std::string failed = temporary;
    const std::string cursorFolder = temporary + "/cursors";
    const auto fail = [&](const std::string& path, int e) {
        if (error == 0) error = e, failed = path;
    };
    if (::mkdir(cursorFolder.c_str(), 0777) != 0) fail(cursorFolder, errno);
    for (std::size_t r = 0; r < kRoles.size() && error == 0; ++r) {
        const std::vector<const char*>& names = kRoles[r].cursorNames;
        if (cursors[r].empty() || names.empty()) continue;
        const std::string file = joinPath(cursorFolder, names[0]);
        if (const int e = writeFileBytes(file, cursors[r], false)) fail(file, e);
        for (std::size_t n = 1; n < names.size() && error == 0; ++n) {
            const std::string link = joinPath(cursorFolder, names[n]);
            if (::symlink(names[0], link.c_str()) != 0) fail(link, errno);
        }
    }
    const std::string comment = "Comment=" +
                                (scheme.empty() ? std::string("Windows cursors")
                                                : "The Windows cursor scheme \"" + scheme + "\"") +
                                ", made from " + source;
    const std::string index = "[Icon Theme]\nName=" + command.cursorTheme + "\n" +
                              oneLine(comment) + "\n" +
                              (command.cursorTheme == "default" ? "" : "Inherits=default\n");
    if (error == 0) {
        const std::string file = temporary + "/index.theme";
        if (const int e = writeFileBytes(
                file, std::span(reinterpret_cast<const std::uint8_t*>(index.data()), index.size()),
                false))
            fail(file, e);
    }
    if (error == 0) {
        if (const int e = syncFolder(cursorFolder)) fail(cursorFolder, e);
    }
    if (error == 0) {
        if (const int e = syncFolder(temporary)) fail(temporary, e);
    }
    if (error == 0) {
        const unsigned flags = exists ? RENAME_EXCHANGE : RENAME_NOREPLACE;
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), flags) != 0)
            fail(target, errno);
    }
    // After an exchange, the temporary name holds the old theme.
    std::error_code ignored;
    std::filesystem::remove_all(temporary, ignored);
    if (error == 0) error = syncFolder(folder), failed = folder;
    if (error != 0) {
        err << "tessaline: " << failed << ": " << std::strerror(error) << "\n";
        return kExitFailed;
    }
    if (!missing.empty())
        err << "tessaline: " << source << ": no cursor for " << missing
            << ": left to the inherited theme\n";
    out << target << "\n";
    return kExitRead;
}

} // namespace tess::cli
