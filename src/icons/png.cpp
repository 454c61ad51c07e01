// PNG icon images through libpng, with its user limits set. libpng reports errors by longjmp,
// so the function that calls setjmp holds only trivially destructible locals and writes its
// result through a pointer into the caller's frame; nothing C++ is ever jumped over.
#include "icons/decode.h"
#include "icons/formats.h"

#include <array>
#include <csetjmp>
#include <cstring>

#include <png.h>

namespace tess::icons::detail {
namespace {

struct PngInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

void readBytes(png_structp png, png_bytep out, png_size_t n) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (n > in->size - in->at) png_error(png, "truncated");
    std::memcpy(out, in->data + in->at, n);
    in->at += n;
}

[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

bool decodeInto(PngInput* input, Rgba* out) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
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
    png_set_read_fn(png, input, readBytes);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (width == 0 || height == 0 || std::uint64_t{4} * width * height > kMaxDecodedBytes)
        png_error(png, "too large");

    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (trns) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !trns) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t{4} * width) png_error(png, "unexpected layout");

    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->pixels.assign(std::size_t{4} * width * height, 0);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, out->pixels.data() + std::size_t{4} * width * y, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void writeBytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void flushNothing(png_structp) {}

bool encodeInto(const Rgba* picture, std::vector<std::uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, writeBytes, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture->width),
                 static_cast<png_uint_32>(picture->height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // One filter for every row rather than libpng's trial of all five, and a lighter deflate
    // (level 3, a smaller hash table): icon pictures are small, and these halve the time of
    // writing them for files about 2 % larger.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(png, 3);
    png_set_compression_mem_level(png, 5);
    png_write_info(png, info);
    for (int y = 0; y < picture->height; ++y)
        png_write_row(png, picture->pixels.data() + std::size_t{4} * picture->width * y);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}();

std::uint32_t crc(std::span<const std::uint8_t> bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes)
        c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Every chunk, from the signature to IEND, whole and with its CRC right, and nothing after.
bool chunksHold(std::span<const std::uint8_t> b) {
    std::size_t at = 8;
    while (b.size() - at >= 12) {
        const std::uint32_t length = be32(b.data() + at);
        if (length > b.size() - at - 12) return false;
        const auto typed = b.subspan(at + 4, std::size_t{4} + length);
        if (crc(typed) != be32(b.data() + at + 8 + length)) return false;
        at += 12 + std::size_t{length};
        if (std::memcmp(typed.data(), "IEND", 4) == 0) return at == b.size();
    }
    return false;
}

} // namespace

std::optional<Rgba> decodePng(std::span<const std::uint8_t> bytes) {
    if (!isPng(bytes)) return std::nullopt;
    PngInput input{bytes.data(), bytes.size(), 0};
    Rgba out;
    if (!decodeInto(&input, &out)) return std::nullopt;
    return out;
}

} // namespace tess::icons::detail

namespace tess::icons {

std::vector<std::uint8_t> encodePng(const Rgba& picture) {
    std::vector<std::uint8_t> out;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != std::size_t{4} * picture.width * picture.height ||
        !detail::encodeInto(&picture, &out))
        out.clear();
    return out;
}

bool pngIsWhole(std::span<const std::uint8_t> bytes) {
    try {
        return detail::isPng(bytes) && detail::chunksHold(bytes) && detail::decodePng(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace tess::icons
