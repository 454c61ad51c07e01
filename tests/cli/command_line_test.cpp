// The command line as a script meets it: what it asks for, what it prints and writes, its status.
#include "run.h"
#include "tessaline/icons.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <regex>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace tess;
using namespace tess::cli;

std::string asked(const Command& c) { // in one comparable text; wrong usage, its line
    if (c.action == Action::WrongUsage) return c.usageError;
    const char* names[] = {"window", "list", "extract", "thumbnail", "help", "version"};
    std::string s = std::string(names[static_cast<int>(c.action)]) + (c.json ? " json" : "") +
                    (c.jsonl ? " jsonl" : "") + (c.hashes ? " hashes" : "") +
                    (c.recursive ? " recursive" : "") + (c.nulSeparated ? " null" : "") +
                    (c.unique ? " unique" : "") + (c.png ? " png" : "") +
                    (c.cursors ? " cursors" : "") + (c.force ? " force" : "");
    if (c.jobs) s += " jobs=" + std::to_string(c.jobs);
    if (c.filesFrom) s += " from=" + *c.filesFrom;
    if (c.id) s += " id=" + *c.id;
    if (c.language) s += " lang=" + std::to_string(*c.language);
    if (c.size) s += " size=" + std::to_string(*c.size);
    if (c.index) s += " index=" + std::to_string(*c.index);
    if (!c.folder.empty()) s += " folder=" + c.folder;
    if (c.thumbnailSize) s += " at " + std::to_string(c.thumbnailSize);
    for (const std::string& f : c.files)
        s += " [" + f + "]";
    return s;
}

