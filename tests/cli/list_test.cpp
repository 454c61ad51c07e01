// The --list command: its text and JSON listings, exit statuses, and agreement with wrestool.
#include "cli/list.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <regex>
#include <sstream>

#include <sys/stat.h>

namespace {

using namespace tess;

struct Result {
    int status;
    std::string out, err;
};

Result list(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = cli::runList(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(ListCommand, TextListing) {
    fixtures::TempDir dir;
    const auto path = dir.file("app.dll");
    fixtures::writeFile(path,
                        fixtures::makePe({{std::string("MAIN"),
                                           {fixtures::solidImage(16, 4, {1, 2, 3, 255}),
                                            fixtures::solidImage(256, 32, {1, 2, 3, 255}, true)}},
                                          {std::uint16_t{7}, {fixtures::solidImage(32, 32, {})}}}));
    const auto r = list({"--list", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string expected = path + ": pe32+, 2 icons\n"
                                        "  icon 0, id MAIN: 2 images\n"
                                        "    16 x 16, 4 bits, dib, 296 bytes\n";
    EXPECT_EQ(r.out.substr(0, expected.size()), expected);
    EXPECT_NE(r.out.find("    256 x 256, 32 bits, png, "), std::string::npos);
    EXPECT_NE(r.out.find("  icon 1, id 7: 1 image\n    32 x 32, 32 bits, dib, 4264 bytes\n"),
              std::string::npos);
}

TEST(ListCommand, JsonListingOfEveryStatus) {
    fixtures::TempDir dir;
    fixtures::writeFile(dir.file("a.ico"), fixtures::makeIco({fixtures::solidImage(16, 32, {})}));
    fixtures::writeFile(dir.file("b.exe"), {'n', 'o'});
    const auto r = list({"--json", dir.file("a.ico"), dir.file("b.exe"), dir.file("c.exe")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[{\"file\": \"" + dir.file("a.ico") +
                         "\", \"status\": \"icons\", \"icons\": [{\"index\": 0, \"id\": \"\", "
                         "\"images\": [{\"width\": 16, \"height\": 16, \"bits\": 32, \"format\": "
                         "\"dib\", \"bytes\": 1128}]}]},\n {\"file\": \"" +
                         dir.file("b.exe") +
                         "\", \"status\": \"not-an-icon-file\", \"icons\": []},\n {\"file\": \"" +
                         dir.file("c.exe") +
                         "\", \"status\": \"unreadable\", \"error\": \"No such file or "
                         "directory\", \"icons\": []}]\n");
    EXPECT_NE(r.err.find("b.exe: not an icon file"), std::string::npos);
    EXPECT_NE(r.err.find("c.exe: unreadable"), std::string::npos);
}

TEST(ListCommand, ExitStatuses) {
    fixtures::TempDir dir;
    fixtures::writeFile(dir.file("ok.ico"), fixtures::makeSolidIco(1));
    ::mkdir(dir.file("folder.ico").c_str(), 0700);
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{dir.file("ok.ico")}, 0},
        {{"--list", dir.file("ok.ico"), dir.file("ok.ico")}, 0},
        {{"--", "--json"}, 1}, // a file named --json, missing
        {{dir.file("ok.ico"), dir.file("folder.ico")}, 1},
        {{"/dev/zero"}, 1},
        {{}, 2},
        {{"--list"}, 2},
        {{"--json"}, 2},
        {{"--jsn", dir.file("ok.ico")}, 2},
    };
    for (const auto& c : cases) {
        const auto r = list(c.args);
        EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.args);
        if (c.status == 2) {
            EXPECT_NE(r.err.find("usage:"), std::string::npos);
        }
    }
}

TEST(ListCommand, JsonStringsAreEscaped) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"plain", "\"plain\""},
        {"q\"b\\s/", "\"q\\\"b\\\\s/\""},
        {"\n\t\r\b\f", "\"\\n\\t\\r\\b\\f\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
        {std::string("nul\0x", 5), "\"nul\\u0000x\""},
        {"caf\xC3\xA9 \xF0\x9F\x98\x80", "\"caf\xC3\xA9 \xF0\x9F\x98\x80\""},
        {"bad\xFF\xC3", "\"bad\\udcff\\udcc3\""},
        {"\xC0\xAF", "\"\\udcc0\\udcaf\""},                       // overlong
        {"\xED\xA0\x80", "\"\\udced\\udca0\\udc80\""},            // an encoded surrogate
        {"\xF4\x90\x80\x80", "\"\\udcf4\\udc90\\udc80\\udc80\""}, // beyond U+10FFFF
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli::jsonString(c.in), c.out);
}

TEST(ListCommand, NonUtf8PathInJson) {
    fixtures::TempDir dir;
    const std::string path = dir.file("ic\xFFne.ico");
    fixtures::writeFile(path, fixtures::makeSolidIco(1));
    const auto r = list({"--json", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("ic\\udcffne.ico"), std::string::npos);
}

std::string capture(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> p(::popen(command.c_str(), "r"), ::pclose);
    if (!p) return out;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p.get())) > 0)
        out.append(buf.data(), n);
    return out;
}

// Group names in wrestool's order, each once (wrestool lists every language).
std::vector<std::string> wrestoolGroups(const std::string& path) {
    const std::string out = capture("wrestool -l --type=14 '" + path + "' 2>/dev/null");
    std::vector<std::string> names;
    const std::regex line("--name=('([^']*)'|([0-9]+))");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator();
         ++it) {
        const std::string name = (*it)[2].matched ? (*it)[2].str() : (*it)[3].str();
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

std::vector<std::string> listedIds(const std::string& path) {
    const auto r = list({"--json", path});
    std::vector<std::string> ids;
    const std::regex id("\"id\": \"([^\"]*)\"");
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), id);
         it != std::sregex_iterator(); ++it)
        ids.push_back((*it)[1].str());
    return ids;
}

