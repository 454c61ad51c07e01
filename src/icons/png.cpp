// PNG icon images through libpng, with its user limits set. libpng reports errors by longjmp,
// so the function that calls setjmp holds only trivially destructible locals and writes its
// result through a pointer into the caller's frame; nothing C++ is ever jumped over.
#include "icons/decode.h"
#include "icons/formats.h"

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

} // namespace

std::optional<Rgba> decodePng(std::span<const std::uint8_t> bytes) {
    if (!isPng(bytes)) return std::nullopt;
    PngInput input{bytes.data(), bytes.size(), 0};
    Rgba out;
    if (!decodeInto(&input, &out)) return std::nullopt;
    return out;
}

} // namespace tess::icons::detail
