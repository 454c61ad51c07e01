#include "cli/output.h"
#include "fs/durable_writer.h"

#include <stb_image_resize.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tess::cli {

int writeFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, bool replace) {
    return files::writeFile(path, bytes,
                            replace ? files::Mode::replaceOrDevice : files::Mode::create);
}

OutputBatch::OutputBatch(bool replace, Done done)
    : mode_(replace ? files::Mode::replaceOrDevice : files::Mode::create), done_(std::move(done)) {}

void OutputBatch::add(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::size_t staged = batch_.size();
    const int error = batch_.add(path, bytes, mode_);
    // A file refused (or a device written into) waits with the others, so that done hears of
    // the files in order.
    pending_.push_back({path, error, batch_.size() > staged});
    if (pending_.size() >= files::Batch::kAdvisedSize) commit();
}

void OutputBatch::commit() {
    const std::vector<files::Batch::Result> results = batch_.commit();
    std::vector<Pending> pending;
    pending.swap(pending_); // done may add more
    auto result = results.begin();
    for (const Pending& file : pending)
        done_(file.path, file.staged && result != results.end() ? result++->error : file.error);
}

std::string baseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

std::string joinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    std::string path(folder);
    if (path.back() != '/') path += '/';
    return path.append(name);
}

icons::Rgba scaleToFit(const icons::Rgba& picture, int size) {
    if (picture.width <= size && picture.height <= size) return picture;
    const int longest = std::max(picture.width, picture.height);
    icons::Rgba scaled;
    scaled.width =
        std::max(1, static_cast<int>(static_cast<long long>(picture.width) * size / longest));
    scaled.height =
        std::max(1, static_cast<int>(static_cast<long long>(picture.height) * size / longest));
    scaled.pixels.resize(static_cast<std::size_t>(scaled.width) * scaled.height * 4);
    // Straight alpha: the filter weighs each pixel's colour by its alpha.
    if (!stbir_resize_uint8_generic(picture.pixels.data(), picture.width, picture.height, 0,
                                    scaled.pixels.data(), scaled.width, scaled.height, 0, 4, 3, 0,
                                    STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_SRGB,
                                    nullptr))
        return {};
    return scaled;
}

std::optional<Size> storedPngSize(std::span<const std::uint8_t> b) {
    static constexpr std::uint8_t kStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                              0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    if (b.size() < 33 || !std::equal(std::begin(kStart), std::end(kStart), b.begin())) return {};
    const auto be32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(b[at]) << 24 |
               static_cast<std::uint32_t>(b[at + 1]) << 16 |
               static_cast<std::uint32_t>(b[at + 2]) << 8 | b[at + 3];
    };
    const std::uint32_t w = be32(16);
    const std::uint32_t h = be32(20);
    if (w == 0 || h == 0 || w > 4096 || h > 4096) return {};
    return Size{static_cast<int>(w), static_cast<int>(h)};
}

} // namespace tess::cli
