// The sandboxes' icon hash against Pillow itself: each icon is written as a .ico file and
// tests/icons/dhash_oracle.py computes what the sandboxes publish for it.
#include "support/fixtures/fixtures.h"
#include "tessaline/dhash.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include <zlib.h>

namespace {

using namespace tess;
using namespace tess::fixtures;

std::mt19937 rng(20);

Bytes randomBytes(std::size_t n) {
    Bytes b(n);
    for (auto& v : b)
        v = static_cast<std::uint8_t>(rng());
    return b;
}

// w x h pixels of `colours` random opaque colours (black and white when colours is 0).
Pixels noise(int w, int h, int colours, bool randomAlpha = false) {
    std::vector<Color> set;
    for (int i = 0; i < std::max(colours, 2); ++i)
        set.push_back(
            colours ? Color{std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng())}
                    : Color{std::uint8_t(i * 255), std::uint8_t(i * 255), std::uint8_t(i * 255)});
    return pixels(w, h, [&](int, int) {
        Color c = set[rng() % set.size()];
        if (randomAlpha) c.a = static_cast<std::uint8_t>(1 + rng() % 255);
        return c;
    });
}

// A DIB written byte by byte: a header of headerSize bytes, the bit-field masks, the palette,
// random colour bits (or those given) and a random AND mask.
struct Raw {
    int w = 16, h = 16, bits = 24;
    std::uint32_t compression = 0, colours = 0, headerSize = 40;
    std::vector<std::uint32_t> masks = {}; // after a 40-byte header, else in the header
    Bytes palette = {};
    std::optional<Bytes> pixels = {};
    bool topDown = false;
};
Image rawDib(const Raw& r, std::uint16_t directoryBits = 0) {
    Bytes b;
    put(b, r.headerSize, r.w, r.topDown ? -2 * r.h : 2 * r.h, 1 | r.bits << 16, r.compression, 0, 0,
        0, r.colours, 0);
    for (std::uint32_t m : r.masks)
        put(b, m);
    b.resize(std::max<std::size_t>(b.size(), r.headerSize), 0);
    const std::size_t stride = (std::size_t(r.w) * r.bits + 31) / 32 * 4;
    append(b, r.palette), append(b, r.pixels ? *r.pixels : randomBytes(stride * r.h));
    append(b, randomBytes((std::size_t(r.w) + 31) / 32 * 4 * r.h)); // the AND mask
    return {dirSide(r.w), dirSide(r.h), 0, 1, U16(directoryBits ? directoryBits : r.bits), 0, 0, b};
}

Bytes greyPalette(int n, int step) { // BGRX entries i * step
    Bytes p;
    for (int i = 0; i < n; ++i)
        put(p, static_cast<std::uint32_t>(i * step) * 0x010101u);
    return p;
}

// A run-length stream of random runs, literal runs and deltas, ending each row.
Bytes rleStream(int w, int h, bool rle4) {
    Bytes s;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w;) {
            const int n = std::min<int>(1 + rng() % 9, w - x);
            if (rng() % 3 == 0 && n >= 3) { // literal
                s.insert(s.end(), {0, std::uint8_t(n)});
                append(s, randomBytes(rle4 ? (n + 1) / 2 : n));
                if (s.size() % 2) s.push_back(0);
            } else if (rng() % 9 == 0) {
                s.insert(s.end(), {0, 2, std::uint8_t(n), 0});
            } else {
                s.insert(s.end(), {std::uint8_t(n), std::uint8_t(rng())});
            }
            x += n;
        }
        s.insert(s.end(), {0, 0});
    }
    s.insert(s.end(), {0, 1});
    return s;
}

// A PNG of random samples: depth and colour type as given, `entries` palette entries.
Bytes png(int w, int h, int depth, int colourType, int entries = 0, bool badAncillary = false) {
    const int channels = std::vector{1, 0, 3, 1, 2, 0, 4}[colourType];
    Bytes raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        append(raw, randomBytes((std::size_t(w) * channels * depth + 7) / 8));
    }
    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, header;
    put<1>(header, w >> 24, w >> 16, w >> 8, w, h >> 24, h >> 16, h >> 8, h, depth, colourType, 0,
           0, 0);
    pngChunk(out, "IHDR", header);
    if (badAncillary) pngChunk(out, "tEXt", {'a', 0, 'b'}), out.back() ^= 1;
    if (entries) pngChunk(out, "PLTE", randomBytes(3 * std::size_t(entries)));
    uLongf size = compressBound(raw.size());
    Bytes z(size);
    compress(z.data(), &size, raw.data(), raw.size());
    z.resize(size);
    pngChunk(out, "IDAT", z), pngChunk(out, "IEND", {});
    return out;
}
Image pngRaw(int depth, int colourType, int entries = 0, bool badAncillary = false) {
    return {20, 20, 0, 1, 32, 0, 0, png(20, 20, depth, colourType, entries, badAncillary)};
}

