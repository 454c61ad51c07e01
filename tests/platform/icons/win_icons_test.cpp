// ExtractIconA, DrawIcon, DrawIconEx, DestroyIcon and the caches behind them.
#include "platform/icons/win_icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace tess;
using icons::HICON;

struct Drawn {
    int x, y, w, h;
    int imageWidth;
    fixtures::Color first;
    bool operator==(const Drawn&) const = default;
};
void PrintTo(const Drawn& d, std::ostream* os) {
    *os << d.x << "," << d.y << " " << d.w << "x" << d.h << " from " << d.imageWidth;
}

class RecordingDc : public icons::DeviceContext {
  public:
    void drawRgba(int x, int y, int w, int h, const icons::Rgba& image) override {
        const auto& p = image.pixels;
        calls.push_back({x, y, w, h, image.width, {p[0], p[1], p[2], p[3]}});
    }
    std::vector<Drawn> calls;
};

class WinIcons : public testing::Test {
  protected:
    void SetUp() override { icons::clearIconCaches(); }
    std::string put(const std::string& name, const fixtures::Bytes& bytes) {
        fixtures::writeFile(dir.file(name), bytes);
        return dir.file(name);
    }
    fixtures::TempDir dir;
};

TEST_F(WinIcons, EmptyGroupKeepsItsNumberAndDrawsNothing) {
    const auto a = fixtures::solidImage(32, 32, fixtures::solidColor(1));
    const auto b = fixtures::solidImage(32, 32, fixtures::solidColor(2));
    const auto path = put(
        "gap.dll", fixtures::makePeResources({
                       {std::uint16_t{3}, std::uint16_t{1}, 1033, a.bytes},
                       {std::uint16_t{3}, std::uint16_t{2}, 1033, b.bytes},
                       {std::uint16_t{14}, std::uint16_t{10}, 1033, fixtures::groupData({a}, {1})},
                       {std::uint16_t{14}, std::uint16_t{11}, 1033, fixtures::groupData({a}, {77})},
                       {std::uint16_t{14}, std::uint16_t{12}, 1033, fixtures::groupData({b}, {2})},
                   }));
    EXPECT_EQ(ExtractIconA(0, path, -1), 3u);
    EXPECT_EQ(std::pair(ExtractIconA(0, path, 3), ExtractIconA(0, path, -13)), std::pair(0ul, 0ul));
    RecordingDc dc;
    std::vector<bool> drawn;
    for (const int index : {0, 1, 2, -11, -12}) {
        const HICON h = ExtractIconA(0, path, index);
        ASSERT_GT(h, 1u) << index;
        drawn.push_back(DrawIcon(dc, index, 0, h));
    }
    EXPECT_EQ(drawn, (std::vector<bool>{true, false, true, false, true}));
    EXPECT_TRUE(icons::writeIconFile(*icons::iconOfHandle(ExtractIconA(0, path, 1))).empty());
    EXPECT_EQ(dc.calls.at(1).first, fixtures::solidColor(2));
    EXPECT_EQ(dc.calls.at(2).first, fixtures::solidColor(2));
}

TEST_F(WinIcons, SystemLibraryWithoutIconsFollowsItsMun) {
    const auto stub =
        fixtures::makePeResources({{std::uint16_t{16}, std::uint16_t{1}, 1033, {1, 2}}});
    const auto mun = fixtures::makeSolidPe(3);
    const struct {
        const char* name;
        std::string resources, munName; // "" : none written
        fixtures::Bytes library, munBytes;
        bool redirected;
        int icons;
    } cases[] = {
        {"exact", "SystemResources", "shell32.dll.mun", stub, mun, true, 3},
        {"case", "systemresources", "SHELL32.DLL.MUN", stub, mun, true, 3},
        {"no_mun", "SystemResources", "", stub, mun, false, 0},
        {"no_folder", "", "", stub, mun, false, 0},
        {"mun_not_a_program", "SystemResources", "shell32.dll.mun", stub, {'M', 'Z'}, false, 0},
        {"mun_without_icons", "SystemResources", "shell32.dll.mun", stub, stub, false, 0},
        {"mun_truncated", "SystemResources", "shell32.dll.mun", stub,
         fixtures::Bytes(mun.begin(), mun.begin() + 0x210), false, 0},
        {"library_has_icons", "SystemResources", "shell32.dll.mun", fixtures::makeSolidPe(1), mun,
         false, 1},
    };
    for (const auto& c : cases) {
        fixtures::TempDir root;
        ::mkdir((root.path() + "/System32").c_str(), 0700);
        const std::string library = root.path() + "/System32/shell32.dll";
        fixtures::writeFile(library, c.library);
        std::string munPath;
        if (!c.resources.empty()) ::mkdir(root.file(c.resources).c_str(), 0700);
        if (!c.munName.empty()) {
            munPath = root.file(c.resources) + "/" + c.munName;
            fixtures::writeFile(munPath, c.munBytes);
        }
        const auto f = icons::readIconFile(library);
        EXPECT_EQ(f.icons.size(), static_cast<std::size_t>(c.icons)) << c.name;
        EXPECT_EQ(f.source, c.redirected ? munPath : library) << c.name;
        EXPECT_EQ(ExtractIconA(0, library, -1), static_cast<HICON>(c.icons)) << c.name;
        if (c.redirected) {
            RecordingDc dc;
            const HICON h = ExtractIconA(0, library, 2);
            ASSERT_TRUE(DrawIcon(dc, 0, 0, h)) << c.name;
            EXPECT_EQ(dc.calls.at(0).first, fixtures::solidColor(2)) << c.name;
            // A .mun changed since is read again.
            fixtures::writeFile(munPath, fixtures::makeSolidPe(5));
            EXPECT_EQ(ExtractIconA(0, library, -1), 5u) << c.name;
        }
    }
}

