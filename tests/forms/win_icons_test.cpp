// The Windows icon functions' stand-ins: their answers, the image chosen for a size, bounded
// handles, and what drawing keeps of a huge image.
#include "forms/picture_box.h"
#include "forms/win_icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace tess;
using namespace tess::fixtures;
using icons::HICON;

// Each draw as "x,y wxh =colour".
struct Dc : icons::DeviceContext {
    void drawRgba(int x, int y, int w, int h, const icons::Rgba& image) override {
        calls +=
            str(calls.empty() ? "" : " ", x, ",", y, " ", w, "x", h, " =", colourOf(image.pixels));
    }
    std::string calls;
};

// ExtractIconA at each index (by default -1 to the count): a count, 0 or 1 as such, else what
// DrawIcon draws ("=colour"; "-": nothing).
std::string extracted(const std::string& path, std::vector<int> indexes = {}) {
    for (int i = -1, n = indexes.empty() ? int(ExtractIconA(0, path, -1)) : -2; i <= n; ++i)
        indexes.push_back(i);
    std::string s;
    for (const int i : indexes) {
        const HICON h = ExtractIconA(0, path, i);
        Dc dc;
        s += (s.empty() ? "" : " ") + (h <= 1 || i == -1       ? std::to_string(h)
                                       : DrawIcon(dc, 0, 0, h) ? dc.calls.substr(dc.calls.find('='))
                                                               : "-");
        DestroyIcon(h);
    }
    return s;
}

