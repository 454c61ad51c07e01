// --extract and --thumbnail: what is written, read back independently, and what is refused.
#include "cli/extract.h"
#include "platform/icons/icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <sstream>
#include <sys/stat.h>

namespace {

using namespace tess;
namespace fx = tess::fixtures;

struct Result {
    int status;
    std::string out, err;
};

Result extract(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = cli::runExtract(args, out, err);
    return {status, out.str(), err.str()};
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// A program with two icons: one of a 16-colour 16 x 16 and a PNG 256 x 256, one of a 32 x 32.
fx::Bytes twoIconProgram() {
    return fx::makePe({{std::string("MAIN"),
                        {fx::solidImage(16, 4, {255, 0, 0, 255}), fx::pngImage(fx::quadrants(256, 256))}},
                       {std::uint16_t{7}, {fx::solidImage(32, 32, {0, 0, 255, 128})}}});
}

TEST(Extract, IcoFilesHoldTheImagesExactlyAsStored) {
    fx::TempDir dir;
    const std::string source = dir.file("app.dll");
    fx::writeFile(source, twoIconProgram());
    const Result r = extract({"--extract", "-o", dir.path(), source});
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

TEST(Extract, PngIsTheBestImageForTheSizeWithAlpha) {
    struct Case {
        std::vector<std::string> options;
        int index, expected;
    } cases[] = {{{}, 0, 256}, {{"--size", "16"}, 0, 16}, {{"--size", "20"}, 0, 256}, {{}, 1, 32}};
    for (const Case& c : cases) {
        fx::TempDir dir;
        fx::writeFile(dir.file("app.exe"), twoIconProgram());
        std::vector<std::string> args{"--extract", "--format", "png", "--index",
                                      std::to_string(c.index), "-o", dir.path()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(dir.file("app.exe"));
        const Result r = extract(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const QImage image(QString::fromStdString(dir.file("app_" + std::to_string(c.index) + ".png")));
        EXPECT_EQ(image.width(), c.expected);
        EXPECT_TRUE(image.hasAlphaChannel());
        if (c.expected == 256) {
            EXPECT_EQ(qAlpha(image.pixel(255, 255)), 0); // the clear quadrant
        }
        if (c.index == 1) {
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 128);
        }
    }
}

TEST(Extract, ReplacesAFileOnlyWhenForced) {
    fx::TempDir dir;
    fx::writeFile(dir.file("a.ico"), fx::makeSolidIco(1));
    fx::writeFile(dir.file("a_0.ico"), {'o', 'l', 'd'});
    const Result refused = extract({"-o", dir.path(), dir.file("a.ico")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("already exists"), std::string::npos);
    EXPECT_EQ(fx::readFile(dir.file("a_0.ico")), (fx::Bytes{'o', 'l', 'd'}));
    const Result forced = extract({"--force", "-o", dir.path(), dir.file("a.ico")});
    EXPECT_EQ(forced.status, 0);
    EXPECT_EQ(fx::readFile(dir.file("a_0.ico")), fx::readFile(dir.file("a.ico")));
}

TEST(Extract, ExitStatusesForAMixOfFilesAndForWrongUsage) {
    fx::TempDir dir;
    fx::writeFile(dir.file("good.ico"), fx::makeSolidIco(1));
    fx::writeFile(dir.file("text.exe"), {'h', 'i'});
    const Result mixed = extract({"-o", dir.path(), dir.file("good.ico"), dir.file("missing.dll"),
                                  dir.file("text.exe")});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_TRUE(exists(dir.file("good_0.ico")));
    EXPECT_NE(mixed.err.find("missing.dll: unreadable"), std::string::npos);
    EXPECT_NE(mixed.err.find("text.exe: not an icon file"), std::string::npos);
    EXPECT_EQ(extract({"--index", "3", "-o", dir.path(), dir.file("good.ico")}).status, 1);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"--format", "bmp", "x"}, {"--size", "0", "x"}, {"--index"}, {"--bogus", "x"},
             {"-o", dir.file("good.ico"), "x"}})
        EXPECT_EQ(extract(args).status, 2);
}

TEST(Thumbnail, FirstIconOfAProgramAndNoFileWithoutIcons) {
    fx::TempDir dir;
    fx::writeFile(dir.file("app.exe"), twoIconProgram());
    fx::writeFile(dir.file("none.exe"), fx::makePe({}));
    std::ostringstream out, err;
    EXPECT_EQ(cli::runThumbnail({"--thumbnail", dir.file("app.exe"), dir.file("t.png"), "128"}, out, err), 0);
    const QImage thumb(QString::fromStdString(dir.file("t.png")));
    EXPECT_EQ(thumb.size(), QSize(128, 128)); // the 256 image, scaled down to fit
    EXPECT_TRUE(thumb.hasAlphaChannel());
    EXPECT_EQ(cli::runThumbnail({dir.file("none.exe"), dir.file("n.png"), "128"}, out, err), 1);
    EXPECT_FALSE(exists(dir.file("n.png")));
    EXPECT_EQ(cli::runThumbnail({dir.file("app.exe"), dir.file("n.png")}, out, err), 2);
}

} // namespace
