// Reading each file kind: icon order, IDs and names, directory values, hotspots, frames.
#include "platform/icons/icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using namespace tess;
using fixtures::Group;
using fixtures::solidColor;
using fixtures::solidImage;

std::vector<std::string> ids(const icons::IconFile& f) {
    std::vector<std::string> out;
    for (const auto& i : f.icons)
        out.push_back(i.id);
    return out;
}

// The colour of an icon's first image's top-left pixel.
fixtures::Color firstPixel(const icons::Icon& icon, std::size_t image = 0) {
    const auto rgba = icons::decodeImage(icon.images.at(image));
    if (!rgba) return {};
    return {rgba->pixels[0], rgba->pixels[1], rgba->pixels[2], rgba->pixels[3]};
}

std::vector<Group> mixedGroups() {
    return {{std::uint16_t{20}, {solidImage(32, 32, solidColor(0))}},
            {std::string("beta"), {solidImage(32, 32, solidColor(1))}},
            {std::uint16_t{3}, {solidImage(32, 32, solidColor(2))}},
            {std::string("Alpha"), {solidImage(32, 32, solidColor(3))}},
            {std::uint16_t{100},
             {solidImage(16, 8, solidColor(4)), solidImage(48, 32, solidColor(5))}}};
}

class PeOrder : public testing::TestWithParam<bool> {};

TEST_P(PeOrder, NamedGroupsFirstThenIdsAscending) {
    const bool is64 = GetParam();
    const auto f = icons::readIconBytes(fixtures::makePe(mixedGroups(), is64));
    ASSERT_EQ(f.status, icons::FileStatus::Icons);
    EXPECT_EQ(f.kind, is64 ? "pe32+" : "pe32");
    EXPECT_EQ(ids(f), (std::vector<std::string>{"Alpha", "beta", "3", "20", "100"}));
    EXPECT_EQ(firstPixel(f.icons[0]), solidColor(3));
    EXPECT_EQ(firstPixel(f.icons[3]), solidColor(0));
    ASSERT_EQ(f.icons[4].images.size(), 2u);
    const auto& im = f.icons[4].images;
    EXPECT_EQ(std::tuple(im[0].pixelWidth(), im[0].bitCount, im[0].colorCount, im[1].pixelWidth()),
              std::tuple(16, 8, 0, 48));
    EXPECT_EQ(firstPixel(f.icons[4], 1), solidColor(5));
}

INSTANTIATE_TEST_SUITE_P(Pe, PeOrder, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "pe32plus" : "pe32"; });

TEST(Pe, FirstLanguageOfEachGroupServes) {
    // The same group name in three languages: the lowest (first stored) wins.
    const auto f = icons::readIconBytes(
        fixtures::makePe({{std::uint16_t{1}, {solidImage(32, 32, solidColor(1))}, 1049},
                          {std::uint16_t{1}, {solidImage(32, 32, solidColor(2))}, 1031},
                          {std::uint16_t{1}, {solidImage(32, 32, solidColor(3))}, 2052},
                          {std::uint16_t{2}, {solidImage(32, 32, solidColor(4))}, 1033}}));
    ASSERT_EQ(f.icons.size(), 2u);
    EXPECT_EQ(firstPixel(f.icons[0]), solidColor(2));
    EXPECT_EQ(firstPixel(f.icons[1]), solidColor(4));
}

TEST(Pe, NonAsciiNamesAreUtf8) {
    const auto f = icons::readIconBytes(fixtures::makePe(
        {{std::string("Ic\xC3\xB4ne \xF0\x9F\x98\x80"), {solidImage(16, 32, solidColor(1))}}}));
    EXPECT_EQ(ids(f), (std::vector<std::string>{"Ic\xC3\xB4ne \xF0\x9F\x98\x80"}));
}

