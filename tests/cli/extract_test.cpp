// --extract and --thumbnail: what is written (read back with libpng and the icon engine), what is
// never replaced, and the one line each failure gets.
#include "cli/command_line.h"
#include "cli/extract.h"
#include "platform/icons/icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <png.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {

using namespace tess;
namespace fx = tess::fixtures;

struct Result {
    int status;
    std::string out, err;
};

Result run(std::vector<std::string> args) {
    const cli::Command command = cli::parseCommandLine(args);
    std::ostringstream out, err;
    const int status = command.action == cli::Action::Thumbnail
                           ? cli::runThumbnail(command, err)
                           : cli::runExtract(command, out, err);
    return {status, out.str(), err.str()};
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.' || (e->d_name[1] != '\0' && e->d_name[1] != '.'))
                names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A PNG file read back by libpng as straight 8-bit RGBA.
fx::Pixels readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return {};
    fx::Pixels p{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        p.data.push_back({rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]});
    return p;
}

// A program with two icons: a 16-colour 16 x 16 and a PNG 256 x 256; a half-transparent 32 x 32.
const fx::Image kPng256 = fx::pngImage(fx::quadrants(256, 256));
fx::Bytes twoIconProgram() {
    return fx::makePe(
        {{std::string("MAIN"), {fx::solidImage(16, 4, {255, 0, 0, 255}), kPng256}},
         {std::uint16_t{7}, {fx::dibImage(fx::solid(32, 32, {0, 0, 255, 128}), 32)}}});
}

TEST(Extract, IcoFilesHoldTheImagesExactlyAsStored) {
    fx::TempDir dir;
    const std::string source = dir.file("app.dll");
    fx::writeFile(source, twoIconProgram());
    const Result r = run({"--extract", "-o", dir.path(), source});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir.file("app_0.ico") + "\n" + dir.file("app_1.ico") + "\n");
    const icons::IconFile original = icons::readIconFile(source);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string written = dir.file("app_" + std::to_string(i) + ".ico");
        const icons::IconFile back = icons::readIconFile(written);
        ASSERT_EQ(back.icons.size(), 1u);
        ASSERT_EQ(back.icons[0].images.size(), original.icons[i].images.size());
        for (std::size_t k = 0; k < back.icons[0].images.size(); ++k)
            EXPECT_EQ(*icons::imageBytes(back.icons[0].images[k]),
                      *icons::imageBytes(original.icons[i].images[k]));
        if (fx::haveTool("icotool")) {
            EXPECT_EQ(fx::run("icotool -l '" + written + "' >/dev/null 2>&1"), 0);
        }
    }
}

