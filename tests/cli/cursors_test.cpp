// Cursors for Linux desktops: Xcursor files read back by libXcursor (and matched against
// xcursorgen's), animations read back by ImageMagick and by a PNG chunk reader.
#include "run.h"

#include <gtest/gtest.h>

#include <X11/Xcursor/Xcursor.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <zlib.h>

namespace {

using namespace tess;
using namespace tess::cli;
fx::Image cursorImage(int size, fx::Color c, std::uint16_t x, std::uint16_t y, int bits = 32) {
    fx::Image image = fx::dibImage(fx::solid(size, size, c), bits);
    image.hotspotX = x, image.hotspotY = y;
    return image;
}

// An animated cursor: its frames, the header's steps and rate, and the 'seq ' and 'rate' chunks.
fx::Bytes ani(const std::vector<fx::Bytes>& frames, std::uint32_t steps, std::uint32_t jiffies,
              const std::vector<std::uint32_t>& seq = {},
              const std::vector<std::uint32_t>& rate = {}) {
    const auto values = [](const std::vector<std::uint32_t>& v) {
        fx::Bytes b(4 * v.size());
        for (std::size_t i = 0; i < v.size(); ++i)
            fx::set32(b, 4 * i, v[i]);
        return b;
    };
    // Its size, frames, steps, four unused, the rate, and the flags: the frames are icons.
    const fx::Bytes header =
        values({36, std::uint32_t(frames.size()), steps, 0, 0, 0, 0, jiffies, 1});
    std::vector<fx::Bytes> list{{'f', 'r', 'a', 'm'}}, parts{{'A', 'C', 'O', 'N'}};
    for (const fx::Bytes& f : frames)
        list.push_back(fx::chunk("icon", {f}));
    parts.push_back(fx::chunk("anih", {header}));
    if (!seq.empty()) parts.push_back(fx::chunk("seq ", {values(seq)}));
    if (!rate.empty()) parts.push_back(fx::chunk("rate", {values(rate)}));
    parts.push_back(fx::chunk("LIST", list));
    return fx::chunk("RIFF", parts);
}

const fx::Color kRed{255, 0, 0}, kGreen{0, 255, 0, 128}, kBlue{0, 0, 255};
const std::vector<fx::Bytes> kFrames = {fx::makeIco({cursorImage(32, kRed, 1, 2)}, true),
                                        fx::makeIco({cursorImage(32, kGreen, 3, 4)}, true),
                                        fx::makeIco({cursorImage(32, kBlue, 5, 6)}, true)};

// Each image libXcursor reads: nominal size, width x height, hotspot, delay, first pixel (ARGB).
std::string readBack(const std::string& path) {
    XcursorImages* images = XcursorFilenameLoadAllImages(path.c_str());
    if (!images) return "unreadable";
    std::string text;
    for (int i = 0; i < images->nimage; ++i) {
        const XcursorImage& m = *images->images[i];
        char line[96];
        std::snprintf(line, sizeof line, "%u %ux%u @%u,%u %ums %08x; ", m.size, m.width, m.height,
                      m.xhot, m.yhot, m.delay, m.pixels[0]);
        text += line;
    }
    XcursorImagesDestroy(images);
    return text;
}

// arrow.cur and walk.ani as libXcursor reads them back. Steps in the sequence's order, rates in
// jiffies: 6 = 100 ms, 1 = 16.7 ms.
const std::string kArrowRead =
    "24 24x24 @2,3 0ms ff0000ff; 32 32x32 @5,9 0ms ffff0000; 48 48x48 @40,47 0ms 80008000; ";
const std::string kWalkRead = "32 32x32 @5,6 100ms ff0000ff; 32 32x32 @1,2 200ms ffff0000; "
                              "32 32x32 @3,4 500ms 80008000; 32 32x32 @1,2 17ms ffff0000; ";

class Cursors : public testing::Test {
  protected:
    Cursors() {
        EXPECT_EQ(::chdir(dir.path().c_str()), 0);
        // Sizes 24 (4 bits), 32 (twice: the deeper one is taken) and 48, each its own hotspot.
        fx::writeFile("arrow.cur",
                      fx::makeIco({cursorImage(24, kBlue, 2, 3, 4), cursorImage(32, kBlue, 9, 9, 4),
                                   cursorImage(48, kGreen, 40, 47), cursorImage(32, kRed, 5, 9)},
                                  true));
        fx::writeFile("walk.ani", ani(kFrames, 4, 10, {2, 0, 1, 0}, {6, 12, 30, 1}));
        fx::writeFile("plain.ani", ani(kFrames, 3, 10));
        fx::writeFile("app.exe", fx::makePeResources({
                                     {std::uint16_t{1}, std::uint16_t{1}, 1033,
                                      fx::cursorData(cursorImage(32, kBlue, 31, 0))},
                                     {std::uint16_t{12}, std::uint16_t{9}, 1033,
                                      fx::cursorGroupData({cursorImage(32, kBlue, 0, 0)}, {1})},
                                     {std::uint16_t{3}, std::uint16_t{1}, 1033,
                                      fx::solidImage(16, 32, kRed).bytes},
                                     {std::uint16_t{14}, std::uint16_t{2}, 1033,
                                      fx::groupData({fx::solidImage(16, 32, kRed)}, {1})},
                                 }));
        fx::writeFile("app.ico", fx::makeIco({cursorImage(16, kRed, 0, 0)}));
        std::filesystem::create_directory("o");
    }
    ~Cursors() override { EXPECT_EQ(::chdir(home.c_str()), 0); }
    const std::string home = std::filesystem::current_path();
    const fx::TempDir dir;
};

TEST_F(Cursors, XcursorFilesHoldEverySizeHotspotAndStepAsStored) {
    const struct {
        std::vector<std::string> args;
        std::string written, readBack;
    } cases[] = {
        {{"arrow.cur"}, "o/arrow_0", kArrowRead},
        {{"walk.ani"}, "o/walk", kWalkRead},
        // No sequence, no rates: the stored order, the header's 10 jiffies each.
        {{"plain.ani"},
         "o/plain",
         "32 32x32 @1,2 167ms ffff0000; 32 32x32 @3,4 167ms 80008000; "
         "32 32x32 @5,6 167ms ff0000ff; "},
        {{"--cursors", "app.exe"}, "o/app_cursor_0", "32 32x32 @31,0 0ms ff0000ff; "},
        {{"--index=1", "walk.ani"}, "o/walk_1", "32 32x32 @3,4 0ms 80008000; "}, // one frame
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        std::vector<std::string> args{"--extract", "--format=xcursor", "-o", "o"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(run(args), Result(0, c.written + "\n", ""));
        EXPECT_EQ(readBack(c.written), c.readBack);
    }
}

TEST_F(Cursors, AnXcursorIsWhatXcursorgenMakesOfTheSameFrames) {
    if (::system("command -v xcursorgen >/dev/null") != 0) GTEST_SKIP() << "no xcursorgen";
    const fx::Color colours[] = {kRed, kGreen, kBlue};
    for (int i = 0; i < 3; ++i)
        fx::writeFile("f" + std::to_string(i) + ".png", fx::makePng(fx::solid(32, 32, colours[i])));
    std::ofstream("walk.cfg") << "32 5 6 f2.png 100\n32 1 2 f0.png 200\n"
                                 "32 3 4 f1.png 500\n32 1 2 f0.png 17\n";
    ASSERT_EQ(::system("xcursorgen walk.cfg made"), 0);
    ASSERT_EQ(std::get<0>(run({"--extract", "--format=xcursor", "walk.ani"})), 0);
    EXPECT_EQ(fx::readFile("walk"), fx::readFile("made"));
}

TEST_F(Cursors, WhatCannotBePlayedOrHasNoHotspotGivesOneLineAndNoFile) {
    const fx::Bytes big = fx::makeIco({cursorImage(48, kRed, 0, 0)}, true);
    const struct {
        std::string name;
        fx::Bytes bytes; // written as NAME.ani unless empty
        std::string error;
    } cases[] = {
        // clang-format off
        {"short_seq", ani(kFrames, 3, 10, {0, 1}), "its 'seq ' chunk holds 8 bytes, not 4 for each of its 3 steps"},
        {"long_rate", ani(kFrames, 3, 10, {0, 1, 2}, {1, 2, 3, 4}), "its 'rate' chunk holds 16 bytes, not 4 for each of its 3 steps"},
        {"no_frame", ani(kFrames, 2, 10, {0, 5}), "step 1 shows frame 5, and it has 3 frames"},
        {"many", ani(kFrames, 100000, 10, {0}), "it claims 100000 steps (at most 10000)"},
        {"rate_0", ani(kFrames, 3, 10, {}, {1, 2, 0}), "step 2 has a rate of 0"},
        {"header_0", ani(kFrames, 3, 0), "its header's rate is 0"},
        {"sizes", ani({kFrames[0], big}, 2, 10), "its frames differ in size: step 0 is 32 x 32, step 1 is 48 x 48"},
        {"app.ico", {}, "holds icons, not cursors: an Xcursor needs a hotspot"},
        {"app.exe", {}, "holds icons, not cursors: an Xcursor needs a hotspot (--cursors takes the program's cursors)"},
    }; // clang-format on
    for (const auto& c : cases) {
        const std::string file = c.bytes.empty() ? c.name : c.name + ".ani";
        if (!c.bytes.empty()) fx::writeFile(file, c.bytes);
        for (const char* format : {"xcursor", "apng", "gif"}) {
            if (c.bytes.empty() && format != std::string("xcursor")) continue;
            SCOPED_TRACE(file + " as " + format);
            EXPECT_EQ(run({"--extract", std::string("--format=") + format, "-o", "o", file}),
                      Result(1, "", "tessaline: " + file + ": " + c.error + "\n"));
            EXPECT_TRUE(std::filesystem::is_empty("o"));
        }
    }
}

// Each frame of an APNG as "delay colour": its data made a PNG of its own, decoded by libpng.
std::string apngFrames(const fx::Bytes& file) {
    const auto be = [](const std::uint8_t* p, int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = v << 8 | p[i];
        return v;
    };
    std::string text, delay = "still";
    fx::Bytes png(file.begin(), file.begin() + 33); // the signature and IHDR, then a frame's data
    const auto put = [&png](const char* type, const std::uint8_t* body, std::size_t n) {
        for (const int shift : {24, 16, 8, 0})
            png.push_back(static_cast<std::uint8_t>(n >> shift));
        const std::size_t start = png.size();
        png.insert(png.end(), type, type + 4), png.insert(png.end(), body, body + n);
        const uLong crc = crc32(0, png.data() + start, static_cast<uInt>(png.size() - start));
        for (const int shift : {24, 16, 8, 0})
            png.push_back(static_cast<std::uint8_t>(crc >> shift));
    };
    const auto flush = [&] {
        if (png.size() == 33) return;
        put("IEND", nullptr, 0);
        const fx::Bytes rgba = std::get<2>(decodePng(png));
        char colour[32] = "undecodable";
        if (!rgba.empty())
            std::snprintf(colour, sizeof colour, "%02x%02x%02x%02x", rgba[0], rgba[1], rgba[2],
                          rgba[3]);
        text += delay + " " + colour + "; ";
        png.resize(33);
    };
    for (std::size_t at = 8, n = 0; at + 12 <= file.size(); at += 12 + n) {
        const std::uint8_t* body = file.data() + at + 8;
        const std::string type(file.begin() + at + 4, file.begin() + at + 8);
        n = be(file.data() + at, 4);
        if (type == "acTL")
            text += std::to_string(be(body, 4)) + " frames, " + std::to_string(be(body + 4, 4)) +
                    " plays: ";
        if (type == "fcTL")
            flush(),
                delay = std::to_string(be(body + 20, 2)) + "/" + std::to_string(be(body + 22, 2));
        if (type == "IDAT") put("IDAT", body, n);
        if (type == "fdAT") put("IDAT", body + 4, n - 4);
    }
    flush();
    return text;
}

TEST_F(Cursors, AnimationsPlayTheirStepsWithTheirDelaysForEver) {
    fx::writeFile("one.ani", ani({kFrames[1]}, 1, 10));
    ASSERT_EQ(run({"--extract", "--format=gif", "walk.ani", "one.ani"}),
              Result(0, "walk.gif\none.gif\n", ""));
    ASSERT_EQ(run({"--extract", "--format=apng", "one.ani"}), Result(0, "one.png\n", ""));
    EXPECT_EQ(apngFrames(fx::readFile("one.png")), "still 00ff0080; "); // a plain PNG
    ASSERT_EQ(run({"--extract", "--format=apng", "walk.ani"}), Result(0, "walk.png\n", ""));
    // Delays exact in sixtieths of a second; the half-transparent green keeps its alpha.
    EXPECT_EQ(apngFrames(fx::readFile("walk.png")),
              "4 frames, 0 plays: 6/60 0000ffff; 12/60 ff0000ff; 30/60 00ff0080; 1/60 ff0000ff; ");
    // In hundredths of a second; alpha of a half and more is opaque.
    // A thumbnail of an animated cursor is its first step's frame, and --size picks each step's.
    fx::writeFile(
        "two.ani",
        ani({fx::makeIco({cursorImage(16, kRed, 0, 0), cursorImage(32, kBlue, 0, 0)}, true)}, 1,
            10));
    ASSERT_EQ(run({"--extract", "--format=apng", "--size=16", "two.ani"}),
              Result(0, "two.png\n", ""));
    EXPECT_EQ(apngFrames(fx::readFile("two.png")), "still ff0000ff; ");
    ASSERT_EQ(run({"--thumbnail", "walk.ani", "t.png", "32"}), Result(0, "", ""));
    EXPECT_EQ(apngFrames(fx::readFile("t.png")), "still 0000ffff; ");
    EXPECT_EQ(output("identify -format '%T:%[pixel:p{0,0}] ' walk.gif one.gif 2>&1"),
              "10:srgba(0,0,255,1) 20:srgba(255,0,0,1) 50:srgba(0,255,0,1) 2:srgba(255,0,0,1) "
              "0:srgba(0,255,0,1) ");
}

// A folder's entries, sorted: "name" for a file, "name>target" for a link.
std::string listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(
            e.path().filename().string() +
            (e.is_symlink() ? ">" + std::filesystem::read_symlink(e.path()).string() : ""));
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& n : names)
        text += n + " ";
    return text;
}

