// The difference hash that malware sandboxes publish for a program's main icon, computed as
// they compute it with Pillow, so that the values match their databases. No Qt.
#pragma once

#include "tessaline/icons.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tess::icons {

// The icon's 64-bit difference hash: the image the sandboxes choose (the last directory entry
// whose width, height and bit count are each at least the largest seen before it), decoded as
// Pillow decodes a one-image .ico, made grey and resized to 9 x 8 as Pillow does; bit i set when
// pixel (i mod 8, i div 8) is brighter than its right neighbour. Nothing when it cannot be read.
std::optional<std::uint64_t> iconDhash(const Icon& icon);

// The hash as the sandboxes write it: 16 hex digits, eight bits a byte from the lowest bit.
std::string dhashHex(std::uint64_t hash);

} // namespace tess::icons
