// --list, --extract and --thumbnail as a script meets them: the whole listing, the files written
// (compared with files built by hand, or read back with libpng), what is never replaced, the
// exit status and the one line each failure gets.
#include "cli/command_line.h"
#include "cli/extract.h"
#include "cli/list.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <png.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace tess;
namespace fx = tess::fixtures;
using Result = std::tuple<int, std::string, std::string>; // the exit status, out, err

Result run(const std::vector<std::string>& args) {
    const cli::Command c = cli::parseCommandLine(args);
    std::ostringstream out, err;
    const int status = c.action == cli::Action::List        ? cli::runList(c, out, err)
                       : c.action == cli::Action::Thumbnail ? cli::runThumbnail(c, err)
                                                            : cli::runExtract(c, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// A PNG file read back by libpng as straight 8-bit RGBA: its width, height and pixels.
fx::Pixels readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<std::uint8_t> rgba;
    if (png_image_begin_read_from_file(&image, path.c_str())) {
        image.format = PNG_FORMAT_RGBA;
        rgba.resize(PNG_IMAGE_SIZE(image));
        png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr);
    }
    fx::Pixels p{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
        p.data.push_back({rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]});
    return p;
}
auto pixels(const fx::Pixels& p) {
    return std::tuple(p.width, p.height, p.data);
}

const fx::Image kRed16 = fx::solidImage(16, 4, {255, 0, 0, 255});
const fx::Image kPng256 = fx::pngImage(fx::quadrants(256, 256));
const fx::Image kBlue32 = fx::dibImage(fx::solid(32, 32, {0, 0, 255, 128}), 32); // half clear
const fx::Image kIcon16 = fx::solidImage(16, 32, fx::solidColor(1));
const fx::Image kArrow = [] {
    fx::Image arrow = fx::solidImage(32, 4, fx::solidColor(7));
    arrow.hotspotX = 5, arrow.hotspotY = 30;
    arrow.colorCount = 0; // a program's cursor directory does not hold it
    return arrow;
}();

// Each test runs in a folder of its own holding these files, and names them as given.
class Actions : public testing::Test {
  protected:
    Actions() {
        EXPECT_EQ(::chdir(dir.path().c_str()), 0);
        fx::writeFile("app.dll", fx::makePe({{std::string("MAIN"), {kRed16, kPng256}},
                                             {std::uint16_t{7}, {kBlue32}}}));
        const fx::Bytes cursors = fx::makePeResources({
            {std::uint16_t{1}, std::uint16_t{1}, 1033, fx::cursorData(kArrow)},
            {std::uint16_t{3}, std::uint16_t{1}, 1033, kIcon16.bytes},
            {std::uint16_t{12}, std::uint16_t{40}, 1033, fx::cursorGroupData({kArrow}, {1})},
            {std::uint16_t{14}, std::uint16_t{50}, 1033, fx::groupData({kIcon16}, {1})},
        });
        fx::writeFile("cur.dll", cursors);
        for (const char* folder : {"System32", "SystemResources", "d\xE9", "folder.ico"})
            ::mkdir(folder, 0700);
        fx::writeFile("System32/shell32.dll",
                      fx::makePeResources({{std::uint16_t{16}, std::uint16_t{1}, 1033, {1, 2}}}));
        fx::writeFile("SystemResources/shell32.dll.mun", cursors);
        fx::writeFile("caf\xE9.x.ico", fx::makeSolidIco(1));
        fx::writeFile(
            "caf\xE9.cur",
            fx::makeIco({{32, 32, 0, 1, 1, 5, 9, fx::makeDib(fx::solid(32, 32, {}), 1)}}, true));
        fx::writeFile("none.exe", fx::makePe({}));
        fx::writeFile("text.exe", {'h', 'i'});
        fx::writeFile("empty.exe", {});
    }
    ~Actions() override { EXPECT_EQ(::chdir(home.c_str()), 0); }
    const std::string home = std::filesystem::current_path();
    const fx::TempDir dir;
};

