// Internal: the readers of each file kind, sharing one budget of work per file.
#pragma once

#include "icons/reader.h"
#include "tessaline/icons.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tess::icons::detail {

// Fixed limits for hostile input.
inline constexpr int kMaxImageSide = 4096;
inline constexpr std::uint64_t kMaxDecodedBytes = 64ull * 1024 * 1024; // per image
inline constexpr std::uint64_t kMaxStoredImageBytes = 64ull * 1024 * 1024;
inline constexpr std::size_t kMaxImagesPerGroup = 65535;
// What one icon or image reference costs in memory, whatever its bytes.
inline constexpr std::uint64_t kEntryCost = 64;

// The bytes of a file's images: its source, kept open, read on demand. An image named many
// times is read once while any reference to its bytes is held.
class ImageStore {
  public:
    explicit ImageStore(std::unique_ptr<Source> source) : source_(std::move(source)) {}
    const Source& source() const { return *source_; }
    std::shared_ptr<const std::vector<std::uint8_t>> bytes(std::uint64_t offset,
                                                           std::uint32_t size) const;

  private:
    std::unique_ptr<Source> source_;
    mutable std::mutex mutex_;
    mutable std::map<std::pair<std::uint64_t, std::uint32_t>,
                     std::weak_ptr<const std::vector<std::uint8_t>>>
        shared_;
    mutable std::size_t pruneAt_ = 64;
};

// What one file may cost at most, tied to its own size: the bytes its icons name (counted per
// reference, since writing every icon writes them so) and the entries listed. A small file can
// thus never make the program hold or write more than a small multiple of itself.
struct Budget {
    explicit Budget(std::uint64_t fileSize) : bytes(4 * fileSize + (1u << 20)) {}
    std::uint64_t bytes;
    std::uint64_t images = 1u << 18;

    bool take(std::uint64_t n) {
        if (images == 0 || n > bytes || bytes - n < kEntryCost) return false;
        bytes -= n + kEntryCost;
        --images;
        return true;
    }
};

// One file's parse: where its images are read from, and its budget.
struct Parse {
    std::shared_ptr<const ImageStore> store;
    Budget budget;
    struct Head {
        bool ok;
        ImageFormat format;
        std::uint16_t headerBits;
        std::uint32_t dibSize; // a DIB's size computed from its header, 0 when unknown
        std::uint16_t hotspotX, hotspotY;
    };
    std::map<std::pair<std::uint64_t, std::uint32_t>, Head> heads; // images already looked at
};

// Whether image bytes start with the PNG signature.
bool isPng(std::span<const std::uint8_t> bytes);

// The bit depth an image really has: the directory's when it records one, else its header's.
int effectiveBits(const IconImage& image);

// What the first bytes of an image say: its format, its depth, a DIB's computed size.
Parse::Head describeHead(std::span<const std::uint8_t> head);

// An image of size bytes at offset of in (offsets relative to in): its place, format and header
// depth filled from its first bytes, charged to the budget. For a cursor resource, the bytes
// start with the hotspot (two 16-bit values), which is read and left out of the image. Where
// the resource is padded to an alignment, padded is the size its group entry gives (else 0): the
// image is trimmed to its true size, the DIB's own where its header gives it, else that one.
// False when the image cannot be served.
bool placeImage(const Reader& in, std::uint64_t offset, std::uint64_t size, Parse& parse,
                IconImage& image, bool hotspotFirst = false, std::uint32_t padded = 0);

struct GroupEntry {
    std::uint8_t width, height, colorCount;
    std::uint16_t planes, bitCount;
    std::uint32_t bytesInRes;
    std::uint16_t id;

    // An image with this entry's directory values, not yet placed in the file.
    IconImage image() const {
        IconImage im;
        im.width = width;
        im.height = height;
        im.colorCount = colorCount;
        im.planes = planes;
        im.bitCount = bitCount;
        return im;
    }
};
// The entries of a group-icon resource (GRPICONDIR), or of a group-cursor one, whose entries
// give 16-bit width and height (twice the image's); entries that do not fit are dropped.
std::vector<GroupEntry> parseGroup(std::span<const std::uint8_t> group, bool cursor = false);

// Each reader fills file.icons (and file.cursors) and file.kind; it only ever skips what it
// cannot serve.
void readPe(const Reader& in, std::uint32_t peOffset, IconFile& file, Parse& parse);
void readNe(const Reader& in, std::uint32_t neOffset, IconFile& file, Parse& parse);
// An ICO or CUR file as one icon; false when the header is not one.
bool readIco(const Reader& in, Icon& icon, Parse& parse);
void readAni(const Reader& in, IconFile& file, Parse& parse);

IconFile readFrom(std::shared_ptr<const ImageStore> store);

// A file as it was when read: its path and identity.
struct FileIdentity {
    std::string path;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
// The identity of the regular file at path now, or nothing.
std::optional<FileIdentity> identify(const std::string& path);

// Windows 10's home of a system library's icons: SystemResources/NAME.mun in the parent of the
// library's folder, names matched ignoring case; "" when there is none.
std::string munPathFor(const std::string& path);

// Reads an opened file as readIconFile does, following a system library without icons to its
// .mun (opened with the same options); mun then tells which file served.
IconFile readOpened(FileSource::Opened opened, const std::string& path,
                    std::optional<FileIdentity>& mun, const ReadOptions& options);

std::string utf16ToUtf8(std::span<const std::uint16_t> units);
std::string latin1ToUtf8(std::span<const std::uint8_t> bytes);

} // namespace tess::icons::detail