TEST(Pe, MissingIconsAreSkippedAndEmptyGroupsKeepTheirNumber) {
    using fixtures::Resource;
    const auto a = solidImage(32, 32, solidColor(1));
    const auto b = solidImage(16, 32, solidColor(2));
    const auto f = icons::readIconBytes(fixtures::makePeResources({
        {std::uint16_t{3}, std::uint16_t{1}, 1033, a.bytes},
        {std::uint16_t{3}, std::uint16_t{2}, 1033, b.bytes},
        {std::uint16_t{14}, std::uint16_t{10}, 1033, fixtures::groupData({a, b}, {1, 99})},
        {std::uint16_t{14}, std::uint16_t{11}, 1033, fixtures::groupData({a}, {77})},
        {std::uint16_t{14}, std::uint16_t{12}, 1033, fixtures::groupData({b}, {2})},
    }));
    EXPECT_EQ(ids(f), (std::vector<std::string>{"10", "11", "12"}));
    EXPECT_EQ(f.icons[0].images.size(), 1u);
    EXPECT_TRUE(f.icons[1].images.empty());
    EXPECT_TRUE(icons::writeIconFile(f.icons[1]).empty());
    EXPECT_EQ(firstPixel(f.icons[2]), solidColor(2));
}

TEST(Pe, CursorGroupsAreListedApartWithTheirHotspots) {
    using fixtures::Resource;
    auto arrow = solidImage(32, 4, solidColor(7));
    arrow.hotspotX = 5, arrow.hotspotY = 30;
    const auto icon = solidImage(16, 32, solidColor(1));
    const auto f = icons::readIconBytes(fixtures::makePeResources({
        {std::uint16_t{1}, std::uint16_t{1}, 1033, fixtures::cursorData(arrow)},
        {std::uint16_t{3}, std::uint16_t{1}, 1033, icon.bytes},
        {std::uint16_t{12}, std::uint16_t{40}, 1033, fixtures::cursorGroupData({arrow}, {1})},
        {std::uint16_t{14}, std::uint16_t{50}, 1033, fixtures::groupData({icon}, {1})},
    }));
    EXPECT_EQ(ids(f), (std::vector<std::string>{"50"}));
    EXPECT_EQ(firstPixel(f.icons[0]), solidColor(1));
    ASSERT_EQ(f.cursors.size(), 1u);
    EXPECT_EQ(std::tuple(f.cursors[0].id, f.cursors[0].cursor, f.cursors[0].images.size()),
              std::tuple("40", true, 1u));
    const auto& im = f.cursors[0].images[0];
    EXPECT_EQ(std::tuple(im.pixelWidth(), im.pixelHeight(), im.hotspotX, im.hotspotY, im.bitCount),
              std::tuple(32, 32, 5, 30, 4));
    EXPECT_EQ(*icons::imageBytes(im), arrow.bytes);
    EXPECT_EQ(firstPixel(f.cursors[0]), solidColor(7));
}

TEST(Ne, GroupsInTableOrderWithNamesAndIds) {
    for (int shift : {0, 4, 9}) {
        const auto f = icons::readIconBytes(fixtures::makeNe(
            {{std::uint16_t{7}, {solidImage(32, 4, solidColor(1))}},
             {std::string("HELLO"),
              {solidImage(16, 1, solidColor(2)), solidImage(32, 8, solidColor(3))}},
             {std::uint16_t{2}, {solidImage(32, 24, solidColor(4))}}},
            shift));
        ASSERT_EQ(f.kind, "ne") << shift;
        EXPECT_EQ(ids(f), (std::vector<std::string>{"7", "HELLO", "2"})) << shift;
        ASSERT_EQ(f.icons.size(), 3u);
        EXPECT_EQ(firstPixel(f.icons[0]), solidColor(1));
        EXPECT_EQ(f.icons[1].images.size(), 2u);
        EXPECT_EQ(firstPixel(f.icons[1], 1), solidColor(3));
        EXPECT_EQ(firstPixel(f.icons[2]), solidColor(4));
    }
}

TEST(Ne, CursorGroupsAreListedApartWithTheirHotspots) {
    auto arrow = solidImage(32, 1, {255, 255, 255, 255});
    arrow.hotspotX = 3, arrow.hotspotY = 4;
    const auto f = icons::readIconBytes(
        fixtures::makeNe({{std::uint16_t{7}, {solidImage(16, 4, solidColor(1))}}}, 9,
                         {{std::uint16_t{9}, {arrow}}}));
    EXPECT_EQ(ids(f), (std::vector<std::string>{"7"}));
    ASSERT_EQ(f.cursors.size(), 1u);
    ASSERT_EQ(f.cursors[0].images.size(), 1u);
    const auto& im = f.cursors[0].images[0];
    EXPECT_EQ(
        std::tuple(f.cursors[0].id, im.pixelWidth(), im.pixelHeight(), im.hotspotX, im.hotspotY),
        std::tuple("9", 32, 32, 3, 4));
    EXPECT_EQ(*icons::imageBytes(im), arrow.bytes); // the padding left out
}