TEST_F(Actions, WhatEachPrintsAndWrites) {
    const std::string o = "d\xE9/", mine = "caf\xE9.x.ico: ico, 1 icon\n  icon 0: 1 image\n"
                                           "    32 x 32, 32 bits, dib, 4264 bytes\n";
    const struct {
        std::vector<std::string> args;
        Result expected;
        // What is in the folder d\xE9 then: each file's bytes, or where none, its pixels.
        std::vector<std::tuple<std::string, fx::Bytes, fx::Pixels>> written = {};
    } cases[] = {
        {{"--list", "app.dll", "System32/shell32.dll", "none.exe", "text.exe"},
         {0,
          R"(app.dll: pe32+, 2 icons
  icon 0, id MAIN: 2 images
    16 x 16, 4 bits, dib, 296 bytes
    256 x 256, 32 bits, png, )" +
              std::to_string(kPng256.bytes.size()) + R"( bytes
  icon 1, id 7: 1 image
    32 x 32, 32 bits, dib, 4264 bytes
System32/shell32.dll: pe32+, 1 icon, 1 cursor (read from )" +
              dir.path() + R"(/SystemResources/shell32.dll.mun)
  icon 0, id 50: 1 image
    16 x 16, 32 bits, dib, 1128 bytes
  cursor 0, id 40: 1 image
    32 x 32, 4 bits, dib, 744 bytes, hotspot 5,30
none.exe: pe32+, 0 icons
text.exe: not an icon file, 0 icons
)",
          ""}},
        {{"--list", "--json", "System32/shell32.dll", "caf\xE9.cur", "text.exe", "gone.exe"},
         {1,
          R"([{"file":"System32/shell32.dll","status":"icons","kind":"pe32+","source":")" +
              dir.path() +
              R"(/SystemResources/shell32.dll.mun","icons":[{"index":0,"id":"50","images":)"
              R"([{"width":16,"height":16,"bits":32,"format":"dib","bytes":1128}]}],"cursors":)"
              R"([{"index":0,"id":"40","images":[{"width":32,"height":32,"bits":4,"format":"dib",)"
              R"("bytes":744,"hotspot":[5,30]}]}]},)"
              "\n {\"file\":\"caf\xEF\xBF\xBD.cur\","
              R"("file_bytes":[99,97,102,233,46,99,117,114],"status":"icons","kind":"cur","icons":)"
              R"([{"index":0,"id":"","images":[{"width":32,"height":32,"bits":1,"format":"dib",)"
              R"("bytes":304,"hotspot":[5,9]}]}],"cursors":[]},)"
              "\n"
              R"( {"file":"text.exe","status":"not-an-icon-file","kind":"","icons":[],"cursors":[]},)"
              "\n"
              R"( {"file":"gone.exe","status":"unreadable","error":"No such file or directory",)"
              R"("kind":"","icons":[],"cursors":[]}])"
              "\n",
          "tessaline: gone.exe: No such file or directory\n"}},
        // Names ignore case, as on Windows; a file with nothing in it is read fine.
        {{"--list", "CAF\xE9.X.Ico", "empty.exe"},
         {0, mine + "empty.exe: not an icon file, 0 icons\n", ""}},
        {{"--list", "folder.ico", "caf\xE9.x.ico"},
         {1, mine, "tessaline: folder.ico: is a folder\n"}},
        {{"--list", "/dev/null"}, {1, "", "tessaline: /dev/null: is a device\n"}},
        {{"--list", "--", "--json"}, {1, "", "tessaline: --json: No such file or directory\n"}},
        {{"--extract", "-o", o, "app.dll"},
         {0, o + "app_0.ico\n" + o + "app_1.ico\n", ""},
         {{"app_0.ico", fx::makeIco({kRed16, kPng256}), {}},
          {"app_1.ico", fx::makeIco({kBlue32}), {}}}},
        {{"--extract", "--cursors", "-o", o, "cur.dll"},
         {0, o + "cur_cursor_0.cur\n", ""},
         {{"cur_cursor_0.cur", fx::makeIco({kArrow}, true), {}}}},
        {{"--extract", "--cursors", "-o", o, "app.dll"},
         {1, "", "tessaline: app.dll: no cursors to write\n"}},
        // A PNG stored is written as it is; other images are decoded, scaled, never enlarged.
        {{"--extract", "--format=png", "--index=0", "-o", o, "app.dll"},
         {0, o + "app_0.png\n", ""},
         {{"app_0.png", kPng256.bytes, {}}}},
        {{"--extract", "--format=png", "--size=16", "--index=0", "-o", o, "app.dll"},
         {0, o + "app_0.png\n", ""},
         {{"app_0.png", {}, fx::solid(16, 16, {255, 0, 0, 255})}}},
        {{"--extract", "--format=png", "--index=1", "-o", o, "app.dll"},
         {0, o + "app_1.png\n", ""},
         {{"app_1.png", {}, fx::solid(32, 32, {0, 0, 255, 128})}}},
        {{"--thumbnail", "app.dll", o + "t.png", "256"},
         {0, "", ""},
         {{"t.png", kPng256.bytes, {}}}},
        {{"--thumbnail", "app.dll", o + "t.png", "16"},
         {0, "", ""},
         {{"t.png", {}, fx::solid(16, 16, {255, 0, 0, 255})}}},
        {{"--thumbnail", "cur.dll", o + "x\xE9.png", "256"},
         {0, "", ""},
         {{"x\xE9.png", {}, fx::solid(16, 16, fx::solidColor(1))}}},
        // Names keep their bytes and find the file and the folder whatever their case; a file
        // that fails does not stop the next.
        {{"--extract", "-oD\xE9", "CAF\xE9.X.ICO", "gone.dll", "text.exe", "--index=0"},
         {1, o + "caf\xE9.x_0.ico\n",
          "tessaline: gone.dll: No such file or directory\n"
          "tessaline: text.exe: no icons to write\n"},
         {{"caf\xE9.x_0.ico", fx::makeSolidIco(1), {}}}},
        {{"--extract", "--index=3", "-o", o, "caf\xE9.x.ico"},
         {1, "", "tessaline: caf\xE9.x.ico: no icon 3 (it has 1)\n"}},
        {{"--thumbnail", "none.exe", o + "n.png", "128"},
         {1, "", "tessaline: none.exe: no icon to draw\n"}},
        {{"--thumbnail", "caf\xE9.x.ico", "/dev/full", "32"},
         {1, "", "tessaline: /dev/full: No space left on device\n"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.expected) << testing::PrintToString(c.args);
        std::vector<std::string> names;
        for (const auto& [name, bytes, decoded] : c.written) {
            names.push_back(name);
            EXPECT_EQ(bytes.empty() ? fx::Bytes{} : fx::readFile(o + name), bytes) << name;
            EXPECT_EQ(pixels(bytes.empty() ? readPng(o + name) : decoded), pixels(decoded)) << name;
        }
        EXPECT_EQ(namesIn(o), names) << testing::PrintToString(c.args);
        std::filesystem::remove_all(o);
        ::mkdir(o.c_str(), 0700);
    }
}

