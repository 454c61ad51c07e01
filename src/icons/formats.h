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
// What one listed entry (an icon, or an image named by it) costs the budget, whatever its bytes.
// The number of entries is bounded apart (Budget::entries), so this need only make a file of many
// entries pay for them in proportion to their number.
inline constexpr std::uint64_t kEntryCost = 8;

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

// What one file may cost at most, tied to its own size: the bytes its icons name and the entries
// listed. Bytes named by several icons are paid once, each further reference as one entry, so that
// sharing never costs an icon its number; bytes named twice by one icon are paid again, since
// writing that icon writes them twice. A small file can thus never make the program hold, or write
// as one icon, more than a small multiple of itself beyond a fixed allowance.
struct Budget {
    explicit Budget(std::uint64_t fileSize) : bytes(4 * fileSize + (1u << 20)) {}
    std::uint64_t bytes;
    std::uint64_t entries = 1u << 18;

    // An entry listed (an icon, or an image of one) and n bytes it holds or names.
    bool take(std::uint64_t n) {
        if (entries == 0 || n > bytes || bytes - n < kEntryCost) return false;
        bytes -= n + kEntryCost;
        --entries;
        return true;
    }
    // Bytes read or held that list no entry of their own (a name, a group's data).
    bool pay(std::uint64_t n) {
        if (n > bytes) return false;
        bytes -= n;
        return true;
    }
};

// One file's parse: where its images are read from, and its budget.
struct Parse {
    Parse(std::shared_ptr<const ImageStore> s, std::uint64_t fileSize,
          std::optional<std::size_t> iconOnly = {})
        : store(std::move(s)), budget(fileSize), only(iconOnly) {}

    std::shared_ptr<const ImageStore> store;
    Budget budget;
    struct Head {
        bool ok = true;
        bool read = false; // its first bytes looked at (else the values below are defaults)
        bool paid = false; // its bytes charged to the budget
        ImageFormat format = ImageFormat::Dib;
        std::uint16_t headerBits = 0;
        std::uint32_t dibSize = 0; // a DIB's size computed from its header, 0 when unknown
        std::uint16_t hotspotX = 0, hotspotY = 0;
        std::uint64_t icon = 0; // the icon that named it last (Parse::icon)
    };
    std::map<std::pair<std::uint64_t, std::uint32_t>, Head> heads;  // images already looked at
    std::map<std::pair<std::uint64_t, std::uint64_t>, bool> groups; // group data paid for
    // Where set, only that icon (its number in IconFile::icons) is wanted whole: a program's
    // other groups are listed without their images, other images placed without their heads.
    std::optional<std::size_t> only;
    std::uint64_t icon = 0; // counts the icons begun
    bool wanted = true;     // the icon being read

    // Starts the icon that will be number `number` of the file's icons (or of its cursors).
    void beginIcon(std::size_t number, bool cursor) {
        ++icon;
        wanted = !only || (!cursor && number == *only);
    }
    // Charges a group's data at offset: its bytes the first time, one entry per group entry
    // after (each is parsed again), so that groups sharing one large group cannot multiply it.
    bool takeGroup(std::uint64_t offset, std::uint64_t size) {
        const auto it = groups.try_emplace({offset, size}, false).first;
        const bool ok = budget.pay(it->second ? (size / 14 + 1) * kEntryCost : size);
        if (ok) it->second = true;
        return ok;
    }
};

// Whether image bytes start with the PNG signature.
bool isPng(std::span<const std::uint8_t> bytes);

// The bit depth an image really has: the directory's when it records one, else its header's.
int effectiveBits(const IconImage& image);

// What the first bytes of an image say: its format, its depth, a DIB's computed size.
Parse::Head describeHead(std::span<const std::uint8_t> head);

// An image of size bytes at offset of in (offsets relative to in): its place, format and header
// depth filled from its first bytes (where the parse wants them), charged to the budget. For a
// cursor resource, the bytes start with the hotspot (two 16-bit values), which is read and left out
// of the image. Where the resource is padded to an alignment, padded is the size its group entry
// gives (else 0): the image is trimmed to its true size, the DIB's own where its header gives it,
// else that one. False when the image cannot be served.
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
// cannot serve. Each calls parse.beginIcon before placing an icon's images.
void readPe(const Reader& in, std::uint32_t peOffset, IconFile& file, Parse& parse);
void readNe(const Reader& in, std::uint32_t neOffset, IconFile& file, Parse& parse);
// An ICO or CUR file as one icon; false when the header is not one.
bool readIco(const Reader& in, Icon& icon, Parse& parse);
void readAni(const Reader& in, IconFile& file, Parse& parse);

// Reads a source's icons; where iconOnly is set, that icon only whole (ReadOptions::iconOnly).
IconFile readFrom(std::shared_ptr<const ImageStore> store,
                  std::optional<std::size_t> iconOnly = std::nullopt);

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
