// Internal: the image decoders, over bytes already in memory.
#pragma once

#include "tessaline/icons.h"

#include <optional>
#include <span>
#include <vector>

namespace tess::icons::detail {

std::optional<Rgba> decodeDib(std::span<const std::uint8_t> bytes);
std::optional<Rgba> decodePng(std::span<const std::uint8_t> bytes);
// Straight RGBA as an 8-bit RGBA PNG; empty when it cannot be written.
std::vector<std::uint8_t> encodePng(const Rgba& picture);

} // namespace tess::icons::detail