TEST_F(Actions, ReplacesOnlyWhenForcedAndThenInOneStep) {
    const std::string old = "d\xE9/caf\xE9.x_0.ico";
    fx::writeFile(old, {'o', 'l', 'd'});
    ::chmod(old.c_str(), 0640);
    EXPECT_EQ(run({"--extract", "-od\xE9", "caf\xE9.x.ico"}),
              Result(1, "", "tessaline: " + old + ": File exists (--force replaces it)\n"));
    EXPECT_EQ(fx::readFile(old), (fx::Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(run({"--extract", "--force", "-od\xE9", "caf\xE9.x.ico"}), Result(0, old + "\n", ""));
    EXPECT_EQ(fx::readFile(old), fx::makeSolidIco(1));
    EXPECT_EQ(std::filesystem::status(old).permissions(), std::filesystem::perms{0640});
    EXPECT_EQ(namesIn("d\xE9"), std::vector<std::string>{"caf\xE9.x_0.ico"}); // no temporary left
}

TEST_F(Actions, ADiskThatFillsUpEndsTheActionWithOneLine) {
    if (::mount("tmpfs", "d\xE9", "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    fx::writeFile("many.dll", fx::makeSolidPe(40)); // 40 icons of 4 KiB
    const Result r = run({"--extract", "-o", "d\xE9", "many.dll"});
    const std::vector<std::string> written = namesIn("d\xE9");
    ::umount("d\xE9");
    ASSERT_LT(written.size(), 40u);
    std::string out;
    for (std::size_t i = 0; i < written.size(); ++i)
        out += "d\xE9/many_" + std::to_string(i) + ".ico\n";
    EXPECT_EQ(r, Result(1, out,
                        "tessaline: d\xE9/many_" + std::to_string(written.size()) +
                            ".ico: No space left on device\n"));
}

TEST_F(Actions, AThumbnailScalesDownWithItsFilter) {
    ASSERT_EQ(run({"--thumbnail", "app.dll", "t.png", "128"}), Result(0, "", ""));
    const fx::Pixels back = readPng("t.png"), expected = fx::quadrants(128, 128);
    ASSERT_EQ(std::tuple(back.width, back.height), std::tuple(128, 128));
    for (int y = 4; y < 124; ++y) // away from the edges, where the filter blends
        for (int x = 4; x < 124; ++x) {
            if (std::abs(x - 64) <= 3 || std::abs(y - 64) <= 3) continue;
            ASSERT_EQ(back.at(x, y), expected.at(x, y)) << x << "," << y;
        }
}

TEST(Thumbnail, BoundsItsOwnMemoryAndProcessorTime) {
    // File managers run it on untrusted downloads: 512 MiB of address space and 10 s at most.
    const pid_t child = ::fork();
    if (child == 0) {
        cli::limitThumbnailResources();
        rlimit memory{}, time{};
        ::getrlimit(RLIMIT_AS, &memory);
        ::getrlimit(RLIMIT_CPU, &time);
#if defined(__SANITIZE_ADDRESS__) // which needs terabytes of address space for itself
        memory.rlim_cur = rlim_t{512} << 20;
#endif
        ::_exit(memory.rlim_cur == rlim_t{512} << 20 && time.rlim_cur == 10 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
