// Reading and writing each file kind, what reading costs, and the cache of parsed files.
#include "support/fixtures/fixtures.h"
#include "tessaline/icons.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace {

using namespace tess;
using namespace tess::fixtures;
// A file as text: its kind, then each icon's ID and images (WxH/bits/colours[/png][@x,y]=colour).
std::string listing(const icons::IconFile& f) {
    std::string s = std::vector<std::string>{f.kind, "not", "unreadable"}[int(f.status)];
    for (const auto* list : {&f.icons, &f.cursors})
        for (const auto& icon : *list) {
            s += std::string(list == &f.cursors ? " cursor " : " ") +
                 (icon.named ? "\"" + icon.id + "\"" : icon.id) + "(";
            for (const auto& im : icon.images)
                s += str(&im == &icon.images[0] ? "" : " ", im.pixelWidth(), "x", im.pixelHeight(),
                         "/", im.bitCount, "/", +im.colorCount,
                         im.format == icons::ImageFormat::Png ? "/png" : "",
                         icon.cursor ? str("@", im.hotspotX, ",", im.hotspotY) : "", "=",
                         colourOf(icons::decodeImage(im)));
            s += ")";
        }
    return s;
}

// The number of icons, then what each draws at 32 x 32: its first image for that size that
// decodes ("=colour"), "-" for none.
std::string drawn(const icons::IconFile& f) {
    std::string s = std::to_string(f.icons.size());
    for (const auto& icon : f.icons) {
        std::optional<icons::Rgba> rgba;
        for (const std::size_t i : icons::imagesBySuitability(icon, 32))
            if (!rgba) rgba = icons::decodeImage(icon.images[i]);
        s += rgba ? " =" + colourOf(rgba) : " -";
    }
    return s;
}