TEST(CommandLine, WhatTheArgumentsAskForOrTheOneLineOfWrongUsage) {
    const std::string thumbnail = "--thumbnail takes INPUT OUTPUT SIZE, SIZE from 1 to 4096 (e.g. "
                                  "--thumbnail app.exe app.png 256)";
    // clang-format off
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "window"},
        {{"a.exe", "b.dll"}, "window [a.exe] [b.dll]"},
        {{"a.dll", "--list", "--json", "b.dll"}, "list json [a.dll] [b.dll]"},
        {{"--extract", "--format=png", "-oout", "x.exe"}, "extract png folder=out [x.exe]"},
        {{"x.exe", "--format", "ico", "--extract", "-o", "d\xE9", "--force"}, "extract force folder=d\xE9 [x.exe]"},
        {{"--extract", "--size=48", "--index", "3", "--size", "16", "x"}, "extract size=16 index=3 [x]"},
        {{"--extract", "--cursors", "--output=o", "x"}, "extract cursors folder=o [x]"},
        {{"--list", "-r", "--jsonl", "-j", "3", "--hashes", "d", "-j2"}, "list jsonl hashes recursive jobs=2 [d]"},
        {{"--list", "--files-from=-", "-0", "--recursive", "--", "-0"}, "list recursive null from=- [-0]"},
        {{"--extract", "--id", "MAIN", "--lang=0x409", "--unique", "--files-from", "l"}, "extract unique from=l id=MAIN lang=1033"},
        {{"--list", "-j", "0", "x"}, "--jobs takes a number from 1 to 256 (e.g. -j 4)"},
        {{"--list", "--jobs=100000", "x"}, "--jobs takes a number from 1 to 256 (e.g. -j 4)"},
        {{"--extract", "-j2", "x"}, "--jobs goes with --list (e.g. tessaline --list --jsonl -j 4 -r folder)"},
        {{"--list", "--json", "--jsonl", "x"}, "--json or --jsonl, not both"},
        {{"--list", "--hashes", "x"}, "--hashes goes with --list --json or --jsonl (e.g. tessaline --list --jsonl --hashes app.exe)"},
        {{"--list", "-0", "x"}, "--null goes with --files-from (e.g. find . -print0 | tessaline --list --files-from=- -0)"},
        {{"--extract", "--lang=1033", "x"}, "--lang goes with --id (e.g. --id=MAINICON --lang=1033)"},
        {{"--extract", "--id=1", "--lang=65536", "x"}, "--lang takes a language ID, from 0 to 65535 or 0x0 to 0xFFFF (e.g. --lang=1033)"},
        {{"--extract", "--id=1", "--index=1", "x"}, "--index or --id, not both"},
        {{"--list", "--id=1", "x"}, "--id goes with --extract (e.g. tessaline --extract --id=MAINICON app.exe)"},
        {{"--thumbnail", "-r", "a", "b", "1"}, "--recursive goes with --list or --extract (e.g. tessaline --list -r folder)"},
        {{"--thumbnail", "in.exe", "out.png", "256"}, "thumbnail at 256 [in.exe] [out.png] [256]"},
        {{"--list", "--bogus", "-h"}, "help"},
        {{"x", "--version"}, "version"},
        {{"--list", "--", "--help", "--json"}, "list [--help] [--json]"},
        {{"--bogus", "x"}, "unknown option --bogus (tessaline --help lists the options)"},
        {{"--list"}, "--list needs at least one FILE (e.g. tessaline --list app.exe)"},
        {{"--list", "--extract", "x"}, "one action at a time: --list, --extract, --thumbnail or --cursor-theme"},
        {{"--json", "x"}, "--json goes with --list (e.g. tessaline --list --json app.exe)"},
        {{"--list", "--format=png", "x"}, "--format goes with --extract (e.g. tessaline --extract --format=png app.exe)"},
        {{"--extract", "--format=bmp", "x"}, "--format takes ico, png, xcursor, apng or gif (e.g. --format=png)"},
        {{"--extract", "x", "-o"}, "--output needs a value (e.g. -o icons)"},
        {{"--extract", "-o", "", "x"}, "-o takes a folder (e.g. -o icons)"},
        {{"--extract", "--size=0", "x"}, "--size takes a number from 1 to 4096 (e.g. --size=48)"},
        {{"--extract", "--index=-1", "x"}, "--index takes an icon's number, from 0 (e.g. --index=3)"},
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
         {"--list", "--extract", "--thumbnail", "--json", "--jsonl", "--hashes", "-r, --recursive",
          "--files-from=LIST", "-0, --null", "-j, --jobs=N", "--format=FORMAT", "--size=N",
          "--index=N", "--id=ID", "--lang=LANGID", "--unique", "--cursors", "-o, --output=DIR",
          "--force"}) {
        const std::size_t at = help.find(" " + option + " "), end = help.find("\n  -", at);
        EXPECT_NE(at, std::string::npos) << option;
        EXPECT_NE(help.substr(at, end - at).find("tessaline "), std::string::npos) << option;
    }
}

const fx::Image kQuad16 = fx::dibImage(fx::quadrants(16, 16), 4);
const fx::Image kPng256 = fx::pngImage(fx::quadrants(256, 256));
const fx::Image kBlue32 = fx::dibImage(fx::solid(32, 32, {0, 0, 255, 128}), 32); // half clear
const fx::Image kIcon16 = fx::solidImage(16, 32, fx::solidColor(1));
// Hotspot 5,30; the directory of a program's cursor holds no colour count.
const fx::Image kArrow{32, 32, 0, 1, 4, 5, 30, fx::solidImage(32, 4, fx::solidColor(7)).bytes};

