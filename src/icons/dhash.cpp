// The sandboxes' icon difference hash.
#include "tessaline/dhash.h"

namespace tess::icons {

std::optional<std::uint64_t> iconDhash(const Icon&) {
    return std::nullopt;
}

std::string dhashHex(std::uint64_t hash) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (int byte = 0; byte < 8; ++byte) {
        const auto b = static_cast<unsigned>((hash >> (8 * byte)) & 0xFF);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

} // namespace tess::icons