TEST(Reading, EachKindOfFileByItsContent) {
    const std::vector<Group> mixedGroups{
        {U16{20}, {solidImage(32, 32, solidColor(6))}, 2052},
        {U16{20}, {solidImage(32, 32, solidColor(0))}, 1031}, // the first language
        {std::string("beta"), {solidImage(32, 32, solidColor(1))}},
        {U16{3}, {solidImage(32, 32, solidColor(2))}},
        {std::string("Ic\xC3\xB4ne \xF0\x9F\x98\x80"), {solidImage(16, 32, solidColor(7))}},
        {std::string("Alpha"), {solidImage(32, 32, solidColor(3))}},
        {U16{100}, {solidImage(16, 8, solidColor(4)), solidImage(48, 32, solidColor(5))}}};

    const auto a = solidImage(32, 32, solidColor(1)), b = solidImage(16, 32, solidColor(2));
    const Image neArrow{32, 32, 0, 1, 1, 3, 4, solidImage(32, 1, solidColor(8)).bytes};
    const std::vector<Image> cur{
        {32, 32, 0, 1, 8, 5, 27, solidImage(32, 8, solidColor(1)).bytes},
        {48, 48, 0, 1, 32, 4, 8, pngImage(solid(48, 48, solidColor(2))).bytes},
        {16, 8, 0, 1, 4, 2, 3, dibImage(solid(16, 8, solidColor(3)), 4).bytes}}; // not square
    auto ne = [&](int shift) {
        return makeNe({{U16{7}, {solidImage(32, 4, solidColor(1))}},
                       {std::string("HELLO"),
                        {solidImage(16, 1, solidColor(2)), solidImage(32, 8, solidColor(3))}},
                       {U16{2}, {solidImage(32, 24, solidColor(4))}}},
                      shift, {{U16{9}, {neArrow}}});
    };
    std::vector<Bytes> frames, bare;
    for (int i = 0; i < 3; ++i)
        frames.push_back(makeIco({solidImage(32, 32, solidColor(i))}, true)),
            bare.push_back(solidImage(32, 32, solidColor(i)).bytes);
    const std::string neList = "ne 7(32x32/4/16=1) \"HELLO\"(16x16/1/2=2 32x32/8/0=3) "
                               "2(32x32/24/0=4) cursor 9(32x32/1/0@3,4=8)";
    const std::string ani = "ani (32x32/32/0@0,0=0) (32x32/32/0@0,0=1) (32x32/32/0@0,0=2)";
    // A system library without icons shows those of SystemResources/NAME.mun beside its folder.
    const auto stub = makePeResources({{U16{16}, U16{1}, 1033, {1, 2}}}), mun = makeSolidPe(3);
    // clang-format off
    // Bytes none: the path is made here, or is the name. Drawn: the count, what each draws at 32.
    // Mun: a file written first. Written: the last icon as .ico; the first cursor (or the last icon, a cursor) as .ico and as .cur.
    const struct { std::string name; std::optional<Bytes> bytes; std::string listed, drawn; std::pair<std::string, Bytes> mun = {}; std::vector<Bytes> written = {}; } cases[] = {
        {"pe32plus.dll", makePe(mixedGroups), "pe32+ \"Alpha\"(32x32/32/0=3) \"Ic\xC3\xB4ne \xF0\x9F\x98\x80\"(16x16/32/0=7) \"beta\"(32x32/32/0=1) 3(32x32/32/0=2) 20(32x32/32/0=0) 100(16x16/8/0=4 48x48/32/0=5)", "6 =3 =7 =1 =2 =0 =5"},
        {"gap.dll", makeGapPe(), "pe32 10(32x32/32/0=1) 11() 12(16x16/32/0=2)", "3 =1 - =2"}, // 11 names missing icons
        {"ne0.exe", ne(0), neList, "3 =1 =3 =4"},
        {"ne9.exe", ne(9), neList, "3 =1 =3 =4", {}, {makeIco({solidImage(32, 24, solidColor(4))}), makeIco({neArrow}), makeIco({neArrow}, true)}}, // resources padded to 512 bytes, written at their true size
        {"really_an_ico.exe", makeIco({solidImage(16, 4, solidColor(1)), a, solidImage(256, 32, solidColor(3), true)}), "ico (16x16/4/16=1 32x32/32/0=1 256x256/32/0/png=3)", "1 =1"},
        {"really_a_cur.ico", makeIco(cur, true), "cur (32x32/8/0@5,27=1 48x48/32/0/png@4,8=2 16x8/4/0@2,3=3)", "1 =1", {}, {makeIco(cur), makeIco(cur), makeIco(cur, true)}},
        {"really_an_ani_claiming_1.cur", makeAni(frames, true, 1), ani, "3 =0 =1 =2"},
        {"ani_bare_dibs.ani", makeAni(bare, false), ani, "3 =0 =1 =2"},
        {"case/System32/shell32.dll", stub, "pe32+ 1(32x32/32/0=0) 2(32x32/32/0=1) 3(32x32/32/0=2) from case/systemresources/SHELL32.DLL.MUN", "3 =0 =1 =2", {"case/systemresources/SHELL32.DLL.MUN", mun}},
        {"no_mun/System32/shell32.dll", stub, "pe32+", "0", {"no_mun/SystemResources/shell32.mun", mun}},
        {"mun_not_a_program/System32/shell32.dll", stub, "pe32+", "0", {"mun_not_a_program/SystemResources/shell32.dll.mun", makeSolidIco(1)}},
        {"mun_of_empty_groups/System32/shell32.dll", stub, "pe32+", "0", {"mun_of_empty_groups/SystemResources/shell32.dll.mun", makePeResources({{U16{3}, U16{1}, 1033, a.bytes}, {U16{14}, U16{10}, 1033, groupData({a}, {77})}})}},
        {"has_icons/System32/shell32.dll", makeSolidPe(1), "pe32+ 1(32x32/32/0=0)", "1 =0", {"has_icons/SystemResources/shell32.dll.mun", mun}},
        {"wave.ani", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, "not", "0"},
        {"pipe.exe", {}, "unreadable", "0"},
        {"/dev/zero", {}, "unreadable", "0"},
        {"", {}, "unreadable", "0"},
    };
    // clang-format on
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.exe").c_str(), 0600), 0);
    icons::IconCache cache;
    for (const auto& c : cases) {
        const std::string path = c.name.empty() || c.name[0] == '/' ? c.name : dir.file(c.name);
        if (!c.mun.first.empty()) writeFile(dir.file(c.mun.first), c.mun.second);
        if (c.bytes) writeFile(path, *c.bytes);
        const auto f = icons::readIconFile(path);
        const auto from = f.source == path || f.source.empty()
                              ? ""
                              : " from " + f.source.substr(dir.path().size() + 1);
        EXPECT_EQ(listing(f) + from, c.listed) << c.name;
        EXPECT_EQ(drawn(f), c.drawn) << c.name;
        // Asked again and again, a file is parsed once (one that cannot be read, never).
        const auto parses = cache.parseCount();
        const auto cached = cache.read(path), again = cache.read(path);
        EXPECT_EQ(
            std::tuple(listing(*cached), cached == again, cache.parseCount() - parses),
            std::tuple(listing(f), c.listed != "unreadable", c.listed == "unreadable" ? 0u : 1u))
            << c.name;
        if (c.written.empty()) continue;
        const auto& cursor = f.cursors.empty() ? f.icons.back() : f.cursors[0];
        const std::vector<Bytes> got{icons::writeIconFile(f.icons.back()),
                                     icons::writeIconFile(cursor), icons::writeCursorFile(cursor)};
        EXPECT_EQ(got, c.written) << c.name;
        for (std::size_t i = 0; i < got.size(); ++i)
            writeFile(path + std::to_string(i), got[i]);
    }
    // A peer lists the entries written (127: the shell found no icotool).
    const auto list = dir.file("list"),
               peer = "icotool -l " + dir.file("ne9.exe[02]") + " >" + list;
    if (std::system((peer + " 2>&1").c_str()) != 127 << 8) {
        const auto out = readFile(list);
        EXPECT_EQ(std::string(out.begin(), out.end()),
                  "--icon --index=1 --width=32 --height=32 --bit-depth=24 --palette-size=0\n"
                  "--cursor --index=1 --width=32 --height=32 --bit-depth=1 --palette-size=2 "
                  "--hotspot-x=3 --hotspot-y=4\n");
    }
    const auto held = cache.read(dir.file("case/System32/shell32.dll"));
    writeFile(dir.file("case/systemresources/SHELL32.DLL.MUN"), makeSolidPe(5)); // read again
    EXPECT_EQ(cache.read(dir.file("case/System32/shell32.dll"))->icons.size(), 5u);
    // What was read stays whole beyond its cache entry; an empty group's icon writes no file.
    cache.clear();
    EXPECT_EQ(std::tuple(held->icons.size(), icons::writeIconFile(held->icons[2]),
                         icons::writeIconFile(cache.read(dir.file("gap.dll"))->icons[1])),
              std::tuple(3u, makeIco({solidImage(32, 32, solidColor(2))}), Bytes{}));
}