class Actions : public testing::Test { // each test in a folder of its own holding these files
  protected:
    Actions() {
        EXPECT_EQ(::chdir(dir.path().c_str()), 0);
        fx::writeFile("app.dll", fx::makePe({{std::string("MAIN"), {kQuad16, kPng256}},
                                             {std::uint16_t{7}, {kBlue32}},
                                             {std::uint16_t{7}, {kIcon16}, 2052}}));
        const fx::Bytes cursors = fx::makePeResources({
            {std::uint16_t{1}, std::uint16_t{1}, 1033, fx::cursorData(kArrow)},
            {std::uint16_t{3}, std::uint16_t{1}, 1033, kIcon16.bytes},
            {std::uint16_t{12}, std::uint16_t{40}, 1033, fx::cursorGroupData({kArrow}, {1})},
            {std::uint16_t{14}, std::uint16_t{50}, 1033, fx::groupData({kIcon16}, {1})},
        });
        fx::writeFile("app.exe", cursors);
        std::filesystem::create_directory("d\xE9");
        fx::writeFile("System32/shell32.dll",
                      fx::makePeResources({{std::uint16_t{16}, std::uint16_t{1}, 1033, {1, 2}}}));
        fx::writeFile("SystemResources/shell32.dll.mun", cursors);
        fx::writeFile("caf\xE9.x.ico", fx::makeIco({kBlue32}));
        fx::writeFile(
            "caf\xE9.cur",
            fx::makeIco({{32, 32, 0, 1, 1, 5, 9, fx::makeDib(fx::solid(32, 32, {}), 1)}}, true));
        // Icons 0, 2 to 4 and 6 name a missing image.
        std::vector<fx::Resource> gaps{{std::uint16_t{3}, std::uint16_t{1}, 1033, kIcon16.bytes}};
        for (std::uint16_t g = 0; g < 7; ++g)
            gaps.push_back({std::uint16_t{14}, std::uint16_t(g + 1), 1033,
                            fx::groupData({kIcon16}, {std::uint16_t(g == 1 || g == 5 ? 1 : 9)})});
        fx::writeFile("gaps.dll", fx::makePeResources(gaps));
        // A PNG whose last CRC is wrong (it decodes), one cut in its pixel data (it does not).
        fx::Image png = kPng256;
        png.bytes.back() ^= 1;
        fx::writeFile("crc.ico", fx::makeIco({png}));
        png.bytes.resize(png.bytes.size() - 20);
        fx::writeFile("cut.ico", fx::makeIco({png}));
        fx::writeFile("none.exe", fx::makePe({}));
        fx::writeFile("empty.exe", {});
    }
    ~Actions() override { EXPECT_EQ(::chdir(home.c_str()), 0); }
    const std::string home = std::filesystem::current_path();
    const fx::TempDir dir;
};

