// PE32 and PE32+ files: the group icons of the resource directory.
//
// The resource tree is read exactly three levels deep (type, name, language) and never
// recursively, so a directory that points back into itself cannot loop. Group icons come in
// directory order (named entries first, then IDs ascending, as the linker stores them), each in
// its first language: icon i is the i-th entry of the group directory, as on Windows. A group
// entry naming a missing icon is skipped; a group left without any image keeps its place,
// empty. Cursor groups (RT_GROUP_CURSOR naming RT_CURSOR, whose data starts with the hotspot)
// are read the same way and listed apart.
#include "icons/formats.h"

#include <algorithm>
#include <map>
#include <optional>

namespace tess::icons::detail {
namespace {

constexpr std::uint32_t kRtCursor = 1;
constexpr std::uint32_t kRtIcon = 3;
constexpr std::uint32_t kRtGroupCursor = 12;
constexpr std::uint32_t kRtGroupIcon = 14;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kMaxSections = 96 * 8; // far beyond any real file; each costs one read
constexpr std::uint64_t kMaxLanguages = 16;  // listed for one group

struct Section {
    std::uint32_t va, vsize, rawSize, rawPtr;
};

struct Entry {
    std::uint32_t name;   // high bit: offset of a name string
    std::uint32_t target; // high bit: offset of a subdirectory
};

class PeResources {
  public:
    PeResources(std::vector<Section> sections, Reader root)
        : sections_(std::move(sections)), root_(root) {}

    // The entries of the directory at offset (relative to the resource root).
    std::vector<Entry> directory(std::uint32_t offset) const {
        std::vector<Entry> out;
        const auto head = root_.fixed<16>(offset);
        if (!head) return out;
        const std::uint64_t count =
            std::uint64_t{le16(head->data() + 12)} + le16(head->data() + 14);
        const std::uint64_t first = std::uint64_t{offset} + 16;
        // Entries past the end of the section end the listing.
        const std::uint64_t avail = first <= root_.size() ? (root_.size() - first) / 8 : 0;
        const std::uint64_t n = std::min(count, avail);
        auto raw = root_.bytes(first, n * 8);
        if (!raw) return out;
        out.reserve(static_cast<std::size_t>(n));
        for (std::uint64_t i = 0; i < n; ++i)
            out.push_back({le32(raw->data() + i * 8), le32(raw->data() + i * 8 + 4)});
        return out;
    }

    // The data of a name's first language: the data-entry offset, or nothing.
    std::optional<std::uint32_t> firstLanguage(const Entry& nameEntry) const {
        if (!(nameEntry.target & kHighBit)) return std::nullopt;
        const auto langs = firstEntry(nameEntry.target & ~kHighBit);
        if (!langs || (langs->target & kHighBit)) return std::nullopt; // a fourth level
        return langs->target;
    }

    // The languages a name is stored in, in directory order: at most kMaxLanguages of them, so
    // that groups sharing one huge language directory cannot multiply it.
    std::vector<std::uint16_t> languages(const Entry& nameEntry) const {
        std::vector<std::uint16_t> out;
        if (!(nameEntry.target & kHighBit)) return out;
        const std::uint32_t dir = nameEntry.target & ~kHighBit;
        const auto head = root_.fixed<16>(dir);
        if (!head) return out;
        const std::uint64_t count = std::min<std::uint64_t>(
            std::uint64_t{le16(head->data() + 12)} + le16(head->data() + 14), kMaxLanguages);
        const auto raw = root_.bytes(std::uint64_t{dir} + 16, count * 8);
        if (!raw) return out;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint32_t name = le32(raw->data() + i * 8);
            if (i == 0 && (name & kHighBit)) return out; // the first one read has no ID
            if (!(name & kHighBit)) out.push_back(static_cast<std::uint16_t>(name));
        }
        return out;
    }

    std::optional<Entry> firstEntry(std::uint32_t dirOffset) const {
        const auto head = root_.fixed<16>(dirOffset);
        if (!head) return std::nullopt;
        if (le16(head->data() + 12) + le16(head->data() + 14) == 0) return std::nullopt;
        const auto e = root_.fixed<8>(std::uint64_t{dirOffset} + 16);
        if (!e) return std::nullopt;
        return Entry{le32(e->data()), le32(e->data() + 4)};
    }

    // Where a data entry's bytes lie in the file: offset and size.
    std::optional<std::pair<std::uint64_t, std::uint32_t>> place(std::uint32_t dataEntry) const {
        const auto e = root_.fixed<16>(dataEntry);
        if (!e) return std::nullopt;
        const std::uint32_t rva = le32(e->data());
        const std::uint32_t size = le32(e->data() + 4);
        const auto offset = fileOffset(rva, size);
        if (!offset) return std::nullopt;
        return std::pair{*offset, size};
    }

    // A name or an ID as text; nothing when the budget cannot pay for reading it.
    std::optional<std::string> name(std::uint32_t nameField, Budget& budget) const {
        if (!(nameField & kHighBit)) return std::to_string(nameField & 0xFFFF);
        const std::uint32_t at = nameField & ~kHighBit;
        const auto len = root_.u16(at);
        if (!len) return std::string();
        // Charged before it is read: many groups may share one name of 65535 characters.
        if (!budget.pay(std::uint64_t{*len} * 2)) return std::nullopt;
        auto raw = root_.bytes(std::uint64_t{at} + 2, std::uint64_t{*len} * 2);
        if (!raw) return std::string();
        std::vector<std::uint16_t> units(*len);
        for (std::size_t i = 0; i < units.size(); ++i)
            units[i] = le16(raw->data() + 2 * i);
        return utf16ToUtf8(units);
    }

