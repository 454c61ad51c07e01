// Writes the files the Python module's tests and the Dask example's check read: one of each kind
// the engine reads (programs with named, numbered and multilingual groups and cursors, 16-bit
// programs, icons, cursors, animated cursors), one without icons, an empty one, and one whose name
// is not UTF-8, each of a few images of distinct colours.
#include "support/fixtures/fixtures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_corpus FOLDER\n");
        return 2;
    }
    using namespace tess::fixtures;
    const std::string folder = argv[1];
    const auto img = [](int size, int bits, int colour, bool png = false) {
        return solidImage(size, bits, solidColor(colour), png);
    };
    Image hot = img(32, 32, 9);
    hot.hotspotX = 5, hot.hotspotY = 7;
    const Bytes frame0 = makeIco({img(32, 32, 10)}, true),
                frame1 = makeIco({img(32, 32, 11)}, true);
    const struct {
        const char* name;
        Bytes bytes;
    } files[] = {
        {"programs/app64.exe",
         makePe({{std::uint16_t{1}, {img(16, 4, 1), img(32, 8, 2), img(48, 32, 3)}},
                 {std::string("MAIN"), {img(256, 32, 4, true)}},
                 {std::uint16_t{7}, {img(24, 24, 5)}, 1031}})},
        {"programs/app32.dll", makeSolidPe(5, false)},
        {"programs/cursors.dll",
         makePeResources(
             {{std::uint16_t{3}, std::uint16_t{1}, 1033, img(32, 32, 6).bytes},
              {std::uint16_t{14}, std::uint16_t{1}, 1033, groupData({img(32, 32, 6)}, {1})},
              {std::uint16_t{14}, std::uint16_t{1}, 1036, groupData({img(32, 32, 6)}, {1})},
              {std::uint16_t{1}, std::uint16_t{2}, 1033, cursorData(hot)},
              {std::uint16_t{12}, std::uint16_t{3}, 1033, cursorGroupData({hot}, {2})}})},
        {"programs/old.exe",
         makeNe({{std::uint16_t{1}, {img(32, 4, 7)}}, {"TWO", {img(16, 8, 8)}}})},
        {"icons/many.ico",
         makeIco({img(16, 8, 12), img(32, 24, 13), img(48, 32, 14), img(256, 32, 15, true)})},
        {"icons/pointer.cur", makeIco({hot}, true)},
        {"icons/busy.ani", makeAni({frame0, frame1})},
        {"other/readme.txt", Bytes{'n', 'o', ' ', 'i', 'c', 'o', 'n', 's', '\n'}},
        {"other/empty.ico", Bytes{}},
        {"other/caf\xe9.ico", makeSolidIco(2)}, // Latin-1, not UTF-8
    };
    for (const auto& f : files)
        writeFile(folder + "/" + f.name, f.bytes);
    return 0;
}