TEST_F(Actions, WhatEachPrintsAndWrites) {
    const std::string o = "d\xE9/", to = "-o" + o;
    const struct {
        std::vector<std::string> args;
        Result expected;
        // The files in d\xE9 then: a PNG's width, height and pixels; where no width, the bytes.
        std::vector<std::tuple<std::string, int, int, fx::Bytes>> written = {};
    } cases[] = {
        {{"--list", "app.dll", "System32/shell32.dll", "none.exe", "empty.exe"},
         {0,
          R"(app.dll: pe32+, 2 icons
  icon 0, id MAIN, language 1033: 2 images
    16 x 16, 4 bits, dib, 296 bytes
    256 x 256, 32 bits, png, )" +
              std::to_string(kPng256.bytes.size()) + R"( bytes
  icon 1, id 7, language 1033 (also 2052): 1 image
    32 x 32, 32 bits, dib, 4264 bytes
System32/shell32.dll: pe32+, 1 icon, 1 cursor (read from )" +
              dir.path() + R"(/SystemResources/shell32.dll.mun)
  icon 0, id 50, language 1033: 1 image
    16 x 16, 32 bits, dib, 1128 bytes
  cursor 0, id 40, language 1033: 1 image
    32 x 32, 4 bits, dib, 744 bytes, hotspot 5,30
none.exe: pe32+, 0 icons
empty.exe: not an icon file, 0 icons
)",
          ""}},
        {{"--list", "--json", "System32/shell32.dll", "caf\xE9.cur", "empty.exe", "gone.exe"},
         {1,
          R"([{"file":"System32/shell32.dll","status":"icons","kind":"pe32+","source":")" +
              dir.path() +
              R"(/SystemResources/shell32.dll.mun","icons":[{"index":0,"id":"50","language":1033,)"
              R"("other_languages":[],"images":[{"width":16,"height":16,"bits":32,"format":"dib",)"
              R"("bytes":1128}]}],"cursors":[{"index":0,"id":"40","language":1033,)"
              R"("other_languages":[],"images":[{"width":32,"height":32,"bits":4,"format":"dib",)"
              R"("bytes":744,"hotspot":[5,30]}]}]},
 {"file":{"bytes":"Y2Fm6S5jdXI="},"status":"icons","kind":"cur","icons":)"
              R"([{"index":0,"id":"","language":null,"other_languages":[],"images":)"
              R"([{"width":32,"height":32,"bits":1,"format":"dib",)"
              R"("bytes":304,"hotspot":[5,9]}]}],"cursors":[]},
 {"file":"empty.exe","status":"not-an-icon-file","kind":"","icons":[],"cursors":[]},
 {"file":"gone.exe","status":"unreadable","error":"No such file or directory",)"
              R"("kind":"","icons":[],"cursors":[]}])"
              "\n",
          "tessaline: gone.exe: No such file or directory\n"}},
        // clang-format off
        {{"--list", "System32", "/dev/null", "CAF\xE9.X.Ico"}, // names ignore case, as on Windows
         {1, "caf\xE9.x.ico: ico, 1 icon\n  icon 0: 1 image\n    32 x 32, 32 bits, dib, 4264 bytes\n",
          "tessaline: System32: is a folder\ntessaline: /dev/null: is a device\n"}},
        {{"--extract", to, "app.dll", "app.exe"}, {1, o + "app_0.ico\n" + o + "app_1.ico\n", "tessaline: " + o + "app_0.ico: File exists (--force replaces it)\n"},
         {{"app_0.ico", 0, 0, fx::makeIco({kQuad16, kPng256})}, {"app_1.ico", 0, 0, fx::makeIco({kBlue32})}}},
        {{"--extract", "--force", to, "app.dll", "app.exe"}, {0, o + "app_0.ico\n" + o + "app_1.ico\n" + o + "app_0.ico\n", ""},
         {{"app_0.ico", 0, 0, fx::makeIco({kIcon16})}, {"app_1.ico", 0, 0, fx::makeIco({kBlue32})}}},
        {{"--extract", "--cursors", to, "app.exe"}, {0, o + "app_cursor_0.cur\n", ""}, {{"app_cursor_0.cur", 0, 0, fx::makeIco({kArrow}, true)}}},
        {{"--extract", "--cursors", to, "app.dll"}, {1, "", "tessaline: app.dll: no cursors to write\n"}},
        {{"--extract", "--id=main", to, "app.dll"}, {0, o + "app_0.ico\n", ""}, {{"app_0.ico", 0, 0, fx::makeIco({kQuad16, kPng256})}}},
        {{"--extract", "--id=7", "--lang=0x409", to, "app.dll"}, {0, o + "app_1.ico\n", ""}, {{"app_1.ico", 0, 0, fx::makeIco({kBlue32})}}},
        {{"--extract", "--id=7", "--lang=2052", to, "app.dll", "app.exe"}, {1, "", "tessaline: app.dll: icon 7 in language 2052 is not read: only its first language, 1033, is\n"
                                                                                  "tessaline: app.exe: no icon with id 7\n"}},
        {{"--extract", "--id=50", "--lang=1031", to, "app.exe", "caf\xE9.x.ico"}, {1, "", "tessaline: app.exe: no icon 50 in language 1031 (it has 1033)\n"
                                                                                  "tessaline: caf\xE9.x.ico: no icon with id 50\n"}},
        {{"--extract", "--format=png", "--index=0", to, "app.dll"}, {0, o + "app_0.png\n", ""}, {{"app_0.png", 0, 0, kPng256.bytes}}}, // as stored
        {{"--extract", "--format=png", "--size=16", "--index=0", to, "app.dll"}, {0, o + "app_0.png\n", ""}, {{"app_0.png", 16, 16, fx::quadrants(16, 16).rgba()}}},
        {{"--thumbnail", "caf\xE9.x.ico", o + "t.png", "16"}, {0, "", ""}, {{"t.png", 16, 16, fx::solid(16, 16, {0, 0, 255, 128}).rgba()}}},
        {{"--thumbnail", "app.exe", o + "x\xE9.png", "256"}, {0, "", ""}, {{"x\xE9.png", 16, 16, fx::solid(16, 16, fx::solidColor(1)).rgba()}}},
        {{"--extract", "-oD\xE9", "CAF\xE9.X.ICO", "gone.dll", "empty.exe", "--index=0"},
         {1, o + "caf\xE9.x_0.ico\n", "tessaline: gone.dll: No such file or directory\ntessaline: empty.exe: no icons to write\n"},
         {{"caf\xE9.x_0.ico", 0, 0, fx::makeIco({kBlue32})}}},
        {{"--extract", "--index=3", to, "caf\xE9.x.ico"}, {1, "", "tessaline: caf\xE9.x.ico: no icon 3 (it has 1)\n"}},
        // A damaged PNG is written again where it decodes, else the failure said.
        {{"--extract", "--format=png", to, "crc.ico", "cut.ico"}, {1, o + "crc_0.png\n", "tessaline: cut.ico: icon 0 has no image that can be read\n"}, {{"crc_0.png", 256, 256, fx::quadrants(256, 256).rgba()}}},
        {{"--thumbnail", "cut.ico", o + "t.png", "256"}, {1, "", "tessaline: cut.ico: no icon to draw\n"}},
        // The icons without images, in one line; the first icon that draws.
        {{"--extract", to, "gaps.dll"}, {1, o + "gaps_1.ico\n" + o + "gaps_5.ico\n", "tessaline: gaps.dll: icons 0, 2 to 4 and 6 have no image that can be read\n"}, {{"gaps_1.ico", 0, 0, fx::makeIco({kIcon16})}, {"gaps_5.ico", 0, 0, fx::makeIco({kIcon16})}}},
        {{"--extract", "--index=6", to, "gaps.dll"}, {1, "", "tessaline: gaps.dll: icon 6 has no image that can be read\n"}},
        {{"--thumbnail", "gaps.dll", o + "t.png", "16"}, {0, "", ""}, {{"t.png", 16, 16, fx::solid(16, 16, fx::solidColor(1)).rgba()}}},
        {{"--thumbnail", "caf\xE9.x.ico", "/dev/full", "32"}, {1, "", "tessaline: /dev/full: No space left on device\n"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(run(c.args), c.expected);
        for (const auto& [name, width, height, bytes] : c.written) {
            const fx::Bytes file = fx::readFile(o + name);
            EXPECT_EQ(width ? decodePng(file) : std::tuple(0, 0, file),
                      std::tuple(width, height, bytes))
                << name;
            EXPECT_TRUE(!name.ends_with(".png") || icons::pngIsWhole(file)) << name; // every chunk
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(o), {}), std::ssize(c.written));
        std::filesystem::remove_all(o), std::filesystem::create_directory(o);
    }
}

