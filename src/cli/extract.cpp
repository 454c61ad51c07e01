#include "cli/extract.h"

#include "cli/animation.h"
#include "cli/hash.h"
#include "cli/inputs.h"
#include "cli/output.h"
#include "fs/native_path.h"
#include "tessaline/icons.h"
#include "tessaline/records.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <set>
#include <string_view>
#include <sys/resource.h>

namespace tess::cli {
namespace {

[[maybe_unused]] constexpr rlim_t kThumbnailMemory = rlim_t{512} << 20; // bytes of address space
constexpr rlim_t kThumbnailSeconds = 10;                                // of processor time

// A PNG of one of the icon's images, the best for size first (where it is damaged, the next
// serves), at most fit x fit pixels. An image stored as a whole PNG that needs no scaling is
// written exactly as stored.
std::vector<std::uint8_t> pictureOf(const icons::Icon& icon, int size, int fit) {
    for (const std::size_t i : icons::imagesBySuitability(icon, size)) {
        const icons::IconImage& image = icon.images[i];
        if (image.format == icons::ImageFormat::Png) {
            const auto stored = icons::imageBytes(image);
            if (!stored) continue;
            if (const std::optional<Size> s = storedPngSize(*stored);
                s && s->width <= fit && s->height <= fit && icons::pngIsWhole(*stored))
                return *stored;
        }
        const std::optional<icons::Rgba> rgba = icons::decodeImage(image);
        if (!rgba) continue;
        std::vector<std::uint8_t> png = icons::encodePng(scaleToFit(*rgba, fit));
        if (!png.empty()) return png;
    }
    return {};
}

// One line for the icons of a file that gave nothing to write: "icon 3 has", "icons 3 to 9 have",
// "icons 1, 4 to 6 and 9 have" (the first ten runs, then how many more).
std::string nothingWritten(const std::vector<std::size_t>& indexes, const char* what) {
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (const std::size_t i : indexes) {
        if (!runs.empty() && runs.back().second + 1 == i)
            runs.back().second = i;
        else
            runs.emplace_back(i, i);
    }
    constexpr std::size_t kShown = 10;
    std::string text = std::string(what) + (indexes.size() == 1 ? " " : "s ");
    for (std::size_t r = 0; r < runs.size() && r < kShown; ++r) {
        if (r > 0) text += r + 1 == runs.size() ? " and " : ", ";
        text += std::to_string(runs[r].first);
        if (runs[r].second != runs[r].first) text += " to " + std::to_string(runs[r].second);
    }
    if (runs.size() > kShown) {
        std::size_t more = 0;
        for (std::size_t r = kShown; r < runs.size(); ++r)
            more += runs[r].second - runs[r].first + 1;
        text += " and " + std::to_string(more) + " more";
    }
    return text + (indexes.size() == 1 ? " has" : " have") + " no image that can be read";
}

// Whether a group's resource ID or name is id: a name ignoring case, as Windows finds it.
bool sameId(const icons::Icon& icon, std::string_view id) {
    if (!icon.named) return icon.id == id;
    return icon.id.size() == id.size() &&
           std::equal(id.begin(), id.end(), icon.id.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// Finds the group of resource ID or name id (in language, where asked): its number in at, or
// why there is none.
std::string selectById(const std::vector<icons::Icon>& icons, const std::string& id,
                       std::optional<std::uint16_t> language, const char* what, std::size_t& at) {
    const auto found = std::find_if(icons.begin(), icons.end(),
                                    [&](const icons::Icon& icon) { return sameId(icon, id); });
    if (found == icons.end()) return std::string("no ") + what + " with id " + id;
    at = static_cast<std::size_t>(found - icons.begin());
    if (!language || found->language == language) return "";
    const std::string asked =
        std::string(what) + " " + id + " in language " + std::to_string(*language);
    const auto& others = found->otherLanguages;
    if (!found->language) return asked + ": the file has no languages";
    const std::string first = std::to_string(*found->language);
    if (std::find(others.begin(), others.end(), *language) != others.end())
        return asked + " is not read: only its first language, " + first + ", is";
    std::string has = first;
    for (const std::uint16_t other : others)
        has += ", " + std::to_string(other);
    return "no " + asked + " (it has " + has + ")";
}

// Chooses the groups to write: all of them, or the one of index or id (in language). Their
// numbers are [first, last), or the reason there are none.
std::string selectGroups(const std::vector<icons::Icon>& icons, const char* what,
                         std::optional<std::size_t> index, const std::optional<std::string>& id,
                         std::optional<std::uint16_t> language, std::size_t& first,
                         std::size_t& last) {
    if (icons.empty()) return std::string("no ") + what + "s to write";
    first = 0;
    last = icons.size();
    if (index) {
        if (*index >= icons.size())
            return std::string("no ") + what + " " + std::to_string(*index) + " (it has " +
                   std::to_string(icons.size()) + ")";
        first = *index;
        last = first + 1;
    }
    if (id) {
        const std::string why = selectById(icons, *id, language, what, first);
        if (!why.empty()) return why;
        last = first + 1;
    }
    return "";
}

// What is written for one icon: its .ico or .cur as stored, or a PNG of its image best for size;
// empty when no image can be read.
std::vector<std::uint8_t> iconFileBytes(const icons::Icon& icon, bool png,
                                        std::optional<int> size) {
    return png           ? pictureOf(icon, size.value_or(INT_MAX), INT_MAX)
           : icon.cursor ? icons::writeCursorFile(icon)
                         : icons::writeIconFile(icon);
}

} // namespace

int runExtract(const Command& command, std::ostream& out, std::ostream& err) {
    int status = kExitRead;
    const std::string folder = command.folder.empty() ? "" : paths::nativePath(command.folder);
    Inputs inputs(command);
    std::set<std::string> uniques; // --unique: the names written so far
    // The files are written in batches that share their flushes to disk: each is whole on disk
    // before its name appears, and the names are said in the order the icons come.
    bool stop = false;
    OutputBatch written(command.force, [&](const std::string& target, int error) {
        if (error == 0) {
            out << target << "\n";
        } else if (error == EEXIST && command.unique) {
            return; // the same icon, written by an earlier run
        } else if (stop) {
            return; // the folder failed: said once
        } else {
            err << "tessaline: " << target << ": " << std::strerror(error)
                << (error == EEXIST ? " (--force replaces it)" : "") << "\n";
            status = kExitFailed;
            // The folder itself fails (a full disk, no permission): the next would too, so
            // the failure is said once and the action ends.
            stop = error != EEXIST;
        }
    });
    std::optional<std::size_t> index;
    if (command.index) index = static_cast<std::size_t>(*command.index);
    while (const std::optional<Input> input = inputs.next()) {
        const std::string& path = input->path;
        icons::IconFile file;
        if (input->error.empty()) {
            file = icons::readIconFile(path);
        } else {
            file.status = icons::FileStatus::Unreadable;
            file.error = input->error;
        }
        if (file.status == icons::FileStatus::Unreadable) {
            err << "tessaline: " << path << ": " << file.error << "\n";
            status = kExitFailed;
            continue;
        }
        if (command.cursorFormat != CursorFormat::None) {
            bool folderFailed = false;
            status = std::max(
                status, extractCursorPictures(command, file, path, folder, out, err, folderFailed));
            if (folderFailed) {
                written.commit();
                return kExitFailed;
            }
            continue;
        }
        const std::vector<icons::Icon>& icons = command.cursors ? file.cursors : file.icons;
        const char* what = command.cursors ? "cursor" : "icon";
        std::size_t first = 0;
        std::size_t last = 0;
        if (const std::string why =
                selectGroups(icons, what, index, command.id, command.language, first, last);
            !why.empty()) {
            err << "tessaline: " << path << ": " << why << "\n";
            status = kExitFailed;
            continue;
        }
        const std::string name = baseName(path) + (command.cursors ? "_cursor" : "");
        std::vector<std::size_t> unwritten; // said once for the file, after the others
        for (std::size_t i = first; i < last; ++i) {
            const icons::Icon& icon = icons[i];
            const char* suffix = command.png ? ".png" : icon.cursor ? ".cur" : ".ico";
            // --unique: each distinct icon once, named by the SHA-256 --hashes lists for it (of
            // its .ico or .cur, also when a PNG is written); a repeat is known before anything
            // is drawn, and one there from an earlier run is the same icon, left as it is.
            std::string unique;
            if (command.unique) {
                const std::vector<std::uint8_t> stored =
                    icon.cursor ? icons::writeCursorFile(icon) : icons::writeIconFile(icon);
                if (!stored.empty() && !uniques.insert(unique = sha256Hex(stored)).second) continue;
            }
            const std::vector<std::uint8_t> bytes = iconFileBytes(icon, command.png, command.size);
            if (bytes.empty()) {
                unwritten.push_back(i);
                continue;
            }
            const std::string target = joinPath(
                folder, command.unique ? (unique.empty() ? sha256Hex(bytes) : unique) + suffix
                                       : name + "_" + std::to_string(i) + suffix);
            written.add(target, bytes);
            if (stop) break;
        }
        if (stop) {
            written.commit();
            return kExitFailed;
        }
        if (!unwritten.empty()) {
            err << "tessaline: " << path << ": " << nothingWritten(unwritten, what) << "\n";
            status = kExitFailed;
        }
    }
    written.commit();
    return stop ? kExitFailed : status;
}

int runThumbnail(const Command& command, std::ostream& err) {
    const std::string input = paths::nativePath(command.files.at(0));
    const std::string& output = command.files.at(1);
    // The first icon that draws: the directories and the first icon's images are read, not every
    // icon's; only where the first draws nothing are the others read.
    icons::IconFile file = icons::readIconFile(input, {.iconOnly = 0});
    if (file.status == icons::FileStatus::Unreadable) {
        err << "tessaline: " << input << ": " << file.error << "\n";
        return kExitFailed;
    }
    std::vector<std::uint8_t> png;
    // An animated cursor's first step shows first, whichever frame its sequence names.
    if (file.animation && !file.animation->frames.empty()) {
        if (file.animation->frames[0] != 0) file = icons::readIconFile(input);
        const std::size_t first = file.animation ? file.animation->frames.at(0) : 0;
        if (first < file.icons.size())
            png = pictureOf(file.icons[first], command.thumbnailSize, command.thumbnailSize);
    }
    if (png.empty() && !file.icons.empty())
        png = pictureOf(file.icons[0], command.thumbnailSize, command.thumbnailSize);
    if (png.empty() && file.icons.size() > 1) file = icons::readIconFile(input);
    for (std::size_t i = 1; png.empty() && i < file.icons.size(); ++i)
        png = pictureOf(file.icons[i], command.thumbnailSize, command.thumbnailSize);
    if (png.empty()) {
        err << "tessaline: " << input << ": no icon to draw\n";
        return kExitFailed;
    }
    if (const int error = writeFileBytes(output, png, true)) {
        err << "tessaline: " << output << ": " << std::strerror(error) << "\n";
        return kExitFailed;
    }
    return kExitRead;
}

void limitThumbnailResources() {
    const auto lower = [](int resource, rlim_t most) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) != 0) return;
        if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > most) limit.rlim_cur = most;
        ::setrlimit(resource, &limit);
    };
#if !defined(__SANITIZE_ADDRESS__)
    // (AddressSanitizer reserves terabytes of address space for itself.)
    lower(RLIMIT_AS, kThumbnailMemory);
#endif
    lower(RLIMIT_CPU, kThumbnailSeconds);
}

} // namespace tess::cli

namespace tess {

Extracted extractBytes(const icons::IconFile& file, const ExtractRequest& request) {
    const std::vector<icons::Icon>& icons = request.cursors ? file.cursors : file.icons;
    const char* what = request.cursors ? "cursor" : "icon";
    Extracted out;
    std::size_t first = 0;
    std::size_t last = 0;
    // One icon: the first where neither its number nor its ID is asked.
    const std::optional<std::size_t> index =
        request.id ? request.index : std::optional(request.index.value_or(0));
    out.error = cli::selectGroups(icons, what, index, request.id, request.language, first, last);
    if (!out.error.empty()) return out;
    out.bytes = cli::iconFileBytes(icons[first], request.png, request.size);
    if (out.bytes.empty()) out.error = cli::nothingWritten({first}, what);
    return out;
}

} // namespace tess