TEST(Ico, OneIconWithEveryImageAndCurHotspots) {
    const auto f = icons::readIconBytes(
        fixtures::makeIco({solidImage(16, 4, solidColor(1)), solidImage(32, 32, solidColor(2)),
                           solidImage(256, 32, solidColor(3), true)}));
    EXPECT_EQ(f.kind, "ico");
    ASSERT_EQ(f.icons.size(), 1u);
    const auto& im = f.icons[0].images;
    ASSERT_EQ(im.size(), 3u);
    EXPECT_FALSE(f.icons[0].cursor);
    EXPECT_EQ(std::tuple(im[0].bitCount, im[0].colorCount, im[2].pixelWidth()),
              std::tuple(4, 16, 256));
    EXPECT_EQ(im[2].format, icons::ImageFormat::Png);
    EXPECT_EQ(firstPixel(f.icons[0], 2), solidColor(3));
    // A cursor keeps its hotspot and takes its depth from the image.
    auto a = solidImage(32, 8, solidColor(1));
    a.hotspotX = 5, a.hotspotY = 27;
    const auto c = icons::readIconBytes(fixtures::makeIco({a}, true));
    EXPECT_EQ(c.kind, "cur");
    ASSERT_EQ(c.icons.size(), 1u);
    const auto& ci = c.icons[0].images[0];
    EXPECT_TRUE(c.icons[0].cursor);
    EXPECT_EQ(std::tuple(ci.hotspotX, ci.hotspotY, ci.bitCount), std::tuple(5, 27, 8));
}

TEST(Ani, EachFrameIsOneIcon) {
    const struct {
        bool afIcon;
        std::optional<std::uint32_t> claimed;
    } cases[] = {{true, std::nullopt}, {true, 100}, {true, 1}, {false, std::nullopt}};
    for (const auto& c : cases) {
        std::vector<fixtures::Bytes> frames;
        for (int i = 0; i < 3; ++i) {
            auto image = solidImage(32, 32, solidColor(i));
            frames.push_back(c.afIcon ? fixtures::makeIco({image}, true) : image.bytes);
        }
        const auto f = icons::readIconBytes(fixtures::makeAni(frames, {c.afIcon, c.claimed}));
        EXPECT_EQ(f.kind, "ani");
        ASSERT_EQ(f.icons.size(), 3u);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(firstPixel(f.icons[static_cast<std::size_t>(i)]), solidColor(i));
        EXPECT_EQ(f.icons[0].images[0].pixelWidth(), 32);
    }
}

TEST(Writer, IcoAndCurRoundTripExactly) {
    for (bool cursor : {false, true}) {
        auto a = solidImage(16, 4, solidColor(1));
        auto b = solidImage(48, 32, solidColor(2), true);
        a.hotspotX = b.hotspotX = 3, a.hotspotY = b.hotspotY = 9;
        const auto original = icons::readIconBytes(fixtures::makeIco({a, b}, cursor));
        ASSERT_EQ(original.icons.size(), 1u);
        const auto written = cursor ? icons::writeCursorFile(original.icons[0])
                                    : icons::writeIconFile(original.icons[0]);
        const auto again = icons::readIconBytes(written);
        ASSERT_EQ(again.icons.size(), 1u);
        EXPECT_EQ(again.icons[0].cursor, cursor);
        const auto& x = original.icons[0].images;
        const auto& y = again.icons[0].images;
        ASSERT_EQ(x.size(), y.size());
        auto key = [](const icons::IconImage& i) {
            return std::tuple(*icons::imageBytes(i), i.width, i.bitCount, i.planes, i.hotspotX,
                              i.hotspotY);
        };
        for (std::size_t i = 0; i < x.size(); ++i)
            EXPECT_EQ(key(x[i]), key(y[i])) << i;
    }
}

