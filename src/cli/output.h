// What the command-line actions write: files (never replacing one unless asked, and then
// atomically), PNG pictures, scaled pictures, and names made of the input's own bytes.
#pragma once

#include "tessaline/icons.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tess::cli {

// Writes bytes to path through the durable writer: without replace an existing path is left
// alone (EEXIST); with replace a file takes the path's place in one step, keeping the old file's
// permissions, and a device or a pipe (/dev/stdout) is written to directly. 0, or the errno.
int writeFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, bool replace);

// The file name of a path without its folder and its last extension ("a/b.c.dll" gives "b.c"),
// its bytes as they are.
std::string baseName(std::string_view path);

// folder and name joined; an empty folder is the current one.
std::string joinPath(std::string_view folder, std::string_view name);

// A PNG file of the picture (8-bit RGBA); empty when it cannot be made.
std::vector<std::uint8_t> encodePng(const icons::Rgba& picture);

// The picture scaled down to fit size x size, keeping its proportions; as it is when it fits.
icons::Rgba scaleToFit(const icons::Rgba& picture, int size);

// The width and height a stored PNG declares, or nothing when its bytes do not begin like one.
struct Size {
    int width = 0;
    int height = 0;
};
std::optional<Size> storedPngSize(std::span<const std::uint8_t> bytes);

} // namespace tess::cli
