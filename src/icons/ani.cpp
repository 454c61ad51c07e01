// Animated cursors: RIFF 'ACON'; each 'icon' chunk of the LIST 'fram' is one icon, in stored order.
// A frame is an ICO/CUR file, or a bare DIB where the header lacks AF_ICON. Frames are taken as
// they are stored; the header's frame count is not trusted. Chunks that run past their container
// are clipped to it, so a truncated file still gives the frames it holds. Only the top level and
// the 'fram' list are walked: RIFF nested in RIFF is skipped, never descended into.
#include "icons/formats.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace tess::icons::detail {
namespace {

// Calls f(id, body) for each chunk of [start, end) of r, clipping the last to end.
void chunks(const Reader& r, std::uint64_t start, std::uint64_t end,
            const std::function<void(const std::array<std::uint8_t, 4>&, const Reader&)>& f) {
    std::uint64_t at = start;
    while (at < end && fits(at, 8, end)) {
        const auto h = r.fixed<8>(at);
        if (!h) break;
        std::array<std::uint8_t, 4> id{};
        std::copy_n(h->begin(), 4, id.begin());
        const std::uint64_t size = std::min<std::uint64_t>(le32(h->data() + 4), end - at - 8);
        if (auto body = r.sub(at + 8, size)) f(id, *body);
        at += 8 + size + (size & 1); // chunks are word-aligned
    }
}

bool is(const std::array<std::uint8_t, 4>& id, const char* name) {
    return std::memcmp(id.data(), name, 4) == 0;
}

bool bareDibFrame(const Reader& body, Icon& icon, Parse& parse) {
    const auto head = body.fixed<16>(0);
    if (!head) return false;
    const std::uint32_t headerSize = le32(head->data());
    if (headerSize != 12 && headerSize != 40 && headerSize != 108 && headerSize != 124)
        return false;
    IconImage image;
    if (!placeImage(body, 0, body.size(), parse, image)) return false;
    const bool core = headerSize == 12;
    const std::int32_t w = core ? le16(head->data() + 4) : le32s(head->data() + 4);
    const std::int32_t h = (core ? le16(head->data() + 6) : le32s(head->data() + 8)) / 2;
    image.width = static_cast<std::uint8_t>(w > 0 && w < 256 ? w : 0);
    image.height = static_cast<std::uint8_t>(h > 0 && h < 256 ? h : 0);
    image.planes = 1;
    image.bitCount = le16(head->data() + (core ? 10 : 14));
    icon.cursor = true;
    icon.images.push_back(std::move(image));
    return true;
}

} // namespace

void readAni(const Reader& in, IconFile& file, Parse& parse) {
    const auto riffSize = in.u32(4);
    if (!riffSize) return;
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{*riffSize} + 8, in.size());
    chunks(in, 12, end, [&](const auto& id, const Reader& list) {
        if (!is(id, "LIST")) return;
        const auto form = list.fixed<4>(0);
        if (!form || std::memcmp(form->data(), "fram", 4) != 0) return;
        chunks(list, 4, list.size(), [&](const auto& fid, const Reader& body) {
            if (!is(fid, "icon")) return;
            Icon icon;
            parse.beginIcon(file.icons.size(), false);
            const auto h = body.fixed<4>(0);
            const bool ico =
                h && (*h)[0] == 0 && (*h)[1] == 0 && ((*h)[2] == 1 || (*h)[2] == 2) && (*h)[3] == 0;
            if (ico ? readIco(body, icon, parse) : bareDibFrame(body, icon, parse)) {
                if (!icon.images.empty()) file.icons.push_back(std::move(icon));
            }
        });
    });
}

} // namespace tess::icons::detail
