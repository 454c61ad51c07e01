// Eight threads reading the same eight files at once, through one shared cache and without one:
// each sees what one thread alone sees. Run under ThreadSanitizer in CI.
#include "support/fixtures/fixtures.h"
#include "tessaline/icons.h"

#include <gtest/gtest.h>

#include <functional>
#include <latch>
#include <string_view>
#include <thread>

namespace {

using namespace tess;
using namespace tess::fixtures;

constexpr int kThreads = 8;

std::size_t digest(std::span<const std::uint8_t> b) {
    return std::hash<std::string_view>{}({reinterpret_cast<const char*>(b.data()), b.size()});
}

// Everything a reader can get out of a file: the list, every image decoded, every icon written.
std::string everything(const icons::IconFile& f) {
    std::string s = f.kind + " " + std::to_string(int(f.status)) + " " + f.error;
    for (const auto* list : {&f.icons, &f.cursors})
        for (const auto& icon : *list) {
            s += " [" + icon.id;
            for (const auto& image : icon.images) {
                const auto rgba = icons::decodeImage(image);
                s += str(" ", image.pixelWidth(), "x", image.pixelHeight(), "=",
                         rgba ? std::to_string(digest(rgba->pixels)) : "-");
            }
            s += " ico " + std::to_string(digest(icons::writeIconFile(icon))) + "]";
        }
    return s;
}

// Files of every kind, eight of them, some sharing images between their icons.
std::vector<std::string> writeFiles(const TempDir& dir) {
    const auto png = pngImage(quadrants(64, 64)), dib = dibImage(quadrants(48, 48), 8);
    std::vector<Group> shared;
    for (U16 g = 1; g <= 12; ++g)
        shared.push_back({g, {solidImage(16, 4, solidColor(g)), png, dib}});
    const std::vector<std::pair<std::string, Bytes>> files{
        {"solid.dll", makeSolidPe(40)},
        {"shared.dll", makePe(shared, false)},
        {"mixed.ico", makeIco({png, dib, solidImage(32, 32, solidColor(3)),
                               solidImage(256, 32, solidColor(4), true)})},
        {"arrow.cur", makeIco({solidImage(32, 1, solidColor(5))}, true)},
        {"frames.ani", makeAni({makeIco({png}, true), makeIco({dib}, true)})},
        {"old.exe", makeNe({{U16{1}, {solidImage(32, 4, solidColor(6)), dib}}}, 9)},
        {"System32/lib.dll", makePeResources({{U16{16}, U16{1}, 1033, {1, 2}}})},
        {"text.txt", Bytes(3000, 'x')}};
    writeFile(dir.file("SystemResources/lib.dll.mun"), makeSolidPe(5)); // lib.dll's icons
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : files)
        writeFile(dir.file(name), bytes), paths.push_back(dir.file(name));
    return paths;
}

// Runs work(thread) on eight threads started together.
void together(const std::function<void(int)>& work) {
    std::latch start(kThreads);
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            work(t);
        });
}

TEST(Threads, EightReadersSeeWhatOneSees) {
    TempDir dir;
    const auto paths = writeFiles(dir);
    ASSERT_EQ(paths.size(), std::size_t{kThreads});
    std::vector<std::string> alone;
    for (const auto& p : paths)
        alone.push_back(everything(icons::readIconFile(p)));
    // Small blocks make the directory walks cross block edges; two files at most make it evict.
    const icons::ReadOptions small{.blockSize = 61};
    icons::IconCache roomy, cramped(small, {.files = 2});

    // clang-format off
    const struct { const char* name; std::function<std::string(const std::string&)> read; } ways[] = {
        {"uncached", [](const std::string& p) { return everything(icons::readIconFile(p)); }},
        {"one cache", [&](const std::string& p) { return everything(*roomy.read(p)); }},
        {"one cache that evicts", [&](const std::string& p) { return everything(*cramped.read(p)); }},
    };
    // clang-format on
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        // The same files: every thread reads them all, each from another starting point.
        std::vector<std::vector<std::string>> same(kThreads, std::vector<std::string>(kThreads));
        together([&](int t) {
            for (int i = 0; i < kThreads; ++i)
                same[t][(t + i) % kThreads] = way.read(paths[(t + i) % kThreads]);
        });
        for (int t = 0; t < kThreads; ++t)
            EXPECT_EQ(same[t], alone) << "thread " << t;
    }
    // The cache that holds them all parses none of them again.
    const auto parses = roomy.parseCount();
    for (const auto& p : paths)
        roomy.read(p);
    EXPECT_EQ(roomy.parseCount(), parses);
}

} // namespace
