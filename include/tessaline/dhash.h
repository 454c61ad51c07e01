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
// pixel (i mod 8, i div 8) is brighter than its right neighbour. Nothing where the sandboxes
// publish none (Pillow cannot read the image) or the image is beyond the engine's limits.
// Entries whose image is missing are not in the icon, so they are never chosen.
std::optional<std::uint64_t> iconDhash(const Icon& icon);

// The hash as the sandboxes write it: 16 lowercase hex digits, one byte (a row, its first pixel
// the lowest bit) at a time from bits 0 to 7.
std::string dhashHex(std::uint64_t hash);

} // namespace tess::icons