TEST_F(WinIcons, AskingIconByIconParsesOnceUntilTheFileChanges) {
    const auto path = put("many.dll", fixtures::makeSolidPe(500));
    const auto before = icons::cachedParseCount();
    RecordingDc dc;
    int n = 0;
    for (;; ++n) {
        const HICON h = ExtractIconA(0, path, n);
        if (h <= 1) break;
        ASSERT_TRUE(DrawIcon(dc, n, 0, h));
        DestroyIcon(h);
    }
    EXPECT_EQ(n, 500);
    EXPECT_EQ(icons::cachedParseCount() - before, 1u);
    ASSERT_EQ(dc.calls.size(), 500u);
    EXPECT_EQ(dc.calls[499].first, fixtures::solidColor(499));
    // A file changed since (another size) is parsed again.
    fixtures::writeFile(path, fixtures::makeSolidPe(2));
    EXPECT_EQ(ExtractIconA(0, path, -1), 2u);
    EXPECT_EQ(icons::cachedParseCount() - before, 2u);
}

TEST_F(WinIcons, DrawingChoosesTheImageForTheSize) {
    using fixtures::solidColor;
    using fixtures::solidImage;
    auto broken = solidImage(64, 32, solidColor(64));
    broken.bytes.resize(60); // the header survives, the pixels do not: the next image serves
    const auto path =
        put("sizes.ico", fixtures::makeIco({solidImage(16, 32, solidColor(16)),
                                            solidImage(32, 32, solidColor(32)), broken,
                                            solidImage(256, 32, solidColor(256), true)}));
    const HICON h = ExtractIconA(0, path, 0);
    RecordingDc dc;
    ASSERT_TRUE(DrawIcon(dc, 8, 9, h));
    ASSERT_TRUE(DrawIconEx(dc, 0, 0, h, 16, 16, 0, 0, 3));
    ASSERT_TRUE(DrawIconEx(dc, 6, 6, h, 137, 129, 0, 0, 3));
    ASSERT_TRUE(DrawIconEx(dc, 0, 0, h, 0, 0, 0, 0, 3));
    ASSERT_TRUE(DrawIconEx(dc, 0, 0, h, 48, 48, 0, 0, 3));
    const auto c = [](int x, int y, int w, int h, int image) {
        return Drawn{x, y, w, h, image, solidColor(image)};
    };
    EXPECT_EQ(dc.calls,
              (std::vector<Drawn>{c(8, 9, 32, 32, 32), c(0, 0, 16, 16, 16), c(6, 6, 137, 129, 256),
                                  c(0, 0, 32, 32, 32), c(0, 0, 48, 48, 256)}));
}

TEST_F(WinIcons, HandlesAreBoundedStayValidWhileHeldAndStaleOnesDrawNothing) {
    const auto path = put("one.ico", fixtures::makeSolidIco(1));
    const HICON first = ExtractIconA(0, path, 0), released = ExtractIconA(0, path, 0);
    ASSERT_TRUE(DestroyIcon(released));
    EXPECT_FALSE(DestroyIcon(released));
    const auto held = icons::iconOfHandle(first);
    for (int i = 0; i < 10000; ++i)
        ExtractIconA(0, path, 0); // never released by the caller
    RecordingDc dc;
    for (HICON bad :
         {HICON{0}, HICON{1}, released, first, HICON{0xDEADBEEF}}) { // first: the oldest went
        EXPECT_FALSE(DrawIcon(dc, 0, 0, bad));
        EXPECT_FALSE(DrawIconEx(dc, 0, 0, bad, 16, 16, 0, 0, 3));
        EXPECT_EQ(icons::iconOfHandle(bad), nullptr);
    }
    EXPECT_TRUE(dc.calls.empty());
    ASSERT_NE(held, nullptr); // what was taken stays usable
    EXPECT_EQ(held->images.size(), 1u);
    // The icon outlives its file's cache entry.
    icons::clearIconCaches();
    EXPECT_EQ(icons::writeIconFile(*held).size(), fixtures::makeSolidIco(1).size());
}

} // namespace
