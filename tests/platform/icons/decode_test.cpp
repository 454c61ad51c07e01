// Image decoding against expected RGBA pixels, and the choice of the image for a size.
#include "platform/icons/icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace tess;
using fixtures::Color;
using fixtures::makeDib;
using fixtures::makePng;
using fixtures::Pixels;
using fixtures::PngKind;
using fixtures::quadrants;

TEST(Decode, EachImageFormGivesTheWrittenPixels) {
    // Black and white with a transparent corner (fits a 1-bit palette); greys over three alphas.
    auto twoTone = [](int w, int h, Color corner = {0, 0, 0, 0}) {
        return fixtures::pixels(w, h, [=](int x, int y) {
            return x < 2 && y < 2 ? corner
                   : (x + y) % 2  ? Color{255, 255, 255, 255}
                                  : Color{0, 0, 0, 255};
        });
    };
    auto greys = [](bool opaque) {
        return fixtures::pixels(8, 3, [=](int x, int y) {
            const auto v = static_cast<std::uint8_t>(x * 36);
            return Color{v, v, v, static_cast<std::uint8_t>(opaque || !y ? 255 : 60 * y)};
        });
    };
    const Pixels q16 = quadrants(16, 16), q32 = quadrants(32, 32), q33 = quadrants(33, 17),
                 q7 = quadrants(7, 6), orange = fixtures::solid(2, 2, {200, 100, 50, 255});
    Pixels half = q32, opaque16 = q16;
    half.data[0].a = 128;
    for (Color& c : opaque16.data)
        c.a = 255;
    const struct {
        const char* name;
        fixtures::Bytes bytes;
        Pixels expected;
    } cases[] = {
        // clang-format off
        {"bits1", makeDib(twoTone(16, 16), 1), twoTone(16, 16)},
        {"bits1_odd_width", makeDib(twoTone(37, 5), 1), twoTone(37, 5)},
        {"bits4", makeDib(q16, 4), q16},
        {"bits4_odd_width", makeDib(q7, 4), q7},
        {"bits8", makeDib(q32, 8), q32},
        {"bits16_555", makeDib(q16, 16), q16},
        {"bits16_565", makeDib(q16, 16, {.bitfields = true}), q16},
        // 5 and 6 bits scaled to 8: 200, 100, 50 are stored as 25, 12 (25 at 6 bits), 6.
        {"bits16_555_scaled", makeDib(orange, 16), fixtures::solid(2, 2, {206, 99, 49, 255})},
        {"bits16_565_scaled", makeDib(orange, 16, {.bitfields = true}), fixtures::solid(2, 2, {206, 101, 49, 255})},
        {"bits24", makeDib(q33, 24), q33},
        {"bits32_alpha", makeDib(half, 32), half},
        {"bits32_bitfields", makeDib(q32, 32, {.bitfields = true}), q32},
        {"bits32_zero_alpha_uses_mask", makeDib(q16, 32, {.zeroAlpha = true}), q16},
        {"bits32_no_mask", makeDib(orange, 32, {.withMask = false}), orange},
        {"bits256", makeDib(quadrants(256, 256), 32), quadrants(256, 256)},
        {"core_bits1", makeDib(twoTone(37, 5), 1, {.core = true}), twoTone(37, 5)},
        {"core_bits4", makeDib(q7, 4, {.core = true}), q7},
        {"core_bits8", makeDib(q32, 8, {.core = true}), q32},
        {"core_bits24", makeDib(q33, 24, {.core = true}), q33},
        {"png_rgba8", makePng(q32), q32},
        {"png_rgb8", makePng(q16, PngKind::Rgb8), opaque16},
        {"png_grey8", makePng(greys(true), PngKind::Grey8), greys(true)},
        {"png_grey_alpha8", makePng(greys(false), PngKind::GreyAlpha8), greys(false)},
        {"png_palette8_trns", makePng(q16, PngKind::Palette8), q16},
        {"png_rgba16", makePng(q16, PngKind::Rgba16), q16},
        {"png_grey1", makePng(twoTone(11, 4, {0, 0, 0, 255}), PngKind::Grey1), twoTone(11, 4, {0, 0, 0, 255})},
        {"png_interlaced", makePng(quadrants(13, 11), PngKind::Rgba8, true), quadrants(13, 11)},
        // clang-format on
    };
    for (const auto& c : cases) {
        const auto rgba = icons::decodeImage(icons::imageFromBytes(c.bytes));
        ASSERT_TRUE(rgba) << c.name;
        EXPECT_EQ(std::tuple(rgba->width, rgba->height, rgba->pixels),
                  std::tuple(c.expected.width, c.expected.height, c.expected.rgba()))
            << c.name;
    }
}

TEST(BestImage, NearestWithoutEnlargingThenDeepest) {
    auto sized = [](int side, int bits) {
        icons::IconImage im;
        im.width = im.height = static_cast<std::uint8_t>(side == 256 ? 0 : side);
        im.bitCount = static_cast<std::uint16_t>(bits);
        return im;
    };
    icons::Icon icon;
    icon.images = {sized(16, 32), sized(32, 8),   sized(32, 32),
                   sized(48, 32), sized(256, 32), sized(32, 4)};
    // Asked size -> index: 32 the deepest of three; 24 and 40 equally near two: the larger;
    // 1 the smallest; 100 shrinks 256 rather than enlarge 48; above all: 256 (stored as 0).
    const std::vector<std::pair<int, std::size_t>> cases = {
        {32, 2}, {24, 2}, {40, 3}, {1, 0}, {100, 4}, {48, 3}, {33, 3}, {300, 4}, {256, 4}};
    for (const auto& [size, expected] : cases)
        EXPECT_EQ(icons::bestImageFor(icon, size), expected) << "size " << size;
    EXPECT_FALSE(icons::bestImageFor(icons::Icon{}, 32));
    // No depth in the directory: the image header's.
    icon.images = {icons::imageFromBytes(fixtures::solidImage(32, 4, {}).bytes),
                   icons::imageFromBytes(fixtures::solidImage(32, 24, {}).bytes)};
    for (auto& im : icon.images)
        im.width = im.height = 32;
    EXPECT_EQ(std::pair(icons::bestImageFor(icon, 32), icons::bitDepth(icon.images[0])),
              std::pair(std::optional<std::size_t>(1), 4));
}

} // namespace
