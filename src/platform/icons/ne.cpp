// NE (16-bit Windows) files: the group icons (type 0x800E) of the resource table in table order,
// their images (type 0x8003) by ID, offsets and lengths scaled by the alignment shift.
#include "platform/icons/formats.h"

#include <algorithm>
#include <map>

namespace tess::icons::detail {
namespace {

constexpr std::uint16_t kNeIcon = 0x8003;
constexpr std::uint16_t kNeGroupIcon = 0x800E;
constexpr std::uint16_t kMaxShift = 24; // 16 MiB units: far beyond any real file

struct NeResource {
    std::uint16_t id;
    std::uint64_t offset, length;
};

} // namespace

void readNe(const Reader& in, std::uint32_t ne, IconFile& file, Budget& budget) {
    const auto head = in.fixed<0x28>(ne);
    if (!head) return;
    const std::uint16_t tableOff = le16(head->data() + 0x24);
    const std::uint16_t residentOff = le16(head->data() + 0x26);
    if (tableOff == 0 || residentOff <= tableOff) return; // no resource table
    const auto table = in.sub(std::uint64_t{ne} + tableOff, residentOff - tableOff);
    if (!table) return;
    const auto shift = table->u16(0);
    if (!shift || *shift > kMaxShift) return;

    std::vector<NeResource> groups;
    std::map<std::uint16_t, NeResource> icons;
    std::uint64_t at = 2;
    // Each type record takes at least 8 bytes of the bounded table, so the walk ends.
    while (true) {
        const auto t = table->fixed<8>(at);
        if (!t) break;
        const std::uint16_t type = le16(t->data());
        const std::uint16_t count = le16(t->data() + 2);
        if (type == 0) break;
        at += 8;
        for (std::uint16_t i = 0; i < count; ++i, at += 12) {
            const auto r = table->fixed<12>(at);
            if (!r) break;
            const NeResource res{le16(r->data() + 6), std::uint64_t{le16(r->data())} << *shift,
                                 std::uint64_t{le16(r->data() + 2)} << *shift};
            if (type == kNeGroupIcon) groups.push_back(res);
            if (type == kNeIcon && (res.id & 0x8000)) icons.emplace(res.id & 0x7FFF, res);
        }
        if (!table->has(at, 0)) break;
    }

    for (const NeResource& g : groups) {
        if (g.length > 6 + 14 * kMaxImagesPerGroup || !budget.take(g.length)) continue;
        const auto group = in.bytes(g.offset, g.length);
        if (!group) continue;
        Icon icon;
        if (g.id & 0x8000) {
            icon.id = std::to_string(g.id & 0x7FFF);
        } else if (const auto len = table->u8(g.id)) {
            if (auto name = table->bytes(std::uint64_t{g.id} + 1, *len))
                icon.id = latin1ToUtf8(*name);
        }
        for (const GroupEntry& ge : parseGroup(*group)) {
            const auto it = icons.find(ge.id);
            if (it == icons.end()) continue;
            const NeResource& r = it->second;
            if (r.length == 0 || r.length > kMaxStoredImageBytes || !budget.take(r.length))
                continue;
            auto bytes = in.bytes(r.offset, r.length);
            if (!bytes) continue;
            IconImage image;
            image.width = ge.width;
            image.height = ge.height;
            image.colorCount = ge.colorCount;
            image.planes = ge.planes;
            image.bitCount = ge.bitCount;
            image.bytes = std::move(*bytes);
            classify(image);
            icon.images.push_back(std::move(image));
        }
        if (!icon.images.empty()) file.icons.push_back(std::move(icon));
    }
}

} // namespace tess::icons::detail
