// Writes the seed corpus of fuzz_icons into the folder named on the command line: a small file of
// every kind and image depth, built by the fixture writers the tests use, each read from memory
// (selector byte 0) and through a file in 61-byte blocks (selector 5); and a system library
// redirected to its .mun (selector 2).
#include "support/fixtures/fixtures.h"

#include <cstdio>
#include <string>

using namespace tess::fixtures;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    int n = 0;
    auto seed = [&](const std::string& name, const Bytes& b) {
        for (const std::uint8_t selector : {0, 5}) {
            Bytes input{selector};
            input.insert(input.end(), b.begin(), b.end());
            writeFile(dir + "/" + std::to_string(n++) + "-" + name, input);
        }
    };
    const Pixels q = quadrants(8, 8);
    std::vector<Image> images;
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const Pixels p = bits == 1 ? solid(8, 8, {255, 255, 255, 255}) : q;
        images.push_back(dibImage(p, bits));
        seed("dib" + std::to_string(bits), images.back().bytes);
    }
    images.push_back(dibImage(q, 16, {.bitfields = true}));
    images.push_back(dibImage(q, 32, {.bitfields = true}));
    images.push_back(dibImage(q, 32, {.zeroAlpha = true}));
    int k = 0;
    for (PngKind kind : {PngKind::Rgba8, PngKind::Rgb8, PngKind::Grey8, PngKind::GreyAlpha8,
                         PngKind::Palette8, PngKind::Rgba16, PngKind::Grey1}) {
        seed("png" + std::to_string(k++), makePng(q, kind));
    }
    seed("png-interlaced", makePng(quadrants(9, 7), PngKind::Rgba8, true));
    images.push_back(pngImage(q));
    seed("ico", makeIco(images));
    Image cur = dibImage(q, 4);
    cur.hotspotX = 3;
    seed("cur", makeIco({cur}, true));
    const std::vector<Group> groups = {{std::string("NAMED"), {images[2], images[5]}},
                                       {std::uint16_t{1}, {images[3]}},
                                       {std::uint16_t{2}, {images.back()}, 1031},
                                       {std::uint16_t{2}, {images[1]}, 1033}};
    seed("pe32", makePe(groups, false));
    seed("pe32plus", makePe(groups, true));
    seed("ne", makeNe({{std::uint16_t{1}, {images[1]}}, {std::string("N"), {images[2]}}}));
    seed("ani", makeAni({makeIco({cur}, true), makeIco({images[5]})}));
    seed("ani-bare", makeAni({images[2].bytes}, false));
    Image core = dibImage(q, 8, {.core = true});
    seed("pe-cursor-core",
         makePeResources({{std::uint16_t{1}, std::uint16_t{1}, 1033, cursorData(cur)},
                          {std::uint16_t{3}, std::uint16_t{1}, 1033, core.bytes},
                          {std::uint16_t{12}, std::uint16_t{1}, 1033, cursorGroupData({cur}, {1})},
                          {std::uint16_t{14}, std::uint16_t{1}, 1033, groupData({core}, {1})}}));
    const Bytes stub = makePeResources({});
    Bytes redirected{2, static_cast<std::uint8_t>(stub.size()),
                     static_cast<std::uint8_t>(stub.size() >> 8)};
    redirected.insert(redirected.end(), stub.begin(), stub.end());
    const Bytes mun = makePe(groups, true);
    redirected.insert(redirected.end(), mun.begin(), mun.end());
    writeFile(dir + "/" + std::to_string(n++) + "-mun", redirected);
    return 0;
}
