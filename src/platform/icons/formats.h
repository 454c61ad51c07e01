// Internal: the readers of each file kind, sharing one budget of work per file.
#pragma once

#include "platform/icons/icons.h"
#include "platform/icons/reader.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tess::icons::detail {

// Fixed limits for hostile input.
inline constexpr int kMaxImageSide = 4096;
inline constexpr std::uint64_t kMaxDecodedBytes = 64ull * 1024 * 1024; // per image
inline constexpr std::uint64_t kMaxStoredImageBytes = 64ull * 1024 * 1024;
inline constexpr std::size_t kMaxImagesPerGroup = 65535;

// What one file may cost at most: bytes copied out of it and images listed. Images referenced
// many times (a hostile group naming the same image 65535 times) count each time.
struct Budget {
    std::uint64_t bytes = 256ull * 1024 * 1024;
    std::uint64_t images = 1u << 18;

    bool take(std::uint64_t n) {
        if (images == 0 || n > bytes) return false;
        bytes -= n;
        --images;
        return true;
    }
};

// Whether image bytes start with the PNG signature.
bool isPng(std::span<const std::uint8_t> bytes);

// The bit depth an image really has: the directory's when it records one, else its header's.
int effectiveBits(const IconImage& image);

// Fills an image's format from its bytes.
void classify(IconImage& image);

struct GroupEntry {
    std::uint8_t width, height, colorCount;
    std::uint16_t planes, bitCount;
    std::uint16_t id;
};
// The entries of a group-icon resource (GRPICONDIR); entries that do not fit are dropped.
std::vector<GroupEntry> parseGroup(std::span<const std::uint8_t> group);

// Each reader fills file.icons and file.kind; it only ever skips what it cannot serve.
void readPe(const Reader& in, std::uint32_t peOffset, IconFile& file, Budget& budget);
void readNe(const Reader& in, std::uint32_t neOffset, IconFile& file, Budget& budget);
// An ICO or CUR file as one icon; false when the header is not one.
bool readIco(const Reader& in, Icon& icon, Budget& budget);
void readAni(const Reader& in, IconFile& file, Budget& budget);

IconFile readFrom(const Source& source);

std::string utf16ToUtf8(std::span<const std::uint16_t> units);
std::string latin1ToUtf8(std::span<const std::uint8_t> bytes);

} // namespace tess::icons::detail
