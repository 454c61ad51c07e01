// The command line as a script meets it: what the arguments ask for or the one line of wrong
// usage, then --list, --extract and --thumbnail: the whole listing, the files written (compared
// with files built by hand, or read back with libpng), the exit status and each failure's line.
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
using namespace tess::cli;
namespace fx = tess::fixtures;
using Result = std::tuple<int, std::string, std::string>; // the exit status, out, err

// What a command asks for, in one comparable text; wrong usage, its line.
std::string asked(const Command& c) {
    if (c.action == Action::WrongUsage) return c.usageError;
    const char* names[] = {"window", "list", "extract", "thumbnail", "help", "version"};
    std::string s = std::string(names[static_cast<int>(c.action)]) + (c.json ? " json" : "") +
                    (c.png ? " png" : "") + (c.cursors ? " cursors" : "") +
                    (c.force ? " force" : "");
    if (c.size) s += " size=" + std::to_string(*c.size);
    if (c.index) s += " index=" + std::to_string(*c.index);
    if (!c.folder.empty()) s += " folder=" + c.folder;
    if (c.thumbnailSize) s += " at " + std::to_string(c.thumbnailSize);
    for (const std::string& f : c.files)
        s += " [" + f + "]";
    return s;
}

TEST(CommandLine, WhatTheArgumentsAskForOrTheOneLineOfWrongUsage) {
    const std::string help = " (tessaline --help lists the options)",
                      thumbnail = "--thumbnail takes INPUT OUTPUT SIZE, SIZE from 1 to 4096 "
                                  "(e.g. --thumbnail app.exe app.png 256)";
    // clang-format off
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "window"},
        {{"a.exe", "b.dll"}, "window [a.exe] [b.dll]"},
        {{"--", "--list", "-o"}, "window [--list] [-o]"},
        {{"a.dll", "--list", "--json", "b.dll"}, "list json [a.dll] [b.dll]"},
        {{"--extract", "--format=png", "-oout", "x.exe"}, "extract png folder=out [x.exe]"},
        {{"x.exe", "--format", "ico", "--extract", "-o", "d\xE9", "--force"}, "extract force folder=d\xE9 [x.exe]"},
        {{"--extract", "--size=48", "--index", "3", "--size", "16", "x"}, "extract size=16 index=3 [x]"},
        {{"--extract", "--cursors", "--output=o", "x"}, "extract cursors folder=o [x]"},
        {{"--thumbnail", "in.exe", "out.png", "256"}, "thumbnail at 256 [in.exe] [out.png] [256]"},
        {{"--list", "--bogus", "--help"}, "help"},
        {{"-h"}, "help"},
        {{"x", "--version"}, "version"},
        {{"--list", "--", "--help", "--json"}, "list [--help] [--json]"},
        {{"--bogus", "x"}, "unknown option --bogus" + help},
        {{"--list"}, "--list needs at least one FILE (e.g. tessaline --list app.exe)"},
        {{"--extract", "--force"}, "--extract needs at least one FILE (e.g. tessaline --extract app.exe)"},
        {{"--list", "--extract", "x"}, "one action at a time: --list, --extract or --thumbnail"},
        {{"--json", "x"}, "--json goes with --list (e.g. tessaline --list --json app.exe)"},
        {{"--list", "--format=png", "x"}, "--format goes with --extract (e.g. tessaline --extract --format=png app.exe)"},
        {{"-o", "d", "x"}, "--output goes with --extract (e.g. tessaline --extract -o icons app.exe)"},
        {{"--extract", "--format=bmp", "x"}, "--format takes ico or png (e.g. --format=png)"},
        {{"--extract", "--format="}, "--format needs a value (e.g. --format=png)"},
        {{"--extract", "x", "-o"}, "--output needs a value (e.g. -o icons)"},
        {{"--extract", "-o", "", "x"}, "-o takes a folder (e.g. -o icons)"},
        {{"--extract", "--size=0", "x"}, "--size takes a number from 1 to 4096 (e.g. --size=48)"},
        {{"--extract", "--size", "4097", "x"}, "--size takes a number from 1 to 4096 (e.g. --size=48)"},
        {{"--extract", "--index=-1", "x"}, "--index takes an icon's number, from 0 (e.g. --index=3)"},
        {{"--extract", "--index=2x", "x"}, "--index takes an icon's number, from 0 (e.g. --index=3)"},
        {{"--thumbnail", "in", "out"}, thumbnail},
        {{"--thumbnail", "in", "out", "0"}, thumbnail},
    };
    // clang-format on
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(asked(parseCommandLine(args)), expected) << testing::PrintToString(args);
}

