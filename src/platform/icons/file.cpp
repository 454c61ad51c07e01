// Detection by content, and the small pieces every reader shares.
#include "platform/icons/formats.h"

#include <algorithm>
#include <cstring>

namespace tess::icons {
namespace detail {

bool isPng(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= 8 && std::memcmp(bytes.data(), sig, 8) == 0;
}

void classify(IconImage& image) {
    image.format = isPng(image.bytes) ? ImageFormat::Png : ImageFormat::Dib;
}

int effectiveBits(const IconImage& image) {
    if (image.bitCount != 0) return image.bitCount;
    const auto& b = image.bytes;
    if (image.format == ImageFormat::Png) {
        if (b.size() < 26) return 0;
        const int depth = b[24];
        switch (b[25]) {
        case 0:
            return depth;
        case 2:
            return 3 * depth;
        case 3:
            return depth;
        case 4:
            return 2 * depth;
        case 6:
            return 4 * depth;
        default:
            return 0;
        }
    }
    if (b.size() >= 16) {
        const int bits = le16(b.data() + 14);
        if (bits != 0) return bits;
    }
    int bits = 0;
    while (bits < 8 && (1 << bits) < image.colorCount)
        ++bits;
    return bits;
}

std::vector<GroupEntry> parseGroup(std::span<const std::uint8_t> g) {
    std::vector<GroupEntry> out;
    if (g.size() < 6 || le16(g.data()) != 0) return out;
    const std::size_t count = std::min<std::size_t>(le16(g.data() + 4), (g.size() - 6) / 14);
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = g.data() + 6 + i * 14;
        out.push_back({e[0], e[1], e[2], le16(e + 4), le16(e + 6), le16(e + 12)});
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

IconFile readFrom(const Source& source) {
    IconFile file;
    const Reader in(source);
    Budget budget;
    const auto head = in.fixed<4>(0);
    if (!head) return file; // too short to be anything: not an icon file
    const auto& h = *head;
    if (h[0] == 'M' && h[1] == 'Z') {
        const auto lfanew = in.u32(0x3C);
        const auto sig = lfanew ? in.fixed<4>(*lfanew) : std::nullopt;
        const auto sig2 = lfanew ? in.fixed<2>(*lfanew) : std::nullopt;
        if (sig && (*sig)[0] == 'P' && (*sig)[1] == 'E' && (*sig)[2] == 0 && (*sig)[3] == 0) {
            file.status = FileStatus::Icons;
            readPe(in, *lfanew, file, budget);
        } else if (sig2 && (*sig2)[0] == 'N' && (*sig2)[1] == 'E') {
            file.status = FileStatus::Icons;
            file.kind = "ne";
            readNe(in, *lfanew, file, budget);
        }
        return file;
    }
    if (h[0] == 0 && h[1] == 0 && (h[2] == 1 || h[2] == 2) && h[3] == 0 && in.has(0, 6)) {
        Icon icon;
        if (readIco(in, icon, budget)) {
            file.status = FileStatus::Icons;
            file.kind = icon.cursor ? "cur" : "ico";
            if (!icon.images.empty()) file.icons.push_back(std::move(icon));
        }
        return file;
    }
    if (std::memcmp(h.data(), "RIFF", 4) == 0) {
        const auto form = in.fixed<4>(8);
        if (form && std::memcmp(form->data(), "ACON", 4) == 0) {
            file.status = FileStatus::Icons;
            file.kind = "ani";
            readAni(in, file, budget);
        }
    }
    return file;
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

IconFile readIconFile(const std::string& path) {
    try {
        auto opened = detail::FileSource::open(path);
        if (!opened.source) return unreadable(opened.error);
        return detail::readFrom(*opened.source);
    } catch (const std::bad_alloc&) {
        return unreadable("out of memory");
    }
}

IconFile readIconBytes(std::span<const std::uint8_t> bytes) {
    try {
        const detail::MemorySource source(bytes);
        return detail::readFrom(source);
    } catch (const std::bad_alloc&) {
        return unreadable("out of memory");
    }
}

} // namespace tess::icons
