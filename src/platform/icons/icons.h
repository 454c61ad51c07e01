// The icon engine: icons out of PE, NE, ICO, CUR and ANI files. No Qt.
// Every byte of an input file is treated as hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tess::icons {

enum class ImageFormat { Dib, Png };

// One image of an icon, with its directory values and its bytes exactly as stored.
struct IconImage {
    std::uint8_t width = 0;  // as the directory records it: 0 means 256
    std::uint8_t height = 0; // as the directory records it: 0 means 256
    std::uint8_t colorCount = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint16_t hotspotX = 0; // cursors only (the directory's planes field)
    std::uint16_t hotspotY = 0; // cursors only (the directory's bit-count field)
    ImageFormat format = ImageFormat::Dib;
    std::vector<std::uint8_t> bytes;

    int pixelWidth() const { return width == 0 ? 256 : width; }
    int pixelHeight() const { return height == 0 ? 256 : height; }
};

// An icon is a group of images.
struct Icon {
    std::string id; // resource name or numeric ID as text; "" where the file has no names
    bool cursor = false;
    std::vector<IconImage> images;
};

enum class FileStatus { Icons, NotAnIconFile, Unreadable };

struct IconFile {
    FileStatus status = FileStatus::NotAnIconFile;
    std::string error; // the reason, when unreadable
    std::string kind;  // "pe32", "pe32+", "ne", "ico", "cur", "ani", or "" when none
    std::vector<Icon> icons;
};

// Straight (not premultiplied) 8-bit RGBA, rows top to bottom.
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 4
};

// Reads a file's icons, detecting its kind from its content. Never throws.
IconFile readIconFile(const std::string& path);

// The same, through a cache keyed by path, size and modification time.
std::shared_ptr<const IconFile> readIconFileCached(const std::string& path);

// Reads icons out of bytes in memory, exactly as readIconFile does out of a file.
IconFile readIconBytes(std::span<const std::uint8_t> bytes);

// Empties the cache of parsed files (and of decoded images).
void clearIconCaches();

// How many times a file has been parsed through readIconFileCached (for tests and benchmarks).
std::uint64_t cachedParseCount();

// Decodes one image to straight RGBA; nothing when the image is damaged.
std::optional<Rgba> decodeImage(const IconImage& image);

// The image to draw at a size: the smallest at least that large, else the largest there is (so a
// drawing is never enlarged where a larger image exists); then the deepest colour.
// Returns the index into icon.images, or nothing for an icon without images.
std::optional<std::size_t> bestImageFor(const Icon& icon, int size);

// Every image index, best for the size first: where the best image is damaged, the next serves.
std::vector<std::size_t> imagesBySuitability(const Icon& icon, int size);

// The image's colour depth in bits: the directory's value, else its header's.
int bitDepth(const IconImage& image);

// One icon's images, exactly as stored, as an .ico file (a .cur file for a cursor).
std::vector<std::uint8_t> writeIconFile(const Icon& icon);

} // namespace tess::icons