const auto text = [](const std::string& s) { return fx::Bytes(s.begin(), s.end()); };
fx::Bytes utf16(const std::string& ascii) { // with its byte-order mark
    fx::Bytes b{0xFF, 0xFE};
    for (const char c : ascii)
        b.push_back(static_cast<std::uint8_t>(c)), b.push_back(0);
    return b;
}

// An install .inf whose scheme value is files (in Windows' role order), with these [Strings].
std::string inf(const std::string& files, const std::string& strings = "[Strings]\r\n") {
    return "[Version]\r\nsignature=\"$CHICAGO$\"\r\n[Scheme.Reg] ; the registry\r\n"
           "HKCU,\"Control Panel\\Cursors\\Schemes\",\"%NAME%\",0x00020000,\"" +
           files + "\"\r\n" + strings + "NAME = \"Aero \"\"Dark\"\"\"\r\n";
}

TEST_F(Cursors, ASchemeBecomesAThemeOfItsRolesUnderTheirFreedesktopNames) {
    // (A line of its own for one role, too.)
    const std::string strings = "HKCU,\"Control Panel\\Cursors\",Hand,,\"%arrow%\"\r\n"
                                "[Strings]\r\nDIR = \"Cursors\\Aero\"\r\narrow=\"ARROW.cur\"\r\n"
                                "busy = \"sub\\Busy.ani\"\r\n";
    fx::writeFile("s/arrow.cur", fx::readFile("arrow.cur"));
    fx::writeFile("s/sub/busy.ani", fx::readFile("walk.ani"));
    fx::writeFile("s/utf16.inf", utf16(inf("%10%\\%DIR%\\%arrow%,,,%busy%", strings)));
    // Control Panel's names and Windows' own file names, case ignored.
    fx::writeFile("f/Normal Select.cur", fx::readFile("arrow.cur"));
    fx::writeFile("f/BUSY.ANI", fx::readFile("walk.ani"));
    fx::writeFile("f/aero_link.cur", fx::readFile("app.exe")), fx::writeFile("f/notes.txt", {});
    fx::writeFile("f/aero_link.cur", fx::makeIco({cursorImage(16, kRed, 3, 3)}, true));
    const std::string hand =
        "arrow>default default hand1>pointer hand2>pointer left_ptr>default "
        "pointer pointing_hand>pointer top_left_arrow>default wait watch>wait ";
    const std::string missing = "Help, AppStarting, Crosshair, IBeam, NWPen, No, SizeNS, SizeWE, "
                                "SizeNWSE, SizeNESW, SizeAll, UpArrow, Pin, Person";
    const struct {
        std::string source, theme, comment;
    } cases[] = {
        {"s/utf16.inf", "Aero",
         "The Windows cursor scheme \"Aero \"Dark\"\", made from s/utf16.inf"},
        {"f", "default", "Windows cursors, made from f"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(run({"--cursor-theme=" + c.theme, "-o", "o", c.source}),
                  Result(0, "o/" + c.theme + "\n",
                         "tessaline: " + c.source + ": no cursor for " + missing +
                             ": left to the inherited theme\n"));
        EXPECT_EQ(listing("o/" + c.theme + "/cursors"), hand); // (sorted by name)
        EXPECT_EQ(fx::readFile("o/" + c.theme + "/index.theme"),
                  text("[Icon Theme]\nName=" + c.theme + "\nComment=" + c.comment + "\n" +
                       (c.theme == "default" ? "" : "Inherits=default\n")));
        EXPECT_EQ(readBack("o/" + c.theme + "/cursors/left_ptr") +
                      readBack("o/" + c.theme + "/cursors/watch"),
                  kArrowRead + kWalkRead);
    }
    // A theme there is replaced only when asked, in one step.
    EXPECT_EQ(run({"--cursor-theme=Aero", "-o", "o", "f"}),
              Result(1, "", "tessaline: o/Aero: File exists (--force replaces it)\n"));
    EXPECT_EQ(std::get<0>(run({"--cursor-theme=Aero", "--force", "-o", "o", "f"})), 0);
    EXPECT_EQ(listing("o"), "Aero default ");
    EXPECT_NE(listing("o/Aero/cursors").find("pointer"), std::string::npos);
}

TEST_F(Cursors, ABadSchemeGivesOneLineAndNoTheme) {
    fx::writeFile("s/a.cur", fx::readFile("arrow.cur"));
    std::filesystem::create_symlink("/etc/passwd", "s/out.cur");
    std::string many = "[Strings]\r\n";
    for (int i = 0; i < 10000; ++i)
        many += "s" + std::to_string(i) + "=x\r\n";
    const struct {
        std::string inf, error;
    } cases[] = {
        {inf("%a%"), "%a% is not in its [Strings] section"},
        {inf("%10%\\%a"), "\"%a\" has no closing %, so it never resolves"},
        {inf("a.cur", many), "it has more than 1000 entries"},
        {inf("a.cur") + "x=" + std::string(1 << 20, 'x'), "line 7 is longer than 4096 characters"},
        {inf("..\\..\\etc\\passwd"), "\"..\\..\\etc\\passwd\" climbs out of the scheme's folder"},
        {inf("out.cur"), "s/out.cur (Arrow) lies outside the scheme's folder"},
        {inf("a.cur,gone.cur"), "s/gone.cur (Help): No such file or directory"},
        {"[Version]\r\n", "it names no cursors (no HKCU,\"Control Panel\\Cursors\\Schemes\" line)"},
    }; // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        fx::writeFile("s/x.inf", text(c.inf));
        EXPECT_EQ(run({"--cursor-theme=T", "-o", "o", "s/x.inf"}),
                  Result(1, "", "tessaline: s/x.inf: " + c.error + "\n"));
        EXPECT_TRUE(std::filesystem::is_empty("o"));
    }
    // An ANSI .inf is Windows-1252: its 0x96 is the en dash of the file's UTF-8 name.
    fx::writeFile("s/a\xE2\x80\x93.cur", fx::readFile("arrow.cur"));
    fx::writeFile("s/x.inf", text(inf("a\x96.cur")));
    EXPECT_EQ(std::get<0>(run({"--cursor-theme=T", "-o", "o", "s/x.inf"})), 0);
    std::filesystem::remove_all("o/T");
    EXPECT_EQ(run({"--cursor-theme=T", "-o", "o", "/dev/null"}), // never opened (a FIFO would wait)
              Result(1, "", "tessaline: /dev/null: neither a scheme's .inf nor a folder\n"));
    EXPECT_EQ(run({"--cursor-theme=a/b", "s/x.inf"}),
              Result(2, "", "--cursor-theme takes a name without '/' (e.g. --cursor-theme=Aero)"));
}

} // namespace
