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
#include <csetjmp>
#include <cstring>

#include <png.h>

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
    // A delta may add at most 255 + 255 rows' worth of zeros; anything beyond the image is
    // dropped, since only the first width x height values are used.
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
        } else if (byte == 2) { // delta
            if (!fits(at, 2, d.size())) break;
            pad(d[at] + std::uint64_t(d[at + 1]) * w);
            at += 2;
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

std::uint32_t crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

bool isWordChar(std::uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// What Pillow checks before the pixels: each chunk before the first IDAT is whole, named by four
// word characters and has its checksum; the header is whole. Its palette (the last PLTE).
struct PngHead {
    std::span<const std::uint8_t> palette;
};
std::optional<PngHead> checkPngHead(std::span<const std::uint8_t> d) {
    PngHead head;
    bool sawHeader = false;
    for (std::uint64_t at = 8;;) {
        if (!fits(at, 8, d.size())) return std::nullopt;
        const std::uint32_t length = be32(d.data() + at);
        const std::uint8_t* id = d.data() + at + 4;
        for (int i = 0; i < 4; ++i)
            if (!isWordChar(id[i])) return std::nullopt;
        if (std::memcmp(id, "IDAT", 4) == 0) return sawHeader ? std::optional(head) : std::nullopt;
        if (!fits(at + 8, std::uint64_t{length} + 4, d.size())) return std::nullopt;
        const std::uint8_t* data = id + 4;
        if (crc32(id, length + 4) != be32(data + length)) return std::nullopt;
        if (std::memcmp(id, "IHDR", 4) == 0) {
            if (length < 13 || data[11] != 0) return std::nullopt;
            sawHeader = true;
        }
        if (std::memcmp(id, "PLTE", 4) == 0) head.palette = {data, length};
        if (std::memcmp(id, "IEND", 4) == 0) return std::nullopt;
        at += std::uint64_t{length} + 12;
    }
}

struct PngInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

struct PngRaw {
    int width = 0, height = 0, depth = 0, colorType = 0, channels = 0;
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t> rows; // as stored, samples of fewer than 8 bits one a byte
};

void readPngBytes(png_structp png, png_bytep out, png_size_t n) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (n > in->size - in->at) png_error(png, "truncated");
    std::memcpy(out, in->data + in->at, n);
    in->at += n;
}
[[noreturn]] void onPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onPngWarning(png_structp, png_const_charp) {}

// libpng longjmps on errors: only trivially destructible locals here, the result written
// through a pointer into the caller's frame.
bool readPngRaw(PngInput* input, PngRaw* out) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_cache_max(png, 256);
    png_set_chunk_malloc_max(png, 8 * 1024 * 1024);
    // Pillow checks no checksum past the header chunks (those are checked before).
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_benign_errors(png, 1);
    png_set_read_fn(png, input, readPngBytes);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    out->depth = png_get_bit_depth(png, info);
    out->colorType = png_get_color_type(png, info);
    if (out->depth < 8) png_set_packing(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out->channels = png_get_channels(png, info);
    out->rowBytes = png_get_rowbytes(png, info);
    if (width == 0 || height == 0 || out->rowBytes * std::uint64_t{height} > kMaxDecodedBytes ||
        out->rowBytes != std::size_t{width} * out->channels * (out->depth == 16 ? 2 : 1))
        png_error(png, "unexpected layout");
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->rows.assign(out->rowBytes * height, 0);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, out->rows.data() + out->rowBytes * y, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

std::optional<Grey> greyFromPng(std::span<const std::uint8_t> d) {
    const auto head = checkPngHead(d);
    if (!head) return std::nullopt;
    PngInput input{d.data(), d.size(), 0};
    PngRaw raw;
    if (!readPngRaw(&input, &raw)) return std::nullopt;

    std::array<std::uint8_t, 256> paletteGrey; // the grey ramp where no entry is stored
    for (int i = 0; i < 256; ++i)
        paletteGrey[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    if (raw.colorType == PNG_COLOR_TYPE_PALETTE) {
        const auto& p = head->palette;
        if (p.size() / 3 > 256) return std::nullopt;
        for (std::size_t i = 0; i < p.size() / 3; ++i)
            paletteGrey[i] = luma(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    }

    Grey out;
    out.width = raw.width;
    out.height = raw.height;
    out.px.resize(static_cast<std::size_t>(raw.width) * static_cast<std::size_t>(raw.height));
    const bool wide = raw.depth == 16;
    const int step = raw.channels * (wide ? 2 : 1);
    for (int y = 0; y < raw.height; ++y) {
        const std::uint8_t* s = raw.rows.data() + raw.rowBytes * static_cast<std::size_t>(y);
        std::uint8_t* dst = out.px.data() + static_cast<std::size_t>(y) * raw.width;
        for (int x = 0; x < raw.width; ++x, s += step) {
            std::uint8_t v = 0;
            switch (raw.colorType) {
            case PNG_COLOR_TYPE_GRAY:
                v = raw.depth == 1   ? (s[0] ? 255 : 0)
                    : raw.depth == 2 ? static_cast<std::uint8_t>(s[0] * 0x55)
                    : raw.depth == 4 ? static_cast<std::uint8_t>(s[0] * 0x11)
                    : !wide          ? s[0]
                    : s[0] != 0      ? 255
                                     : s[1];
                break;
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                v = s[0];
                break;
            case PNG_COLOR_TYPE_PALETTE:
                v = paletteGrey[s[0]];
                break;
            default: // RGB and RGBA: the high byte of each 16-bit sample
                v = wide ? luma(s[0], s[2], s[4]) : luma(s[0], s[1], s[2]);
                break;
            }
            dst[x] = v;
        }
    }
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