Image dibAt(int w, int h, int bits, int colours, DibOptions o = {}) {
    return dibImage(noise(w, h, colours), bits, o);
}

struct Row {
    std::string name;
    bool hashed; // whether the sandboxes publish a hash for it
    std::vector<Image> images;
    bool inPe = false; // read out of a program's group icon, not out of a .ico file
};

std::vector<Row> rows() {
    auto masked = dibAt(24, 24, 24, 50);
    std::fill(masked.bytes.end() - 4 * 24, masked.bytes.end(), 0x5A); // colours under the mask
    auto truncated = dibAt(20, 20, 24, 50);
    truncated.bytes.resize(40 + 60 * 19);
    // clang-format off
    const auto fields = [](std::uint32_t header, std::vector<std::uint32_t> masks) { return rawDib({.w = 15, .h = 15, .bits = 32, .compression = 3, .headerSize = header, .masks = masks}); };
    // An RLE image: its palette's random bytes drawn before its stream's.
    const auto rle = [](int w, int h, bool rle4) { Raw r{.w = w, .h = h, .bits = rle4 ? 4 : 8, .compression = rle4 ? 2u : 1u}; r.palette = randomBytes(rle4 ? 64 : 1024), r.pixels = rleStream(w, h, rle4); return rawDib(r); };
    const auto choice = [] { return std::vector{dibAt(32, 32, 8, 99), dibAt(16, 16, 32, 99), dibAt(48, 48, 4, 16), dibAt(48, 48, 8, 99), dibAt(24, 24, 32, 99)}; };
    return {
        {"1-bit black and white", true, {dibAt(32, 32, 1, 0)}},
        {"1-bit two colours, odd size", true, {dibAt(13, 7, 1, 2)}},
        {"4-bit", true, {dibAt(31, 17, 4, 16)}},
        {"16-bit 5-6-5 bit fields", true, {dibAt(24, 10, 16, 300, {.bitfields = true})}},
        {"24-bit, colours under the AND mask", true, {masked}},
        {"32-bit, alpha all 0", true, {dibAt(30, 30, 32, 900, {.zeroAlpha = true})}},
        {"32-bit bit fields", true, {dibAt(30, 20, 32, 900, {.bitfields = true})}},
        {"OS/2 header, 8-bit", true, {dibAt(19, 19, 8, 40, {.core = true})}},
        {"no AND mask", true, {dibAt(40, 40, 8, 99, {.withMask = false})}},
        {"width byte 0 (256)", true, {dibAt(256, 256, 24, 999)}},
        {"9 x 8, not resized", true, {dibAt(9, 8, 24, 70)}},
        {"9 x 30, vertical pass only", true, {dibAt(9, 30, 24, 70)}},
        {"50 x 8, horizontal pass only", true, {dibAt(50, 8, 24, 70)}},
        {"1 x 1", true, {dibAt(1, 1, 24, 1)}},
        {"3 x 2, enlarged", true, {dibAt(3, 2, 24, 6)}},
        {"16-bit, random bits", true, {rawDib({.w = 23, .h = 17, .bits = 16})}},
        {"32-bit, random bits", true, {rawDib({.w = 17, .h = 23, .bits = 32})}},
        {"4-bit under a black-and-white palette of 2", true, {rawDib({.w = 16, .h = 16, .bits = 4, .colours = 2, .palette = greyPalette(2, 255)})}},
        {"8-bit under the grey ramp", true, {rawDib({.w = 20, .h = 20, .bits = 8, .palette = greyPalette(256, 1)})}},
        {"8-bit, a palette of 5", true, {rawDib({.w = 20, .h = 20, .bits = 8, .colours = 5, .palette = randomBytes(20)})}},
        {"32-bit fields XBGR", true, {fields(40, {0xFF000000, 0xFF0000, 0xFF00})}},
        {"32-bit fields RGBA, V5 header", true, {fields(124, {0xFF, 0xFF00, 0xFF0000, 0xFF000000})}},
        {"16-bit fields of no known layout", false, {rawDib({.w = 15, .h = 15, .bits = 16, .compression = 3, .masks = {0xF, 0xF0, 0xF00}})}},
        {"24-bit top-down", true, {rawDib({.w = 14, .h = 22, .topDown = true})}},
        {"2-bit", false, {rawDib({.w = 16, .h = 16, .bits = 2, .palette = randomBytes(16)})}},
        {"colour bits cut short", false, {truncated}},
        {"24-bit bits, 32 in the directory", false, {rawDib({.w = 30, .h = 30}, 32)}},
        {"RLE8", true, {rle(25, 19, false)}},
        {"RLE4", true, {rle(26, 18, true)}},
        {"PNG RGBA", true, {pngImage(noise(40, 40, 999, true))}},
        {"PNG RGB", true, {pngImage(noise(17, 23, 999), PngKind::Rgb8)}},
        {"PNG grey", true, {pngImage(noise(20, 20, 99), PngKind::Grey8)}},
        {"PNG grey and alpha", true, {pngImage(noise(20, 20, 99, true), PngKind::GreyAlpha8)}},
        {"PNG palette", true, {pngImage(noise(30, 30, 99), PngKind::Palette8)}},
        {"PNG 16-bit RGBA", true, {pngImage(noise(30, 30, 999, true), PngKind::Rgba16)}},
        {"PNG 1-bit grey", true, {pngImage(noise(30, 30, 0), PngKind::Grey1)}},
        {"PNG interlaced", true, {{37, 29, 0, 1, 32, 0, 0, makePng(noise(37, 29, 999, true), PngKind::Rgba8, true)}}},
        {"PNG 16-bit grey", true, {pngRaw(16, 0)}},
        {"PNG 2-bit grey", true, {pngRaw(2, 0)}},
        {"PNG 4-bit grey", true, {pngRaw(4, 0)}},
        {"PNG 16-bit RGB", true, {pngRaw(16, 2)}},
        {"PNG 16-bit grey and alpha", true, {pngRaw(16, 4)}},
        {"PNG 4-bit palette of 9", true, {pngRaw(4, 3, 9)}},
        {"PNG with a broken ancillary checksum", false, {pngRaw(8, 2, 0, true)}},
        {"choice among five", true, choice()},
        {"choice among five, in a program", true, choice(), true},
        {"choice: a width byte of 0 is below 48", true, {dibAt(48, 48, 32, 99), dibAt(256, 256, 32, 99)}},
        {"choice: the last of equals", true, {dibAt(32, 32, 32, 99), dibAt(32, 32, 32, 99)}},
    };
    // clang-format on
}