// n groups naming one image, all through one language directory: 8 bytes a group.
Bytes sharedGroupsPe(int n, const Image& image) {
    Bytes s;
    auto put = [&](auto... v) { (..., (s.resize(s.size() + 4), set32(s, s.size() - 4, v))); };
    auto dir = [&](std::uint32_t ids) { put(0u, 0u, 0u, ids << 16); };
    const std::uint32_t t3 = 32, t14 = t3 + 24, lang3 = t14 + 16 + 8 * n, lang14 = lang3 + 24,
                        data3 = lang14 + 24, data14 = data3 + 16, group = data14 + 16;
    const Bytes g = groupData({image}, {1});
    dir(2), put(3u, 0x80000000 | t3, 14u, 0x80000000 | t14);
    dir(1), put(1u, 0x80000000 | lang3);
    dir(n);
    for (int i = 1; i <= n; ++i)
        put(std::uint32_t(i), 0x80000000 | lang14);
    dir(1), put(1033u, data3), dir(1), put(1033u, data14);
    put(kPeRsrcRva + group + std::uint32_t(g.size()), std::uint32_t(image.bytes.size()), 0u, 0u);
    put(kPeRsrcRva + group, std::uint32_t(g.size()), 0u, 0u);
    append(s, g), append(s, image.bytes);
    Bytes b = makePeResources({{U16{3}, U16{1}, 1033, {1}}}); // its headers, its section resized
    b.resize(kPeRsrcOffset);
    const std::size_t dirs = kPeOffset + 24 + 108, section = dirs + 132;
    for (std::size_t at : {dirs + 24, section + 8, section + 16})
        set32(b, at, std::uint32_t(s.size()));
    return append(b, s), b;
}

