// Every reader and decoder on arbitrary bytes: the file readers (detection, PE, NE, ICO, CUR,
// ANI), the DIB and PNG decoders, the image choice and the ICO writer, whose output must read
// back as the same icon.
#include "platform/icons/icons.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

using namespace tess::icons;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    // The bytes as an image of their own, both decoders reached.
    (void)decodeImage(imageFromBytes(std::vector(bytes.begin(), bytes.end())));

    const IconFile file = readIconBytes(bytes);
    int decodes = 0;
    for (const Icon& icon : file.icons) {
        for (int s : {16, 32, 256})
            (void)bestImageFor(icon, s);
        for (const IconImage& image : icon.images) {
            (void)bitDepth(image);
            if (decodes++ < 32) {
                const auto rgba = decodeImage(image);
                if (rgba && rgba->pixels.size() != std::size_t{4} * rgba->width * rgba->height)
                    std::abort();
            }
        }
        if (icon.images.empty()) continue;
        const IconFile again =
            readIconBytes(icon.cursor ? writeCursorFile(icon) : writeIconFile(icon));
        if (again.icons.size() != 1 || again.icons[0].images.size() != icon.images.size() ||
            again.icons[0].cursor != icon.cursor)
            std::abort();
    }
    return 0;
}
