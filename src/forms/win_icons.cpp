// The stand-ins for ExtractIconA, DrawIcon, DrawIconEx and DestroyIcon, over the engine's
// typed API.
//
// A handle names an entry of a bounded table holding the whole icon (shared with the cached
// parse of its file). Handles are never reused: a stale handle finds nothing. When the table is
// full, the oldest handle is released, since callers need not release handles after drawing.
#include "forms/win_icons.h"

#include <QImage>
#include <algorithm>
#include <cstring>

namespace tess::forms {
namespace {

using icons::HICON;

constexpr int kStandardSize = 32;

bool sameOwner(const std::shared_ptr<const void>& a, const std::shared_ptr<const void>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

// The image shrunk to w x h exactly as a picture surface shrinks it to draw it (Qt's smooth
// scaling of the decoded pixels), so that drawing the result at its own size gives the very
// pixels drawing the whole image gives. Where a side shrinks below half, Qt scales premultiplied
// ARGB pixels, converting a copy of the image first: the pixels are premultiplied in place
// instead (as Qt rounds), so that a huge image is never held twice.
icons::Rgba shrink(icons::Rgba&& image, int w, int h) {
    QImage::Format format = QImage::Format_RGBA8888;
    if (2 * w < image.width || 2 * h < image.height) {
        format = QImage::Format_ARGB32_Premultiplied;
        auto premultiplied = [](unsigned c, unsigned a) {
            const unsigned v = c * a;
            return (v + (v >> 8) + 0x80) >> 8;
        };
        for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
            const std::uint8_t* p = image.pixels.data() + i;
            const unsigned a = p[3];
            const std::uint32_t argb = a << 24 | premultiplied(p[0], a) << 16 |
                                       premultiplied(p[1], a) << 8 | premultiplied(p[2], a);
            std::memcpy(image.pixels.data() + i, &argb, 4);
        }
    }
    const QImage scaled =
        QImage(image.pixels.data(), image.width, image.height, image.width * 4, format)
            .scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGBA8888);
    image = icons::Rgba{}; // the whole image goes before the next one is decoded
    if (scaled.width() != w || scaled.height() != h) return {}; // out of memory
    icons::Rgba out{w, h, std::vector<std::uint8_t>(std::size_t{4} * w * h)};
    for (int y = 0; y < h; ++y)
        std::copy_n(scaled.constScanLine(y), std::size_t{4} * w,
                    out.pixels.data() + std::size_t{4} * w * y);
    return out;
}

} // namespace

IconFunctions::IconFunctions(IconFunctionLimits limits) : limits_(limits) {}

HICON IconFunctions::extract(const std::string& path, std::int32_t index) {
    if (path.empty()) return 0;
    const auto file = files_.read(path);
    if (file->status == icons::FileStatus::Unreadable) return 0;
    if (index == -1) // the number of icons
        return file->status == icons::FileStatus::Icons ? file->icons.size() : 0;
    if (file->status == icons::FileStatus::NotAnIconFile) return 1;
    const icons::Icon* icon = nullptr;
    if (index >= 0) {
        if (static_cast<std::size_t>(index) < file->icons.size())
            icon = &file->icons[static_cast<std::size_t>(index)];
    } else { // -N: the group whose resource ID is N
        const std::string id = std::to_string(-static_cast<std::int64_t>(index));
        for (const auto& i : file->icons)
            if (!i.named && i.id == id) {
                icon = &i;
                break;
            }
    }
    if (!icon) return 0;
    std::lock_guard lock(handleMutex_);
    if (handles_.size() >= std::max<std::size_t>(1, limits_.handles))
        handles_.erase(handles_.begin());
    const HICON h = nextHandle_++;
    // The handle shares ownership of the parsed file: no copy of the images is made.
    handles_.emplace(h, std::shared_ptr<const icons::Icon>(file, icon));
    return h;
}

std::shared_ptr<const icons::Icon> IconFunctions::icon(HICON handle) const {
    std::lock_guard lock(handleMutex_);
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second;
}

bool IconFunctions::destroy(HICON handle) {
    std::lock_guard lock(handleMutex_);
    return handles_.erase(handle) != 0;
}