TEST(Extract, CursorGroupsAsCurFilesWithTheirHotspots) {
    fx::TempDir dir;
    fx::Image arrow = fx::solidImage(32, 4, fx::solidColor(7));
    arrow.hotspotX = 5, arrow.hotspotY = 30;
    const fx::Image icon = fx::solidImage(16, 32, fx::solidColor(1));
    fx::writeFile(
        dir.file("app.dll"),
        fx::makePeResources({
            {std::uint16_t{1}, std::uint16_t{1}, 1033, fx::cursorData(arrow)},
            {std::uint16_t{3}, std::uint16_t{1}, 1033, icon.bytes},
            {std::uint16_t{12}, std::uint16_t{40}, 1033, fx::cursorGroupData({arrow}, {1})},
            {std::uint16_t{14}, std::uint16_t{50}, 1033, fx::groupData({icon}, {1})},
        }));
    const Result r = run({"--extract", "--cursors", "-o", dir.path(), dir.file("app.dll")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string written = dir.file("app_cursor_0.cur");
    EXPECT_EQ(r.out, written + "\n");
    const icons::IconFile back = icons::readIconFile(written);
    ASSERT_EQ(back.kind, "cur");
    ASSERT_EQ(back.icons.at(0).images.size(), 1u);
    const icons::IconImage& im = back.icons[0].images[0];
    EXPECT_EQ(std::tuple(im.hotspotX, im.hotspotY), std::tuple(5, 30));
    EXPECT_EQ(*icons::imageBytes(im), arrow.bytes);
    if (fx::haveTool("icotool")) {
        EXPECT_EQ(
            fx::run("icotool -l '" + written + "' | grep -q -- '--hotspot-x=5 --hotspot-y=30'"), 0);
    }
    fx::writeFile(dir.file("plain.dll"), fx::makeSolidPe(2));
    const Result none = run({"--extract", "--cursors", "-o", dir.path(), dir.file("plain.dll")});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "tessaline: " + dir.file("plain.dll") + ": no cursors to write\n");
}

TEST(Extract, PicturesAreStoredPngsAsTheyAreOrDecodedImages) {
    const fx::Bytes small = fx::makeIco({fx::solidImage(16, 32, {9, 8, 7, 255})});
    const struct {
        std::vector<std::string> args; // then the folder and the input
        std::string written;
        fx::Bytes stored;   // the file's bytes exactly, or
        fx::Pixels decoded; // its pixels
    } cases[] = {
        {{"--extract", "--format=png", "--index=0"}, "app_0.png", kPng256.bytes, {}},
        {{"--extract", "--format=png", "--size=16", "--index=0"},
         "app_0.png",
         {},
         fx::solid(16, 16, {255, 0, 0, 255})},
        {{"--extract", "--format=png", "--index=1"},
         "app_1.png",
         {},
         fx::solid(32, 32, {0, 0, 255, 128})},
        {{"--thumbnail", "OUT", "256"}, "t.png", kPng256.bytes, {}},
        {{"--thumbnail", "OUT", "16"}, "t.png", {}, fx::solid(16, 16, {255, 0, 0, 255})},
        {{"--thumbnail", "OUT", "256", "SMALL"},
         "t.png",
         {},
         fx::solid(16, 16, {9, 8, 7, 255})}, // not enlarged
    };
    for (const auto& c : cases) {
        fx::TempDir dir;
        fx::writeFile(dir.file("app.exe"), twoIconProgram());
        fx::writeFile(dir.file("small.ico"), small);
        std::vector<std::string> args = c.args;
        if (args[0] == "--thumbnail") {
            const bool smallOne = args.size() == 4;
            args = {"--thumbnail", dir.file(smallOne ? "small.ico" : "app.exe"), dir.file("t.png"),
                    args[2]};
        } else {
            args.insert(args.end(), {"-o", dir.path(), dir.file("app.exe")});
        }
        const Result r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        if (!c.stored.empty()) {
            EXPECT_EQ(fx::readFile(dir.file(c.written)), c.stored) << c.written;
        } else {
            const fx::Pixels back = readPng(dir.file(c.written));
            EXPECT_EQ(back.width, c.decoded.width);
            EXPECT_EQ(back.data, c.decoded.data) << testing::PrintToString(c.args);
        }
    }
}

TEST(Thumbnail, ScalesDownWithItsFilterAndDrawsTheFirstIconThatCanBeDrawn) {
    fx::TempDir dir;
    fx::writeFile(dir.file("app.exe"), twoIconProgram());
    ASSERT_EQ(run({"--thumbnail", dir.file("app.exe"), dir.file("t.png"), "128"}).status, 0);
    const fx::Pixels back = readPng(dir.file("t.png"));
    const fx::Pixels expected = fx::quadrants(128, 128);
    ASSERT_EQ(back.width, 128);
    ASSERT_EQ(back.height, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            if (std::abs(x - 64) > 3 && std::abs(y - 64) > 3 && x > 3 && y > 3 && x < 124 &&
                y < 124) {
                ASSERT_EQ(back.at(x, y), expected.at(x, y)) << x << "," << y;
            }

    fx::writeFile(dir.file("none.exe"), fx::makePe({}));
    const Result none = run({"--thumbnail", dir.file("none.exe"), dir.file("n.png"), "128"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "tessaline: " + dir.file("none.exe") + ": no icon to draw\n");
    EXPECT_FALSE(exists(dir.file("n.png")));
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

TEST(Extract, ReplacesOnlyWhenForcedAndThenInOneStep) {
    fx::TempDir dir;
    fx::writeFile(dir.file("a.ico"), fx::makeSolidIco(1));
    fx::writeFile(dir.file("a_0.ico"), {'o', 'l', 'd'});
    ::chmod(dir.file("a_0.ico").c_str(), 0640);
    const Result refused = run({"--extract", "-o", dir.path(), dir.file("a.ico")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "tessaline: " + dir.file("a_0.ico") + ": File exists (--force replaces it)\n");
    EXPECT_EQ(fx::readFile(dir.file("a_0.ico")), (fx::Bytes{'o', 'l', 'd'}));
    const Result forced = run({"--extract", "--force", "-o", dir.path(), dir.file("a.ico")});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(fx::readFile(dir.file("a_0.ico")), fx::readFile(dir.file("a.ico")));
    struct stat st {};
    ::stat(dir.file("a_0.ico").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"a.ico", "a_0.ico"})); // no temporary left
}

TEST(Extract, NamesKeepTheirBytes) {
    fx::TempDir dir;
    const std::string folder = dir.file("d\xE9");
    ::mkdir(folder.c_str(), 0700);
    fx::writeFile(dir.file("caf\xE9.x.ico"), fx::makeSolidIco(1));
    const Result r = run({"--extract", "-o" + dir.file("D\xE9"), dir.file("CAF\xE9.X.ICO")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, folder + "/caf\xE9.x_0.ico\n");
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"caf\xE9.x_0.ico"}));
    EXPECT_EQ(run({"--thumbnail", dir.file("caf\xE9.x.ico"), folder + "/x\xE9.png", "32"}).status,
              0);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"caf\xE9.x_0.ico", "x\xE9.png"}));
}

