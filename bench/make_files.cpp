// Writes the files bench/peers.sh times the program and its peers on: programs and libraries,
// 32- and 64-bit, from one icon to 500, with small and PNG-compressed large images. With
// --engine, the engine's own measuring files instead: shell32like.dll and repeated.dll; with
// --memory, the tiny files naming huge images (huge_shared.dll, huge_deep.ico).
#include "files.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    namespace fx = tess::fixtures;
    const std::string mode = argc == 3 ? argv[2] : "";
    if (argc != 2 && !(argc == 3 && (mode == "--engine" || mode == "--memory"))) {
        std::fprintf(stderr, "usage: bench_make_files FOLDER [--engine | --memory]\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "bench_make_files: %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    if (mode == "--memory") {
        fx::writeFile(folder + "/huge_shared.dll", tess::bench::hugeSharedPng());
        fx::writeFile(folder + "/huge_deep.ico", tess::bench::hugeDeepPng());
        std::printf("2 files in %s\n", folder.c_str());
        return 0;
    }
    if (mode == "--engine") {
        fx::writeFile(folder + "/shell32like.dll", tess::bench::shell32Like());
        fx::writeFile(folder + "/repeated.dll", tess::bench::repeatedImage());
        std::printf("2 files in %s\n", folder.c_str());
        return 0;
    }
    int written = 0;
    for (const int n : {1, 3, 12, 40, 150, 500}) {
        for (const bool is64 : {false, true}) {
            const std::string name = "solid" + std::to_string(n) + (is64 ? "_64" : "_32") + ".dll";
            fx::writeFile(folder + "/" + name, fx::makeSolidPe(n, is64));
            ++written;
        }
    }
    for (int k = 0; k < 20; ++k) {
        std::vector<fx::Group> groups;
        for (int g = 0; g < 8; ++g) {
            const fx::Color c = fx::solidColor(k * 8 + g);
            groups.push_back({std::uint16_t(g + 1),
                              {fx::solidImage(16, 8, c), fx::solidImage(32, 32, c),
                               fx::solidImage(48, 32, c), fx::solidImage(256, 32, c, true)}});
        }
        fx::writeFile(folder + "/app" + std::to_string(k) + ".exe", fx::makePe(groups, k % 2 == 0));
        ++written;
    }
    std::printf("%d files in %s\n", written, folder.c_str());
    return 0;
}
