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

struct DibCase {
    const char* name;
    Pixels pixels;
    int bits;
    fixtures::DibOptions options;
};

class DibDecode : public testing::TestWithParam<DibCase> {};

TEST_P(DibDecode, GivesTheWrittenPixels) {
    const DibCase& c = GetParam();
    const auto rgba = icons::decodeImage(imageOf(fixtures::makeDib(c.pixels, c.bits, c.options)));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->width, c.pixels.width);
    EXPECT_EQ(rgba->height, c.pixels.height);
    EXPECT_EQ(rgba->pixels, c.pixels.rgba());
}

Pixels withHalfAlpha(Pixels p) {
    p.data[0].a = 128;
    return p;
}

using fixtures::quadrants;
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Depths, DibDecode,
    testing::Values(
        DibCase{"bits1", twoTone(16, 16), 1, {}},
        DibCase{"bits1_odd_width", twoTone(37, 5), 1, {}},
        DibCase{"bits4", quadrants(16, 16), 4, {}},
        DibCase{"bits4_odd_width", quadrants(7, 6), 4, {}},
        DibCase{"bits8", quadrants(32, 32), 8, {}},
        DibCase{"bits16_555", quadrants(16, 16), 16, {}},
        DibCase{"bits16_565", quadrants(16, 16), 16, {.bitfields = true}},
        DibCase{"bits24", quadrants(33, 17), 24, {}},
        DibCase{"bits32_alpha", withHalfAlpha(quadrants(32, 32)), 32, {}},
        DibCase{"bits32_bitfields", quadrants(32, 32), 32, {.bitfields = true}},
        DibCase{"bits32_zero_alpha_uses_mask", quadrants(16, 16), 32, {.zeroAlpha = true}},
        DibCase{"bits32_no_mask", fixtures::solid(16, 16, {1, 2, 3, 255}), 32, {.withMask = false}},
        DibCase{"bits256", quadrants(256, 256), 32, {}},
        DibCase{"core_bits1", twoTone(37, 5), 1, {.core = true}},
        DibCase{"core_bits4", quadrants(7, 6), 4, {.core = true}},
        DibCase{"core_bits8", quadrants(32, 32), 8, {.core = true}},
        DibCase{"core_bits24", quadrants(33, 17), 24, {.core = true}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(DibDecode, SixteenBitChannelsAreScaledToEightBits) {
    struct Case {
        bool bitfields;
        Color expected;
    } cases[] = {{false, {206, 99, 49, 255}}, {true, {206, 101, 49, 255}}};
    for (const Case& c : cases) {
        const auto rgba = icons::decodeImage(imageOf(fixtures::makeDib(
            fixtures::solid(2, 2, {200, 100, 50, 255}), 16, {.bitfields = c.bitfields})));
        ASSERT_TRUE(rgba);
        EXPECT_EQ(Color(rgba->pixels[0], rgba->pixels[1], rgba->pixels[2], 255), c.expected);
    }
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

struct PngCase {
    const char* name;
    fixtures::PngKind kind;
    Pixels input;
    Pixels expected;
    bool interlaced = false;
};

class PngDecode : public testing::TestWithParam<PngCase> {};

TEST_P(PngDecode, GivesStraightRgba) {
    const PngCase& c = GetParam();
    const auto image = imageOf(fixtures::makePng(c.input, c.kind, c.interlaced));
    const auto rgba = icons::decodeImage(image);
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->width, c.expected.width);
    EXPECT_EQ(rgba->height, c.expected.height);
    EXPECT_EQ(rgba->pixels, c.expected.rgba());
}

Pixels blackWhite() {
    Pixels p = twoTone(11, 4);
    for (Color& c : p.data)
        c = c.a == 0 ? Color{0, 0, 0, 255} : c;
    return p;
}

using fixtures::PngKind;
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Kinds, PngDecode,
    testing::Values(PngCase{"rgba8", PngKind::Rgba8, quadrants(32, 32), quadrants(32, 32)},
                    PngCase{"rgb8", PngKind::Rgb8, quadrants(16, 16), opaque(quadrants(16, 16))},
                    PngCase{"grey8", PngKind::Grey8, greys(), opaque(greys())},
                    PngCase{"grey_alpha8", PngKind::GreyAlpha8, greys(), greys()},
                    PngCase{"palette8_trns", PngKind::Palette8, quadrants(16, 16), quadrants(16, 16)},
                    PngCase{"rgba16", PngKind::Rgba16, quadrants(16, 16), quadrants(16, 16)},
                    PngCase{"grey1", PngKind::Grey1, blackWhite(), blackWhite()},
                    PngCase{"interlaced", PngKind::Rgba8, quadrants(13, 11), quadrants(13, 11), true}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(PngDecode, DamagedPngGivesNothing) {
    auto bytes = fixtures::makePng(fixtures::quadrants(16, 16));
    bytes.resize(bytes.size() / 2);
    EXPECT_FALSE(icons::decodeImage(imageOf(bytes)));
    bytes = fixtures::makePng(fixtures::quadrants(16, 16));
    bytes[40] ^= 0xFF; // inside IDAT: the CRC no longer matches
    EXPECT_FALSE(icons::decodeImage(imageOf(bytes)));
}

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
    icon.images = {imageOf(fixtures::makeDib(32, 32, 4, {1, 2, 3, 255})),
                   imageOf(fixtures::makeDib(32, 32, 24, {1, 2, 3, 255}))};
    for (auto& im : icon.images)
        im.width = im.height = 32;
    EXPECT_EQ(icons::bestImageFor(icon, 32), 1u);
    EXPECT_EQ(icons::bitDepth(icon.images[0]), 4);
}

} // namespace
