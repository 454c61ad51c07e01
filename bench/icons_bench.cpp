// The icon engine's speed and what it reads: listing a shell32-like file (184 icons, 14 MB) as
// --list does, taking every icon out of a file and drawing it as the grid does, from a cold cache
// and a warm one; a large file; decoding single images. "read" is the bytes read from files per
// iteration (the process's rchar), "of_file" the same over the file's size. Files named in
// TESSALINE_BENCH_FILES (colon-separated, such as a real shell32.dll) are listed as well.
#include "files.h"
#include "tessaline/icons.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using namespace tess;
namespace fx = tess::fixtures;

// Bytes the process has read through read and pread so far.
std::uint64_t bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

struct ReadCounter {
    std::uint64_t start = bytesRead();
    void report(benchmark::State& state, std::uint64_t fileSize) {
        const double perIteration =
            static_cast<double>(bytesRead() - start) / static_cast<double>(state.iterations());
        state.counters["read"] = perIteration;
        state.counters["of_file"] = perIteration / static_cast<double>(fileSize);
    }
};

// Every icon as the grid takes it, through the cache, icon by icon: its image for 32 x 32
// decoded (the first that decodes); the pixels decoded are counted.
int drawAll(icons::IconCache& cache, const std::string& path, std::size_t& pixels) {
    int n = 0;
    for (;; ++n) {
        const auto file = cache.read(path);
        if (static_cast<std::size_t>(n) >= file->icons.size()) break;
        const icons::Icon& icon = file->icons[static_cast<std::size_t>(n)];
        for (const std::size_t i : icons::imagesBySuitability(icon, 32))
            if (const auto rgba = icons::decodeImage(icon.images[i])) {
                pixels += rgba->pixels.size();
                break;
            }
    }
    return n;
}

const std::string& folder() {
    static const fx::TempDir dir;
    return dir.path();
}

const std::string& shell32Path() {
    static const std::string path = [] {
        const std::string p = folder() + "/shell32like.dll";
        fx::writeFile(p, tess::bench::shell32Like());
        return p;
    }();
    return path;
}

std::uint64_t fileSize(const std::string& path) {
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    return static_cast<std::uint64_t>(f.tellg());
}

// What --list does with one file: its icons and their images, nothing drawn.
void List(benchmark::State& state, const std::string& path) {
    std::size_t icons = 0;
    ReadCounter reads;
    for (auto _ : state) {
        const icons::IconFile f = icons::readIconFile(path);
        icons = f.icons.size();
        benchmark::DoNotOptimize(f.icons.data());
    }
    reads.report(state, fileSize(path));
    state.counters["icons"] = static_cast<double>(icons);
}

void Grid(benchmark::State& state, const std::string& path) {
    std::size_t pixels = 0;
    int icons = 0;
    ReadCounter reads;
    for (auto _ : state) {
        icons::IconCache cache;
        icons = drawAll(cache, path, pixels);
    }
    reads.report(state, fileSize(path));
    state.counters["icons"] = icons;
}

void EnumerateAndDraw(benchmark::State& state, bool cold) {
    const std::string path = folder() + "/many" + std::to_string(state.range(0)) + ".dll";
    fx::writeFile(path, fx::makeSolidPe(static_cast<int>(state.range(0))));
    std::size_t pixels = 0;
    icons::IconCache cache;
    drawAll(cache, path, pixels);
    ReadCounter reads;
    for (auto _ : state) {
        if (cold) cache.clear();
        benchmark::DoNotOptimize(drawAll(cache, path, pixels));
    }
    reads.report(state, fileSize(path));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_EnumerateAndDrawCold(benchmark::State& s) {
    EnumerateAndDraw(s, true);
}
void BM_EnumerateAndDrawWarm(benchmark::State& s) {
    EnumerateAndDraw(s, false);
}
BENCHMARK(BM_EnumerateAndDrawCold)->Arg(12)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumerateAndDrawWarm)->Arg(500)->Unit(benchmark::kMillisecond);

// A 64 MiB program whose resources sit at its end: only what the directory points at is read.
void BM_ReadLargeProgram(benchmark::State& state) {
    const std::string path = folder() + "/large.exe";
    fx::writeFile(path, fx::makePe({{std::uint16_t{1}, {fx::solidImage(32, 32, {1, 2, 3, 255})}}},
                                   true, fx::PeOptions{64u << 20}));
    ReadCounter reads;
    for (auto _ : state)
        benchmark::DoNotOptimize(icons::readIconFile(path).icons.size());
    reads.report(state, fileSize(path));
}
BENCHMARK(BM_ReadLargeProgram)->Unit(benchmark::kMicrosecond);

// One image, taken out of an icon file in memory.
void Decode(benchmark::State& state, const fx::Image& image) {
    const icons::IconFile f = icons::readIconBytes(fx::makeIco({image}));
    for (auto _ : state)
        benchmark::DoNotOptimize(icons::decodeImage(f.icons.at(0).images.at(0)));
}
void BM_DecodePng256(benchmark::State& s) {
    Decode(s, fx::pngImage(fx::quadrants(256, 256)));
}
void BM_DecodeDib256(benchmark::State& s) {
    Decode(s, fx::dibImage(fx::quadrants(256, 256), 32));
}
void BM_DecodeDib32x8(benchmark::State& s) {
    Decode(s, fx::dibImage(fx::quadrants(32, 32), 8));
}
BENCHMARK(BM_DecodePng256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeDib256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeDib32x8)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("ListShell32Like", List, shell32Path())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("GridShell32Like/cold", Grid, shell32Path())
        ->Unit(benchmark::kMillisecond);
    if (const char* files = std::getenv("TESSALINE_BENCH_FILES")) {
        std::stringstream list(files);
        for (std::string f; std::getline(list, f, ':');) {
            if (f.empty()) continue;
            benchmark::RegisterBenchmark(("List/" + f).c_str(), List, f)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("Grid/cold/" + f).c_str(), Grid, f)
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
