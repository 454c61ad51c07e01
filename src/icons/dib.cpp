// DIB icon images: a BITMAPINFOHEADER (or V4/V5, or the 12-byte OS/2 core header with 16-bit
// sizes and 3-byte palette entries) whose height is twice the image's, a palette, the colour
// (XOR) bitmap, then the 1-bit AND mask; rows bottom to top.
//
// Transparency: a set AND bit makes the pixel transparent (the screen-inverting pixels of
// monochrome cursors cannot be shown and are transparent too). A 32-bit image uses its alpha
// channel, unless every alpha byte is 0, when the AND mask decides. A missing AND mask counts as
// all opaque; a colour bitmap that is not all there makes the image undecodable.
#include "icons/decode.h"
#include "icons/formats.h"

#include <array>
#include <bit>

namespace tess::icons::detail {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits. A contiguous channel of at most
// 8 bits (every real one) is scaled through a table, not a division per pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int width = 0;
    bool tabled = false;
    std::array<std::uint8_t, 256> table; // filled only where tabled

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        width = std::min(std::popcount(m >> shift), 32 - shift);
        tabled = width < 8 && (m >> shift) == (1u << width) - 1;
        for (std::uint32_t v = 0; tabled && v < (1u << width); ++v)
            table[v] = scale(v);
    }
    std::uint8_t scale(std::uint64_t v) const {
        const std::uint64_t max = (std::uint64_t{1} << width) - 1;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
    std::uint8_t operator()(std::uint32_t px) const {
        if (mask == 0) return 0;
        const std::uint32_t v = (px & mask) >> shift;
        if (width == 8) return static_cast<std::uint8_t>(v);
        return tabled ? table[v] : scale(v);
    }
};

} // namespace