using Json = nlohmann::ordered_json;

std::vector<Json> lines(const std::string& jsonl) { // each line an object
    std::vector<Json> out;
    std::istringstream in(jsonl);
    for (std::string line; std::getline(in, line);)
        out.push_back(Json::parse(line));
    return out;
}

std::string sha256sum(const fx::Bytes& bytes) { // coreutils' sha256sum as the oracle
    const fx::TempDir d;
    fx::writeFile(d.path() + "/b", bytes);
    return output("sha256sum " + d.path() + "/b").substr(0, 64);
}

TEST_F(Actions, ManyFilesGiveOneRecordEachInTheirOrderWhateverTheWorkers) {
    const fx::Bytes f0 = fx::makeIco({fx::solidImage(16, 32, fx::solidColor(0))}, true);
    const fx::Bytes i0 = fx::chunk("icon", {f0}), acon{'A', 'C', 'O', 'N'},
                    fram{'f', 'r', 'a', 'm'};
    fx::Bytes cut = fx::makeSolidPe(2);
    cut.resize(fx::kPeOffset + 4); // a PE signature and nothing after it
    fx::writeFile("tree/-dash.ico", fx::makeIco({kBlue32}));
    fx::writeFile("tree/a\nb.ico", fx::makeIco({kQuad16}));
    fx::writeFile("tree/\xFF.ico", fx::makeIco({kIcon16}));
    fx::writeFile("tree/sub/cut.dll", cut);
    fx::writeFile("tree/sub/ani",
                  fx::chunk("RIFF", {acon, fx::chunk("LIST", {fram, i0, i0}, 0xFFFFFFF0)}));
    EXPECT_EQ(::symlink("..", "tree/sub/up") | ::symlink("self", "tree/sub/self") |
                  ::symlink("-dash.ico", "tree/link.ico") | ::mkfifo("tree/fifo", 0600),
              0);
    // An empty line and no last newline; an empty name.
    for (const auto& [name, list] :
         {std::pair<std::string, std::string>("list", "tree/-dash.ico\n\ntree/\xFF.ico\ngone"),
          {"nul", std::string("tree/a\nb.ico\0\0tree\0", 19)}})
        fx::writeFile(name, fx::Bytes(list.begin(), list.end()));
    const std::string dash = "tree/-dash.ico icons 1", newline = "tree/a\nb.ico icons 1",
                      fifo = "tree/fifo unreadable is a FIFO", ff = "dHJlZS//Lmljbw== icons 1",
                      loop = "tree/sub/self unreadable Too many levels of symbolic links";
    const std::string walkErr =
        "tessaline: tree/fifo: is a FIFO\ntessaline: " + loop.substr(0, 13) +
        ": Too many levels of symbolic links\n";
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> records; // the file (base64 where not UTF-8), status, icons
        std::string err;
    } cases[] = {
        {{"--list", "--jsonl", "-r", "tree"},
         {dash, newline, fifo, "tree/link.ico icons 1", "tree/sub/ani icons 2",
          "tree/sub/cut.dll icons 0", loop, ff},
         walkErr},
        {{"--list", "--jsonl", "--files-from=list", "-r"},
         {dash, ff, "gone unreadable No such file or directory"},
         "tessaline: gone: No such file or directory\n"},
        {{"--list", "--jsonl", "--files-from", "nul", "--null"},
         {newline, "tree unreadable is a folder"},
         "tessaline: tree: is a folder\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        std::vector<std::string> args = c.args;
        const auto [status, out, err] = run(args);
        std::vector<std::string> records;
        for (const Json& j : lines(out))
            records.push_back(
                (j["file"].is_string() ? j["file"] : j["file"]["bytes"]).get<std::string>() + " " +
                j["status"].get<std::string>() + " " +
                (j.contains("error") ? j["error"].get<std::string>()
                                     : std::to_string(j["icons"].size())));
        EXPECT_EQ(std::tuple(status, records, err), std::tuple(1, c.records, c.err));
        // The same bytes whatever the number of workers; --json, the same objects in an array.
        for (const char* jobs : {"-j1", "-j3"}) {
            args.push_back(jobs);
            EXPECT_EQ(run(args), Result(1, out, err)) << jobs;
        }
        args[1] = "--json";
        std::string array = "[" + out.substr(0, out.size() - 1);
        for (std::size_t at = 0; (at = array.find('\n', at)) != std::string::npos; at += 3)
            array.replace(at, 1, ",\n ");
        EXPECT_EQ(run(args), Result(1, array + "]\n", err));
    }
}

