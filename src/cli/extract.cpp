#include "cli/extract.h"

#include "cli/output.h"
#include "fs/native_path.h"
#include "tessaline/icons.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
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
        std::vector<std::uint8_t> png = encodePng(scaleToFit(*rgba, fit));
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

} // namespace

int runExtract(const Command& command, std::ostream& out, std::ostream& err) {
    int status = kExitRead;
    const std::string folder = command.folder.empty() ? "" : paths::nativePath(command.folder);
    for (const std::string& given : command.files) {
        const std::string path = paths::nativePath(given);
        const icons::IconFile file = icons::readIconFile(path);
        if (file.status == icons::FileStatus::Unreadable) {
            err << "tessaline: " << path << ": " << file.error << "\n";
            status = kExitFailed;
            continue;
        }
        const std::vector<icons::Icon>& icons = command.cursors ? file.cursors : file.icons;
        const char* what = command.cursors ? "cursor" : "icon";
        if (icons.empty()) {
            err << "tessaline: " << path << ": no " << what << "s to write\n";
            status = kExitFailed;
            continue;
        }
        std::size_t first = 0;
        std::size_t last = icons.size();
        if (command.index) {
            if (static_cast<std::size_t>(*command.index) >= icons.size()) {
                err << "tessaline: " << path << ": no " << what << " " << *command.index
                    << " (it has " << icons.size() << ")\n";
                status = kExitFailed;
                continue;
            }
            first = static_cast<std::size_t>(*command.index);
            last = first + 1;
        }
        const std::string name = baseName(path) + (command.cursors ? "_cursor" : "");
        std::vector<std::size_t> unwritten; // said once for the file, after the others
        for (std::size_t i = first; i < last; ++i) {
            const icons::Icon& icon = icons[i];
            const char* suffix = command.png ? ".png" : icon.cursor ? ".cur" : ".ico";
            const std::string target = joinPath(folder, name + "_" + std::to_string(i) + suffix);
            const std::vector<std::uint8_t> bytes =
                command.png   ? pictureOf(icon, command.size.value_or(INT_MAX), INT_MAX)
                : icon.cursor ? icons::writeCursorFile(icon)
                              : icons::writeIconFile(icon);
            if (bytes.empty()) {
                unwritten.push_back(i);
                continue;
            }
            // (Files are created one after another: the system creates the files of one folder
            // one at a time whatever the number of threads asking.)
            const int error = writeFileBytes(target, bytes, command.force);
            if (error == 0) {
                out << target << "\n";
            } else if (error == EEXIST) {
                err << "tessaline: " << target << ": " << std::strerror(error)
                    << " (--force replaces it)\n";
                status = kExitFailed;
            } else {
                // The folder itself fails (a full disk, no permission): the next would too, so
                // the failure is said once and the action ends.
                err << "tessaline: " << target << ": " << std::strerror(error) << "\n";
                return kExitFailed;
            }
        }
        if (!unwritten.empty()) {
            err << "tessaline: " << path << ": " << nothingWritten(unwritten, what) << "\n";
            status = kExitFailed;
        }
    }
    return status;
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
    if (!file.icons.empty())
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
