// Detection by content, and the small pieces every reader shares.
#include "icons/formats.h"

#include <array>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

namespace tess::icons {
namespace detail {

bool isPng(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= 8 && std::memcmp(bytes.data(), sig, 8) == 0;
}

Parse::Head describeHead(std::span<const std::uint8_t> b) {
    Parse::Head h;
    if (isPng(b)) {
        h.format = ImageFormat::Png;
        if (b.size() < 26) return h;
        const int depth = b[24];
        const int factor[7] = {1, 0, 3, 1, 2, 0, 4}; // by colour type
        if (b[25] < 7) h.headerBits = static_cast<std::uint16_t>(factor[b[25]] * depth);
        return h;
    }
    if (b.size() < 16) return h;
    const std::uint32_t headerSize = le32(b.data());
    std::uint64_t width = 0, height = 0, palette = 0;
    int bits = 0;
    if (headerSize == 12) { // OS/2 core header: 16-bit sizes, 3-byte palette entries
        width = le16(b.data() + 4);
        height = le16(b.data() + 6) / 2;
        bits = le16(b.data() + 10);
        if (bits <= 8) palette = 3ull << bits;
    } else if (headerSize >= 40) {
        const std::int32_t w = le32s(b.data() + 4), fh = le32s(b.data() + 8);
        bits = le16(b.data() + 14);
        h.headerBits = static_cast<std::uint16_t>(bits);
        if (b.size() < 36) return h; // enough for the depth, not for the size
        width = w > 0 ? static_cast<std::uint64_t>(w) : 0;
        height = fh > 0 ? static_cast<std::uint64_t>(fh / 2) : 0;
        const std::uint32_t used = le32(b.data() + 32);
        if (bits <= 8)
            palette = 4ull * (used ? used : 1u << bits);
        else
            palette = 4ull * used + (le32(b.data() + 16) == 3 && headerSize == 40 ? 12 : 0);
    } else {
        return h;
    }
    h.headerBits = static_cast<std::uint16_t>(bits);
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide || bits > 32 ||
        palette > 1024)
        return h;
    const std::uint64_t stride = (width * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
    const std::uint64_t total = headerSize + palette + (stride + (width + 31) / 32 * 4) * height;
    h.dibSize = total <= kMaxStoredImageBytes ? static_cast<std::uint32_t>(total) : 0;
    return h;
}

int effectiveBits(const IconImage& image) {
    if (image.bitCount != 0) return image.bitCount;
    if (image.headerBits != 0) return image.headerBits;
    int bits = 0;
    while (bits < 8 && (1 << bits) < image.colorCount)
        ++bits;
    return bits;
}

bool placeImage(const Reader& in, std::uint64_t offset, std::uint64_t size, Parse& parse,
                IconImage& image, bool hotspotFirst, std::uint32_t padded) {
    const std::uint64_t skip = hotspotFirst ? 4 : 0;
    if (size <= skip || size - skip > kMaxStoredImageBytes || !in.has(offset, size)) return false;
    const std::uint64_t at = in.base() + offset + skip;
    const auto length = static_cast<std::uint32_t>(size - skip);
    Parse::Head& h = parse.heads[{at, length}];
    if (!h.read && parse.wanted) {
        // The first bytes only: the rest is read when the image is drawn or written.
        // A PNG's depth is in its first 26 bytes, a DIB's in its first 16; its size, needed
        // to trim a padded resource, in its first 36.
        std::array<std::uint8_t, 4 + 40> head{};
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, skip + (padded ? 40 : 26)));
        const bool paid = h.paid;
        const std::uint64_t icon = h.icon;
        if (in.readOnce(offset, std::span(head.data(), n))) {
            h = describeHead(std::span(head.data() + skip, n - skip));
            if (hotspotFirst) h.hotspotX = le16(head.data()), h.hotspotY = le16(head.data() + 2);
        } else {
            h.ok = false;
        }
        h.read = true, h.paid = paid, h.icon = icon;
    }
    std::uint32_t trimmed = length;
    if (padded != 0) { // the true size: the DIB's own, else the group entry's
        if (h.format == ImageFormat::Dib && h.dibSize != 0 && h.dibSize <= length)
            trimmed = h.dibSize;
        else if (padded > skip && padded - skip <= length)
            trimmed = static_cast<std::uint32_t>(padded - skip);
    }
    // Bytes named by an earlier icon cost this one an entry only; named again by the same icon,
    // they are paid again.
    if (!h.ok || !parse.budget.take(h.paid && h.icon != parse.icon ? 0 : trimmed)) return false;
    h.paid = true, h.icon = parse.icon;
    image.format = h.format;
    image.headerBits = h.headerBits;
    image.offset = at;
    image.size = trimmed;
    image.store = parse.store;
    if (hotspotFirst) image.hotspotX = h.hotspotX, image.hotspotY = h.hotspotY;
    return true;
}

