// The stand-ins for ExtractIconA, DrawIcon, DrawIconEx and DestroyIcon.
//
// A handle names an entry of a bounded table holding the whole icon (shared with the cached
// parse of its file). Handles are never reused: a stale handle finds nothing. When the table is
// full, the oldest handle is released, since callers need not release handles after drawing.
#include "forms/win_icons.h"
#include "forms/win_icons_detail.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace tess::icons {
namespace {

constexpr std::size_t kMaxHandles = 4096;
constexpr std::uint64_t kMaxCachedBytes = 128ull * 1024 * 1024;
constexpr int kStandardSize = 32;

std::mutex handleMutex;
std::map<HICON, std::shared_ptr<const Icon>> handles;
HICON nextHandle = 0x100;

struct DecodedCache {
    std::shared_ptr<const void> owner; // the file whose images are held
    std::map<const IconImage*, std::shared_ptr<const Rgba>> images;
    std::uint64_t bytes = 0;
};
std::mutex decodedMutex;
DecodedCache decoded;

bool sameOwner(const std::shared_ptr<const void>& a, const std::shared_ptr<const void>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

HICON addHandle(std::shared_ptr<const Icon> icon) {
    std::lock_guard lock(handleMutex);
    if (handles.size() >= kMaxHandles) handles.erase(handles.begin());
    const HICON h = nextHandle++;
    handles.emplace(h, std::move(icon));
    return h;
}

} // namespace

std::shared_ptr<const Icon> iconOfHandle(HICON handle) {
    std::lock_guard lock(handleMutex);
    const auto it = handles.find(handle);
    return it == handles.end() ? nullptr : it->second;
}

namespace detail {

std::shared_ptr<const Rgba> decodedImage(const std::shared_ptr<const Icon>& icon,
                                         std::size_t index) {
    if (!icon || index >= icon->images.size()) return nullptr;
    const IconImage* image = &icon->images[index];
    {
        std::lock_guard lock(decodedMutex);
        if (sameOwner(decoded.owner, icon)) {
            if (const auto it = decoded.images.find(image); it != decoded.images.end())
                return it->second;
        }
    }
    auto rgba = decodeImage(*image);
    std::shared_ptr<const Rgba> result =
        rgba ? std::make_shared<const Rgba>(std::move(*rgba)) : nullptr;
    std::lock_guard lock(decodedMutex);
    if (!sameOwner(decoded.owner, icon) || decoded.bytes > kMaxCachedBytes) {
        decoded = DecodedCache{};
        decoded.owner = icon;
    }
    decoded.bytes += result ? result->pixels.size() : 0;
    decoded.images[image] = result; // a damaged image is remembered as such too
    return result;
}

void clearDecodedImages() {
    std::lock_guard lock(decodedMutex);
    decoded = DecodedCache{};
}

} // namespace detail
} // namespace tess::icons

using tess::icons::HICON;

HICON ExtractIconA(std::uint32_t, const std::string& lpszExeFileName, std::int32_t nIconIndex) {
    if (lpszExeFileName.empty()) return 0;
    const auto file = tess::icons::readIconFileCached(lpszExeFileName);
    if (file->status == tess::icons::FileStatus::Unreadable) return 0;
    if (nIconIndex == -1) // the number of icons
        return file->status == tess::icons::FileStatus::Icons ? file->icons.size() : 0;
    if (file->status == tess::icons::FileStatus::NotAnIconFile) return 1;
    const tess::icons::Icon* icon = nullptr;
    if (nIconIndex >= 0) {
        if (static_cast<std::size_t>(nIconIndex) < file->icons.size())
            icon = &file->icons[static_cast<std::size_t>(nIconIndex)];
    } else { // -N: the group whose resource ID is N
        const std::string id = std::to_string(-static_cast<std::int64_t>(nIconIndex));
        for (const auto& i : file->icons)
            if (!i.named && i.id == id) {
                icon = &i;
                break;
            }
    }
    if (!icon) return 0;
    // The handle shares ownership of the parsed file: no copy of the images is made.
    return tess::icons::addHandle(std::shared_ptr<const tess::icons::Icon>(file, icon));
}

bool DrawIconEx(tess::icons::DeviceContext& hdc, int xLeft, int yTop, HICON hIcon, int cxWidth,
                int cyWidth, unsigned, std::uintptr_t, unsigned) {
    const auto icon = tess::icons::iconOfHandle(hIcon);
    if (!icon) return false;
    const int w = cxWidth > 0 ? cxWidth : tess::icons::kStandardSize;
    const int h = cyWidth > 0 ? cyWidth : tess::icons::kStandardSize;
    for (const std::size_t i : tess::icons::imagesBySuitability(*icon, std::max(w, h))) {
        if (const auto rgba = tess::icons::detail::decodedImage(icon, i)) {
            hdc.drawRgba(xLeft, yTop, w, h, *rgba);
            return true;
        }
    }
    return false;
}

bool DrawIcon(tess::icons::DeviceContext& hDC, int X, int Y, HICON hIcon) {
    return DrawIconEx(hDC, X, Y, hIcon, tess::icons::kStandardSize, tess::icons::kStandardSize, 0,
                      0, 3);
}

bool DestroyIcon(HICON hIcon) {
    std::lock_guard lock(tess::icons::handleMutex);
    return tess::icons::handles.erase(hIcon) != 0;
}
