// Internal: the image decoders, over bytes already in memory.
#pragma once

#include "tessaline/icons.h"

#include <optional>
#include <span>
#include <vector>

namespace tess::icons::detail {

std::optional<Rgba> decodeDib(std::span<const std::uint8_t> bytes);
std::optional<Rgba> decodePng(std::span<const std::uint8_t> bytes);

} // namespace tess::icons::detail
