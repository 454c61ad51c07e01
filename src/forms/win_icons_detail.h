// Internal: the decoded-image cache behind DrawIcon and DrawIconEx.
#pragma once

#include "tessaline/icons.h"

#include <memory>

namespace tess::icons::detail {

// An image of the icon, decoded; cached for the file on screen only (the file the icon belongs
// to), so that a redraw of the grid decodes nothing. Null when the image is damaged.
std::shared_ptr<const Rgba> decodedImage(const std::shared_ptr<const Icon>& icon,
                                         std::size_t index);
void clearDecodedImages();

} // namespace tess::icons::detail
