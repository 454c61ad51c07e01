// The icon engine: icons out of PE, NE, ICO, CUR and ANI files. No Qt.
// Every byte of an input file is treated as hostile.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tess::icons {

enum class ImageFormat { Dib, Png };

namespace detail {
class ImageStore;
}

// One image of an icon: its directory values, and where its bytes lie in the file. The bytes
// themselves are read only when the image is decoded or written (imageBytes).
struct IconImage {
    std::uint8_t width = 0;  // as the directory records it: 0 means 256
    std::uint8_t height = 0; // as the directory records it: 0 means 256
    std::uint8_t colorCount = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint16_t hotspotX = 0;            // cursors only (the directory's planes field)
    std::uint16_t hotspotY = 0;            // cursors only (the directory's bit-count field)
    ImageFormat format = ImageFormat::Dib; // from the image's first bytes
    std::uint64_t offset = 0;              // where its bytes start in the file
    std::uint32_t size = 0;                // how many bytes it has, exactly as stored
    std::uint16_t headerBits = 0;          // the depth its own header gives, 0 where none
    std::shared_ptr<const detail::ImageStore> store; // the file's bytes, shared by its images

    int pixelWidth() const { return width == 0 ? 256 : width; }
    int pixelHeight() const { return height == 0 ? 256 : height; }
};

// An icon is a group of images. A group whose images are all missing has none: it keeps its
// number and draws nothing.
struct Icon {
    std::string id;     // resource name or numeric ID as text; "" where the file has no names
    bool named = false; // id is a resource name, not a numeric ID
    bool cursor = false;
    // A program's resource language: the group's first, the one read; the others it is stored
    // in, in directory order. Nothing in files without languages.
    std::optional<std::uint16_t> language;
    std::vector<std::uint16_t> otherLanguages;
    std::vector<IconImage> images;
};

enum class FileStatus { Icons, NotAnIconFile, Unreadable };

// How an animated cursor plays: the frame shown at each step (an index into its icons) and for
// how long, in jiffies of 1/60 s. Where the file's sequence cannot be played (counts that
// disagree, a frame that does not exist, a rate of 0), error says why and the steps are empty;
// the frames are still its icons.
struct Animation {
    std::vector<std::uint32_t> frames;  // of each step: the icon shown
    std::vector<std::uint32_t> jiffies; // of each step: how long it shows, never 0
    std::string error;
};

// The most steps an animation may have.
inline constexpr std::uint32_t kMaxAnimationSteps = 10000;

struct IconFile {
    FileStatus status = FileStatus::NotAnIconFile;
    std::string error;         // the reason, when unreadable
    std::string kind;          // "pe32", "pe32+", "ne", "ico", "cur", "ani", or "" when none
    std::vector<Icon> icons;   // icon i is the i-th group of the file: Windows' own numbers
    std::vector<Icon> cursors; // a program's cursor groups, apart: they never shift an icon
    std::string source;        // the file the icons were read from (a .mun after redirection)
    std::optional<Animation> animation; // an animated cursor's steps
};

// Straight (not premultiplied) 8-bit RGBA, rows top to bottom.
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 4
};

// Bytes read from files, counted where a caller asks for it (tests and benchmarks).
using ReadCounter = std::atomic<std::uint64_t>;

// How a file is read.
struct ReadOptions {
    // Directories are read in blocks of this many bytes (at most 1 MiB), through a small cache of
    // them per file; a file no larger than one block is read whole when opened.
    std::uint32_t blockSize = 16 * 1024;
    // Where every byte read from the file is counted, the images' bytes read later included.
    std::shared_ptr<ReadCounter> bytesRead = nullptr;
    // Where set, only that icon (its number in IconFile::icons) is read whole, so that drawing
    // one icon of a library of thousands reads little beyond its directories: a program's other
    // groups and its cursors keep their numbers and IDs without images, and the other images of
    // an icon or animation file their directory values alone (format Dib, no hotspot).
    std::optional<std::size_t> iconOnly = std::nullopt;
};

// Reads a file's icons, detecting its kind from its content: its directories and a few bytes
// of each image. A system library without icons whose folder's parent holds
// SystemResources/NAME.mun gives the icons of that file, as on Windows 10. Never throws.
IconFile readIconFile(const std::string& path, const ReadOptions& options = {});

// Reads icons out of bytes in memory, exactly as readIconFile does out of a file.
IconFile readIconBytes(std::span<const std::uint8_t> bytes);

// What an IconCache may hold: the newest file stays whatever its size.
struct CacheLimits {
    std::size_t files = 32; // each keeps its file open
    std::uint64_t bytes = 64ull * 1024 * 1024;
};

// The parsed files read last, by path, size, modification time and identity, so that asking
// for icons 0, 1, 2 ... parses a file once; each is read with the cache's options. Its owner
// creates it; any number of threads may read through one at once, and parse apart.
class IconCache {
  public:
    explicit IconCache(ReadOptions options = {}, CacheLimits limits = {});
    ~IconCache();
    IconCache(const IconCache&) = delete;
    IconCache& operator=(const IconCache&) = delete;

    // The file as readIconFile reads it, parsed again only when it has changed (or its .mun).
    std::shared_ptr<const IconFile> read(const std::string& path);
    // Forgets every file; what callers hold stays valid.
    void clear();
    // How many times a file has been parsed through this cache.
    std::uint64_t parseCount() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// An image's bytes exactly as stored, read once and shared by every reference to them while
// held; null when they cannot be read.
std::shared_ptr<const std::vector<std::uint8_t>> imageBytes(const IconImage& image);

// An image whose bytes are held in memory (format and header depth filled from them).
IconImage imageFromBytes(std::vector<std::uint8_t> bytes);

// Decodes one image to straight RGBA; nothing when the image is damaged.
std::optional<Rgba> decodeImage(const IconImage& image);

// Straight RGBA as an 8-bit RGBA PNG; empty when it cannot be written.
std::vector<std::uint8_t> encodePng(const Rgba& picture);

// Every image index, best for the size first: the smallest at least that large, else the largest
// there is (so a drawing is never enlarged where a larger image exists); then the deepest colour.
// Where the best image is damaged, the next serves.
std::vector<std::size_t> imagesBySuitability(const Icon& icon, int size);

// Whether PNG bytes are whole: every chunk's CRC holds up to IEND, nothing follows it, and it
// decodes. Only a whole PNG is copied as it is stored.
bool pngIsWhole(std::span<const std::uint8_t> bytes);

// The image's colour depth in bits: the directory's value, else its header's.
int bitDepth(const IconImage& image);

// One icon's images, exactly as stored, as an .ico file (type 1, planes and bit counts), also
// for a cursor. A PNG that is not whole is decoded and encoded again; images that cannot be read
// are left out; nothing when no image is left.
std::vector<std::uint8_t> writeIconFile(const Icon& icon);
// The same as a .cur file (type 2, each image's hotspot).
std::vector<std::uint8_t> writeCursorFile(const Icon& icon);

} // namespace tess::icons
