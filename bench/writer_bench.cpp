// The durable writer's cost a file: 4 KiB files created one at a time (writeFile: a flush of
// the data and one of the folder each) and in batches of 1, 16 and 256 (one syncfs and one
// folder flush a batch). The files go to a fresh folder under TMPDIR (or /tmp), the file
// system whose flushes are measured; "per_file" is the time a file.
#include "fs/durable_writer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace stdfs = std::filesystem;

std::string freshFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/tess_writer_XXXXXX";
    return ::mkdtemp(name.data()) ? name : "";
}

void perFile(benchmark::State& state, std::int64_t files) {
    state.counters["per_file"] =
        benchmark::Counter(static_cast<double>(state.iterations() * files),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WriteFileEach(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes(4096, 0x5A);
    const std::string folder = freshFolder();
    std::int64_t n = 0;
    for (auto _ : state) {
        const int error = tess::files::writeFile(folder + "/f" + std::to_string(n++) + ".ico",
                                                 bytes, tess::files::Mode::create);
        if (error != 0) state.SkipWithError("writeFile failed");
    }
    perFile(state, 1);
    stdfs::remove_all(folder);
}
BENCHMARK(BM_WriteFileEach)->Unit(benchmark::kMillisecond)->Iterations(64)->UseRealTime();

void BM_Batch(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes(4096, 0x5A);
    const std::string folder = freshFolder();
    const std::int64_t size = state.range(0);
    std::int64_t n = 0;
    for (auto _ : state) {
        tess::files::Batch batch;
        for (std::int64_t i = 0; i < size; ++i)
            if (batch.add(folder + "/f" + std::to_string(n++) + ".ico", bytes,
                          tess::files::Mode::create) != 0)
                state.SkipWithError("add failed");
        for (const tess::files::Batch::Result& result : batch.commit())
            if (result.error != 0) state.SkipWithError("commit failed");
    }
    perFile(state, size);
    stdfs::remove_all(folder);
}
BENCHMARK(BM_Batch)
    ->Arg(1)
    ->Arg(16)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