std::shared_ptr<const icons::Rgba>
IconFunctions::decoded(const std::shared_ptr<const icons::Icon>& icon, std::size_t index, int w,
                       int h) {
    const icons::IconImage& image = icon->images[index];
    // Images named by several groups are one: known by their place in the file.
    const auto key = std::tuple(image.offset, image.size, w, h);
    {
        std::lock_guard lock(decodedMutex_);
        if (sameOwner(decodedOwner_, icon)) {
            if (const auto it = decoded_.find(key); it != decoded_.end()) return it->second;
        }
    }
    auto rgba = icons::decodeImage(image);
    const std::uint64_t drawn =
        std::uint64_t{4} * static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
    if (rgba && std::uint64_t{4} * rgba->width * rgba->height > drawn)
        rgba = shrink(std::move(*rgba), w, h);
    std::shared_ptr<const icons::Rgba> result =
        rgba && !rgba->pixels.empty() ? std::make_shared<const icons::Rgba>(std::move(*rgba))
                                      : nullptr;
    const std::uint64_t bytes = result ? result->pixels.size() : 0;
    if (bytes > limits_.decodedBytes) return result; // drawn once, never kept
    std::lock_guard lock(decodedMutex_);
    if (!sameOwner(decodedOwner_, icon) || decodedBytes_ + bytes > limits_.decodedBytes) {
        decoded_.clear();
        decodedBytes_ = 0;
        decodedOwner_ = icon;
    }
    if (decoded_.emplace(key, result).second) // a damaged image is remembered as such too
        decodedBytes_ += bytes;
    return result;
}

bool IconFunctions::draw(icons::DeviceContext& dc, int x, int y, HICON handle, int w, int h) {
    const auto held = icon(handle);
    if (!held) return false;
    w = w > 0 ? w : kStandardSize;
    h = h > 0 ? h : kStandardSize;
    for (const std::size_t i : icons::imagesBySuitability(*held, std::max(w, h))) {
        if (const auto rgba = decoded(held, i, w, h)) {
            dc.drawRgba(x, y, w, h, *rgba);
            return true;
        }
    }
    return false;
}

std::uint64_t IconFunctions::decodedBytesHeld() const {
    std::lock_guard lock(decodedMutex_);
    return decodedBytes_;
}

namespace {
std::mutex installedMutex;
std::shared_ptr<IconFunctions> installed;

std::shared_ptr<IconFunctions> exchangeInstalled(std::shared_ptr<IconFunctions> functions) {
    std::lock_guard lock(installedMutex);
    std::swap(installed, functions);
    return functions;
}
} // namespace

std::shared_ptr<IconFunctions> iconFunctions() {
    std::lock_guard lock(installedMutex);
    if (!installed) installed = std::make_shared<IconFunctions>();
    return installed;
}

InstalledIconFunctions::InstalledIconFunctions(std::shared_ptr<IconFunctions> functions)
    : functions_(std::move(functions)), previous_(exchangeInstalled(functions_)) {}

InstalledIconFunctions::~InstalledIconFunctions() {
    exchangeInstalled(std::move(previous_));
}

} // namespace tess::forms

namespace tess::icons {
std::shared_ptr<const Icon> iconOfHandle(HICON handle) {
    return forms::iconFunctions()->icon(handle);
}
} // namespace tess::icons

using tess::icons::HICON;

HICON ExtractIconA(std::uint32_t, const std::string& lpszExeFileName, std::int32_t nIconIndex) {
    return tess::forms::iconFunctions()->extract(lpszExeFileName, nIconIndex);
}

bool DrawIconEx(tess::icons::DeviceContext& hdc, int xLeft, int yTop, HICON hIcon, int cxWidth,
                int cyWidth, unsigned, std::uintptr_t, unsigned) {
    return tess::forms::iconFunctions()->draw(hdc, xLeft, yTop, hIcon, cxWidth, cyWidth);
}

bool DrawIcon(tess::icons::DeviceContext& hDC, int X, int Y, HICON hIcon) {
    return DrawIconEx(hDC, X, Y, hIcon, 32, 32, 0, 0, 3);
}

bool DestroyIcon(HICON hIcon) {
    return tess::forms::iconFunctions()->destroy(hIcon);
}