// Listing reads directories and a few bytes of each image; drawing or writing then reads each once.
// An image named by many groups is paid for once: every group keeps it.
TEST(Reading, OnlyDirectoriesAndImageHeadsAreReadThenEachImageOnce) {
    const auto image = solidImage(32, 32, solidColor(1)), small = solidImage(16, 32, solidColor(2));
    // A 1 MiB image named 65535 times by one group of a 2 MB file (its entries without bytes).
    const auto big = dibImage(solid(512, 512, solidColor(3)), 32);
    const Image entry{0, 0, 0, 1, 32, 0, 0, {}}; // big's directory entry
    // clang-format off
    // Listed: at most, bytes read to list. Whole: read once whole on opening. Last: the last icon's
    // images, each read once to write it.
    const struct { const char* name; Bytes file; std::size_t listed, icons; bool whole; Image last; } cases[] = {
        {"big", makePe({{U16{1}, {image}}, {U16{2}, {image}}}, true, {64u << 20}), 40 * 1024, 2, false, image}, // 64 MiB of filler first
        {"small", makePe({{U16{1}, {solidImage(16, 8, solidColor(1))}}, {U16{2}, {image}}}), SIZE_MAX, 2, true, image},
        {"many", makePeResources({{U16{3}, U16{1}, 1033, big.bytes}, {U16{14}, U16{1}, 1033, groupData(std::vector(65535, entry), std::vector<U16>(65535, 1))}}), SIZE_MAX, 1, false, big},
        {"shared_by_1000", sharedGroupsPe(1000, small), SIZE_MAX, 1000, true, small}, // 9,812 bytes
        {"shared_by_65535", sharedGroupsPe(65535, small), SIZE_MAX, 65535, false, small},
    };
    // clang-format on
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.file(c.name), c.file);
        const auto counter = std::make_shared<icons::ReadCounter>(0);
        const auto read = [&counter] { return counter->load(); };
        const auto f = icons::readIconFile(dir.file(c.name), {.bytesRead = counter});
        const auto listed = read();
        EXPECT_EQ(f.icons.size(), c.icons);
        if (f.icons.empty() || f.icons.back().images.empty()) continue;
        std::size_t images = 0, decodes = 0;
        for (const auto& icon : f.icons)
            if (!icon.images.empty())
                images += icon.images[0].size,
                    decodes += icons::decodeImage(icon.images[0]) ? 1 : 0;
        const auto& last = f.icons.back().images;
        const auto decoded = read();
        const auto ico = icons::writeIconFile(f.icons.back());
        const auto written = read() - decoded;
        EXPECT_EQ(std::tuple(listed <= c.listed, decodes, decoded, written,
                             icons::imageBytes(last[0]) == icons::imageBytes(last.back()),
                             ico == makeIco(std::vector(last.size(), c.last)),
                             ico.size() < 5 * c.file.size()),
                  std::tuple(true, c.icons, c.whole ? c.file.size() : listed + images,
                             c.whole ? 0 : c.last.bytes.size(), true, true, true));
    }
    // Drawing one icon of a library reads its directories and that icon's images only: not the
    // heads (26 bytes each) of the 199 others, but for the few in the directories' blocks. The
    // rest keep their numbers and IDs.
    writeFile(dir.file("library.dll"), makeSolidPe(200));
    const auto fullRead = std::make_shared<icons::ReadCounter>(0),
               oneRead = std::make_shared<icons::ReadCounter>(0);
    const auto all = icons::readIconFile(dir.file("library.dll"), {.bytesRead = fullRead});
    const auto one =
        icons::readIconFile(dir.file("library.dll"), {.bytesRead = oneRead, .iconOnly = 1});
    const auto full = fullRead->load(), only = oneRead->load();
    std::string ids;
    for (const auto& icon : one.icons)
        ids += icon.id + ":" + std::to_string(icon.images.size()) + " ";
    EXPECT_EQ(std::tuple(all.icons.size(), ids.substr(0, 16), full - only >= 190 * 26,
                         colourOf(icons::decodeImage(one.icons.at(1).images.at(0)))),
              std::tuple(200u, "1:0 2:1 3:0 4:0 ", true, "1"));
}

} // namespace
