#include "one_input.h"

#include "tessaline/icons.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tess::fuzz {
namespace {

using namespace tess::icons;

void check(bool ok) {
    if (!ok) std::abort();
}

void checkRgba(const std::optional<Rgba>& rgba) {
    if (rgba) check(rgba->pixels.size() == std::size_t{4} * rgba->width * rgba->height);
}

// Every icon: the image choice, a bounded number of decodes, and the writers, whose output must
// read back as the same icon.
void exercise(const IconFile& file) {
    int decodes = 0;
    for (const auto* list : {&file.icons, &file.cursors}) {
        for (const Icon& icon : *list) {
            for (int s : {16, 32, 256})
                (void)imagesBySuitability(icon, s);
            for (const IconImage& image : icon.images) {
                (void)bitDepth(image);
                if (decodes++ < 32) checkRgba(decodeImage(image));
            }
            if (icon.images.empty()) continue;
            // Every image but those left out (unreadable, or a damaged PNG that does not decode),
            // each PNG whole.
            const auto written = icon.cursor ? writeCursorFile(icon) : writeIconFile(icon);
            if (written.empty()) continue;
            const IconFile again = readIconBytes(written);
            check(again.icons.size() == 1 && again.icons[0].images.size() <= icon.images.size() &&
                  again.icons[0].cursor == icon.cursor);
            for (const IconImage& image : again.icons[0].images)
                if (const auto b = imageBytes(image); image.format == ImageFormat::Png)
                    check(b && pngIsWhole(*b));
        }
    }
}

// What drawing an icon does: its images in order for the size until one decodes.
void draw(const Icon& icon, int size) {
    for (const std::size_t i : imagesBySuitability(icon, size)) {
        check(i < icon.images.size());
        const auto rgba = decodeImage(icon.images[i]);
        checkRgba(rgba);
        if (rgba) return;
    }
}

const std::filesystem::path& folder() {
    static const std::filesystem::path dir = [] {
        std::string name = (std::filesystem::temp_directory_path() / "fuzz_icons-XXXXXX").string();
        check(::mkdtemp(name.data()) != nullptr);
        std::filesystem::create_directories(std::filesystem::path(name) / "System32");
        std::filesystem::create_directories(std::filesystem::path(name) / "SystemResources");
        std::atexit([] { std::filesystem::remove_all(folder()); });
        return std::filesystem::path(name);
    }();
    return dir;
}

void write(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void throughFiles(std::span<const std::uint8_t> bytes, std::uint8_t selector, bool mun) {
    static constexpr std::uint32_t kBlocks[4] = {16, 61, 512, 16 * 1024};
    const ReadOptions options{.blockSize = kBlocks[(selector >> 2) & 3],
                              .bytesRead = std::make_shared<ReadCounter>(0)};
    const std::string library = (folder() / "System32" / "lib.dll").string();
    const auto munPath = folder() / "SystemResources" / "LIB.DLL.mun";
    std::filesystem::remove(munPath);
    if (mun && bytes.size() >= 2) { // two bytes say where the library ends and the .mun begins
        const std::size_t split = (bytes[0] | (bytes[1] << 8)) % (bytes.size() - 1);
        write(munPath, bytes.subspan(2 + std::min(split, bytes.size() - 2)));
        bytes = bytes.subspan(2, std::min(split, bytes.size() - 2));
    }
    write(library, bytes);

    const IconFile file = readIconFile(library, options);
    exercise(file);
    // Through a cache that holds one file: the same file, parsed once while unchanged.
    IconCache cache(options, {.files = 1, .bytes = 1});
    const auto cached = cache.read(library);
    check(cached->status == file.status && cached->icons.size() == file.icons.size() &&
          cached->source == file.source && cache.read(library) == cached &&
          cache.parseCount() == 1);
    // Drawn as the windows draw them, at the sizes they draw at.
    for (std::size_t i = 0; i < cached->icons.size() && i < 16; ++i) {
        draw(cached->icons[i], 32);
        draw(cached->icons[i], 48);
    }
}

} // namespace

void oneInput(std::span<const std::uint8_t> input) {
    if (input.empty()) return;
    const std::uint8_t selector = input[0];
    const auto bytes = input.subspan(1);
    switch (selector & 3) {
    case 0:
    case 3: {
        // The bytes as an image of their own, both decoders reached.
        checkRgba(decodeImage(imageFromBytes(std::vector(bytes.begin(), bytes.end()))));
        exercise(readIconBytes(bytes));
        break;
    }
    case 1:
        throughFiles(bytes, selector, false);
        break;
    case 2:
        throughFiles(bytes, selector, true);
        break;
    }
}

} // namespace tess::fuzz