std::vector<GroupEntry> parseGroup(std::span<const std::uint8_t> g, bool cursor) {
    std::vector<GroupEntry> out;
    if (g.size() < 6 || le16(g.data()) != 0) return out;
    const std::size_t count = std::min<std::size_t>(le16(g.data() + 4), (g.size() - 6) / 14);
    out.reserve(count);
    auto side = [](std::uint32_t v) { return static_cast<std::uint8_t>(v < 256 ? v : 0); };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = g.data() + 6 + i * 14;
        if (cursor) {
            out.push_back({side(le16(e)), side(le16(e + 2) / 2u), 0, le16(e + 4), le16(e + 6),
                           le32(e + 8), le16(e + 12)});
        } else {
            out.push_back({e[0], e[1], e[2], le16(e + 4), le16(e + 6), le32(e + 8), le16(e + 12)});
        }
    }
    return out;
}

std::string utf16ToUtf8(std::span<const std::uint16_t> u) {
    std::string out;
    out.reserve(u.size());
    auto put = [&out](std::uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (std::size_t i = 0; i < u.size(); ++i) {
        const std::uint32_t c = u[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 &&
            u[i + 1] < 0xE000) {
            put(0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            put(0xFFFD); // an unpaired surrogate
        } else {
            put(c);
        }
    }
    return out;
}

std::string latin1ToUtf8(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint16_t> units(bytes.begin(), bytes.end());
    return utf16ToUtf8(units);
}

std::shared_ptr<const std::vector<std::uint8_t>> ImageStore::bytes(std::uint64_t offset,
                                                                   std::uint32_t size) const {
    std::lock_guard lock(mutex_);
    auto& slot = shared_[{offset, size}];
    if (auto held = slot.lock()) return held;
    auto fresh = std::make_shared<std::vector<std::uint8_t>>(size);
    if (!source_->readOnce(offset, *fresh)) return nullptr;
    slot = fresh;
    if (shared_.size() >= pruneAt_) { // forget the images nobody holds any more
        std::erase_if(shared_, [](const auto& kv) { return kv.second.expired(); });
        pruneAt_ = std::max<std::size_t>(64, 2 * shared_.size());
    }
    return fresh;
}

IconFile readFrom(std::shared_ptr<const ImageStore> store, std::optional<std::size_t> iconOnly) {
    IconFile file;
    const Source& source = store->source();
    const Reader in(source);
    Parse parse(std::move(store), source.size(), iconOnly);
    const auto head = in.fixed<4>(0);
    if (!head) return file; // too short to be anything: not an icon file
    const auto& h = *head;
    if (h[0] == 'M' && h[1] == 'Z') {
        const auto lfanew = in.u32(0x3C);
        const auto sig = lfanew ? in.fixed<4>(*lfanew) : std::nullopt;
        const auto sig2 = lfanew ? in.fixed<2>(*lfanew) : std::nullopt;
        if (sig && (*sig)[0] == 'P' && (*sig)[1] == 'E' && (*sig)[2] == 0 && (*sig)[3] == 0) {
            file.status = FileStatus::Icons;
            readPe(in, *lfanew, file, parse);
        } else if (sig2 && (*sig2)[0] == 'N' && (*sig2)[1] == 'E') {
            file.status = FileStatus::Icons;
            file.kind = "ne";
            readNe(in, *lfanew, file, parse);
        }
    } else if (h[0] == 0 && h[1] == 0 && (h[2] == 1 || h[2] == 2) && h[3] == 0 && in.has(0, 6)) {
        Icon icon;
        parse.beginIcon(0, false);
        if (readIco(in, icon, parse)) {
            file.status = FileStatus::Icons;
            file.kind = icon.cursor ? "cur" : "ico";
            if (!icon.images.empty()) file.icons.push_back(std::move(icon));
        }
    } else if (std::memcmp(h.data(), "RIFF", 4) == 0) {
        const auto form = in.fixed<4>(8);
        if (form && std::memcmp(form->data(), "ACON", 4) == 0) {
            file.status = FileStatus::Icons;
            file.kind = "ani";
            readAni(in, file, parse);
        }
    }
    source.releaseCache();
    return file;
}

std::optional<FileIdentity> identify(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileIdentity{path, static_cast<std::uint64_t>(st.st_size),
                        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                            st.st_mtim.tv_nsec,
                        st.st_dev, st.st_ino};
}

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// The entry of folder named name, the exact spelling first, then ignoring case; "" when none.
std::filesystem::path findIgnoringCase(const std::filesystem::path& folder,
                                       const std::string& name) {
    std::error_code ec;
    if (std::filesystem::exists(folder / name, ec)) return folder / name;
    std::filesystem::directory_iterator it(folder, ec);
    int left = 100000; // a folder of millions of names is not searched whole
    for (; !ec && it != std::filesystem::directory_iterator() && left-- > 0; it.increment(ec))
        if (sameIgnoringCase(it->path().filename().string(), name)) return it->path();
    return {};
}

bool isProgram(const IconFile& f) {
    return f.status == FileStatus::Icons && f.kind.rfind("pe", 0) == 0;
}

// Whether some icon has an image: groups that have none do not make a file one that holds icons.
bool hasImages(const IconFile& f) {
    return std::any_of(f.icons.begin(), f.icons.end(),
                       [](const Icon& icon) { return !icon.images.empty(); });
}

} // namespace

std::string munPathFor(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::absolute(path, ec).lexically_normal();
    if (ec || !file.has_filename()) return {};
    const std::filesystem::path parent = file.parent_path().parent_path();
    if (parent == file.parent_path()) return {}; // the library sits in the root
    const auto resources = findIgnoringCase(parent, "SystemResources");
    if (resources.empty()) return {};
    return findIgnoringCase(resources, file.filename().string() + ".mun").string();
}

IconFile readOpened(FileSource::Opened opened, const std::string& path,
                    std::optional<FileIdentity>& mun, const ReadOptions& options) {
    const std::optional<std::size_t> iconOnly = options.iconOnly;
    const auto store = std::make_shared<ImageStore>(std::move(opened.source));
    IconFile file = readFrom(store, iconOnly);
    file.source = path;
    if (!isProgram(file) || hasImages(file)) return file;
    if (iconOnly && !file.icons.empty()) { // the other icons may have images: they decide
        file = readFrom(store);
        file.source = path;
        if (hasImages(file)) return file;
    }
    // A missing, unreadable or damaged .mun is the same as none.
    const std::string munPath = munPathFor(path);
    if (munPath.empty()) return file;
    auto m = FileSource::open(munPath, options);
    if (!m.source) return file;
    const FileIdentity id{munPath, m.source->size(), m.mtimeNs, m.device, m.inode};
    IconFile redirected = readFrom(std::make_shared<ImageStore>(std::move(m.source)), iconOnly);
    if (!isProgram(redirected) || !hasImages(redirected)) return file;
    redirected.source = munPath;
    mun = id;
    return redirected;
}

} // namespace detail