std::optional<Rgba> decodeDib(std::span<const std::uint8_t> b) {
    if (b.size() < 12) return std::nullopt;
    const std::uint32_t headerSize = le32(b.data());
    const bool core = headerSize == 12;
    if ((!core && headerSize < 40) || headerSize > b.size()) return std::nullopt;
    const std::int32_t width = core ? le16(b.data() + 4) : le32s(b.data() + 4);
    const std::int32_t fullHeight = core ? le16(b.data() + 6) : le32s(b.data() + 8);
    const int bits = le16(b.data() + (core ? 10 : 14));
    const std::uint32_t compression = core ? kBiRgb : le32(b.data() + 16);
    const std::uint32_t clrUsed = core ? 0 : le32(b.data() + 32);
    if (core && bits != 1 && bits != 4 && bits != 8 && bits != 24) return std::nullopt;
    const int height = fullHeight / 2;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        return std::nullopt;
    if (std::uint64_t{4} * width * height > kMaxDecodedBytes) return std::nullopt;

    std::uint64_t at = headerSize;
    std::uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
    if (compression == kBiBitfields) {
        if (bits != 16 && bits != 32) return std::nullopt;
        if (headerSize >= 52) { // the masks are part of the header
            rMask = le32(b.data() + 40);
            gMask = le32(b.data() + 44);
            bMask = le32(b.data() + 48);
            if (headerSize >= 56) aMask = le32(b.data() + 52);
        } else {
            if (!fits(at, 12, b.size())) return std::nullopt;
            rMask = le32(b.data() + at);
            gMask = le32(b.data() + at + 4);
            bMask = le32(b.data() + at + 8);
            at += 12;
        }
        if (rMask == 0 && gMask == 0 && bMask == 0) return std::nullopt;
    } else if (compression != kBiRgb) {
        return std::nullopt;
    } else if (bits == 16) {
        rMask = 0x7C00, gMask = 0x03E0, bMask = 0x001F;
    }
    if (bits == 32 && compression == kBiRgb)
        rMask = 0xFF0000, gMask = 0xFF00, bMask = 0xFF, aMask = 0xFF000000;
    if (bits == 32 && compression == kBiBitfields && aMask == 0) {
        const std::uint32_t rest = ~(rMask | gMask | bMask);
        if (rest == 0xFF000000u) aMask = rest;
    }

    std::uint32_t palette[256] = {};
    if (bits == 1 || bits == 4 || bits == 8) {
        const std::uint32_t max = 1u << bits;
        const std::uint32_t n = clrUsed == 0 ? max : clrUsed;
        const std::uint32_t entry = core ? 3 : 4; // RGBTRIPLE or RGBQUAD
        if (n > 256) return std::nullopt;
        if (!fits(at, std::uint64_t{entry} * n, b.size())) return std::nullopt;
        for (std::uint32_t i = 0; i < n && i < max; ++i) {
            const std::uint8_t* p = b.data() + at + entry * i;
            palette[i] = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
        }
        at += std::uint64_t{entry} * n;
    } else if (bits == 16 || bits == 24 || bits == 32) {
        // A palette is allowed before true-colour pixels too; it is skipped.
        if (clrUsed > 256) return std::nullopt;
        at += std::uint64_t{4} * clrUsed;
    } else {
        return std::nullopt;
    }

    const std::uint64_t stride =
        ((std::uint64_t{static_cast<std::uint32_t>(width)} * bits + 31) / 32) * 4;
    const std::uint64_t maskStride =
        ((std::uint64_t{static_cast<std::uint32_t>(width)} + 31) / 32) * 4;
    if (!fits(at, stride * height, b.size())) return std::nullopt;
    const std::uint8_t* xorBits = b.data() + at;
    const std::uint64_t maskAt = at + stride * height;
    const std::uint8_t* andBits =
        fits(maskAt, maskStride * height, b.size()) ? b.data() + maskAt : nullptr;

    Rgba out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(4) * width * height);
    const Channel cr(rMask), cg(gMask), cb(bMask), ca(aMask);
    bool anyAlpha = false;
    // The common 32-bit layout (BGRA) is copied byte by byte, without the channel arithmetic.
    const bool bgra =
        bits == 32 && rMask == 0xFF0000 && gMask == 0xFF00 && bMask == 0xFF && aMask == 0xFF000000u;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = xorBits + stride * (height - 1 - y);
        std::uint8_t* dst = out.pixels.data() + static_cast<std::size_t>(4) * width * y;
        if (bgra) {
            for (int x = 0; x < width; ++x, dst += 4, row += 4) {
                dst[0] = row[2], dst[1] = row[1], dst[2] = row[0], dst[3] = row[3];
                anyAlpha |= row[3] != 0;
            }
            continue;
        }
        for (int x = 0; x < width; ++x, dst += 4) {
            std::uint32_t c = 0; // 0x00RRGGBB, or the raw pixel for 16 and 32 bits
            switch (bits) {
            case 1:
                c = palette[(row[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                c = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
                break;
            case 8:
                c = palette[row[x]];
                break;
            case 24:
                c = row[3 * x] | (row[3 * x + 1] << 8) |
                    (static_cast<std::uint32_t>(row[3 * x + 2]) << 16);
                break;
            case 16:
                c = le16(row + 2 * x);
                break;
            case 32:
                c = le32(row + 4 * x);
                break;
            }
            if (bits == 16 || bits == 32) {
                dst[0] = cr(c);
                dst[1] = cg(c);
                dst[2] = cb(c);
                dst[3] = ca.mask ? ca(c) : 255;
                if (dst[3] != 0) anyAlpha = true;
            } else {
                dst[0] = static_cast<std::uint8_t>(c >> 16);
                dst[1] = static_cast<std::uint8_t>(c >> 8);
                dst[2] = static_cast<std::uint8_t>(c);
                dst[3] = 255;
            }
        }
    }
    const bool useAlpha = ca.mask != 0 && anyAlpha;
    if (!useAlpha) {
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* mrow = andBits ? andBits + maskStride * (height - 1 - y) : nullptr;
            std::uint8_t* dst = out.pixels.data() + static_cast<std::size_t>(4) * width * y;
            for (int x = 0; x < width; ++x, dst += 4) {
                const bool transparent = mrow && ((mrow[x / 8] >> (7 - x % 8)) & 1);
                if (transparent) {
                    dst[0] = dst[1] = dst[2] = dst[3] = 0;
                } else {
                    dst[3] = 255;
                }
            }
        }
    }
    return out;
}

} // namespace tess::icons::detail
