// The icon engine's speed: taking every icon out of a file and drawing it, as the grid does,
// from a cold cache and a warm one; a large file; decoding single images.
#include "platform/icons/icons.h"
#include "platform/icons/win_icons.h"
#include "support/fixtures/fixtures.h"

#include <benchmark/benchmark.h>

namespace {

using namespace tess;
namespace fx = tess::fixtures;

// Counts what is drawn; the drawing itself is the window services' business.
class CountingContext final : public icons::DeviceContext {
  public:
    std::size_t pixels = 0;
    void drawRgba(int, int, int, int, const icons::Rgba& image) override {
        pixels += image.pixels.size();
    }
};

// Every icon by index until the first index without one, each drawn at 32 x 32.
int drawAll(const std::string& path, CountingContext& dc) {
    int n = 0;
    for (;; ++n) {
        const icons::HICON h = ExtractIconA(0, path, n);
        if (h == 0 || h == 1) break;
        DrawIcon(dc, 0, 0, h);
        DestroyIcon(h);
    }
    return n;
}

void EnumerateAndDraw(benchmark::State& state, bool cold) {
    fx::TempDir dir;
    const std::string path = dir.file("many.dll");
    fx::writeFile(path, fx::makeSolidPe(static_cast<int>(state.range(0))));
    CountingContext dc;
    icons::clearIconCaches();
    drawAll(path, dc);
    for (auto _ : state) {
        if (cold) icons::clearIconCaches();
        benchmark::DoNotOptimize(drawAll(path, dc));
    }
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
    fx::TempDir dir;
    const std::string path = dir.file("large.exe");
    fx::writeFile(path, fx::makePe({{std::uint16_t{1}, {fx::solidImage(32, 32, {1, 2, 3, 255})}}},
                                   true, fx::PeOptions{64u << 20}));
    for (auto _ : state)
        benchmark::DoNotOptimize(icons::readIconFile(path).icons.size());
}
BENCHMARK(BM_ReadLargeProgram)->Unit(benchmark::kMicrosecond);

void Decode(benchmark::State& state, const fx::Image& image, icons::ImageFormat format) {
    icons::IconImage im = icons::imageFromBytes(image.bytes);
    im.format = format;
    for (auto _ : state)
        benchmark::DoNotOptimize(icons::decodeImage(im));
}
void BM_DecodePng256(benchmark::State& s) {
    Decode(s, fx::pngImage(fx::quadrants(256, 256)), icons::ImageFormat::Png);
}
void BM_DecodeDib256(benchmark::State& s) {
    Decode(s, fx::dibImage(fx::quadrants(256, 256), 32), icons::ImageFormat::Dib);
}
void BM_DecodeDib32x8(benchmark::State& s) {
    Decode(s, fx::dibImage(fx::quadrants(32, 32), 8), icons::ImageFormat::Dib);
}
BENCHMARK(BM_DecodePng256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeDib256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeDib32x8)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
