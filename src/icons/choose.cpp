// Decoding an image, and choosing which image of an icon to draw at a size.
#include "icons/decode.h"
#include "icons/formats.h"

#include <algorithm>
#include <numeric>

namespace tess::icons {

std::optional<Rgba> decodeImage(const IconImage& image) {
    try {
        const auto bytes = imageBytes(image);
        if (!bytes) return std::nullopt;
        // Decided by the bytes, not by the recorded format, which a caller may have set wrongly.
        if (detail::isPng(*bytes)) return detail::decodePng(*bytes);
        return detail::decodeDib(*bytes);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

int bitDepth(const IconImage& image) {
    return detail::effectiveBits(image);
}

// The nearest size that needs no enlarging comes first: the smallest image at least as large as
// the size asked (so the larger of two equally near), else the largest there is; then the deepest
// colour. A large drawing thus uses a 256 x 256 image where there is one, never an enlarged 32.
std::vector<std::size_t> imagesBySuitability(const Icon& icon, int size) {
    std::vector<std::size_t> order(icon.images.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    auto side = [&](std::size_t i) {
        return std::max(icon.images[i].pixelWidth(), icon.images[i].pixelHeight());
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int sa = side(a), sb = side(b);
        const bool bigA = sa >= size, bigB = sb >= size;
        if (bigA != bigB) return bigA;
        if (sa != sb) return bigA ? sa < sb : sa > sb;
        return bitDepth(icon.images[a]) > bitDepth(icon.images[b]);
    });
    return order;
}

} // namespace tess::icons
