#include "cli/extract.h"

#include "cli/animation.h"
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
// serves), at most fit x fit pixels. An image stored as a PNG that needs no scaling is written
// exactly as stored.
std::vector<std::uint8_t> pictureOf(const icons::Icon& icon, int size, int fit) {
    for (const std::size_t i : icons::imagesBySuitability(icon, size)) {
        const icons::IconImage& image = icon.images[i];
        if (image.format == icons::ImageFormat::Png) {
            const auto stored = icons::imageBytes(image);
            if (!stored) continue;
            if (const std::optional<Size> s = storedPngSize(*stored);
                s && s->width <= fit && s->height <= fit)
                return *stored;
        }
        const std::optional<icons::Rgba> rgba = icons::decodeImage(image);
        if (!rgba) continue;
        std::vector<std::uint8_t> png = encodePng(scaleToFit(*rgba, fit));
        if (!png.empty()) return png;
    }
    return {};
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
        if (command.cursorFormat != CursorFormat::None) {
            bool stop = false;
            status = std::max(status,
                              extractCursorPictures(command, file, path, folder, out, err, stop));
            if (stop) return kExitFailed;
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
        for (std::size_t i = first; i < last; ++i) {
            const icons::Icon& icon = icons[i];
            const char* suffix = command.png ? ".png" : icon.cursor ? ".cur" : ".ico";
            const std::string target = joinPath(folder, name + "_" + std::to_string(i) + suffix);
            const std::vector<std::uint8_t> bytes =
                command.png   ? pictureOf(icon, command.size.value_or(INT_MAX), INT_MAX)
                : icon.cursor ? icons::writeCursorFile(icon)
                              : icons::writeIconFile(icon);
            if (bytes.empty()) {
                err << "tessaline: " << path << ": " << what << " " << i
                    << " has no image that can be read\n";
                status = kExitFailed;
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
    }
    return status;
}

int runThumbnail(const Command& command, std::ostream& err) {
    const std::string input = paths::nativePath(command.files.at(0));
    const std::string& output = command.files.at(1);
    const icons::IconFile file = icons::readIconFile(input);
    if (file.status == icons::FileStatus::Unreadable) {
        err << "tessaline: " << input << ": " << file.error << "\n";
        return kExitFailed;
    }
    std::vector<std::uint8_t> png;
    // An animated cursor's first step shows first, whichever frame its sequence names.
    if (file.animation && !file.animation->frames.empty())
        png = pictureOf(file.icons.at(file.animation->frames[0]), command.thumbnailSize,
                        command.thumbnailSize);
    for (std::size_t i = 0; i < file.icons.size() && png.empty(); ++i)
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