TEST(Extract, OneLinePerFailureWithTheSystemsReason) {
    fx::TempDir dir;
    fx::writeFile(dir.file("good.ico"), fx::makeSolidIco(1));
    fx::writeFile(dir.file("text.exe"), {'h', 'i'});
    const Result mixed = run({"--extract", "-o", dir.path(), dir.file("good.ico"),
                              dir.file("missing.dll"), dir.file("text.exe"), "--index=0"});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.out, dir.file("good_0.ico") + "\n");
    EXPECT_EQ(mixed.err, "tessaline: " + dir.file("missing.dll") +
                             ": No such file or directory\n"
                             "tessaline: " +
                             dir.file("text.exe") + ": no icons to write\n");
    const Result index =
        run({"--extract", "--index=3", "--force", "-o", dir.path(), dir.file("good.ico")});
    EXPECT_EQ(index.status, 1);
    EXPECT_EQ(index.err, "tessaline: " + dir.file("good.ico") + ": no icon 3 (it has 1)\n");

    const Result full = run({"--thumbnail", dir.file("good.ico"), "/dev/full", "32"});
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "tessaline: /dev/full: No space left on device\n");

    // A disk that fills up after a few icons: one line, and the action ends there.
    const std::string disk = dir.file("disk");
    ::mkdir(disk.c_str(), 0700);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    fx::writeFile(dir.file("many.dll"), fx::makeSolidPe(40)); // 40 icons of 4 KiB
    const Result r = run({"--extract", "-o", disk, dir.file("many.dll")});
    const std::vector<std::string> written = namesIn(disk);
    ::umount(disk.c_str());
    EXPECT_EQ(r.status, 1);
    ASSERT_LT(written.size(), 40u);
    EXPECT_EQ(r.err, "tessaline: " + disk + "/many_" + std::to_string(written.size()) +
                         ".ico: No space left on device\n");
}

} // namespace