namespace {
IconFile unreadable(std::string error) {
    IconFile file;
    file.status = FileStatus::Unreadable;
    file.error = std::move(error);
    return file;
}
} // namespace

IconFile readIconFile(const std::string& path, const ReadOptions& options) {
    try {
        auto opened = detail::FileSource::open(path, options);
        if (!opened.source) return unreadable(opened.error);
        std::optional<detail::FileIdentity> mun;
        return detail::readOpened(std::move(opened), path, mun, options);
    } catch (const std::bad_alloc&) {
        return unreadable("out of memory");
    }
}

IconFile readIconBytes(std::span<const std::uint8_t> bytes) {
    try {
        return detail::readFrom(std::make_shared<detail::ImageStore>(
            std::make_unique<detail::MemorySource>(std::vector(bytes.begin(), bytes.end()))));
    } catch (const std::bad_alloc&) {
        return unreadable("out of memory");
    }
}

std::shared_ptr<const std::vector<std::uint8_t>> imageBytes(const IconImage& image) {
    if (!image.store || image.size == 0) return nullptr;
    try {
        return image.store->bytes(image.offset, image.size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

IconImage imageFromBytes(std::vector<std::uint8_t> bytes) {
    IconImage image;
    if (bytes.empty() || bytes.size() > 0xFFFFFFFFu) return image;
    const auto h = detail::describeHead(bytes);
    image.format = h.format;
    image.headerBits = h.headerBits;
    image.size = static_cast<std::uint32_t>(bytes.size());
    image.store = std::make_shared<detail::ImageStore>(
        std::make_unique<detail::MemorySource>(std::move(bytes)));
    return image;
}

} // namespace tess::icons