TEST(CommandLine, EveryOptionIsDescribedWithAnExample) {
    const std::string help = helpText(); // an option's entry runs up to the next option's
    for (const std::string option :
         {"--list", "--extract", "--thumbnail", "--json", "--format=FORMAT", "--size=N",
          "--index=N", "--cursors", "-o, --output=DIR", "--force"}) {
        const std::size_t at = help.find(" " + option + " "), end = help.find("\n  -", at);
        EXPECT_NE(help.substr(at, end - at).find("e.g. tessaline "), std::string::npos) << option;
    }
}

Result run(const std::vector<std::string>& args) {
    const Command c = parseCommandLine(args);
    std::ostringstream out, err;
    const int status = c.action == Action::List        ? runList(c, out, err)
                       : c.action == Action::Thumbnail ? runThumbnail(c, err)
                                                       : runExtract(c, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// A PNG file read back by libpng as straight 8-bit RGBA: its width, height and bytes.
auto readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<std::uint8_t> rgba;
    if (png_image_begin_read_from_file(&image, path.c_str())) {
        image.format = PNG_FORMAT_RGBA;
        rgba.resize(PNG_IMAGE_SIZE(image));
        png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr);
    }
    return std::tuple(static_cast<int>(image.width), static_cast<int>(image.height), rgba);
}

