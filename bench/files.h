// Files the benchmarks measure on, built by the test fixture writers.
#pragma once

#include "support/fixtures/fixtures.h"

#include <cstdint>
#include <vector>

namespace tess::bench {

namespace fx = tess::fixtures;

// A picture with fine detail in one channel, so that its PNG is as large as a drawn icon's.
inline fx::Pixels detailed(int side, int seed) {
    fx::Pixels p = fx::solid(side, side, fx::solidColor(seed));
    std::uint32_t v = 2463534242u + static_cast<std::uint32_t>(seed);
    for (fx::Color& c : p.data) {
        v ^= v << 13, v ^= v >> 17, v ^= v << 5;
        c.g = static_cast<std::uint8_t>(v);
    }
    return p;
}

// Like Windows' shell32.dll: 184 icons of nine images each (16, 32 and 48 pixels at 4, 8 and 32
// bits, and a 256-pixel PNG), about 14 MB.
inline fx::Bytes shell32Like() {
    std::vector<fx::Group> groups;
    for (int i = 0; i < 184; ++i) {
        const fx::Color c = fx::solidColor(i);
        groups.push_back(
            {static_cast<std::uint16_t>(i + 1),
             {fx::solidImage(16, 4, {0, 0, 128, 255}), fx::solidImage(16, 8, c),
              fx::solidImage(16, 32, c), fx::solidImage(32, 4, {0, 0, 128, 255}),
              fx::solidImage(32, 8, c), fx::solidImage(32, 32, c), fx::solidImage(48, 8, c),
              fx::solidImage(48, 32, c), fx::pngImage(detailed(256, i))}});
    }
    return fx::makePe(groups, true);
}

// A file of about 2 MB whose one icon names the same 1 MiB image 65535 times.
inline fx::Bytes repeatedImage() {
    const fx::Image big = fx::dibImage(fx::solid(512, 512, fx::solidColor(3)), 32);
    fx::Image entry = big;
    entry.bytes.clear();
    return fx::makePeResources({{std::uint16_t{3}, std::uint16_t{1}, 1033, big.bytes},
                                {std::uint16_t{14}, std::uint16_t{1}, 1033,
                                 fx::groupData(std::vector<fx::Image>(65535, entry),
                                               std::vector<std::uint16_t>(65535, 1))}});
}

// Tiny files that name huge images: 40 groups of a program naming one 4096 x 4096 1-bit PNG
// (about 2 KB), and an .ico of one 4096 x 4096 16-bit RGBA PNG (about 130 KB). Opened in the
// window, what it holds must stay near the files' own size, not the images' decoded size.
inline fx::Bytes hugeSharedPng() {
    const fx::Bytes png = fx::makePng(fx::solid(4096, 4096, {0, 0, 0, 255}), fx::PngKind::Grey1);
    std::vector<fx::Resource> resources{{std::uint16_t{3}, std::uint16_t{1}, 1033, png}};
    const fx::Image entry{0, 0, 0, 1, 1, 0, 0, png};
    for (std::uint16_t g = 1; g <= 40; ++g)
        resources.push_back({std::uint16_t{14}, g, 1033, fx::groupData({entry}, {1})});
    return fx::makePeResources(resources);
}
inline fx::Bytes hugeDeepPng() {
    return fx::makeIco(
        {{0, 0, 0, 1, 64, 0, 0,
          fx::makePng(fx::solid(4096, 4096, {40, 90, 200, 255}), fx::PngKind::Rgba16)}});
}

} // namespace tess::bench