TEST(Writer, PeGroupBecomesAnIcoFileOfTheSameImages) {
    const auto pe = icons::readIconBytes(fixtures::makePe(mixedGroups()));
    const auto ico = icons::readIconBytes(icons::writeIconFile(pe.icons[4]));
    ASSERT_EQ(ico.icons.size(), 1u);
    ASSERT_EQ(ico.icons[0].images.size(), 2u);
    EXPECT_EQ(*icons::imageBytes(ico.icons[0].images[1]),
              *icons::imageBytes(pe.icons[4].images[1]));
    EXPECT_EQ(ico.icons[0].images[0].bitCount, 8);
}

TEST(Writer, IcotoolReadsBackTheSameImages) {
    if (!fixtures::haveTool("icotool")) GTEST_SKIP() << "icotool is not installed";
    auto a = solidImage(32, 8, solidColor(1)), b = solidImage(16, 4, solidColor(2));
    a.hotspotX = 5, a.hotspotY = 30;
    const auto cursorPe = fixtures::makePeResources(
        {{std::uint16_t{1}, std::uint16_t{1}, 1033, fixtures::cursorData(a)},
         {std::uint16_t{12}, std::uint16_t{40}, 1033, fixtures::cursorGroupData({a}, {1})}});
    const std::string ne32 =
        "--icon --index=1 --width=32 --height=32 --bit-depth=8 --palette-size=256\n"
        "--icon --index=2 --width=16 --height=16 --bit-depth=4 --palette-size=16\n";
    const struct {
        const char* name;
        fixtures::Bytes file;
        bool cursorGroup; // the file's first cursor group, else its first icon
        bool asCursor;    // written as .cur, else as .ico
        std::string listed;
    } cases[] = {
        // NE resources are padded to 2^shift bytes: the images are written at their true size.
        {"ne4", fixtures::makeNe({{std::uint16_t{1}, {a, b}}}, 4), false, false, ne32},
        {"ne9", fixtures::makeNe({{std::uint16_t{1}, {a, b}}}, 9), false, false, ne32},
        {"cursor", cursorPe, true, true,
         "--cursor --index=1 --width=32 --height=32 --bit-depth=8 --palette-size=256 "
         "--hotspot-x=5 --hotspot-y=30\n"},
        {"cursor_as_icon", cursorPe, true, false,
         "--icon --index=1 --width=32 --height=32 --bit-depth=8 --palette-size=256\n"},
    };
    for (const auto& c : cases) {
        fixtures::TempDir dir;
        const auto f = icons::readIconBytes(c.file);
        const auto& icon = c.cursorGroup ? f.cursors.at(0) : f.icons.at(0);
        const std::string out = dir.file(c.asCursor ? "x.cur" : "x.ico");
        fixtures::writeFile(out,
                            c.asCursor ? icons::writeCursorFile(icon) : icons::writeIconFile(icon));
        ASSERT_EQ(fixtures::run("icotool -l " + out + " >" + dir.file("list") + " 2>&1"), 0)
            << c.name;
        const auto listed = fixtures::readFile(dir.file("list"));
        EXPECT_EQ(std::string(listed.begin(), listed.end()), c.listed) << c.name;
        ASSERT_EQ(fixtures::run("icotool -x -o " + dir.file("") + " " + out + " 2>&1"), 0)
            << c.name;
        std::vector<std::string> pngs; // x_1_32x32x8.png ...
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().extension() == ".png") pngs.push_back(e.path().string());
        std::sort(pngs.begin(), pngs.end());
        ASSERT_EQ(pngs.size(), icon.images.size()) << c.name;
        for (std::size_t i = 0; i < pngs.size(); ++i) {
            const auto theirs =
                icons::decodeImage(icons::imageFromBytes(fixtures::readFile(pngs[i])));
            const auto ours = icons::decodeImage(icon.images[i]);
            ASSERT_TRUE(theirs && ours) << c.name << " " << i;
            EXPECT_EQ(theirs->pixels, ours->pixels) << c.name << " " << i;
        }
    }
}

