// ICO and CUR files (one icon holding all the images), and the writer of one icon as such a file.
#include "icons/decode.h"
#include "icons/formats.h"

#include <algorithm>

namespace tess::icons {
namespace detail {

bool readIco(const Reader& in, Icon& icon, Parse& parse) {
    const auto head = in.fixed<6>(0);
    if (!head || le16(head->data()) != 0) return false;
    const std::uint16_t type = le16(head->data() + 2);
    if (type != 1 && type != 2) return false;
    icon.cursor = type == 2;
    const std::uint64_t count =
        std::min<std::uint64_t>(le16(head->data() + 4), (in.size() - 6) / 16);
    auto dir = in.bytes(6, count * 16);
    if (!dir) return true;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* e = dir->data() + i * 16;
        IconImage image;
        image.width = e[0];
        image.height = e[1];
        image.colorCount = e[2];
        if (!placeImage(in, le32(e + 12), le32(e + 8), parse, image)) continue;
        if (icon.cursor) {
            image.hotspotX = le16(e + 4);
            image.hotspotY = le16(e + 6);
            image.planes = 1;
            image.bitCount = static_cast<std::uint16_t>(effectiveBits(image));
        } else {
            image.planes = le16(e + 4);
            image.bitCount = le16(e + 6);
        }
        icon.images.push_back(std::move(image));
    }
    return true;
}

namespace {

// The images as an ICO (type 1) or CUR (type 2) file, as stored but for a PNG that is not whole;
// the images that cannot be read are left out, and nothing is written when none is left or the
// offsets would not fit the directory.
std::vector<std::uint8_t> writeFile(const Icon& icon, bool cursor) {
    std::vector<std::pair<const IconImage*, std::shared_ptr<const std::vector<std::uint8_t>>>>
        images;
    std::uint64_t total = 6;
    for (const IconImage& im : icon.images) {
        if (images.size() == kMaxImagesPerGroup) break;
        auto bytes = imageBytes(im);
        if (!bytes || bytes->empty()) continue;
        if (isPng(*bytes) && !pngIsWhole(*bytes)) { // written again from its pixels, if it decodes
            const auto rgba = decodePng(*bytes);
            if (!rgba) continue;
            auto again = encodePng(*rgba);
            if (again.empty()) continue;
            bytes = std::make_shared<const std::vector<std::uint8_t>>(std::move(again));
        }
        total += 16 + bytes->size();
        if (total > 0xFFFFFFFFu) return {};
        images.emplace_back(&im, std::move(bytes));
    }
    if (images.empty()) return {}; // an icon file without images serves no one
    std::vector<std::uint8_t> out(6 + 16 * images.size());
    out.reserve(static_cast<std::size_t>(total));
    auto put16 = [&out](std::size_t at, std::uint32_t v) {
        out[at] = static_cast<std::uint8_t>(v);
        out[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    put16(2, cursor ? 2 : 1);
    put16(4, static_cast<std::uint32_t>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        const IconImage& im = *images[i].first;
        const std::vector<std::uint8_t>& bytes = *images[i].second;
        const std::size_t e = 6 + 16 * i;
        out[e] = im.width;
        out[e + 1] = im.height;
        out[e + 2] = im.colorCount;
        put16(e + 4, cursor ? im.hotspotX : im.planes);
        put16(e + 6, cursor ? im.hotspotY : im.bitCount);
        put32(e + 8, static_cast<std::uint32_t>(bytes.size()));
        put32(e + 12, static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

} // namespace
} // namespace detail

std::vector<std::uint8_t> writeIconFile(const Icon& icon) {
    try {
        return detail::writeFile(icon, false);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::vector<std::uint8_t> writeCursorFile(const Icon& icon) {
    try {
        return detail::writeFile(icon, true);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace tess::icons