// Debian's interpreter first: the one that python3-pil serves.
std::string pythonWithPillow() {
    for (const char* p : {"/usr/bin/python3", "python3"})
        if (std::system((std::string(p) + " -c 'import PIL' >/dev/null 2>&1").c_str()) == 0)
            return p;
    return "";
}

TEST(Dhash, MatchesPillow) {
    const std::string python = pythonWithPillow();
    if (python.empty()) GTEST_SKIP() << "python3-pil is not installed";
    const auto table = rows();
    TempDir dir;
    std::string command =
        python + " " + (std::filesystem::path(__FILE__).parent_path() / "dhash_oracle.py").string();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string path = dir.file(std::to_string(i) + ".ico");
        writeFile(path, makeIco(table[i].images));
        command += " '" + path + "'";
    }
    std::vector<std::string> expected;
    if (FILE* out = popen(command.c_str(), "r")) {
        char line[64];
        while (std::fgets(line, sizeof line, out))
            expected.emplace_back(line, std::strcspn(line, "\n"));
        pclose(out);
    }
    ASSERT_EQ(expected.size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Row& row = table[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(expected[i] != "none", row.hashed) << "Pillow: " << expected[i];
        const auto file = icons::readIconBytes(row.inPe ? makePe({{std::uint16_t{1}, row.images}})
                                                        : makeIco(row.images));
        ASSERT_FALSE(file.icons.empty());
        const auto hash = icons::iconDhash(file.icons[0]);
        EXPECT_EQ(hash ? icons::dhashHex(*hash) : "none", expected[i]);
    }
}

} // namespace
