// Reading each file kind (icon order, IDs and names, directory values, hotspots, frames), detection
// by content, the ICO writer, and how much of a file is read.
#include "platform/icons/icons.h"
#include "platform/icons/win_icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

namespace {

using namespace tess;
using fixtures::Bytes;
using fixtures::Image;
using fixtures::solidColor;
using fixtures::solidImage;

// A file as text: its kind, then each icon's ID (names quoted) and images, each as
// WxH/bits/colours, "/png", a cursor's hotspot, and its top-left pixel as the number of its
// solid colour ("?" where it does not decode).
std::string listing(const icons::IconFile& f) {
    std::string s = f.status == icons::FileStatus::Unreadable      ? "unreadable"
                    : f.status == icons::FileStatus::NotAnIconFile ? "not"
                                                                   : f.kind;
    for (const auto* list : {&f.icons, &f.cursors}) {
        for (const auto& icon : *list) {
            s += std::string(list == &f.cursors ? " cursor " : " ") +
                 (icon.named ? "\"" + icon.id + "\"" : icon.id) + "(";
            for (const auto& im : icon.images) {
                s += (&im == &icon.images[0] ? "" : " ") + std::to_string(im.pixelWidth()) + "x" +
                     std::to_string(im.pixelHeight()) + "/" + std::to_string(im.bitCount) + "/" +
                     std::to_string(im.colorCount) +
                     (im.format == icons::ImageFormat::Png ? "/png" : "");
                if (icon.cursor)
                    s += "@" + std::to_string(im.hotspotX) + "," + std::to_string(im.hotspotY);
                const auto rgba = icons::decodeImage(im);
                int n = 0;
                while (rgba && n < 100 &&
                       !(solidColor(n) == fixtures::Color{rgba->pixels[0], rgba->pixels[1],
                                                          rgba->pixels[2], rgba->pixels[3]}))
                    ++n;
                s += "=" + (n < 100 && rgba ? std::to_string(n) : "?");
            }
            s += ")";
        }
    }
    return s;
}

Image withHotspot(Image im, std::uint16_t x, std::uint16_t y) {
    im.hotspotX = x, im.hotspotY = y;
    return im;
}

std::vector<fixtures::Group> mixedGroups() {
    return {{std::uint16_t{20}, {solidImage(32, 32, solidColor(6))}, 2052},
            {std::uint16_t{20}, {solidImage(32, 32, solidColor(0))}, 1031}, // the first language
            {std::string("beta"), {solidImage(32, 32, solidColor(1))}},
            {std::uint16_t{3}, {solidImage(32, 32, solidColor(2))}},
            {std::string("Ic\xC3\xB4ne \xF0\x9F\x98\x80"), {solidImage(16, 32, solidColor(7))}},
            {std::string("Alpha"), {solidImage(32, 32, solidColor(3))}},
            {std::uint16_t{100},
             {solidImage(16, 8, solidColor(4)), solidImage(48, 32, solidColor(5))}}};
}

TEST(Reading, EachKindOfFileByItsContent) {
    const auto a = solidImage(32, 32, solidColor(1)), b = solidImage(16, 32, solidColor(2));
    const auto arrow = withHotspot(solidImage(32, 4, solidColor(7)), 5, 30);
    const auto neArrow = withHotspot(solidImage(32, 1, solidColor(8)), 3, 4);
    auto ne = [&](int shift) {
        return fixtures::makeNe(
            {{std::uint16_t{7}, {solidImage(32, 4, solidColor(1))}},
             {std::string("HELLO"),
              {solidImage(16, 1, solidColor(2)), solidImage(32, 8, solidColor(3))}},
             {std::uint16_t{2}, {solidImage(32, 24, solidColor(4))}}},
            shift, {{std::uint16_t{9}, {neArrow}}});
    };
    std::vector<Bytes> frames, bare;
    for (int i = 0; i < 3; ++i)
        frames.push_back(fixtures::makeIco({solidImage(32, 32, solidColor(i))}, true)),
            bare.push_back(solidImage(32, 32, solidColor(i)).bytes);
    Bytes dos(0x100, 0);
    dos[0] = 'M', dos[1] = 'Z', dos[0x3C] = 0x40;
    const std::string mixed =
        "\"Alpha\"(32x32/32/0=3) \"Ic\xC3\xB4ne \xF0\x9F\x98\x80\"(16x16/32/0=7) "
        "\"beta\"(32x32/32/0=1) 3(32x32/32/0=2) 20(32x32/32/0=0) "
        "100(16x16/8/0=4 48x48/32/0=5)";
    const std::string neList = "ne 7(32x32/4/16=1) \"HELLO\"(16x16/1/2=2 32x32/8/0=3) "
                               "2(32x32/24/0=4) cursor 9(32x32/1/0@3,4=8)";
    const std::string ani = "ani (32x32/32/0@0,0=0) (32x32/32/0@0,0=1) (32x32/32/0@0,0=2)";
    const struct {
        std::string name;
        std::optional<Bytes> bytes; // none: the path is made by the test, or is the name itself
        std::string listed;
        std::string extracted; // ExtractIconA at -1, then at 0 ("h": a handle)
    } cases[] = {
        {"pe32.dll", fixtures::makePe(mixedGroups(), false), "pe32 " + mixed, "6 h"},
        {"pe32plus.dll", fixtures::makePe(mixedGroups()), "pe32+ " + mixed, "6 h"},
        // A group naming missing icons keeps its number, empty.
        {"gap.dll",
         fixtures::makePeResources(
             {{std::uint16_t{3}, std::uint16_t{1}, 1033, a.bytes},
              {std::uint16_t{3}, std::uint16_t{2}, 1033, b.bytes},
              {std::uint16_t{14}, std::uint16_t{10}, 1033, fixtures::groupData({a, b}, {1, 99})},
              {std::uint16_t{14}, std::uint16_t{11}, 1033, fixtures::groupData({a}, {77})},
              {std::uint16_t{14}, std::uint16_t{12}, 1033, fixtures::groupData({b}, {2})}}),
         "pe32+ 10(32x32/32/0=1) 11() 12(16x16/32/0=2)", "3 h"},
        {"cursors.dll",
         fixtures::makePeResources(
             {{std::uint16_t{1}, std::uint16_t{1}, 1033, fixtures::cursorData(arrow)},
              {std::uint16_t{3}, std::uint16_t{1}, 1033, b.bytes},
              {std::uint16_t{12}, std::uint16_t{40}, 1033, fixtures::cursorGroupData({arrow}, {1})},
              {std::uint16_t{14}, std::uint16_t{50}, 1033, fixtures::groupData({b}, {1})}}),
         "pe32+ 50(16x16/32/0=2) cursor 40(32x32/4/0@5,30=7)", "1 h"},
        {"ne0.exe", ne(0), neList, "3 h"},
        {"ne4.exe", ne(4), neList, "3 h"},
        {"ne9.exe", ne(9), neList, "3 h"},
        {"really_an_ico.exe",
         fixtures::makeIco(
             {solidImage(16, 4, solidColor(1)), a, solidImage(256, 32, solidColor(3), true)}),
         "ico (16x16/4/16=1 32x32/32/0=1 256x256/32/0/png=3)", "1 h"},
        {"really_a_cur.ico",
         fixtures::makeIco({withHotspot(solidImage(32, 8, solidColor(1)), 5, 27)}, true),
         "cur (32x32/8/0@5,27=1)", "1 h"},
        {"really_an_ani.cur", fixtures::makeAni(frames), ani, "3 h"},
        {"ani_claims_100.ani", fixtures::makeAni(frames, {.frames = 100}), ani, "3 h"},
        {"ani_claims_1.ani", fixtures::makeAni(frames, {.frames = 1}), ani, "3 h"},
        {"ani_bare_dibs.ani", fixtures::makeAni(bare, {false, {}}), ani, "3 h"},
        {"no_resources.dll", fixtures::makePeResources({}), "pe32+", "0 0"},
        {"text.exe", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, "not", "0 1"},
        {"empty.dll", Bytes{}, "not", "0 1"},
        {"dos.exe", dos, "not", "0 1"},
        {"wave.ani", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, "not", "0 1"},
        {"pipe.exe", {}, "unreadable", "0 0"},
        {"folder.ico", {}, "unreadable", "0 0"},
        {"missing.exe", {}, "unreadable", "0 0"},
        {"/dev/zero", {}, "unreadable", "0 0"},
        {"/dev/null", {}, "unreadable", "0 0"},
        {"", {}, "unreadable", "0 0"},
    };
    fixtures::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.exe").c_str(), 0600), 0);
    ::mkdir(dir.file("folder.ico").c_str(), 0700);
    for (const auto& c : cases) {
        const std::string path = c.name.empty() || c.name[0] == '/' ? c.name : dir.file(c.name);
        if (c.bytes) fixtures::writeFile(path, *c.bytes);
        const auto f = icons::readIconFile(path);
        EXPECT_EQ(listing(f), c.listed) << c.name;
        EXPECT_EQ(f.error.empty(), f.status != icons::FileStatus::Unreadable) << c.name;
        const auto first = ExtractIconA(0, path, 0);
        EXPECT_EQ(std::to_string(ExtractIconA(0, path, -1)) + " " +
                      (first > 1 ? "h" : std::to_string(first)),
                  c.extracted)
            << c.name;
        DestroyIcon(first);
    }
}

TEST(Writer, AnIconIsWrittenWithItsImagesExactlyAsStored) {
    const auto a = solidImage(16, 4, solidColor(1)), b = solidImage(48, 32, solidColor(2), true);
    const auto ca = withHotspot(a, 3, 9), cb = withHotspot(b, 4, 8);
    const auto c = solidImage(32, 8, solidColor(3)), arrow = withHotspot(c, 5, 30);
    const auto cursorPe = fixtures::makePeResources(
        {{std::uint16_t{1}, std::uint16_t{1}, 1033, fixtures::cursorData(arrow)},
         {std::uint16_t{12}, std::uint16_t{40}, 1033, fixtures::cursorGroupData({arrow}, {1})}});
    const std::string ne =
        "--icon --index=1 --width=32 --height=32 --bit-depth=8 --palette-size=256\n"
        "--icon --index=2 --width=16 --height=16 --bit-depth=4 --palette-size=16\n";
    const struct {
        const char* name;
        Bytes file;
        bool cursorGroup; // the file's first cursor group, else its first icon
        bool asCursor;    // written as .cur, else as .ico
        Bytes expected;
        std::string icotool; // what icotool -l lists, "" where not asked
    } cases[] = {
        {"ico", fixtures::makeIco({a, b}), false, false, fixtures::makeIco({a, b}), ""},
        {"cur", fixtures::makeIco({ca, cb}, true), false, true, fixtures::makeIco({ca, cb}, true),
         ""},
        {"cur_as_ico", fixtures::makeIco({ca, cb}, true), false, false, fixtures::makeIco({a, b}),
         ""},
        {"pe_group", fixtures::makePe(mixedGroups()), false, false,
         fixtures::makeIco({solidImage(16, 8, solidColor(4)), solidImage(48, 32, solidColor(5))}),
         ""},
        // NE resources are padded to 2^shift bytes: the images are written at their true size.
        {"ne4", fixtures::makeNe({{std::uint16_t{1}, {c, a}}}, 4), false, false,
         fixtures::makeIco({c, a}), ne},
        {"ne9", fixtures::makeNe({{std::uint16_t{1}, {c, a}}}, 9), false, false,
         fixtures::makeIco({c, a}), ne},
        {"ne_cursor", fixtures::makeNe({}, 9, {{std::uint16_t{1}, {arrow}}}), true, true,
         fixtures::makeIco({arrow}, true), ""},
        {"pe_cursor", cursorPe, true, true, fixtures::makeIco({arrow}, true),
         "--cursor --index=1 --width=32 --height=32 --bit-depth=8 --palette-size=256 "
         "--hotspot-x=5 --hotspot-y=30\n"},
        {"pe_cursor_as_icon", cursorPe, true, false, fixtures::makeIco({c}),
         "--icon --index=1 --width=32 --height=32 --bit-depth=8 --palette-size=256\n"},
    };
    const bool icotool = fixtures::haveTool("icotool");
    for (const auto& t : cases) {
        const auto f = icons::readIconBytes(t.file);
        const auto& icon = t.cursorGroup ? f.cursors.at(0) : f.icons.at(f.icons.size() - 1);
        const auto written = t.asCursor ? icons::writeCursorFile(icon) : icons::writeIconFile(icon);
        EXPECT_EQ(written, t.expected) << t.name;
        if (!icotool || t.icotool.empty()) continue;
        // A peer reads the same entries and the same pixels.
        fixtures::TempDir dir;
        const std::string out = dir.file(t.asCursor ? "x.cur" : "x.ico");
        fixtures::writeFile(out, written);
        ASSERT_EQ(fixtures::run("icotool -l " + out + " >" + dir.file("list") + " 2>&1"), 0);
        const auto listed = fixtures::readFile(dir.file("list"));
        EXPECT_EQ(std::string(listed.begin(), listed.end()), t.icotool) << t.name;
        ASSERT_EQ(fixtures::run("icotool -x -o " + dir.file("") + " " + out + " 2>&1"), 0);
        std::vector<std::string> pngs; // x_1_32x32x8.png ...
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().extension() == ".png") pngs.push_back(e.path().string());
        std::sort(pngs.begin(), pngs.end());
        ASSERT_EQ(pngs.size(), icon.images.size()) << t.name;
        for (std::size_t i = 0; i < pngs.size(); ++i) {
            const auto theirs =
                icons::decodeImage(icons::imageFromBytes(fixtures::readFile(pngs[i])));
            const auto ours = icons::decodeImage(icon.images[i]);
            ASSERT_TRUE(theirs && ours) << t.name << " " << i;
            EXPECT_EQ(theirs->pixels, ours->pixels) << t.name << " " << i;
        }
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
    EXPECT_TRUE(icons::decodeImage(f.icons[0].images.at(0)));
    EXPECT_EQ(icons::bytesReadFromFiles() - before - listed, image.bytes.size());
}

TEST(Reading, ASmallFileIsReadOnceWhole) {
    const auto pe = fixtures::makePe({{std::uint16_t{1}, {solidImage(16, 8, solidColor(1))}},
                                      {std::uint16_t{2}, {solidImage(32, 32, solidColor(2))}}});
    fixtures::TempDir dir;
    fixtures::writeFile(dir.file("small.dll"), pe);
    const auto before = icons::bytesReadFromFiles();
    const auto f = icons::readIconFile(dir.file("small.dll"));
    ASSERT_EQ(f.icons.size(), 2u);
    for (const auto& icon : f.icons)
        EXPECT_TRUE(icons::decodeImage(icon.images.at(0)) && !icons::writeIconFile(icon).empty());
    EXPECT_EQ(icons::bytesReadFromFiles() - before, pe.size());
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
    const auto first = icons::imageBytes(images[0]), second = icons::imageBytes(images[1]);
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(*first, big.bytes);
    const auto ico = icons::writeIconFile(f.icons[0]);
    EXPECT_EQ(icons::bytesReadFromFiles() - before, big.bytes.size());
    EXPECT_LE(ico.size(), 5 * pe.size());
    EXPECT_EQ(ico.size(), 6 + images.size() * (16 + big.bytes.size()));
}

} // namespace
