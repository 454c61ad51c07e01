// Malformed, truncated and hostile files: each gives "no icon" where it cannot serve one, or
// "not an icon file", and never a crash, a hang or an out-of-bounds read (the sanitizer build
// checks the latter). Expected icon counts pin down that a good icon beside a damaged one is
// still served.
#include "platform/icons/icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

using namespace tess;
using fixtures::Bytes;
using icons::FileStatus;

void set16(Bytes& b, std::size_t at, std::uint32_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void set32(Bytes& b, std::size_t at, std::uint32_t v) {
    set16(b, at, v & 0xFFFF);
    set16(b, at + 2, v >> 16);
}
std::uint32_t get32(const Bytes& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
           (static_cast<std::uint32_t>(b.at(at + 3)) << 24);
}
Bytes truncated(Bytes b, std::size_t n) {
    b.resize(std::min(n, b.size()));
    return b;
}
template <typename F> Bytes patched(Bytes b, F f) {
    f(b);
    return b;
}

constexpr int kAny = -1;

struct Hostile {
    std::string name;
    Bytes bytes;
    FileStatus status;
    int icons; // kAny: whatever can be served
};

void PrintTo(const Hostile& h, std::ostream* os) {
    *os << h.name;
}

// --- PE: offsets of the fixtures' fixed layout (PE32+) -------------------------------------
constexpr std::size_t kOpt = fixtures::kPeOffset + 24;
constexpr std::size_t kRvaCount = kOpt + 108;
constexpr std::size_t kResDir = kOpt + 112 + 16;
const std::size_t kSec = fixtures::peSectionTableOffset(true);
constexpr std::size_t kRoot = fixtures::kPeRsrcOffset;
constexpr std::size_t kRootEntries = kRoot + 16; // [0] RT_ICON, [1] RT_GROUP_ICON

Bytes pe2() {
    return fixtures::makeSolidPe(2);
}

// The file offset of the first data entry (the first RT_ICON's, then the others in order).
std::size_t firstDataEntry(const Bytes& pe) {
    // Root -> RT_ICON directory -> first name -> language directory -> data entry.
    const std::size_t typeDir = kRoot + (get32(pe, kRootEntries + 4) & 0x7FFFFFFF);
    const std::size_t langDir = kRoot + (get32(pe, typeDir + 16 + 4) & 0x7FFFFFFF);
    return kRoot + get32(pe, langDir + 16 + 4);
}
// The file offset of the first group's data.
std::size_t groupDataAt(const Bytes& pe) {
    const std::size_t typeDir = kRoot + (get32(pe, kRootEntries + 8 + 4) & 0x7FFFFFFF);
    const std::size_t langDir = kRoot + (get32(pe, typeDir + 16 + 4) & 0x7FFFFFFF);
    const std::size_t entry = kRoot + get32(pe, langDir + 16 + 4);
    return get32(pe, entry) - fixtures::kPeRsrcRva + kRoot;
}

std::vector<Hostile> peCases() {
    std::vector<Hostile> v;
    const Bytes good = pe2();
    for (std::size_t n :
         {std::size_t{2}, std::size_t{0x3C}, std::size_t{0x40}, std::size_t{0x44}, kOpt, kRvaCount,
          kResDir, kSec, kSec + 40, kRoot, kRoot + 16, kRoot + 24, good.size() / 2})
        v.push_back({"pe_truncated_at_" + std::to_string(n), truncated(good, n),
                     n < 0x44 ? FileStatus::NotAnIconFile : FileStatus::Icons, 0});
    v.push_back({"pe_lfanew_past_end", patched(good, [](Bytes& b) { set32(b, 0x3C, 0xFFFFFFF0); }),
                 FileStatus::NotAnIconFile, 0});
    v.push_back({"pe_no_data_directories", patched(good, [](Bytes& b) { set32(b, kRvaCount, 0); }),
                 FileStatus::Icons, 0});
    v.push_back({"pe_huge_data_directory_count",
                 patched(good, [](Bytes& b) { set32(b, kRvaCount, 0xFFFFFFFF); }),
                 FileStatus::Icons, 2});
    v.push_back({"pe_optional_header_size_65535",
                 patched(good, [](Bytes& b) { set16(b, fixtures::kPeOffset + 20, 0xFFFF); }),
                 FileStatus::Icons, 0});
    v.push_back({"pe_65535_sections",
                 patched(good, [](Bytes& b) { set16(b, fixtures::kPeOffset + 6, 0xFFFF); }),
                 FileStatus::Icons, 2});
    v.push_back({"pe_no_sections",
                 patched(good, [](Bytes& b) { set16(b, fixtures::kPeOffset + 6, 0); }),
                 FileStatus::Icons, 0});
    v.push_back({"pe_raw_pointer_past_end",
                 patched(good, [&](Bytes& b) { set32(b, kSec + 20, 0xFFFFFFF0); }),
                 FileStatus::Icons, 0});
    v.push_back({"pe_raw_size_4GiB",
                 patched(good, [&](Bytes& b) { set32(b, kSec + 16, 0xFFFFFFFF); }),
                 FileStatus::Icons, 2});
    v.push_back({"pe_resource_rva_outside_sections",
                 patched(good, [](Bytes& b) { set32(b, kResDir, 0x7FFF0000); }), FileStatus::Icons,
                 0});
    v.push_back(
        {"pe_root_claims_131070_entries",
         patched(good,
                 [](Bytes& b) { set16(b, kRoot + 12, 0xFFFF), set16(b, kRoot + 14, 0xFFFF); }),
         FileStatus::Icons, kAny});
    v.push_back({"pe_group_directory_points_at_root",
                 patched(good, [](Bytes& b) { set32(b, kRootEntries + 12, 0x80000000); }),
                 FileStatus::Icons, 0});
    v.push_back({"pe_icon_directory_points_at_itself",
                 patched(good,
                         [](Bytes& b) {
                             const std::uint32_t self = get32(b, kRootEntries + 4);
                             const std::size_t dir = kRoot + (self & 0x7FFFFFFF);
                             set32(b, dir + 16 + 4,
                                   self); // name level points back at its own level
                         }),
                 FileStatus::Icons, 1});
    v.push_back({"pe_fourth_level",
                 patched(good,
                         [](Bytes& b) {
                             // The first icon's language entry names a directory (the root) instead
                             // of data.
                             const std::size_t typeDir =
                                 kRoot + (get32(b, kRootEntries + 4) & 0x7FFFFFFF);
                             const std::size_t langDir =
                                 kRoot + (get32(b, typeDir + 16 + 4) & 0x7FFFFFFF);
                             set32(b, langDir + 16 + 4, 0x80000000);
                         }),
                 FileStatus::Icons, 1});
    v.push_back({"pe_data_offset_past_end",
                 patched(good, [](Bytes& b) { set32(b, firstDataEntry(b), 0x7FFFFFF0); }),
                 FileStatus::Icons, 1});
    v.push_back({"pe_data_size_4GiB",
                 patched(good, [](Bytes& b) { set32(b, firstDataEntry(b) + 4, 0xFFFFFFFF); }),
                 FileStatus::Icons, 1});
    v.push_back({"pe_data_rva_wraps",
                 patched(good,
                         [](Bytes& b) {
                             set32(b, firstDataEntry(b), 0xFFFFFFF0),
                                 set32(b, firstDataEntry(b) + 4, 0x100);
                         }),
                 FileStatus::Icons, 1});
    v.push_back({"pe_group_claims_65535_images",
                 patched(good, [](Bytes& b) { set16(b, groupDataAt(b) + 4, 0xFFFF); }),
                 FileStatus::Icons, 2});
    v.push_back({"pe_group_with_zero_images",
                 patched(good, [](Bytes& b) { set16(b, groupDataAt(b) + 4, 0); }),
                 FileStatus::Icons, 1});
    v.push_back({"pe_group_bad_reserved",
                 patched(good, [](Bytes& b) { set16(b, groupDataAt(b), 7); }), FileStatus::Icons,
                 1});
    v.push_back(
        {"pe_signature_only", truncated(good, fixtures::kPeOffset + 4), FileStatus::Icons, 0});
    v.push_back({"pe_bad_optional_magic", patched(good, [](Bytes& b) { set16(b, kOpt, 0x999); }),
                 FileStatus::Icons, 0});
    // A named group whose name string lies: its length runs past the end of the section.
    {
        Bytes named = fixtures::makePe({{std::string("NAME"), {fixtures::solidImage(16, 32, {})}}});
        const std::size_t typeDir = kRoot + (get32(named, kRootEntries + 8 + 4) & 0x7FFFFFFF);
        const std::size_t nameAt = kRoot + (get32(named, typeDir + 16) & 0x7FFFFFFF);
        set16(named, nameAt, 0xFFFF);
        v.push_back({"pe_name_length_past_end", named, FileStatus::Icons, 1});
    }
    // One image named 65535 times by one group: served, within the budget.
    {
        const auto tiny = fixtures::dibImage(fixtures::solid(1, 1, {}), 1);
        const std::vector<fixtures::Image> images(65535, tiny);
        const std::vector<std::uint16_t> ids(65535, 1);
        v.push_back(
            {"pe_one_image_named_65535_times",
             fixtures::makePeResources(
                 {{std::uint16_t{3}, std::uint16_t{1}, 1033, tiny.bytes},
                  {std::uint16_t{14}, std::uint16_t{1}, 1033, fixtures::groupData(images, ids)}}),
             FileStatus::Icons, 1});
    }
    return v;
}

// --- ICO / CUR -----------------------------------------------------------------------------
std::vector<Hostile> icoCases() {
    std::vector<Hostile> v;
    const Bytes good =
        fixtures::makeIco({fixtures::solidImage(16, 32, {}), fixtures::solidImage(32, 32, {})});
    for (std::size_t n : {4, 5, 6, 21, 22, 38, 40, 100})
        v.push_back({"ico_truncated_at_" + std::to_string(n), truncated(good, n),
                     n < 6 ? FileStatus::NotAnIconFile : FileStatus::Icons, n < 100 ? 0 : kAny});
    v.push_back(
        {"ico_zero_images", patched(good, [](Bytes& b) { set16(b, 4, 0); }), FileStatus::Icons, 0});
    v.push_back({"ico_claims_65535_images", patched(good, [](Bytes& b) { set16(b, 4, 0xFFFF); }),
                 FileStatus::Icons, 1});
    v.push_back({"ico_offset_past_end",
                 patched(good, [](Bytes& b) { set32(b, 6 + 12, 0x10000000); }), FileStatus::Icons,
                 1});
    v.push_back({"ico_size_past_end", patched(good, [](Bytes& b) { set32(b, 6 + 8, 0x7FFFFFFF); }),
                 FileStatus::Icons, 1});
    v.push_back(
        {"ico_offset_plus_size_wraps_32_bits",
         patched(good, [](Bytes& b) { set32(b, 6 + 8, 0x20), set32(b, 6 + 12, 0xFFFFFFF0); }),
         FileStatus::Icons, 1});
    v.push_back({"ico_size_zero", patched(good, [](Bytes& b) { set32(b, 6 + 8, 0); }),
                 FileStatus::Icons, 1});
    v.push_back({"ico_reserved_not_zero", patched(good, [](Bytes& b) { set16(b, 0, 1); }),
                 FileStatus::NotAnIconFile, 0});
    v.push_back({"ico_type_3", patched(good, [](Bytes& b) { set16(b, 2, 3); }),
                 FileStatus::NotAnIconFile, 0});
    v.push_back({"ico_images_overlapping_the_directory",
                 patched(good, [](Bytes& b) { set32(b, 6 + 12, 0), set32(b, 22 + 12, 0); }),
                 FileStatus::Icons, 1});
    return v;
}

// --- ANI -----------------------------------------------------------------------------------
Bytes chunk(const char* id, const Bytes& body, std::optional<std::uint32_t> claimed = {}) {
    Bytes b(id, id + 4);
    b.resize(8);
    set32(b, 4, claimed.value_or(static_cast<std::uint32_t>(body.size())));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2) b.push_back(0);
    return b;
}
Bytes cat(std::vector<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes frame(int i) {
    return fixtures::makeIco({fixtures::solidImage(16, 32, fixtures::solidColor(i))}, true);
}
Bytes framList(std::vector<Bytes> icons) {
    Bytes body{'f', 'r', 'a', 'm'};
    for (const Bytes& f : icons)
        body = cat({body, chunk("icon", f)});
    return body;
}
Bytes riff(const Bytes& body, std::optional<std::uint32_t> claimed = {}) {
    return chunk("RIFF", cat({{'A', 'C', 'O', 'N'}, body}), claimed);
}

std::vector<Hostile> aniCases() {
    std::vector<Hostile> v;
    const Bytes good = fixtures::makeSolidAni(2);
    for (std::size_t n : {8, 11, 12, 20, 56, 60, 70, 90})
        v.push_back({"ani_truncated_at_" + std::to_string(n), truncated(good, n),
                     n < 12 ? FileStatus::NotAnIconFile : FileStatus::Icons, 0});
    v.push_back(
        {"ani_truncated_in_second_frame", truncated(good, good.size() - 10), FileStatus::Icons, 1});
    v.push_back(
        {"ani_odd_chunk_lengths",
         riff(cat({chunk("junk", {1, 2, 3}), chunk("LIST", framList({frame(0), frame(1)}))})),
         FileStatus::Icons, 2});
    v.push_back({"ani_huge_list_length",
                 riff(chunk("LIST", framList({frame(0), frame(1)}), 0xFFFFFFF0)), FileStatus::Icons,
                 2});
    v.push_back({"ani_huge_riff_length", riff(chunk("LIST", framList({frame(0)})), 0xFFFFFFFF),
                 FileStatus::Icons, 1});
    v.push_back(
        {"ani_riff_length_4", riff(chunk("LIST", framList({frame(0)})), 4), FileStatus::Icons, 0});
    v.push_back(
        {"ani_huge_icon_chunk_length",
         riff(chunk("LIST", cat({Bytes{'f', 'r', 'a', 'm'}, chunk("icon", frame(0), 0xFFFFFFF0)}))),
         FileStatus::Icons, 1});
    v.push_back({"ani_claims_more_frames_than_there_are",
                 fixtures::makeAni({frame(0), frame(1)}, {.frames = 100000}), FileStatus::Icons,
                 2});
    v.push_back({"ani_riff_nested_in_riff",
                 riff(chunk("RIFF", riff(chunk("LIST", framList({frame(0)}))))), FileStatus::Icons,
                 0});
    v.push_back(
        {"ani_damaged_frame_beside_good_one",
         riff(chunk("LIST", framList({{0, 0, 1, 0, 9, 9}, frame(1), {1, 2, 3, 4, 5, 6, 7, 8}}))),
         FileStatus::Icons, 1});
    v.push_back({"ani_list_of_another_kind",
                 riff(chunk("LIST", cat({Bytes{'I', 'N', 'F', 'O'}, chunk("icon", frame(0))}))),
                 FileStatus::Icons, 0});
    return v;
}

// --- NE ------------------------------------------------------------------------------------
constexpr std::size_t kNe = 0x40;
constexpr std::size_t kNeTable = 0x80;

std::vector<Hostile> neCases() {
    std::vector<Hostile> v;
    const Bytes good = fixtures::makeNe({{std::uint16_t{1}, {fixtures::solidImage(16, 32, {})}},
                                         {std::string("TWO"), {fixtures::solidImage(16, 32, {})}}});
    for (std::size_t n : {0x42, 0x60, 0x80, 0x82, 0x90})
        v.push_back(
            {"ne_truncated_at_" + std::to_string(n), truncated(good, n), FileStatus::Icons, 0});
    v.push_back({"ne_alignment_shift_31", patched(good, [](Bytes& b) { set16(b, kNeTable, 31); }),
                 FileStatus::Icons, 0});
    v.push_back(
        {"ne_table_offset_past_end",
         patched(good,
                 [](Bytes& b) { set16(b, kNe + 0x24, 0xFFF0), set16(b, kNe + 0x26, 0xFFFF); }),
         FileStatus::Icons, 0});
    v.push_back({"ne_type_claims_65535_resources",
                 patched(good, [](Bytes& b) { set16(b, kNeTable + 4, 0xFFFF); }), FileStatus::Icons,
                 0});
    v.push_back({"ne_resource_offset_past_end",
                 patched(good, [](Bytes& b) { set16(b, kNeTable + 2 + 8, 0xFFFF); }),
                 FileStatus::Icons, 1});
    v.push_back({"ne_name_offset_past_table",
                 patched(good,
                         [](Bytes& b) {
                             // The second group's ID is a name offset; point it far outside the
                             // table.
                             set16(b, kNeTable + 2 + 8 + 2 * 12 + 8 + 12 + 6, 0x7FF0);
                         }),
                 FileStatus::Icons, 2});
    v.push_back({"ne_no_terminating_type",
                 patched(good,
                         [](Bytes& b) {
                             // The resource table ends where its last type record ends.
                             set16(b, kNe + 0x26, 0x40 + 2 + 8 + 2 * 12 + 8 + 2 * 12);
                         }),
                 FileStatus::Icons, 2});
    return v;
}

class HostileFile : public testing::TestWithParam<Hostile> {};

TEST_P(HostileFile, ServesWhatItCanAndNothingElse) {
    const Hostile& h = GetParam();
    const auto f = icons::readIconBytes(h.bytes);
    EXPECT_EQ(f.status, h.status);
    if (h.icons != kAny) {
        EXPECT_EQ(static_cast<int>(f.icons.size()), h.icons);
    }
    for (const auto& icon : f.icons) {
        EXPECT_FALSE(icon.images.empty());
        for (const auto& image : icon.images)
            (void)icons::decodeImage(image);
    }
    // The same through a file on disk, read with positional reads.
    fixtures::TempDir dir;
    fixtures::writeFile(dir.file("hostile"), h.bytes);
    const auto g = icons::readIconFile(dir.file("hostile"));
    EXPECT_EQ(g.status, f.status);
    EXPECT_EQ(g.icons.size(), f.icons.size());
}

auto caseName = [](const testing::TestParamInfo<Hostile>& info) { return info.param.name; };
INSTANTIATE_TEST_SUITE_P(Pe, HostileFile, testing::ValuesIn(peCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Ico, HostileFile, testing::ValuesIn(icoCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Ani, HostileFile, testing::ValuesIn(aniCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Ne, HostileFile, testing::ValuesIn(neCases()), caseName);

// --- Images --------------------------------------------------------------------------------
struct HostileImage {
    std::string name;
    Bytes bytes;
    bool decodes;
};
void PrintTo(const HostileImage& h, std::ostream* os) {
    *os << h.name;
}

Bytes dib(int bits = 8) {
    return fixtures::makeDib(fixtures::quadrants(8, 8), bits);
}

// A PNG whose IHDR says width x height, its CRC made right.
Bytes pngClaiming(std::uint32_t w, std::uint32_t h) {
    Bytes b = fixtures::makePng(fixtures::quadrants(8, 8));
    auto be32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    };
    be32(16, w);
    be32(20, h);
    be32(29, static_cast<std::uint32_t>(crc32(0, b.data() + 12, 17)));
    return b;
}

std::vector<HostileImage> imageCases() {
    std::vector<HostileImage> v = {
        {"dib_empty", {}, false},
        {"dib_header_size_zero", patched(dib(), [](Bytes& b) { set32(b, 0, 0); }), false},
        {"dib_header_size_past_end", patched(dib(), [](Bytes& b) { set32(b, 0, 0xFFFFFFFF); }),
         false},
        {"dib_height_lies", patched(dib(), [](Bytes& b) { set32(b, 8, 64); }), false},
        {"dib_height_zero", patched(dib(), [](Bytes& b) { set32(b, 8, 0); }), false},
        {"dib_height_negative", patched(dib(), [](Bytes& b) { set32(b, 8, 0xFFFFFFF0); }), false},
        {"dib_width_negative", patched(dib(), [](Bytes& b) { set32(b, 4, 0x80000000); }), false},
        {"dib_width_100000", patched(dib(), [](Bytes& b) { set32(b, 4, 100000); }), false},
        {"dib_4096_square_claimed",
         patched(dib(32), [](Bytes& b) { set32(b, 4, 4096), set32(b, 8, 8192); }), false},
        {"dib_bit_count_0", patched(dib(), [](Bytes& b) { set16(b, 14, 0); }), false},
        {"dib_bit_count_2", patched(dib(), [](Bytes& b) { set16(b, 14, 2); }), false},
        {"dib_bit_count_64", patched(dib(), [](Bytes& b) { set16(b, 14, 64); }), false},
        {"dib_bit_count_lies_upwards", patched(dib(4), [](Bytes& b) { set16(b, 14, 32); }), false},
        {"dib_colour_count_257", patched(dib(), [](Bytes& b) { set32(b, 32, 257); }), false},
        {"dib_colour_count_4G", patched(dib(), [](Bytes& b) { set32(b, 32, 0xFFFFFFFF); }), false},
        {"dib_true_colour_palette_4G", patched(dib(24), [](Bytes& b) { set32(b, 32, 0xFFFFFFFF); }),
         false},
        {"dib_image_size_lies", patched(dib(), [](Bytes& b) { set32(b, 20, 0xFFFFFFFF); }), true},
        // Pixels then start inside the unused palette: wrong colours, but all there.
        {"dib_colour_count_smaller_than_used", patched(dib(4), [](Bytes& b) { set32(b, 32, 2); }),
         true},
        {"dib_rle_compression", patched(dib(), [](Bytes& b) { set32(b, 16, 1); }), false},
        {"dib_png_compression", patched(dib(), [](Bytes& b) { set32(b, 16, 5); }), false},
        {"dib_bitfields_at_24_bits", patched(dib(24), [](Bytes& b) { set32(b, 16, 3); }), false},
        {"dib_bitfield_masks_zero",
         patched(fixtures::makeDib(fixtures::quadrants(8, 8), 16, {.bitfields = true}),
                 [](Bytes& b) { set32(b, 40, 0), set32(b, 44, 0), set32(b, 48, 0); }),
         false},
        {"dib_bitfield_masks_all_ones",
         patched(fixtures::makeDib(fixtures::quadrants(8, 8), 32, {.bitfields = true}),
                 [](Bytes& b) {
                     set32(b, 40, 0xFFFFFFFF), set32(b, 44, 0xFFFFFFFF), set32(b, 48, 0xFFFFFFFF);
                 }),
         true},
        {"dib_mask_missing", truncated(dib(), dib().size() - 32), true},
        {"dib_pixels_cut", truncated(dib(), 40 + 1024 + 10), false},
        {"png_signature_only", truncated(fixtures::makePng(fixtures::quadrants(8, 8)), 8), false},
        {"png_claims_100000_square", pngClaiming(100000, 100000), false},
        {"png_claims_4097_wide", pngClaiming(4097, 1), false},
        {"png_claims_4096_square", pngClaiming(4096, 4096), false},
        {"png_zero_width", pngClaiming(0, 8), false},
        {"png_crc_wrong",
         patched(fixtures::makePng(fixtures::quadrants(8, 8)), [](Bytes& b) { b[29] ^= 1; }),
         false},
        {"png_cut_in_idat", truncated(fixtures::makePng(fixtures::quadrants(8, 8)), 50), false},
    };
    return v;
}

class HostileImageTest : public testing::TestWithParam<HostileImage> {};

TEST_P(HostileImageTest, DecodesOnlyWhatIsThere) {
    icons::IconImage image;
    image.bytes = GetParam().bytes;
    const auto rgba = icons::decodeImage(image);
    EXPECT_EQ(rgba.has_value(), GetParam().decodes);
    if (rgba) {
        EXPECT_EQ(rgba->pixels.size(), std::size_t{4} * rgba->width * rgba->height);
    }
}

INSTANTIATE_TEST_SUITE_P(Images, HostileImageTest, testing::ValuesIn(imageCases()),
                         [](const auto& info) { return info.param.name; });

TEST(Hostile, EveryTruncationOfEveryKind) {
    const Bytes files[] = {
        fixtures::makeSolidPe(2, false), fixtures::makeSolidPe(2, true),
        fixtures::makeNe({{std::uint16_t{1}, {fixtures::solidImage(16, 4, {})}}}),
        fixtures::makeSolidIco(2), fixtures::makeSolidAni(2)};
    for (const Bytes& whole : files) {
        const std::size_t full = icons::readIconBytes(whole).icons.size();
        for (std::size_t n = 0; n < whole.size(); n += 7) {
            const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
            const auto f = icons::readIconBytes(part);
            ASSERT_LE(f.icons.size(), full) << n;
            for (const auto& icon : f.icons)
                for (const auto& image : icon.images)
                    (void)icons::decodeImage(image);
        }
    }
}

} // namespace
