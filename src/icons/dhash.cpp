// The sandboxes' icon difference hash, bit for bit as their Python pipeline computes it: the
// sandbox writes the chosen image behind a one-entry .ico directory made of the group entry's
// values, Pillow opens that file and the hash is taken from its 8-bit grey version resized to
// 9 x 8 with the Lanczos filter.
//
// Pillow's reading of an icon image differs from the engine's drawing of it, so the image is
// decoded here the way Pillow decodes it:
// - A DIB goes through Pillow's BMP reader: its header kinds, depths and bit-field layouts only;
//   16-bit channels scaled by truncating division; a palette whose entries are exactly black and
//   white, or the grey ramp, read as grey; palette entries past those stored are the grey ramp.
// - The AND mask and a 32-bit image's alpha never change the grey values (the grey conversion
//   drops alpha), but they must be readable: Pillow reads the mask from the end of the image's
//   bytes, or the alpha bytes of a 32-bit entry (by its directory bit count) from the pixels.
// - A PNG's samples are mapped to grey as Pillow's modes do: 16-bit samples by their high byte,
//   except 16-bit grey, whose values are clipped to 255; grey of 2 and 4 bits scaled up.
// Everything is bounded as the engine's decoders are; a hostile image yields no hash.
#include "tessaline/dhash.h"

#include "icons/formats.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <zlib.h>

namespace tess::icons {
namespace {

using detail::fits;
using detail::kMaxDecodedBytes;
using detail::kMaxImageSide;
using detail::le16;
using detail::le32;

// The size of the directory that the sandbox writes before the image bytes.
constexpr std::uint64_t kIcoPrefix = 6 + 16;

struct Grey {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> px; // rows top to bottom
};

// Pillow's grey from RGB (ITU-R 601-2 luma in 16-bit fixed point).
std::uint8_t luma(unsigned r, unsigned g, unsigned b) {
    return static_cast<std::uint8_t>((r * 19595 + g * 38470 + b * 7471 + 0x8000) >> 16);
}

bool sizeAllowed(std::uint64_t width, std::uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide;
}

// ---- DIB, as Pillow's BMP reader --------------------------------------------------------------

// How Pillow unpacks a row of the colour bitmap.
enum class Unpack { Bit1, L8, Index1, Index4, Index8, Bgr15, Bgr16, Bgr24, Bgrx, Xbgr, Rgbx };

int unpackBits(Unpack u) {
    switch (u) {
    case Unpack::Bit1:
    case Unpack::Index1:
        return 1;
    case Unpack::Index4:
        return 4;
    case Unpack::L8:
    case Unpack::Index8:
        return 8;
    case Unpack::Bgr15:
    case Unpack::Bgr16:
        return 16;
    case Unpack::Bgr24:
        return 24;
    default:
        return 32;
    }
}

// Pillow's run-length decoder for 8- and 4-bit bitmaps: the pixel values (indices) of rows in
// stored order, or nothing when they do not fill the image.
std::optional<std::vector<std::uint8_t>>
decodeRle(std::span<const std::uint8_t> d, std::uint64_t at, int width, int height, bool rle4) {
    const std::uint64_t want = std::uint64_t(width) * std::uint64_t(height);
    std::vector<std::uint8_t> data;
    data.reserve(static_cast<std::size_t>(want));
    std::uint64_t x = 0;
    const std::uint64_t w = static_cast<std::uint64_t>(width);
    // Only the first width x height values are used: zeros of a delta past them are dropped.
    auto pad = [&](std::uint64_t n) {
        data.insert(data.end(), static_cast<std::size_t>(std::min(n, want + w - data.size())), 0);
    };
    while (data.size() < want) {
        if (!fits(at, 2, d.size())) break;
        const std::uint8_t count = d[at], byte = d[at + 1];
        at += 2;
        if (count) {
            const std::uint64_t n = x + count > w ? (x < w ? w - x : 0) : count;
            for (std::uint64_t i = 0; i < n; ++i)
                data.push_back(rle4 ? (i % 2 ? byte & 0xF : byte >> 4) : byte);
            x += n;
        } else if (byte == 0) { // end of line
            while (data.size() % w != 0)
                data.push_back(0);
            x = 0;
        } else if (byte == 1) { // end of bitmap
            break;
        } else if (byte == 2) { // delta: Pillow reads its two bytes past two it skips
            if (!fits(at, 2, d.size())) break;
            if (!fits(at + 2, 2, d.size())) return std::nullopt;
            pad(d[at + 2] + std::uint64_t(d[at + 3]) * w);
            at += 4;
            x = data.size() % w;
        } else { // absolute run
            const std::uint64_t n = rle4 ? byte / 2 : byte;
            const std::uint64_t got = std::min<std::uint64_t>(n, d.size() - at);
            for (std::uint64_t i = 0; i < got; ++i) {
                if (rle4) {
                    data.push_back(d[at + i] >> 4);
                    data.push_back(d[at + i] & 0xF);
                } else {
                    data.push_back(d[at + i]);
                }
            }
            at += got;
            if (got < n) break;
            x += byte;
            if ((kIcoPrefix + at) % 2 != 0) ++at; // runs end on a 16-bit boundary of the file
        }
        if (data.size() > want + w) data.resize(static_cast<std::size_t>(want + w));
    }
    if (data.size() < want) return std::nullopt;
    data.resize(static_cast<std::size_t>(want));
    return data;
}

std::optional<Grey> greyFromDib(std::span<const std::uint8_t> d, std::uint16_t directoryBits) {
    const std::uint64_t n = d.size();
    if (n < 4) return std::nullopt;
    const std::uint32_t headerSize = le32(d.data());
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 64 && headerSize != 108 && headerSize != 124)
        return std::nullopt;
    if (headerSize > n) return std::nullopt;
    std::uint64_t at = headerSize;

