// Animated cursors: RIFF 'ACON'; each 'icon' chunk of the LIST 'fram' is one icon, in stored order.
// A frame is an ICO/CUR file, or a bare DIB where the header lacks AF_ICON. Frames are taken as
// they are stored; the header's frame count is not trusted. Chunks that run past their container
// are clipped to it, so a truncated file still gives the frames it holds. Only the top level and
// the 'fram' list are walked: RIFF nested in RIFF is skipped, never descended into.
// How the frames play comes from the 'anih' header, the 'seq ' chunk (the frame of each step;
// without it the frames in stored order) and the 'rate' chunk (the jiffies of each step; without
// it the header's); every count is checked against the others and the bytes, and a sequence that
// cannot be played says why rather than being guessed at.
#include "icons/formats.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

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

// More frames than any animation plays are not recorded (each costs a few bytes).
constexpr std::size_t kMaxFrames = 1u << 18;

std::string bytesPerStep(const char* chunk, std::uint64_t size, std::uint32_t steps) {
    return std::string("its '") + chunk + "' chunk holds " + std::to_string(size) +
           " bytes, not 4 for each of its " + std::to_string(steps) + " steps";
}

// The steps of an animation of the given stored frames (the icon each became, or none where
// it could not be read).
Animation animationOf(const std::optional<Reader>& header, const std::optional<Reader>& seq,
                      const std::optional<Reader>& rate,
                      const std::vector<std::optional<std::uint32_t>>& frames) {
    Animation a;
    const auto head = header ? header->fixed<36>(0) : std::nullopt;
    if (!head) {
        a.error = "it has no 'anih' header";
        return a;
    }
    // Without a sequence the frames play in stored order (and the header's count of steps is
    // not trusted, as its count of frames is not).
    const std::uint64_t steps = seq ? le32(head->data() + 8) : frames.size();
    if (steps == 0) {
        a.error = "it has no steps";
        return a;
    }
    if (steps > kMaxAnimationSteps) {
        a.error = "it claims " + std::to_string(steps) + " steps (at most " +
                  std::to_string(kMaxAnimationSteps) + ")";
        return a;
    }
    const auto n = static_cast<std::uint32_t>(steps);
    std::optional<std::vector<std::uint8_t>> order, rates;
    if (seq && (seq->size() != 4 * steps || !(order = seq->bytes(0, seq->size())))) {
        a.error = bytesPerStep("seq ", seq->size(), n);
        return a;
    }
    if (rate && (rate->size() != 4 * steps || !(rates = rate->bytes(0, rate->size())))) {
        a.error = bytesPerStep("rate", rate->size(), n);
        return a;
    }
    const std::uint32_t defaultRate = le32(head->data() + 28);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t frame = order ? le32(order->data() + 4 * std::size_t{i}) : i;
        const std::uint32_t jiffies =
            rates ? le32(rates->data() + 4 * std::size_t{i}) : defaultRate;
        const std::string step = "step " + std::to_string(i);
        if (frame >= frames.size()) {
            a.error = step + " shows frame " + std::to_string(frame) + ", and it has " +
                      std::to_string(frames.size()) + " frames";
        } else if (!frames[frame]) {
            a.error = step + " shows frame " + std::to_string(frame) + ", which cannot be read";
        } else if (jiffies == 0) {
            a.error = rates ? step + " has a rate of 0" : "its header's rate is 0";
        }
        if (!a.error.empty()) {
            a.frames.clear(), a.jiffies.clear();
            return a;
        }
        a.frames.push_back(*frames[frame]);
        a.jiffies.push_back(jiffies);
    }
    return a;
}

} // namespace

void readAni(const Reader& in, IconFile& file, Parse& parse) {
    const auto riffSize = in.u32(4);
    if (!riffSize) return;
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{*riffSize} + 8, in.size());
    std::optional<Reader> header, seq, rate; // the first of each
    std::vector<std::optional<std::uint32_t>> frames;
    chunks(in, 12, end, [&](const auto& id, const Reader& list) {
        if (is(id, "anih") && !header) header = list;
        if (is(id, "seq ") && !seq) seq = list;
        if (is(id, "rate") && !rate) rate = list;
        if (!is(id, "LIST")) return;
        const auto form = list.fixed<4>(0);
        if (!form || std::memcmp(form->data(), "fram", 4) != 0) return;
        chunks(list, 4, list.size(), [&](const auto& fid, const Reader& body) {
            if (!is(fid, "icon")) return;
            if (frames.size() >= kMaxFrames) return;
            frames.emplace_back();
            Icon icon;
            parse.beginIcon(file.icons.size(), false);
            const auto h = body.fixed<4>(0);
            const bool ico =
                h && (*h)[0] == 0 && (*h)[1] == 0 && ((*h)[2] == 1 || (*h)[2] == 2) && (*h)[3] == 0;
            if (ico ? readIco(body, icon, parse) : bareDibFrame(body, icon, parse)) {
                if (!icon.images.empty()) {
                    frames.back() = static_cast<std::uint32_t>(file.icons.size());
                    file.icons.push_back(std::move(icon));
                }
            }
        });
    });
    file.animation = animationOf(header, seq, rate, frames);
}

} // namespace tess::icons::detail
