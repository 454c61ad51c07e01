// NE (16-bit Windows) files: the group icons (type 0x800E) of the resource table in table order,
// their images (type 0x8003) by ID, offsets and lengths scaled by the alignment shift; the group
// cursors (0x800C) and their images (0x8001) apart. Resources are padded to the alignment: each
// image is trimmed to its true size.
#include "icons/formats.h"

#include <algorithm>
#include <map>

namespace tess::icons::detail {
namespace {

constexpr std::uint16_t kNeCursor = 0x8001;
constexpr std::uint16_t kNeIcon = 0x8003;
constexpr std::uint16_t kNeGroupCursor = 0x800C;
constexpr std::uint16_t kNeGroupIcon = 0x800E;
constexpr std::uint16_t kMaxShift = 24; // 16 MiB units: far beyond any real file

struct NeResource {
    std::uint16_t id;
    std::uint64_t offset, length;
};

} // namespace

void readNe(const Reader& in, std::uint32_t ne, IconFile& file, Parse& parse) {
    const auto head = in.fixed<0x28>(ne);
    if (!head) return;
    const std::uint16_t tableOff = le16(head->data() + 0x24);
    const std::uint16_t residentOff = le16(head->data() + 0x26);
    if (tableOff == 0 || residentOff <= tableOff) return; // no resource table
    const auto table = in.sub(std::uint64_t{ne} + tableOff, residentOff - tableOff);
    if (!table) return;
    const auto shift = table->u16(0);
    if (!shift || *shift > kMaxShift) return;

    std::vector<NeResource> groups, cursorGroups;
    std::map<std::uint16_t, NeResource> icons, cursors;
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
            if (type == kNeGroupCursor) cursorGroups.push_back(res);
            if (type == kNeIcon && (res.id & 0x8000)) icons.emplace(res.id & 0x7FFF, res);
            if (type == kNeCursor && (res.id & 0x8000)) cursors.emplace(res.id & 0x7FFF, res);
        }
        if (!table->has(at, 0)) break;
    }

    const auto read = [&](const std::vector<NeResource>& from,
                          const std::map<std::uint16_t, NeResource>& images, bool cursor,
                          std::vector<Icon>& out) {
        for (const NeResource& g : from) {
            if (!parse.budget.take(0)) return; // the listing ends here
            parse.beginIcon(out.size(), cursor);
            Icon icon;
            icon.cursor = cursor;
            if (g.id & 0x8000) {
                icon.id = std::to_string(g.id & 0x7FFF);
            } else if (const auto len = table->u8(g.id)) {
                icon.named = true;
                if (auto name = table->bytes(std::uint64_t{g.id} + 1, *len))
                    icon.id = latin1ToUtf8(*name);
            }
            std::optional<std::vector<std::uint8_t>> group;
            if (parse.wanted &&
                g.length <= 6 + 14 * kMaxImagesPerGroup + (std::uint64_t{1} << *shift) &&
                parse.takeGroup(g.offset, g.length))
                group = in.bytes(g.offset, g.length);
            for (const GroupEntry& ge :
                 group ? parseGroup(*group, cursor) : std::vector<GroupEntry>{}) {
                const auto it = images.find(ge.id);
                if (it == images.end()) continue;
                IconImage image = ge.image();
                if (placeImage(in, it->second.offset, it->second.length, parse, image, cursor,
                               ge.bytesInRes ? ge.bytesInRes : 0xFFFFFFFFu))
                    icon.images.push_back(std::move(image));
            }
            out.push_back(std::move(icon)); // an empty group keeps its number
        }
    };
    read(groups, icons, false, file.icons);
    read(cursorGroups, cursors, true, file.cursors);
}

} // namespace tess::icons::detail