TEST(ListCommand, AgreesWithWrestoolOnFixtures) {
    if (!fixtures::haveTool("wrestool")) GTEST_SKIP() << "wrestool (icoutils) is not installed";
    fixtures::TempDir dir;
    for (bool is64 : {false, true}) {
        const auto path = dir.file(is64 ? "a64.dll" : "a32.dll");
        fixtures::writeFile(
            path, fixtures::makePe({{std::uint16_t{9}, {fixtures::solidImage(16, 8, {})}},
                                    {std::string("ZETA"), {fixtures::solidImage(16, 8, {})}},
                                    {std::string("ALPHA"), {fixtures::solidImage(16, 8, {})}, 1031},
                                    {std::string("ALPHA"), {fixtures::solidImage(16, 8, {})}, 1049},
                                    {std::uint16_t{2}, {fixtures::solidImage(16, 8, {})}}},
                                   is64));
        EXPECT_EQ(listedIds(path), wrestoolGroups(path));
        EXPECT_EQ(listedIds(path), (std::vector<std::string>{"ALPHA", "ZETA", "2", "9"}));
    }
}

TEST(ListCommand, AgreesWithWrestoolOnThisMachinesPeFiles) {
    if (!fixtures::haveTool("wrestool")) GTEST_SKIP() << "wrestool (icoutils) is not installed";
    const std::string found = capture(
        "find /usr /opt /root -xdev \\( -iname '*.exe' -o -iname '*.dll' \\) -type f -size +1k "
        "2>/dev/null | head -n 400");
    std::istringstream lines(found);
    std::string path;
    int compared = 0;
    while (std::getline(lines, path)) {
        if (path.find('\'') != std::string::npos) continue;
        EXPECT_EQ(listedIds(path), wrestoolGroups(path)) << path;
        ++compared;
    }
    if (compared == 0) GTEST_SKIP() << "no PE files on this machine";
    RecordProperty("compared", compared);
}

} // namespace
