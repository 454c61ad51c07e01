// Image decoding against expected RGBA pixels, and the choice of the image for a size.
#include "platform/icons/icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace tess;
using fixtures::Color;
using fixtures::Pixels;

icons::IconImage imageOf(fixtures::Bytes bytes) {
    return icons::imageFromBytes(std::move(bytes));
}

// Black and white with a transparent corner: fits a 1-bit palette.
Pixels twoTone(int w, int h) {
    Pixels p{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.data.push_back(x < 2 && y < 2 ? Color{0, 0, 0, 0}
                             : (x + y) % 2  ? Color{255, 255, 255, 255}
                                            : Color{0, 0, 0, 255});
    return p;
}

Pixels greys() {
    Pixels p{8, 3, {}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x) {
            const auto v = static_cast<std::uint8_t>(x * 36);
            p.data.push_back({v, v, v, static_cast<std::uint8_t>(y == 0 ? 255 : 60 * y)});
        }
    return p;
}

Pixels opaque(Pixels p) {
    for (Color& c : p.data)
        c.a = 255;
    return p;
}

Pixels withHalfAlpha(Pixels p) {
    p.data[0].a = 128;
    return p;
}

struct DecodeCase {
    std::string name;
    fixtures::Bytes bytes;
    Pixels expected;
};
void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<DecodeCase> decodeCases() {
    using fixtures::PngKind;
    using fixtures::quadrants;
    auto dib = [](std::string name, Pixels p, int bits, fixtures::DibOptions o = {}) {
        return DecodeCase{"dib_" + name, fixtures::makeDib(p, bits, o), p};
    };
    auto png = [](std::string name, Pixels p, PngKind kind, Pixels expected,
                  bool interlaced = false) {
        return DecodeCase{"png_" + name, fixtures::makePng(p, kind, interlaced), expected};
    };
    const Pixels q16 = quadrants(16, 16), q32 = quadrants(32, 32),
                 orange = fixtures::solid(2, 2, {200, 100, 50, 255});
    Pixels blackWhite = twoTone(11, 4);
    for (Color& c : blackWhite.data)
        c = c.a == 0 ? Color{0, 0, 0, 255} : c;
    // clang-format off
    return {
        dib("bits1", twoTone(16, 16), 1),
        dib("bits1_odd_width", twoTone(37, 5), 1),
        dib("bits4", q16, 4),
        dib("bits4_odd_width", quadrants(7, 6), 4),
        dib("bits8", q32, 8),
        dib("bits16_555", q16, 16),
        dib("bits16_565", q16, 16, {.bitfields = true}),
        // 5 and 6 bits scaled to 8: 200, 100, 50 are stored as 25, 12 (25 at 6 bits), 6.
        {"dib_bits16_555_scaled", fixtures::makeDib(orange, 16), fixtures::solid(2, 2, {206, 99, 49, 255})},
        {"dib_bits16_565_scaled", fixtures::makeDib(orange, 16, {.bitfields = true}), fixtures::solid(2, 2, {206, 101, 49, 255})},
        dib("bits24", quadrants(33, 17), 24),
        dib("bits32_alpha", withHalfAlpha(q32), 32),
        dib("bits32_bitfields", q32, 32, {.bitfields = true}),
        dib("bits32_zero_alpha_uses_mask", q16, 32, {.zeroAlpha = true}),
        dib("bits32_no_mask", fixtures::solid(16, 16, {1, 2, 3, 255}), 32, {.withMask = false}),
        dib("bits256", quadrants(256, 256), 32),
        dib("core_bits1", twoTone(37, 5), 1, {.core = true}),
        dib("core_bits4", quadrants(7, 6), 4, {.core = true}),
        dib("core_bits8", q32, 8, {.core = true}),
        dib("core_bits24", quadrants(33, 17), 24, {.core = true}),
        png("rgba8", q32, PngKind::Rgba8, q32),
        png("rgb8", q16, PngKind::Rgb8, opaque(q16)),
        png("grey8", greys(), PngKind::Grey8, opaque(greys())),
        png("grey_alpha8", greys(), PngKind::GreyAlpha8, greys()),
        png("palette8_trns", q16, PngKind::Palette8, q16),
        png("rgba16", q16, PngKind::Rgba16, q16),
        png("grey1", blackWhite, PngKind::Grey1, blackWhite),
        png("interlaced", quadrants(13, 11), PngKind::Rgba8, quadrants(13, 11), true),
    };
    // clang-format on
}

class Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, GivesTheWrittenPixels) {
    const auto rgba = icons::decodeImage(imageOf(GetParam().bytes));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(std::tuple(rgba->width, rgba->height, rgba->pixels),
              std::tuple(GetParam().expected.width, GetParam().expected.height,
                         GetParam().expected.rgba()));
}

INSTANTIATE_TEST_SUITE_P(Images, Decode, testing::ValuesIn(decodeCases()),
                         [](const auto& info) { return info.param.name; });

icons::IconImage sized(int side, int bits) {
    icons::IconImage im;
    im.width = im.height = static_cast<std::uint8_t>(side == 256 ? 0 : side);
    im.bitCount = static_cast<std::uint16_t>(bits);
    return im;
}

TEST(BestImage, NearestWithoutEnlargingThenDeepest) {
    icons::Icon icon;
    icon.images = {sized(16, 32), sized(32, 8),   sized(32, 32),
                   sized(48, 32), sized(256, 32), sized(32, 4)};
    const struct {
        int size;
        std::size_t expected;
    } cases[] = {
        {32, 2},                     // exact size, the deepest of the three 32s
        {24, 2},                     // 16 and 32 equally near: the larger
        {40, 3},                     // 32 and 48 equally near: the larger
        {1, 0},                      // below every image: the smallest
        {100, 4},                    // 48 would be enlarged: 256 is shrunk instead
        {48, 3},  {33, 3}, {300, 4}, // above every image: the largest, 256 stored as 0
        {256, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(icons::bestImageFor(icon, c.size), c.expected) << "size " << c.size;
    }
    EXPECT_FALSE(icons::bestImageFor(icons::Icon{}, 32));
}

TEST(BestImage, DepthComesFromTheHeaderWhenTheDirectoryHasNone) {
    icons::Icon icon;
    icon.images = {imageOf(fixtures::solidImage(32, 4, {1, 2, 3, 255}).bytes),
                   imageOf(fixtures::solidImage(32, 24, {1, 2, 3, 255}).bytes)};
    for (auto& im : icon.images)
        im.width = im.height = 32;
    EXPECT_EQ(icons::bestImageFor(icon, 32), 1u);
    EXPECT_EQ(icons::bitDepth(icon.images[0]), 4);
}

} // namespace