TEST(WinIcons, AnswersAsWindowsDoesThroughTheInstalledFunctions) {
    const forms::InstalledIconFunctions functions;
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.exe").c_str(), 0600), 0);
    writeFile(dir.file("gap.dll"), makeGapPe());
    writeFile(dir.file("three.ico"), makeSolidIco(3)); // one icon of three images
    writeFile(dir.file("System32/lib.dll"), makePeResources({{U16{16}, U16{1}, 1033, {1, 2}}}));
    writeFile(dir.file("SystemResources/lib.dll.mun"), makeSolidPe(3));
    writeFile(dir.file("wave.ani"), Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
    // clang-format off
    // Indexes none: -1 to the count. Extracted: a count, 0 or 1, else what the icon draws.
    const struct { std::string name; std::vector<int> indexes; std::string extracted; } cases[] = {
        {"gap.dll", {}, "3 =1 - =2 0"}, // 11 names missing icons: a handle that draws nothing
        {"gap.dll", {-10, -11, -12, -13, -1}, "=1 - =2 0 3"}, // -N: the group whose ID is N
        {"three.ico", {}, "1 =0 0"},
        {"System32/lib.dll", {}, "3 =0 =1 =2 0"},
        {"wave.ani", {}, "0 1"}, // not a file icons can be taken from
        {"pipe.exe", {}, "0 0"},
        {"missing.dll", {}, "0 0"},
        {"", {}, "0 0"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parses = functions->files().parseCount();
        EXPECT_EQ(extracted(c.name.empty() ? "" : dir.file(c.name), c.indexes), c.extracted);
        EXPECT_LE(functions->files().parseCount() - parses, 1u); // asked icon by icon, once
    }
    // Each set of functions has its own handles.
    const HICON h = ExtractIconA(0, dir.file("three.ico"), 0);
    {
        const forms::InstalledIconFunctions other;
        EXPECT_EQ(icons::iconOfHandle(h), nullptr);
    }
    EXPECT_EQ(icons::writeIconFile(*icons::iconOfHandle(h)), makeSolidIco(3));
}

// The nearest size, not enlarged (the larger of two equally near, else the largest), then the
// deepest colour (the header's if the directory has none); each image's colour is its side or
// depth. Handles stay valid while held, bounded in number; stale ones draw nothing.
TEST(WinIcons, DrawingChoosesTheImageForTheSizeThroughBoundedHandles) {
    const forms::InstalledIconFunctions functions;
    auto broken = solidImage(64, 32, solidColor(64)),
         headerDepth = solidImage(32, 24, solidColor(24));
    broken.bytes.resize(60); // the header survives, the pixels do not: the next image serves
    headerDepth.bitCount = 0;
    TempDir dir;
    const auto path = dir.file("sizes.ico");
    writeFile(path, makeIco({solidImage(16, 32, solidColor(16)), solidImage(32, 8, solidColor(8)),
                             headerDepth, solidImage(32, 4, solidColor(4)), broken,
                             solidImage(48, 32, solidColor(48)),
                             solidImage(256, 32, solidColor(256), true)}));
    writeFile(dir.file("one.ico"), makeSolidIco(1));
    const HICON icon = ExtractIconA(0, path, 0), first = ExtractIconA(0, dir.file("one.ico"), 0),
                released = ExtractIconA(0, path, 0);
    Dc dc, stale;
    ASSERT_TRUE(DrawIcon(dc, 8, 9, icon));
    const int draws[][3] = {{0, 16, 16}, {6, 137, 129}, {0, 0, 0},     {0, 64, 64},  {0, 24, 24},
                            {0, 40, 40}, {0, 1, 1},     {0, 100, 100}, {0, 300, 300}};
    for (const auto& [x, w, h] : draws)
        ASSERT_TRUE(DrawIconEx(dc, x, x, icon, w, h, 0, 0, 3));
    EXPECT_EQ(dc.calls, "8,9 32x32 =24 0,0 16x16 =16 6,6 137x129 =256 0,0 32x32 =24 "
                        "0,0 64x64 =256 0,0 24x24 =24 0,0 40x40 =48 0,0 1x1 =16 "
                        "0,0 100x100 =256 0,0 300x300 =256");
    ASSERT_TRUE(DestroyIcon(released));
    EXPECT_FALSE(DestroyIcon(released));
    const auto held = icons::iconOfHandle(first);
    for (int i = 0; i < 10000; ++i)
        ExtractIconA(0, path, 0); // never released by the caller
    for (HICON bad : {HICON{0}, HICON{1}, released, first, HICON{0xDEADBEEF}}) // first: the oldest
        EXPECT_FALSE(DrawIcon(stale, 0, 0, bad) || DrawIconEx(stale, 0, 0, bad, 16, 16, 0, 0, 3) ||
                     icons::iconOfHandle(bad));
    EXPECT_EQ(stale.calls, "");
    writeFile(path, makeSolidPe(2)); // changed since: parsed again
    EXPECT_EQ(ExtractIconA(0, path, -1), 2u);
    // What was taken stays usable, beyond its file's cache entry.
    functions->files().clear();
    EXPECT_EQ(held ? icons::writeIconFile(*held) : Bytes{}, makeSolidIco(1));
}

// A 4096 x 4096 image drawn in 32-pixel cells is kept at 32 pixels: what drawing holds stays
// near what is drawn, however large the image and however many groups name it. And the image
// kept shrunk draws the very pixels the whole image drawn scaled gives.
TEST(WinIcons, DrawingKeepsImagesAtTheSizeDrawnWithTheSamePixels) {
    // Room to keep the whole image, were it kept whole.
    const forms::InstalledIconFunctions functions(
        std::make_shared<forms::IconFunctions>(forms::IconFunctionLimits{4096, 256u << 20}));
    const Bytes huge = makePng(solid(4096, 4096, {0, 0, 0, 255}), PngKind::Grey1);
    const Image entry{0, 0, 0, 1, 1, 0, 0, huge};
    std::vector<Resource> resources{{U16{3}, U16{1}, 1033, huge}};
    for (U16 g = 1; g <= 40; ++g)
        resources.push_back({U16{14}, g, 1033, groupData({entry}, {1})});
    // Translucent edges, every alpha, so that premultiplying is seen.
    const auto soft = pixels(300, 200, [](int x, int y) {
        return Color{std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y), std::uint8_t(x + y)};
    });
    TempDir dir;
    writeFile(dir.file("huge.dll"), makePeResources(resources));
    writeFile(dir.file("soft.ico"), makeIco({pngImage(soft)}));
    Dc dc;
    for (int i = 0; i < 40; ++i) {
        const HICON h = ExtractIconA(0, dir.file("huge.dll"), i);
        EXPECT_TRUE(DrawIcon(dc, 0, 0, h));
        DestroyIcon(h);
    }
    EXPECT_LE(functions->decodedBytesHeld(), 32u * 32 * 4);

    for (const double ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        PictureBox::setDevicePixelRatioForTests(ratio);
        PictureBox shrunk, whole;
        for (PictureBox* p : {&shrunk, &whole})
            p->resize(400, 300), p->setBackColor(0xFFFFFF), p->cls();
        const HICON h = ExtractIconA(0, dir.file("soft.ico"), 0);
        const auto image = icons::decodeImage(icons::iconOfHandle(h)->images[0]);
        ASSERT_TRUE(image);
        const std::tuple<int, int, int> draws[] = {{0, 32, 32}, {40, 97, 45}, {150, 250, 190}};
        for (const auto& [x, w, hh] : draws) {
            EXPECT_TRUE(DrawIconEx(shrunk.hDC(), x, 5, h, w, hh, 0, 0, 3));
            whole.drawRgba(x, 5, w, hh, *image);
        }
        EXPECT_TRUE(shrunk.image() == whole.image());
        DestroyIcon(h);
    }
    PictureBox::setDevicePixelRatioForTests(0);
}

} // namespace
