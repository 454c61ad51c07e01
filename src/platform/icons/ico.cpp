// ICO and CUR files (one icon holding all the images), and the writer of one icon as such a file.
#include "platform/icons/formats.h"

#include <algorithm>

namespace tess::icons {
namespace detail {

bool readIco(const Reader& in, Icon& icon, Budget& budget) {
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
        const std::uint32_t size = le32(e + 8);
        const std::uint32_t offset = le32(e + 12);
        if (size == 0 || size > kMaxStoredImageBytes || !in.has(offset, size) || !budget.take(size))
            continue;
        auto bytes = in.bytes(offset, size);
        if (!bytes) continue;
        IconImage image;
        image.width = e[0];
        image.height = e[1];
        image.colorCount = e[2];
        image.bytes = std::move(*bytes);
        classify(image);
        if (icon.cursor) {
            image.hotspotX = le16(e + 4);
            image.hotspotY = le16(e + 6);
            image.planes = 1;
            image.bitCount = 0;
            image.bitCount = static_cast<std::uint16_t>(effectiveBits(image));
        } else {
            image.planes = le16(e + 4);
            image.bitCount = le16(e + 6);
        }
        icon.images.push_back(std::move(image));
    }
    return true;
}

} // namespace detail

std::vector<std::uint8_t> writeIconFile(const Icon& icon) {
    const std::size_t count = std::min(icon.images.size(), detail::kMaxImagesPerGroup);
    std::vector<std::uint8_t> out;
    auto put16 = [&out](std::size_t at, std::uint32_t v) {
        out[at] = static_cast<std::uint8_t>(v);
        out[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    std::size_t total = 6 + 16 * count;
    for (std::size_t i = 0; i < count; ++i)
        total += icon.images[i].bytes.size();
    if (total > 0xFFFFFFFFu) return {}; // offsets would not fit the directory
    out.resize(6 + 16 * count);
    out.reserve(total);
    put16(2, icon.cursor ? 2 : 1);
    put16(4, static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const IconImage& im = icon.images[i];
        const std::size_t e = 6 + 16 * i;
        out[e] = im.width;
        out[e + 1] = im.height;
        out[e + 2] = im.colorCount;
        put16(e + 4, icon.cursor ? im.hotspotX : im.planes);
        put16(e + 6, icon.cursor ? im.hotspotY : im.bitCount);
        put32(e + 8, static_cast<std::uint32_t>(im.bytes.size()));
        put32(e + 12, static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), im.bytes.begin(), im.bytes.end());
    }
    return out;
}

} // namespace tess::icons