    std::uint64_t width = 0, height = 0;
    int bits = 0;
    std::uint32_t compression = 0, colors = 0;
    bool topDown = false;
    std::uint32_t masks[4] = {};
    if (core) {
        width = le16(d.data() + 4);
        height = le16(d.data() + 6);
        bits = le16(d.data() + 10);
    } else {
        topDown = d[11] == 0xFF;
        width = le32(d.data() + 4);
        height = le32(d.data() + 8);
        if (topDown) height = (std::uint64_t{1} << 32) - height;
        bits = le16(d.data() + 14);
        compression = le32(d.data() + 16);
        colors = le32(d.data() + 32);
        if (compression == 3) {
            if (headerSize >= 56) {
                for (int i = 0; i < 4; ++i)
                    masks[i] = le32(d.data() + 40 + 4 * i);
            } else {
                if (!fits(at, 12, n)) return std::nullopt;
                for (int i = 0; i < 3; ++i)
                    masks[i] = le32(d.data() + at + 4 * i);
                at += 12;
            }
        }
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return std::nullopt;
    const std::uint64_t colorCount = colors ? colors : std::uint64_t{1} << bits;

    Unpack unpack = bits == 1    ? Unpack::Index1
                    : bits == 4  ? Unpack::Index4
                    : bits == 8  ? Unpack::Index8
                    : bits == 16 ? Unpack::Bgr15
                    : bits == 24 ? Unpack::Bgr24
                                 : Unpack::Bgrx;
    bool rle = false;
    if (compression == 3) {
        const auto is = [&](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
            return masks[0] == r && masks[1] == g && masks[2] == b;
        };
        if (bits == 32 && is(0xFF0000, 0xFF00, 0xFF) && (masks[3] == 0 || masks[3] == 0xFF000000))
            unpack = Unpack::Bgrx;
        else if (bits == 32 && is(0xFF000000, 0xFF0000, 0xFF00) &&
                 (masks[3] == 0 || masks[3] == 0xFF))
            unpack = Unpack::Xbgr;
        else if (bits == 32 && is(0xFF, 0xFF00, 0xFF0000) && masks[3] == 0xFF000000)
            unpack = Unpack::Rgbx;
        else if (bits == 32 && is(0, 0, 0) && masks[3] == 0)
            unpack = Unpack::Bgrx;
        else if (bits == 24 && is(0xFF0000, 0xFF00, 0xFF))
            unpack = Unpack::Bgr24;
        else if (bits == 16 && is(0xF800, 0x7E0, 0x1F))
            unpack = Unpack::Bgr16;
        else if (bits == 16 && is(0x7C00, 0x3E0, 0x1F))
            unpack = Unpack::Bgr15;
        else
            return std::nullopt;
    } else if (compression == 1 || compression == 2) {
        rle = true;
    } else if (compression != 0) {
        return std::nullopt;
    }

    // The palette: read as far as the bytes go; a stored palette of exactly black and white (two
    // colours) or of the grey ramp (any other count) makes the image grey, read without it.
    std::array<std::uint32_t, 256> palette; // 0xRRGGBB; the grey ramp where none is stored
    for (std::uint32_t i = 0; i < 256; ++i)
        palette[i] = i * 0x010101u;
    bool grey = false;
    if (bits <= 8) {
        if (colorCount == 0 || colorCount > 65536) return std::nullopt;
        const std::uint64_t entry = core ? 3 : 4;
        const std::uint64_t length = std::min(entry * colorCount, n - at);
        const std::uint8_t* p = d.data() + at;
        grey = true;
        for (std::uint64_t i = 0; grey && i < colorCount; ++i) {
            const std::uint8_t v = colorCount == 2 ? static_cast<std::uint8_t>(i ? 255 : 0)
                                                   : static_cast<std::uint8_t>(i);
            grey = entry * i + 3 <= length && p[entry * i] == v && p[entry * i + 1] == v &&
                   p[entry * i + 2] == v;
        }
        if (grey) {
            unpack = colorCount == 2 ? Unpack::Bit1 : Unpack::L8;
        } else {
            if (length / entry > 256) return std::nullopt;
            for (std::uint64_t i = 0; i < length / entry; ++i)
                palette[i] = p[entry * i] | p[entry * i + 1] << 8 |
                             static_cast<std::uint32_t>(p[entry * i + 2]) << 16;
        }
        at += length;
    }

    // The icon's image is the top half of the bitmap.
    const std::uint64_t h = height / 2;
    if (!sizeAllowed(width, h)) return std::nullopt;
    const int w = static_cast<int>(width), hh = static_cast<int>(h);

    // The transparency Pillow reads: all of it must be there, though it changes no grey value.
    if (directoryBits == 32) {
        if (!fits(at, 4 * width * h, n)) return std::nullopt;
    } else {
        const std::uint64_t maskBytes = (width + 31) / 32 * 4 * h;
        if (maskBytes > kIcoPrefix + n) return std::nullopt;
    }

    // Rows in stored order: bottom to top unless the height was negative.
    Grey out;
    out.width = w;
    out.height = hh;
    out.px.resize(static_cast<std::size_t>(width * h));
    auto rowOut = [&](int stored) {
        const int y = topDown ? stored : hh - 1 - stored;
        return out.px.data() + static_cast<std::size_t>(y) * width;
    };
    auto fromPalette = [&](std::uint32_t i) {
        const std::uint32_t c = palette[i & 0xFF];
        return luma(c >> 16, (c >> 8) & 0xFF, c & 0xFF);
    };

    if (rle) {
        // Runs give palette indices or grey values; a true-colour or black-and-white bitmap has
        // no reader for them in Pillow.
        if (bits > 8 || unpack == Unpack::Bit1) return std::nullopt;
        const auto values = decodeRle(d, at, w, hh, compression == 2);
        if (!values) return std::nullopt;
        for (int r = 0; r < hh; ++r) {
            std::uint8_t* dst = rowOut(r);
            const std::uint8_t* src = values->data() + static_cast<std::size_t>(r) * width;
            for (int x = 0; x < w; ++x)
                dst[x] = grey ? src[x] : fromPalette(src[x]);
        }
        return out;
    }

    const std::uint64_t stride = ((width * bits + 31) >> 3) & ~std::uint64_t{3};
    const std::uint64_t rowBytes = (width * unpackBits(unpack) + 7) / 8;
    if (stride < rowBytes) return std::nullopt;
    if (!fits(at, (h - 1) * stride + rowBytes, n)) return std::nullopt;
    const auto c5 = [](unsigned v) { return (v & 31) * 255 / 31; }; // truncated, as Pillow
    for (int r = 0; r < hh; ++r) {
        const std::uint8_t* s = d.data() + at + static_cast<std::uint64_t>(r) * stride;
        std::uint8_t* dst = rowOut(r);
        for (int x = 0; x < w; ++x) {
            std::uint8_t v = 0;
            switch (unpack) {
            case Unpack::Bit1:
                v = (s[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
                break;
            case Unpack::L8:
                v = s[x];
                break;
            case Unpack::Index1:
                v = fromPalette((s[x / 8] >> (7 - x % 8)) & 1);
                break;
            case Unpack::Index4:
                v = fromPalette((s[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
                break;
            case Unpack::Index8:
                v = fromPalette(s[x]);
                break;
            case Unpack::Bgr15: {
                const unsigned p = le16(s + 2 * x);
                v = luma(c5(p >> 10), c5(p >> 5), c5(p));
                break;
            }
            case Unpack::Bgr16: {
                const unsigned p = le16(s + 2 * x);
                v = luma(c5(p >> 11), ((p >> 5) & 63) * 255 / 63, c5(p));
                break;
            }
            case Unpack::Bgr24:
                v = luma(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
                break;
            case Unpack::Bgrx:
                v = luma(s[4 * x + 2], s[4 * x + 1], s[4 * x]);
                break;
            case Unpack::Xbgr:
                v = luma(s[4 * x + 3], s[4 * x + 2], s[4 * x + 1]);
                break;
            case Unpack::Rgbx:
                v = luma(s[4 * x], s[4 * x + 1], s[4 * x + 2]);
                break;
            }
            dst[x] = v;
        }
    }
    return out;
}

// ---- PNG, as Pillow's PNG reader --------------------------------------------------------------

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

bool isWordChar(std::uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// Pillow's mode for a PNG depth and colour type: bits a pixel as stored, and how a pixel's
// bytes become grey.
enum class PngGrey { Bit1, Grey2, Grey4, Grey8, Grey16, Rgb8, Rgb16, Index, FirstByte, Rgba8 };
struct PngMode {
    int bits = 0;
    PngGrey grey = PngGrey::Grey8;
};
std::optional<PngMode> pngMode(int depth, int colourType) {
    switch (colourType * 100 + depth) {
    case 1:
        return PngMode{1, PngGrey::Bit1};
    case 2:
        return PngMode{2, PngGrey::Grey2};
    case 4:
        return PngMode{4, PngGrey::Grey4};
    case 8:
        return PngMode{8, PngGrey::Grey8};
    case 16:
        return PngMode{16, PngGrey::Grey16};
    case 208:
        return PngMode{24, PngGrey::Rgb8};
    case 216:
        return PngMode{48, PngGrey::Rgb16};
    case 301:
    case 302:
    case 304:
    case 308:
        return PngMode{depth, PngGrey::Index};
    case 408:
        return PngMode{16, PngGrey::FirstByte};
    case 416:
        return PngMode{32, PngGrey::FirstByte};
    case 608:
        return PngMode{32, PngGrey::Rgba8};
    case 616:
        return PngMode{64, PngGrey::Rgb16};
    default:
        return std::nullopt;
    }
}

// What Pillow's handler of a chunk refuses, whether before or after the pixels.
bool chunkAccepted(const std::uint8_t* id, std::span<const std::uint8_t> s, int colourType) {
    const auto is = [id](const char* name) { return std::memcmp(id, name, 4) == 0; };
    if (is("tRNS")) return colourType == 0 ? s.size() >= 2 : colourType == 2 ? s.size() >= 6 : true;
    if (is("gAMA")) return s.size() >= 4;
    if (is("sRGB")) return s.size() >= 1;
    if (is("pHYs")) return s.size() >= 9;
    if (is("acTL")) return s.size() >= 8;
    if (is("fcTL")) return s.size() >= 26;
    if (is("iCCP")) return std::find(s.begin(), s.end(), 0) != s.end();
    if (is("zTXt")) { // a compression method other than 0 after the keyword
        const auto nul = std::find(s.begin(), s.end(), 0);
        return nul == s.end() || nul + 1 == s.end() || nul[1] == 0;
    }
    return true;
}

struct PngFile {
    std::uint32_t width = 0, height = 0;
    int depth = 0, colourType = -1;
    bool interlaced = false;
    std::span<const std::uint8_t> palette;
    std::uint64_t firstData = 0; // where the first IDAT's data starts
};

// The chunks before the pixels, as Pillow reads them: each one whole, named by four word
// characters and with its checksum; the last header and palette.
std::optional<PngFile> readPngHead(std::span<const std::uint8_t> d) {
    PngFile f;
    bool header = false;
    for (std::uint64_t at = 8;;) {
        if (!fits(at, 8, d.size())) return std::nullopt;
        const std::uint32_t length = be32(d.data() + at);
        const std::uint8_t* id = d.data() + at + 4;
        if (!std::all_of(id, id + 4, isWordChar)) return std::nullopt;
        if (std::memcmp(id, "IDAT", 4) == 0) {
            if (!header) return std::nullopt;
            f.firstData = at + 8;
            return f;
        }
        if (std::memcmp(id, "IEND", 4) == 0) return std::nullopt; // no pixels
        if (!fits(at + 8, std::uint64_t{length} + 4, d.size())) return std::nullopt;
        const std::span<const std::uint8_t> s(d.data() + at + 8, length);
        if (crc32(crc32(0, id, 4), s.data(), length) != be32(s.data() + length))
            return std::nullopt;
        if (std::memcmp(id, "IHDR", 4) == 0) {
            if (length < 13 || s[11] != 0) return std::nullopt;
            f.width = be32(s.data());
            f.height = be32(s.data() + 4);
            f.depth = s[8];
            f.colourType = pngMode(s[8], s[9]) ? s[9] : -1;
            f.interlaced = s[12] != 0;
            header = true;
        } else if (std::memcmp(id, "PLTE", 4) == 0 && f.colourType == 3) {
            f.palette = s;
        } else if (!chunkAccepted(id, s, f.colourType)) {
            return std::nullopt;
        }
        at += std::uint64_t{length} + 12;
    }
}

// The image data as Pillow's decoder is fed it: consecutive IDAT chunks in blocks of 64 KiB at
// most, checksums unread. next() gives nothing once the data runs out.
class IdatBlocks {
  public:
    IdatBlocks(std::span<const std::uint8_t> d, std::uint64_t firstData) : d_(d) {
        const std::uint32_t length = be32(d.data() + firstData - 8);
        at_ = firstData;
        left_ = std::min<std::uint64_t>(length, d.size() - at_);
        missing_ = length - left_;
    }
    std::span<const std::uint8_t> next() {
        while (left_ == 0 && missing_ == 0)
            if (!nextChunk()) return {};
        const std::uint64_t n = std::min<std::uint64_t>(left_, 65536);
        const std::span<const std::uint8_t> block(d_.data() + at_, static_cast<std::size_t>(n));
        at_ += n;
        left_ -= n;
        return block;
    }
    // Where Pillow's reading stands once the image is complete: past the current chunk's data.
    std::uint64_t chunkEnd() const { return at_ + left_; }

  private:
    bool nextChunk() {
        at_ += 4; // the checksum
        if (!fits(at_, 8, d_.size())) return false;
        const std::uint8_t* id = d_.data() + at_ + 4;
        if (std::memcmp(id, "IDAT", 4) != 0 && std::memcmp(id, "DDAT", 4) != 0) return false;
        const std::uint32_t length = be32(d_.data() + at_);
        at_ += 8;
        left_ = std::min<std::uint64_t>(length, d_.size() - at_);
        missing_ = length - left_;
        return true;
    }
    std::span<const std::uint8_t> d_;
    std::uint64_t at_ = 0, left_ = 0, missing_ = 0;
};

// The chunks after the pixels up to IEND, as Pillow reads them once the image is complete: a
// chunk cut short, or one its handler refuses, loses the image; an unreadable chunk header
// ends the reading.
bool pngTailReadable(std::span<const std::uint8_t> d, std::uint64_t at, int colourType) {
    for (int chunks = 0; chunks < 100000; ++chunks) {
        at += 4; // the checksum
        if (!fits(at, 8, d.size())) return true;
        const std::uint32_t length = be32(d.data() + at);
        const std::uint8_t* id = d.data() + at + 4;
        if (!std::all_of(id, id + 4, isWordChar) || std::memcmp(id, "IEND", 4) == 0) return true;
        if (!fits(at + 8, length, d.size())) return false;
        if (!chunkAccepted(id, {d.data() + at + 8, length}, colourType)) return false;
        at += 8 + std::uint64_t{length};
    }
    return true;
}

// Inflates and unfilters the rows as Pillow's decoder does, calling put(y, first column,
// column step, row bytes, pixel count) for each row in stored order. False when the data ends
// before the image or is broken. Rows past an early end of the compressed stream stay black.
template <typename Put> bool inflateRows(IdatBlocks& blocks, const PngFile& f, int bits, Put put) {
    static constexpr int kStartRow[] = {0, 0, 4, 0, 2, 0, 1}, kStartCol[] = {0, 4, 0, 2, 0, 1, 0};
    static constexpr int kRowStep[] = {8, 8, 8, 4, 4, 2, 2}, kColStep[] = {8, 8, 4, 4, 2, 2, 1};
    const std::uint64_t w = f.width, h = f.height;
    const int bpp = (bits + 7) / 8;
    const auto rowPixels = [&](int pass) {
        return f.interlaced ? (w + kColStep[pass] - 1 - kStartCol[pass]) / kColStep[pass] : w;
    };
    const std::size_t full = static_cast<std::size_t>((w * bits + 7) / 8) + 1;
    std::vector<std::uint8_t> row(full, 0), previous(full, 0);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    struct End {
        z_stream* z;
        ~End() { inflateEnd(z); }
    } end{&z};
    std::span<const std::uint8_t> block = blocks.next();
    z.next_in = const_cast<Bytef*>(block.data());
    z.avail_in = static_cast<uInt>(block.size());

    int pass = 0;
    std::uint64_t y = 0;
    while (true) {
        const std::uint64_t pixels = rowPixels(pass);
        const std::size_t length = static_cast<std::size_t>((pixels * bits + 7) / 8) + 1;
        std::size_t got = 0;
        int err = Z_OK;
        while (got < length) {
            if (z.avail_in == 0) {
                block = blocks.next();
                if (block.empty()) return false; // the data ends before the image
                z.next_in = const_cast<Bytef*>(block.data());
                z.avail_in = static_cast<uInt>(block.size());
            }
            z.next_out = row.data() + got;
            z.avail_out = static_cast<uInt>(length - got);
            err = inflate(&z, Z_NO_FLUSH);
            if (err < 0) return false;
            got = length - z.avail_out;
            // Nothing more comes out of an ended stream: Pillow waits for data until there is
            // none.
            if (err == Z_STREAM_END && got < length) return false;
        }
        std::uint8_t* r = row.data();
        const std::size_t n = length - 1;
        switch (r[0]) {
        case 0:
            break;
        case 1:
            for (std::size_t i = bpp + 1; i <= n; ++i)
                r[i] = static_cast<std::uint8_t>(r[i] + r[i - bpp]);
            break;
        case 2:
            for (std::size_t i = 1; i <= n; ++i)
                r[i] = static_cast<std::uint8_t>(r[i] + previous[i]);
            break;
        case 3: {
            std::size_t i = 1;
            for (; i <= static_cast<std::size_t>(bpp) && i <= n; ++i)
                r[i] = static_cast<std::uint8_t>(r[i] + previous[i] / 2);
            for (; i <= n; ++i)
                r[i] = static_cast<std::uint8_t>(r[i] + (r[i - bpp] + previous[i]) / 2);
            break;
        }
        case 4: {
            std::size_t i = 1;
            for (; i <= static_cast<std::size_t>(bpp) && i <= n; ++i)
                r[i] = static_cast<std::uint8_t>(r[i] + previous[i]);
            for (; i <= n; ++i) {
                const int a = r[i - bpp], b = previous[i], c = previous[i - bpp];
                const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                r[i] = static_cast<std::uint8_t>(r[i] + ((pa <= pb && pa <= pc) ? a
                                                         : pb <= pc             ? b
                                                                                : c));
            }
            break;
        }
        default:
            return false;
        }
        put(y, f.interlaced ? kStartCol[pass] : 0, f.interlaced ? kColStep[pass] : 1, r + 1,
            pixels);
        if (f.interlaced) {
            y += kRowStep[pass];
            bool rowsLeft = true;
            while (y >= h || rowPixels(pass) == 0) {
                if (++pass == 7) {
                    rowsLeft = false;
                    break;
                }
                y = kStartRow[pass];
                std::fill(row.begin(), row.end(), 0); // the row before a pass's first is black
            }
            if (!rowsLeft || err == Z_STREAM_END) return true;
        } else if (++y >= h || err == Z_STREAM_END) {
            return true;
        }
        std::swap(row, previous);
    }
}

std::optional<Grey> greyFromPng(std::span<const std::uint8_t> d) {
    const auto f = readPngHead(d);
    if (!f || f->colourType < 0 || !sizeAllowed(f->width, f->height)) return std::nullopt;
    const PngMode mode = *pngMode(f->depth, f->colourType);
    if ((f->width * std::uint64_t(mode.bits) + 7) / 8 * f->height > kMaxDecodedBytes)
        return std::nullopt;

    std::array<std::uint8_t, 256> paletteGrey; // the grey ramp where no entry is stored
    for (int i = 0; i < 256; ++i)
        paletteGrey[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    if (f->palette.size() / 3 > 256) return std::nullopt;
    for (std::size_t i = 0; i < f->palette.size() / 3; ++i)
        paletteGrey[i] = luma(f->palette[3 * i], f->palette[3 * i + 1], f->palette[3 * i + 2]);

    Grey out;
    out.width = static_cast<int>(f->width);
    out.height = static_cast<int>(f->height);
    out.px.assign(static_cast<std::size_t>(f->width) * f->height, 0);
    // A black pixel of the mode, where rows stay unwritten.
    if (mode.grey == PngGrey::Index) std::fill(out.px.begin(), out.px.end(), paletteGrey[0]);
    const auto put = [&](std::uint64_t y, int col, int step, const std::uint8_t* s,
                         std::uint64_t pixels) {
        std::uint8_t* dst = out.px.data() + y * f->width;
        for (std::uint64_t i = 0; i < pixels; ++i, col += step) {
            const std::uint64_t bit = i * mode.bits;
            const unsigned small =
                mode.bits < 8 ? (s[bit / 8] << (bit % 8) & 0xFF) >> (8 - mode.bits) : 0;
            const std::uint8_t* p = s + bit / 8;
            std::uint8_t v = 0;
            switch (mode.grey) {
            case PngGrey::Bit1:
                v = small ? 255 : 0;
                break;
            case PngGrey::Grey2:
                v = static_cast<std::uint8_t>(small * 0x55);
                break;
            case PngGrey::Grey4:
                v = static_cast<std::uint8_t>(small * 0x11);
                break;
            case PngGrey::Grey8:
            case PngGrey::FirstByte:
                v = p[0];
                break;
            case PngGrey::Grey16:
                v = p[0] ? 255 : p[1];
                break; // clipped to 8 bits
            case PngGrey::Rgb8:
            case PngGrey::Rgba8:
                v = luma(p[0], p[1], p[2]);
                break;
            case PngGrey::Rgb16:
                v = luma(p[0], p[2], p[4]);
                break; // the high bytes
            case PngGrey::Index:
                v = paletteGrey[mode.bits < 8 ? small : p[0]];
                break;
            }
            dst[col] = v;
        }
    };
    IdatBlocks blocks(d, f->firstData);
    if (!inflateRows(blocks, *f, mode.bits, put)) return std::nullopt;
    if (!pngTailReadable(d, blocks.chunkEnd(), f->colourType)) return std::nullopt;
    return out;
}

// ---- Pillow's Lanczos resampling of 8-bit images ----------------------------------------------

constexpr int kPrecisionBits = 32 - 8 - 2;

double sinc(double x) {
    if (x == 0.0) return 1.0;
    x = x * M_PI;
    return std::sin(x) / x;
}

double lanczos(double x) {
    if (-3.0 <= x && x < 3.0) return sinc(x) * sinc(x / 3);
    return 0.0;
}

// Each output sample's first input, count and fixed-point weights.
struct Coefficients {
    int ksize = 0;
    std::vector<int> first, count;
    std::vector<std::int32_t> weights; // ksize per output sample
};

Coefficients coefficients(int inSize, int outSize) {
    Coefficients c;
    const double scale = static_cast<double>(static_cast<float>(inSize)) / outSize;
    const double filterscale = std::max(scale, 1.0);
    const double support = 3.0 * filterscale;
    c.ksize = static_cast<int>(std::ceil(support)) * 2 + 1;
    c.first.resize(static_cast<std::size_t>(outSize));
    c.count.resize(static_cast<std::size_t>(outSize));
    c.weights.assign(static_cast<std::size_t>(outSize) * c.ksize, 0);
    std::vector<double> k(static_cast<std::size_t>(c.ksize));
    for (int xx = 0; xx < outSize; ++xx) {
        const double center = (xx + 0.5) * scale;
        const double ss = 1.0 / filterscale;
        const int xmin = std::max(static_cast<int>(center - support + 0.5), 0);
        const int xmax = std::min(static_cast<int>(center + support + 0.5), inSize) - xmin;
        double ww = 0.0;
        for (int x = 0; x < xmax; ++x) {
            k[static_cast<std::size_t>(x)] = lanczos((x + xmin - center + 0.5) * ss);
            ww += k[static_cast<std::size_t>(x)];
        }
        for (int x = 0; x < xmax; ++x) {
            double w = k[static_cast<std::size_t>(x)];
            if (ww != 0.0) w /= ww;
            c.weights[static_cast<std::size_t>(xx) * c.ksize + x] =
                w < 0 ? static_cast<std::int32_t>(-0.5 + w * (1 << kPrecisionBits))
                      : static_cast<std::int32_t>(0.5 + w * (1 << kPrecisionBits));
        }
        c.first[static_cast<std::size_t>(xx)] = xmin;
        c.count[static_cast<std::size_t>(xx)] = xmax;
    }
    return c;
}

std::uint8_t clip8(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v >> kPrecisionBits, 0, 255));
}

// A horizontal pass where the width changes, then a vertical one where the height does.
Grey resize(const Grey& in, int width, int height) {
    if (in.width == width && in.height == height) return in;
    const Coefficients ch = coefficients(in.width, width);
    const Coefficients cv = coefficients(in.height, height);
    Grey cur = in;
    int rowOffset = 0; // the first input row the vertical pass uses
    if (in.width != width) {
        const int first = cv.first.front();
        const int last = cv.first.back() + cv.count.back();
        rowOffset = first;
        Grey tmp{width, last - first, {}};
        tmp.px.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(tmp.height));
        for (int y = 0; y < tmp.height; ++y) {
            const std::uint8_t* src = in.px.data() + static_cast<std::size_t>(y + first) * in.width;
            for (int xx = 0; xx < width; ++xx) {
                const std::int32_t* k = ch.weights.data() + static_cast<std::size_t>(xx) * ch.ksize;
                std::int64_t ss = 1 << (kPrecisionBits - 1);
                for (int x = 0; x < ch.count[static_cast<std::size_t>(xx)]; ++x)
                    ss += std::int64_t{src[ch.first[static_cast<std::size_t>(xx)] + x]} * k[x];
                tmp.px[static_cast<std::size_t>(y) * width + xx] = clip8(ss);
            }
        }
        cur = std::move(tmp);
    }
    if (in.height == height) return cur;
    Grey out{width, height, {}};
    out.px.resize(static_cast<std::size_t>(width) * height);
    for (int yy = 0; yy < height; ++yy) {
        const std::int32_t* k = cv.weights.data() + static_cast<std::size_t>(yy) * cv.ksize;
        const int ymin = cv.first[static_cast<std::size_t>(yy)] - rowOffset;
        for (int xx = 0; xx < width; ++xx) {
            std::int64_t ss = 1 << (kPrecisionBits - 1);
            for (int y = 0; y < cv.count[static_cast<std::size_t>(yy)]; ++y)
                ss += std::int64_t{cur.px[static_cast<std::size_t>(ymin + y) * width + xx]} * k[y];
            out.px[static_cast<std::size_t>(yy) * width + xx] = clip8(ss);
        }
    }
    return out;
}

} // namespace

std::optional<std::uint64_t> iconDhash(const Icon& icon) {
    try {
        // The sandbox's choice, on the group directory's own bytes (a width of 256 is 0 there).
        const IconImage* chosen = nullptr;
        int bigWidth = 0, bigHeight = 0, bigBits = 0;
        for (const IconImage& im : icon.images) {
            if (im.width >= bigWidth && im.height >= bigHeight && im.bitCount >= bigBits) {
                bigWidth = im.width, bigHeight = im.height, bigBits = im.bitCount;
                chosen = &im;
            }
        }
        if (!chosen) return std::nullopt;
        // The directory's byte count, by which Pillow finds the AND mask, is taken to be the
        // image's stored size: they agree in every real file.
        const auto bytes = imageBytes(*chosen);
        if (!bytes) return std::nullopt;
        const std::span<const std::uint8_t> d(*bytes);
        const auto grey = detail::isPng(d) ? greyFromPng(d) : greyFromDib(d, chosen->bitCount);
        if (!grey) return std::nullopt;
        const Grey small = resize(*grey, 9, 8);
        std::uint64_t hash = 0;
        for (int row = 0; row < 8; ++row)
            for (int col = 0; col < 8; ++col)
                if (small.px[static_cast<std::size_t>(row) * 9 + col] >
                    small.px[static_cast<std::size_t>(row) * 9 + col + 1])
                    hash |= std::uint64_t{1} << (row * 8 + col);
        return hash;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::string dhashHex(std::uint64_t hash) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (int byte = 0; byte < 8; ++byte) {
        const auto b = static_cast<unsigned>((hash >> (8 * byte)) & 0xFF);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

} // namespace tess::icons