TEST_F(Actions, HashesAreOfTheFileEachImageAsStoredAndEachIconAsWritten) {
    const auto [status, out, err] = run({"--list", "--jsonl", "--hashes", "app.dll", "gone"});
    std::vector<Json> got = lines(out);
    ASSERT_EQ(got.size(), 2u);
    const auto image = [](const fx::Image& i, int size, int bits, const char* format) {
        return Json{{"width", size},    {"height", size},          {"bits", bits},
                    {"format", format}, {"bytes", i.bytes.size()}, {"sha256", sha256sum(i.bytes)}};
    };
    // clang-format off
    const Json expected = {
        {"file", "app.dll"}, {"status", "icons"}, {"kind", "pe32+"}, {"sha256", sha256sum(fx::readFile("app.dll"))},
        {"icons", {{{"index", 0}, {"id", "MAIN"}, {"language", 1033}, {"other_languages", Json::array()},
                    {"images", {image(kQuad16, 16, 4, "dib"), image(kPng256, 256, 32, "png")}},
                    {"sha256", sha256sum(fx::makeIco({kQuad16, kPng256}))}},
                   {{"index", 1}, {"id", "7"}, {"language", 1033}, {"other_languages", {2052}},
                    {"images", {image(kBlue32, 32, 32, "dib")}}, {"sha256", sha256sum(fx::makeIco({kBlue32}))}}}},
        {"cursors", Json::array()}};
    // clang-format on
    for (Json& icon : got[0]["icons"]) { // the hash the sandboxes publish: 16 hex digits, or null
        const Json& dhash = icon["dhash"];
        EXPECT_TRUE(dhash.is_null() ||
                    std::regex_match(dhash.get<std::string>(), std::regex("[0-9a-f]{16}")))
            << dhash;
        icon.erase("dhash");
    }
    EXPECT_EQ(got[0], expected);
    EXPECT_EQ(got[1]["sha256"], nullptr);
    EXPECT_EQ(std::pair(status, err),
              std::pair(1, std::string("tessaline: gone: No such file or directory\n")));
}