  private:
    std::optional<std::uint64_t> fileOffset(std::uint32_t rva, std::uint32_t size) const {
        for (const Section& s : sections_) {
            if (rva < s.va) continue;
            const std::uint64_t delta = rva - s.va;
            if (fits(delta, size, s.rawSize)) return std::uint64_t{s.rawPtr} + delta;
        }
        return std::nullopt;
    }

    std::vector<Section> sections_;
    Reader root_;
};

} // namespace

void readPe(const Reader& in, std::uint32_t pe, IconFile& file, Parse& parse) {
    const auto coff = in.fixed<24>(pe);
    if (!coff) {
        file.kind = "pe32";
        return;
    }
    const std::uint16_t sectionCount = le16(coff->data() + 6);
    const std::uint16_t optSize = le16(coff->data() + 20);
    const std::uint64_t opt = std::uint64_t{pe} + 24;
    const auto magic = in.u16(opt);
    const bool is64 = magic && *magic == 0x20B;
    file.kind = is64 ? "pe32+" : "pe32";
    if (!magic || (*magic != 0x10B && *magic != 0x20B)) return;

    const std::uint64_t countAt = is64 ? 108 : 92;
    const std::uint64_t dirsAt = is64 ? 112 : 96;
    if (optSize < dirsAt + 3 * 8) return;
    const auto rvaCount = in.u32(opt + countAt);
    if (!rvaCount || *rvaCount < 3) return;
    const auto resDir = in.fixed<8>(opt + dirsAt + 2 * 8);
    if (!resDir) return;
    const std::uint32_t resRva = le32(resDir->data());
    if (resRva == 0) return;

    std::vector<Section> sections;
    const std::uint64_t secAt = opt + optSize;
    if (secAt > in.size()) return;
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::uint64_t>({sectionCount, kMaxSections, (in.size() - secAt) / 40}));
    auto raw = in.bytes(secAt, std::uint64_t{n} * 40);
    if (!raw) return;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* s = raw->data() + i * 40;
        sections.push_back({le32(s + 12), le32(s + 8), le32(s + 16), le32(s + 20)});
    }
    // The resource root: from the resource RVA to the end of its section's raw data.
    std::optional<Reader> root;
    for (const Section& s : sections) {
        if (resRva < s.va || resRva - s.va >= s.rawSize) continue;
        const std::uint64_t start = std::uint64_t{s.rawPtr} + (resRva - s.va);
        const std::uint64_t end = std::uint64_t{s.rawPtr} + s.rawSize;
        root = in.sub(start, std::min(end, in.size()) - std::min(start, in.size()));
        if (root) break;
    }
    if (!root) return;
    const PeResources res(std::move(sections), *root);

    const auto typeDir = [&](std::uint32_t type) -> std::optional<std::uint32_t> {
        for (const Entry& t : res.directory(0))
            if ((t.target & kHighBit) && t.name == type) return t.target & ~kHighBit;
        return std::nullopt;
    };
    const auto groups = [&](std::uint32_t groupType, std::uint32_t imageType, bool cursor,
                            std::vector<Icon>& out) {
        const auto groupDir = typeDir(groupType);
        if (!groupDir) return;
        // The images by ID, and where their first language's data entry is, looked up when a
        // group names them (reading only the directories of the images a read needs).
        std::multimap<std::uint16_t, Entry> images;
        if (const auto imageDir = typeDir(imageType)) {
            for (const Entry& e : res.directory(*imageDir))
                if (!(e.name & kHighBit) && e.name <= 0xFFFF)
                    images.emplace(static_cast<std::uint16_t>(e.name), e);
        }
        std::map<std::uint16_t, std::optional<std::uint32_t>> found;
        const auto imageData = [&](std::uint16_t id) {
            auto [it, fresh] = found.try_emplace(id);
            for (auto [e, end] = images.equal_range(id); fresh && e != end && !it->second; ++e)
                it->second = res.firstLanguage(e->second);
            return it->second;
        };
        for (const Entry& g : res.directory(*groupDir)) {
            auto name = res.name(g.name, parse.budget);
            if (!name || !parse.budget.take(0)) return; // the listing ends here
            parse.beginIcon(out.size(), cursor);
            Icon icon;
            icon.id = std::move(*name);
            icon.named = (g.name & kHighBit) != 0;
            icon.cursor = cursor;
            if (!parse.wanted) { // listed with its number and ID only
                out.push_back(std::move(icon));
                continue;
            }
            const auto dataEntry = res.firstLanguage(g);
            if (dataEntry) {
                std::vector<std::uint16_t> languages = res.languages(g);
                if (!languages.empty()) {
                    icon.language = languages.front();
                    icon.otherLanguages.assign(languages.begin() + 1, languages.end());
                }
            }
            const auto where = dataEntry ? res.place(*dataEntry) : std::nullopt;
            std::optional<std::vector<std::uint8_t>> group;
            if (where && where->second <= 6 + 14 * kMaxImagesPerGroup &&
                parse.takeGroup(where->first, where->second))
                group = in.bytes(where->first, where->second);
            for (const GroupEntry& ge :
                 group ? parseGroup(*group, cursor) : std::vector<GroupEntry>{}) {
                const auto data = imageData(ge.id);
                const auto at = data ? res.place(*data) : std::nullopt;
                if (!at) continue;
                IconImage image = ge.image();
                if (placeImage(in, at->first, at->second, parse, image, cursor))
                    icon.images.push_back(std::move(image));
            }
            out.push_back(std::move(icon)); // an empty group keeps its number
        }
    };
    groups(kRtGroupIcon, kRtIcon, false, file.icons);
    groups(kRtGroupCursor, kRtCursor, true, file.cursors);
}

} // namespace tess::icons::detail
