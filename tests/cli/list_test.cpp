// The --list command: its text and JSON listings, exit statuses, and agreement with wrestool.
#include "cli/command_line.h"
#include "cli/list.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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
    args.insert(args.begin(), "--list");
    std::ostringstream out, err;
    const int status = cli::runList(cli::parseCommandLine(args), out, err);
    return {status, out.str(), err.str()};
}

TEST(ListCommand, TextListing) {
    fixtures::TempDir dir;
    const auto path = dir.file("app.dll");
    const fixtures::Image png = fixtures::solidImage(256, 32, {1, 2, 3, 255}, true);
    fixtures::writeFile(
        path,
        fixtures::makePe({{std::string("MAIN"), {fixtures::solidImage(16, 4, {1, 2, 3, 255}), png}},
                          {std::uint16_t{7}, {fixtures::solidImage(32, 32, {})}}}));
    fixtures::writeFile(dir.file("none.exe"), fixtures::makePe({}));
    fixtures::writeFile(dir.file("text.exe"), {'h', 'i'});
    const auto r = list({path, dir.file("none.exe"), dir.file("text.exe")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, path +
                         ": pe32+, 2 icons\n"
                         "  icon 0, id MAIN: 2 images\n"
                         "    16 x 16, 4 bits, dib, 296 bytes\n"
                         "    256 x 256, 32 bits, png, " +
                         std::to_string(png.bytes.size()) +
                         " bytes\n"
                         "  icon 1, id 7: 1 image\n"
                         "    32 x 32, 32 bits, dib, 4264 bytes\n" +
                         dir.file("none.exe") + ": pe32+, 0 icons\n" + dir.file("text.exe") +
                         ": not an icon file, 0 icons\n");
}

TEST(ListCommand, CursorGroupsApartAndTheFileIconsCameFrom) {
    fixtures::TempDir dir;
    fixtures::Image arrow = fixtures::solidImage(32, 4, fixtures::solidColor(7));
    arrow.hotspotX = 5, arrow.hotspotY = 30;
    const fixtures::Image icon = fixtures::solidImage(16, 32, fixtures::solidColor(1));
    fixtures::writeFile(
        dir.file("app.dll"),
        fixtures::makePeResources({
            {std::uint16_t{1}, std::uint16_t{1}, 1033, fixtures::cursorData(arrow)},
            {std::uint16_t{3}, std::uint16_t{1}, 1033, icon.bytes},
            {std::uint16_t{12}, std::uint16_t{40}, 1033, fixtures::cursorGroupData({arrow}, {1})},
            {std::uint16_t{14}, std::uint16_t{50}, 1033, fixtures::groupData({icon}, {1})},
        }));
    ::mkdir(dir.file("System32").c_str(), 0700);
    ::mkdir(dir.file("SystemResources").c_str(), 0700);
    fixtures::writeFile(
        dir.file("System32/shell32.dll"),
        fixtures::makePeResources({{std::uint16_t{16}, std::uint16_t{1}, 1033, {1, 2}}}));
    fixtures::writeFile(dir.file("SystemResources/shell32.dll.mun"), fixtures::makeSolidPe(1));
    const auto text = list({dir.file("app.dll"), dir.file("System32/shell32.dll")});
    EXPECT_EQ(text.out, dir.file("app.dll") +
                            ": pe32+, 1 icon, 1 cursor\n"
                            "  icon 0, id 50: 1 image\n"
                            "    16 x 16, 32 bits, dib, 1128 bytes\n"
                            "  cursor 0, id 40: 1 image\n"
                            "    32 x 32, 4 bits, dib, " +
                            std::to_string(arrow.bytes.size()) + " bytes, hotspot 5,30\n" +
                            dir.file("System32/shell32.dll") + ": pe32+, 1 icon (read from " +
                            dir.file("SystemResources/shell32.dll.mun") +
                            ")\n"
                            "  icon 0, id 1: 1 image\n"
                            "    32 x 32, 32 bits, dib, 4264 bytes\n");
    const auto json = list({"--json", dir.file("System32/shell32.dll"), dir.file("app.dll")});
    EXPECT_EQ(
        json.out,
        "[{\"file\":\"" + dir.file("System32/shell32.dll") +
            "\",\"status\":\"icons\",\"kind\":\"pe32+\",\"source\":\"" +
            dir.file("SystemResources/shell32.dll.mun") +
            "\",\"icons\":[{\"index\":0,\"id\":\"1\",\"images\":[{\"width\":32,\"height\":32,"
            "\"bits\":32,\"format\":\"dib\",\"bytes\":4264}]}],\"cursors\":[]},\n {\"file\":\"" +
            dir.file("app.dll") +
            "\",\"status\":\"icons\",\"kind\":\"pe32+\",\"icons\":[{\"index\":0,\"id\":\"50\","
            "\"images\":[{\"width\":16,\"height\":16,\"bits\":32,\"format\":\"dib\",\"bytes\":1128}"
            "]}],"
            "\"cursors\":[{\"index\":0,\"id\":\"40\",\"images\":[{\"width\":32,\"height\":32,"
            "\"bits\":4,"
            "\"format\":\"dib\",\"bytes\":" +
            std::to_string(arrow.bytes.size()) + ",\"hotspot\":[5,30]}]}]}]\n");
}

TEST(ListCommand, JsonListingOfEveryStatus) {
    fixtures::TempDir dir;
    const std::string odd = dir.file("caf\xE9.cur"); // not UTF-8
    fixtures::writeFile(dir.file("a.ico"), fixtures::makeIco({fixtures::solidImage(16, 32, {})}));
    fixtures::writeFile(
        odd,
        fixtures::makeIco(
            {{32, 32, 0, 1, 1, 5, 9, fixtures::makeDib(fixtures::solid(32, 32, {}), 1)}}, true));
    fixtures::writeFile(dir.file("b.exe"), {'n', 'o'});
    const auto r = list({"--json", dir.file("a.ico"), odd, dir.file("b.exe"), dir.file("c.exe")});
    EXPECT_EQ(r.status, 1);
    std::string bytes;
    for (const unsigned char c : odd)
        bytes += (bytes.empty() ? "" : ",") + std::to_string(c);
    EXPECT_EQ(
        r.out,
        "[{\"file\":\"" + dir.file("a.ico") +
            "\",\"status\":\"icons\",\"kind\":\"ico\",\"icons\":[{\"index\":0,\"id\":\"\","
            "\"images\":[{\"width\":16,\"height\":16,\"bits\":32,\"format\":\"dib\",\"bytes\":1128}"
            "]}],\"cursors\":[]},\n"
            " {\"file\":\"" +
            dir.file("caf\xEF\xBF\xBD.cur") + "\",\"file_bytes\":[" + bytes +
            "],\"status\":\"icons\",\"kind\":\"cur\",\"icons\":[{\"index\":0,\"id\":\"\","
            "\"images\":[{\"width\":32,\"height\":32,\"bits\":1,\"format\":\"dib\",\"bytes\":304,"
            "\"hotspot\":[5,9]}]}],\"cursors\":[]},\n"
            " {\"file\":\"" +
            dir.file("b.exe") +
            "\",\"status\":\"not-an-icon-file\",\"kind\":\"\",\"icons\":[],\"cursors\":[]},\n"
            " {\"file\":\"" +
            dir.file("c.exe") +
            "\",\"status\":\"unreadable\",\"error\":\"No such file or directory\",\"kind\":\"\","
            "\"icons\":[],\"cursors\":[]}]\n");
    EXPECT_EQ(r.err, "tessaline: " + dir.file("c.exe") + ": No such file or directory\n");
}

TEST(ListCommand, ExitStatuses) {
    fixtures::TempDir dir;
    fixtures::writeFile(dir.file("ok.ico"), fixtures::makeSolidIco(1));
    fixtures::writeFile(dir.file("empty.exe"), {});
    ::mkdir(dir.file("folder.ico").c_str(), 0700);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{dir.file("ok.ico"), dir.file("OK.Ico")}, 0, ""}, // names ignore case, as on Windows
        {{dir.file("empty.exe")}, 0, ""},                  // read: nothing in it
        {{"/dev/null"}, 1, "tessaline: /dev/null: is a device\n"},
        {{"--", "--json"}, 1, "tessaline: --json: No such file or directory\n"},
        {{dir.file("ok.ico"), dir.file("folder.ico")},
         1,
         "tessaline: " + dir.file("folder.ico") + ": is a folder\n"},
    };
    for (const auto& c : cases) {
        const auto r = list(c.args);
        EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.args);
        EXPECT_EQ(r.err, c.err);
    }
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
std::vector<std::string> wrestoolGroups(const std::string& path, int type = 14) {
    const std::string out =
        capture("wrestool -l --type=" + std::to_string(type) + " '" + path + "' 2>/dev/null");
    std::vector<std::string> names;
    const std::regex line("--name=('([^']*)'|([0-9]+))");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator();
         ++it) {
        const std::string name = (*it)[2].matched ? (*it)[2].str() : (*it)[3].str();
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

// The ids of the icon groups (or the cursor groups) the JSON listing gives.
std::vector<std::string> listedIds(const std::string& path, const char* groups = "icons") {
    std::vector<std::string> ids;
    const nlohmann::json listing = nlohmann::json::parse(list({"--json", path}).out);
    for (const auto& group : listing.at(0).at(groups))
        ids.push_back(group.at("id").get<std::string>());
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
        EXPECT_EQ(listedIds(path, "cursors"), wrestoolGroups(path, 12)) << path;
        ++compared;
    }
    if (compared == 0) GTEST_SKIP() << "no PE files on this machine";
    RecordProperty("compared", compared);
}

} // namespace