TEST_F(Actions, UniqueWritesEachDistinctIconOnceNamedByItsHash) {
    fx::writeFile("u/a.ico", fx::makeIco({kBlue32}));
    fx::writeFile("u/b/c.ico", fx::makeIco({kBlue32}));
    const std::string blue = "d\xE9/" + sha256sum(fx::makeIco({kBlue32})) + ".ico",
                      quad = "d\xE9/" + sha256sum(fx::makeIco({kQuad16, kPng256})) + ".ico";
    const std::vector<std::string> args = {"--extract", "--unique", "-r",     "-o",
                                           "d\xE9",     "u",        "app.dll"};
    EXPECT_EQ(run(args), Result(0, blue + "\n" + quad + "\n", ""));
    EXPECT_EQ(fx::readFile(blue), fx::makeIco({kBlue32}));
    EXPECT_EQ(run(args), Result(0, "", "")); // those there already are the same icons
    std::vector<std::string> png = args;     // named by the icon's .ico too
    png.insert(png.begin() + 1, "--format=png");
    const auto asPng = [](const std::string& s) { return s.substr(0, s.size() - 3) + "png\n"; };
    EXPECT_EQ(run(png), Result(0, asPng(blue) + asPng(quad), ""));
}

TEST_F(Actions, ADiskThatFillsUpEndsTheActionWithOneLine) {
    if (::mount("tmpfs", "d\xE9", "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "no tmpfs here";
    fx::writeFile("many.dll", fx::makeSolidPe(40)); // 40 icons of 4 KiB
    const Result r = run({"--extract", "-o", "d\xE9", "many.dll"});
    const auto n = std::distance(std::filesystem::directory_iterator("d\xE9"), {});
    ::umount("d\xE9");                          // each whole: a part-written one is removed
    std::string out, name = "d\xE9/many_0.ico"; // then the one that did not fit
    for (long i = 1; i <= n; name = "d\xE9/many_" + std::to_string(i++) + ".ico")
        out += name + "\n";
    EXPECT_EQ(r, Result(1, out, "tessaline: " + name + ": No space left on device\n"));
}

TEST(Thumbnail, BoundsItsOwnMemoryAndProcessorTime) { // untrusted downloads: 512 MiB, 10 s
    const auto limits = [] {
        limitThumbnailResources();
        rlimit memory{}, time{};
        ::getrlimit(RLIMIT_AS, &memory), ::getrlimit(RLIMIT_CPU, &time);
#if defined(__SANITIZE_ADDRESS__) // which needs terabytes of address space for itself
        memory.rlim_cur = rlim_t{512} << 20;
#endif
        ::_exit(memory.rlim_cur == rlim_t{512} << 20 && time.rlim_cur == 10 ? 0 : 1);
    };
    EXPECT_EXIT(limits(), testing::ExitedWithCode(0), "");
}

} // namespace