const fx::Image kQuad16 = fx::dibImage(fx::quadrants(16, 16), 4);
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
        fx::writeFile("app.dll", fx::makePe({{std::string("MAIN"), {kQuad16, kPng256}},
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
        fx::writeFile("caf\xE9.x.ico", fx::makeIco({kBlue32}));
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
    const std::string o = "d\xE9/", to = "-o" + o;
    const fx::Pixels quad = fx::quadrants(16, 16);
    const fx::Color half = {0, 0, 255, 128};
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
        // Names ignore case, as on Windows; a file that fails does not stop the next; a file
        // with nothing in it is read fine.
        // clang-format off
        {{"--list", "folder.ico", "/dev/null", "CAF\xE9.X.Ico", "empty.exe"},
         {1, "caf\xE9.x.ico: ico, 1 icon\n  icon 0: 1 image\n    32 x 32, 32 bits, dib, 4264 bytes\n"
             "empty.exe: not an icon file, 0 icons\n",
          "tessaline: folder.ico: is a folder\ntessaline: /dev/null: is a device\n"}},
        {{"--extract", to, "app.dll"}, {0, o + "app_0.ico\n" + o + "app_1.ico\n", ""},
         {{"app_0.ico", fx::makeIco({kQuad16, kPng256}), {}}, {"app_1.ico", fx::makeIco({kBlue32}), {}}}},
        {{"--extract", "--cursors", to, "cur.dll"}, {0, o + "cur_cursor_0.cur\n", ""},
         {{"cur_cursor_0.cur", fx::makeIco({kArrow}, true), {}}}},
        {{"--extract", "--cursors", to, "app.dll"}, {1, "", "tessaline: app.dll: no cursors to write\n"}},
        // A PNG stored is written as it is; other images are decoded, scaled, never enlarged.
        {{"--extract", "--format=png", "--index=0", to, "app.dll"}, {0, o + "app_0.png\n", ""},
         {{"app_0.png", kPng256.bytes, {}}}},
        {{"--extract", "--format=png", "--size=16", "--index=0", to, "app.dll"}, {0, o + "app_0.png\n", ""},
         {{"app_0.png", {}, quad}}},
        {{"--extract", "--format=png", "--index=1", to, "app.dll"}, {0, o + "app_1.png\n", ""},
         {{"app_1.png", {}, fx::solid(32, 32, half)}}},
        {{"--thumbnail", "app.dll", o + "t.png", "256"}, {0, "", ""}, {{"t.png", kPng256.bytes, {}}}},
        {{"--thumbnail", "app.dll", o + "t.png", "16"}, {0, "", ""}, {{"t.png", {}, quad}}},
        {{"--thumbnail", "caf\xE9.x.ico", o + "t.png", "16"}, {0, "", ""}, {{"t.png", {}, fx::solid(16, 16, half)}}},
        {{"--thumbnail", "cur.dll", o + "x\xE9.png", "256"}, {0, "", ""},
         {{"x\xE9.png", {}, fx::solid(16, 16, fx::solidColor(1))}}},
        // Names keep their bytes and find the file and the folder whatever their case.
        {{"--extract", "-oD\xE9", "CAF\xE9.X.ICO", "gone.dll", "text.exe", "--index=0"},
         {1, o + "caf\xE9.x_0.ico\n", "tessaline: gone.dll: No such file or directory\n"
                                    "tessaline: text.exe: no icons to write\n"},
         {{"caf\xE9.x_0.ico", fx::makeIco({kBlue32}), {}}}},
        {{"--extract", "--index=3", to, "caf\xE9.x.ico"}, {1, "", "tessaline: caf\xE9.x.ico: no icon 3 (it has 1)\n"}},
        {{"--thumbnail", "none.exe", o + "n.png", "128"}, {1, "", "tessaline: none.exe: no icon to draw\n"}},
        {{"--thumbnail", "caf\xE9.x.ico", "/dev/full", "32"}, {1, "", "tessaline: /dev/full: No space left on device\n"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.expected) << testing::PrintToString(c.args);
        std::vector<std::string> names;
        for (const auto& [name, bytes, decoded] : c.written) {
            names.push_back(name);
            EXPECT_EQ(bytes.empty() ? fx::Bytes{} : fx::readFile(o + name), bytes) << name;
            EXPECT_EQ(bytes.empty() ? readPng(o + name) : std::tuple(0, 0, fx::Bytes{}),
                      std::tuple(decoded.width, decoded.height, decoded.rgba()))
                << name;
        }
        EXPECT_EQ(namesIn(o), names) << testing::PrintToString(c.args);
        std::filesystem::remove_all(o);
        ::mkdir(o.c_str(), 0700);
    }
}

TEST_F(Actions, ReplacesOnlyWhenForced) {
    const std::string old = "d\xE9/caf\xE9.x_0.ico";
    fx::writeFile(old, {'o', 'l', 'd'});
    EXPECT_EQ(run({"--extract", "-od\xE9", "caf\xE9.x.ico"}),
              Result(1, "", "tessaline: " + old + ": File exists (--force replaces it)\n"));
    EXPECT_EQ(fx::readFile(old), (fx::Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(run({"--extract", "--force", "-od\xE9", "caf\xE9.x.ico"}), Result(0, old + "\n", ""));
    EXPECT_EQ(fx::readFile(old), fx::makeIco({kBlue32}));
}

TEST_F(Actions, ADiskThatFillsUpEndsTheActionWithOneLine) {
    if (::mount("tmpfs", "d\xE9", "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "no tmpfs here";
    fx::writeFile("many.dll", fx::makeSolidPe(40)); // 40 icons of 4 KiB
    const Result r = run({"--extract", "-o", "d\xE9", "many.dll"});
    const std::size_t n = namesIn("d\xE9").size(); // each whole: a part-written one is removed
    ::umount("d\xE9");
    std::string out;
    for (std::size_t i = 0; i < n; ++i)
        out += "d\xE9/many_" + std::to_string(i) + ".ico\n";
    const std::string last = "d\xE9/many_" + std::to_string(n) + ".ico";
    EXPECT_EQ(r, Result(1, out, "tessaline: " + last + ": No space left on device\n"));
}

TEST(Thumbnail, BoundsItsOwnMemoryAndProcessorTime) {
    // File managers run it on untrusted downloads: 512 MiB of address space and 10 s at most.
    const pid_t child = ::fork();
    if (child == 0) {
        limitThumbnailResources();
        rlimit memory{}, time{};
        ::getrlimit(RLIMIT_AS, &memory), ::getrlimit(RLIMIT_CPU, &time);
#if defined(__SANITIZE_ADDRESS__) // which needs terabytes of address space for itself
        memory.rlim_cur = rlim_t{512} << 20;
#endif
        ::_exit(memory.rlim_cur == rlim_t{512} << 20 && time.rlim_cur == 10 ? 0 : 1);
    }
    int status = -1;
    EXPECT_EQ(::waitpid(child, &status, 0) == child ? status : -1, 0);
}

} // namespace