TEST(Detection, ByContentNotByName) {
    fixtures::TempDir dir;
    fixtures::Bytes dos(0x100, 0);
    dos[0] = 'M', dos[1] = 'Z', dos[0x3C] = 0x40;
    constexpr auto kIcons = icons::FileStatus::Icons, kNot = icons::FileStatus::NotAnIconFile;
    const struct {
        const char* name;
        fixtures::Bytes bytes;
        icons::FileStatus status;
        const char* kind;
        std::size_t icons;
    } cases[] = {
        // clang-format off
        {"really_an_ico.exe", fixtures::makeSolidIco(2), kIcons, "ico", 1},
        {"really_a_pe.ico", fixtures::makeSolidPe(2), kIcons, "pe32+", 2},
        {"no_resources.dll", fixtures::makePeResources({}), kIcons, "pe32+", 0},
        {"really_an_ani.cur", fixtures::makeSolidAni(2), kIcons, "ani", 2},
        {"text.exe", {'h', 'e', 'l', 'l', 'o', '\n'}, kNot, "", 0},
        {"empty.dll", {}, kNot, "", 0},
        {"dos.exe", dos, kNot, "", 0},
        {"wave.ani", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, kNot, "", 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(c.name);
        fixtures::writeFile(path, c.bytes);
        const auto f = icons::readIconFile(path);
        EXPECT_EQ(f.status, c.status) << c.name;
        EXPECT_EQ(f.kind, c.kind) << c.name;
        EXPECT_EQ(f.icons.size(), c.icons) << c.name;
    }
}

TEST(Detection, SpecialFilesAreNeverRead) {
    fixtures::TempDir dir;
    const std::string fifo = dir.file("pipe.exe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::mkdir(dir.file("folder.ico").c_str(), 0700);
    for (const std::string& path :
         {fifo, dir.file("folder.ico"), std::string("/dev/zero"), std::string("/dev/null"),
          dir.file("missing.exe"), std::string("")}) {
        const auto f = icons::readIconFile(path);
        EXPECT_EQ(f.status, icons::FileStatus::Unreadable) << path;
        EXPECT_FALSE(f.error.empty()) << path;
    }
}

TEST(Reading, OnlyDirectoriesAndImageHeadsAreRead) {
    // 64 MiB of filler before the resources: listing reads the headers, the directories and a few
    // bytes of each image; drawing then reads the image it draws, once.
    const auto image = solidImage(32, 32, solidColor(1));
    const auto pe = fixtures::makePe({{std::uint16_t{1}, {image}}, {std::uint16_t{2}, {image}}},
                                     true, {.gap = 64u << 20});
    fixtures::TempDir dir;
    fixtures::writeFile(dir.file("big.dll"), pe);
    const auto before = icons::bytesReadFromFiles();
    const auto f = icons::readIconFile(dir.file("big.dll"));
    const auto listed = icons::bytesReadFromFiles() - before;
    ASSERT_EQ(f.icons.size(), 2u);
    EXPECT_LT(listed, 40u * 1024);
    EXPECT_EQ(firstPixel(f.icons[0]), solidColor(1));
    EXPECT_EQ(icons::bytesReadFromFiles() - before - listed, image.bytes.size());
}

TEST(Reading, OneImageNamedManyTimesIsReadOnceAndCostsAtMostAFewTimesTheFile) {
    // A 1 MiB image named 65535 times by one group of a 2 MB file.
    const auto big = fixtures::dibImage(fixtures::solid(512, 512, solidColor(3)), 32);
    auto entry = big; // the group's entries, without the bytes
    entry.bytes.clear();
    const auto pe = fixtures::makePeResources(
        {{std::uint16_t{3}, std::uint16_t{1}, 1033, big.bytes},
         {std::uint16_t{14}, std::uint16_t{1}, 1033,
          fixtures::groupData(std::vector(65535, entry), std::vector<std::uint16_t>(65535, 1))}});
    fixtures::TempDir dir;
    fixtures::writeFile(dir.file("many.dll"), pe);
    const auto f = icons::readIconFile(dir.file("many.dll"));
    ASSERT_EQ(f.icons.size(), 1u);
    const auto& images = f.icons[0].images;
    ASSERT_GE(images.size(), 2u);
    const auto before = icons::bytesReadFromFiles();
    const auto a = icons::imageBytes(images[0]), b = icons::imageBytes(images[1]);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(*a, big.bytes);
    const auto ico = icons::writeIconFile(f.icons[0]);
    EXPECT_EQ(icons::bytesReadFromFiles() - before, big.bytes.size());
    EXPECT_LE(ico.size(), 5 * pe.size());
    EXPECT_EQ(ico.size(), 6 + images.size() * (16 + big.bytes.size()));
}

} // namespace
