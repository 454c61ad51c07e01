// Decoding each image form; hostile files give "no icon" or "not an icon file", never a crash, a
// hang or a read out of bounds (the sanitizer build checks), and a good icon beside them is served.
#include "support/fixtures/fixtures.h"
#include "tessaline/icons.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>

namespace {

using namespace tess;
using namespace tess::fixtures;

const auto truncated = [](Bytes b, std::size_t n) { return b.resize(n), b; };
const auto patched = [](Bytes b, auto f) { return f(b), b; };

constexpr int kAny = -1;
constexpr auto kNot = icons::FileStatus::NotAnIconFile, kIcons = icons::FileStatus::Icons;

// Offsets in the fixtures' PE32+ layout.
constexpr std::size_t kPe = kPeOffset, kOpt = kPe + 24, kRvaCount = kOpt + 108;
constexpr std::size_t kResDir = kOpt + 112 + 16, kRoot = kPeRsrcOffset;
constexpr std::size_t kRootEntries = kRoot + 16, kSec = kOpt + 240; // [0] RT_ICON, [1] groups
const auto sub = [](const Bytes& b, std::size_t at) { return kRoot + get32(b, at) % 0x80000000; };
// The language directory of the first name of type entry `type` (0 icons, 1 groups).
std::size_t langDir(const Bytes& b, int type) {
    return sub(b, sub(b, kRootEntries + 8 * type + 4) + 20);
}

TEST(Hostile, EachFileServesWhatItCanAndNothingElse) {
    const Bytes goodPe = makeSolidPe(2);
    const auto tiny = dibImage(solid(1, 1, {}), 1), icon = solidImage(16, 32, {});
    auto pe = [&](auto f) { return patched(goodPe, f); };
    // The first RT_ICON (or group) data entry; the first group's bytes.
    auto data = [](const Bytes& b, int t = 0) { return kRoot + get32(b, langDir(b, t) + 20); };
    auto group = [&](const Bytes& b) { return get32(b, data(b, 1)) - kPeRsrcRva + kRoot; };
    auto ico = [&](auto f) { return patched(makeIco({icon, solidImage(32, 32, {})}), f); };
    const Bytes f0 = makeIco({solidImage(16, 32, solidColor(0))}, true), i0 = chunk("icon", {f0}),
                f1 = makeIco({solidImage(16, 32, solidColor(1))}, true), i1 = chunk("icon", {f1}),
                goodAni = makeAni({f0, f1}), acon{'A', 'C', 'O', 'N'}, fram{'f', 'r', 'a', 'm'};
    // NE header at kNe, resource table at kNeTable: shift (2), type records (8 + 12 per resource).
    constexpr std::size_t kNe = 0x40, kNeTable = 0x80;
    auto ne = [&](auto f) { return patched(makeNe({{U16{1}, {icon}}, {"TWO", {icon}}}), f); };
    // 3000 groups sharing one group of 65535 entries naming a missing image, or one huge name.
    auto shared = [&](bool name) {
        std::vector<Resource> res{
            {U16{3}, U16{1}, 1033, tiny.bytes},
            {U16{14}, name ? Name(std::string(65535, 'N')) : Name(U16{1}), 1033,
             name ? groupData({tiny}, {1})
                  : groupData(std::vector(65535, tiny), std::vector<U16>(65535, 99))}};
        for (U16 g = 2; g <= 3000; ++g)
            res.push_back({U16{14}, g, 1033, groupData({tiny}, {1})});
        Bytes b = makePeResources(res);
        const std::size_t from = name ? sub(b, kRootEntries + 12) + 16 : data(b, 1);
        for (std::size_t g = 1; g < 3000; ++g) // the first's name, or its data's RVA and size
            std::copy_n(b.begin() + from, name ? 4 : 8, b.begin() + from + (name ? 8 : 16) * g);
        return b;
    };
    // 64 groups each naming its own range of one 1 MiB image (ranges 4 bytes shorter each): none is
    // shared, so each is paid in full and the file's budget serves a few.
    auto overlapping = [&] {
        const auto big = dibImage(solid(512, 512, solidColor(3)), 32);
        std::vector<Resource> res;
        for (U16 i = 1; i <= 64; ++i)
            res.push_back({U16{3}, i, 1033, i == 1 ? big.bytes : tiny.bytes}),
                res.push_back({U16{14}, i, 1033, groupData({big}, {i})});
        Bytes b = makePeResources(res);
        for (std::size_t i = 1; i < 64; ++i) // RT_ICON i + 1: big's offset, 4 i bytes shorter
            set32(b, data(b) + 16 * i, get32(b, data(b))),
                set32(b, data(b) + 16 * i + 4, get32(b, data(b) + 4) - 4 * std::uint32_t(i));
        return b;
    };
    // clang-format off
    // Icons: how many are served with images; kAny: whatever can be served. Undecoded: how many of
    // their images are damaged.
    const struct { std::string name; Bytes bytes; icons::FileStatus status; int icons; std::size_t undecoded = 0; } cases[] = {
        {"pe_3000_groups_share_one_huge_group", shared(false), kIcons, 0},
        {"pe_3000_groups_share_one_huge_name", shared(true), kIcons, kAny},
        {"pe_64_groups_name_distinct_1MiB_ranges", overlapping(), kIcons, 5, 5}, // their masks cut
        {"pe_lfanew_past_end", pe([](Bytes& b) { set32(b, 0x3C, 0xFFFFFFF0); }), kNot, 0},
        {"pe_no_data_directories", pe([](Bytes& b) { set32(b, kRvaCount, 0); }), kIcons, 0},
        {"pe_huge_data_directory_count", pe([](Bytes& b) { set32(b, kRvaCount, 0xFFFFFFFF); }), kIcons, 2},
        {"pe_optional_header_size_65535", pe([](Bytes& b) { set16(b, kPe + 20, 0xFFFF); }), kIcons, 0},
        {"pe_65535_sections", pe([](Bytes& b) { set16(b, kPe + 6, 0xFFFF); }), kIcons, 2},
        {"pe_no_sections", pe([](Bytes& b) { set16(b, kPe + 6, 0); }), kIcons, 0},
        {"pe_raw_pointer_past_end", pe([](Bytes& b) { set32(b, kSec + 20, 0xFFFFFFF0); }), kIcons, 0},
        {"pe_raw_size_4GiB", pe([](Bytes& b) { set32(b, kSec + 16, 0xFFFFFFFF); }), kIcons, 2},
        {"pe_resource_rva_outside_sections", pe([](Bytes& b) { set32(b, kResDir, 0x7FFF0000); }), kIcons, 0},
        {"pe_root_claims_131070_entries", pe([](Bytes& b) { set32(b, kRoot + 12, 0xFFFFFFFF); }), kIcons, kAny},
        {"pe_group_directory_points_at_root", pe([](Bytes& b) { set32(b, kRootEntries + 12, 0x80000000); }), kIcons, 0},
        {"pe_icon_directory_points_at_itself", pe([](Bytes& b) { set32(b, sub(b, kRootEntries + 4) + 20, get32(b, kRootEntries + 4)); }), kIcons, 1}, // The icons' name level points back at its own level.
        {"pe_fourth_level", pe([](Bytes& b) { set32(b, langDir(b, 0) + 20, 0x80000000); }), kIcons, 1}, // The first icon's language entry names a directory (the root) instead of data.
        {"pe_data_offset_past_end", pe([&](Bytes& b) { set32(b, data(b), 0x7FFFFFF0); }), kIcons, 1},
        {"pe_data_size_4GiB", pe([&](Bytes& b) { set32(b, data(b) + 4, 0xFFFFFFFF); }), kIcons, 1},
        {"pe_data_rva_wraps", pe([&](Bytes& b) { set32(b, data(b), 0xFFFFFFF0), set32(b, data(b) + 4, 0x100); }), kIcons, 1},
        {"pe_group_claims_65535_images", pe([&](Bytes& b) { set16(b, group(b) + 4, 0xFFFF); }), kIcons, 2},
        {"pe_group_with_zero_images", pe([&](Bytes& b) { set16(b, group(b) + 4, 0); }), kIcons, 1},
        {"pe_group_bad_reserved", pe([&](Bytes& b) { set16(b, group(b), 7); }), kIcons, 1},
        {"pe_signature_only", truncated(goodPe, kPe + 4), kIcons, 0},
        {"pe_bad_optional_magic", pe([](Bytes& b) { set16(b, kOpt, 0x999); }), kIcons, 0},
        {"pe_name_length_past_end", patched(makePe({{std::string("NAME"), {solidImage(16, 32, {})}}}), [](Bytes& b) { set16(b, sub(b, sub(b, kRootEntries + 12) + 16), 0xFFFF); }), kIcons, 1}, // A named group whose name string's length runs past the end of the section.
        {"pe_one_image_named_65535_times", makePeResources({{U16{3}, U16{1}, 1033, tiny.bytes}, {U16{14}, U16{1}, 1033, groupData(std::vector(65535, tiny), std::vector<U16>(65535, 1))}}), kIcons, 1}, // One image named 65535 times by one group: served, within the budget.
        {"ico_zero_images", ico([](Bytes& b) { set16(b, 4, 0); }), kIcons, 0},
        {"ico_claims_65535_images", ico([](Bytes& b) { set16(b, 4, 0xFFFF); }), kIcons, 1, 1}, // the third entry is the first image's bytes
        {"ico_offset_past_end", ico([](Bytes& b) { set32(b, 18, 0x10000000); }), kIcons, 1},
        {"ico_size_past_end", ico([](Bytes& b) { set32(b, 14, 0x7FFFFFFF); }), kIcons, 1},
        {"ico_offset_plus_size_wraps_32_bits", ico([](Bytes& b) { set32(b, 14, 0x20), set32(b, 18, 0xFFFFFFF0); }), kIcons, 1},
        {"ico_size_zero", ico([](Bytes& b) { set32(b, 14, 0); }), kIcons, 1},
        {"ico_reserved_not_zero", ico([](Bytes& b) { set16(b, 0, 1); }), kNot, 0},
        {"ico_type_3", ico([](Bytes& b) { set16(b, 2, 3); }), kNot, 0},
        {"ico_images_overlapping_the_directory", ico([](Bytes& b) { set32(b, 18, 0), set32(b, 34, 0); }), kIcons, 1, 2},
        {"ani_truncated_in_second_frame", truncated(goodAni, goodAni.size() - 10), kIcons, 1},
        {"ani_odd_chunk_lengths", chunk("RIFF", {acon, chunk("junk", {{1, 2, 3}}), chunk("LIST", {fram, i0, i1})}), kIcons, 2},
        {"ani_huge_list_length", chunk("RIFF", {acon, chunk("LIST", {fram, i0, i1}, 0xFFFFFFF0)}), kIcons, 2},
        {"ani_huge_riff_length", chunk("RIFF", {acon, chunk("LIST", {fram, i0})}, 0xFFFFFFFF), kIcons, 1},
        {"ani_riff_length_4", chunk("RIFF", {acon, chunk("LIST", {fram, i0})}, 4), kIcons, 0},
        {"ani_huge_icon_chunk_length", chunk("RIFF", {acon, chunk("LIST", {fram, chunk("icon", {f0}, 0xFFFFFFF0)})}), kIcons, 1},
        {"ani_claims_more_frames_than_there_are", makeAni({f0, f1}, true, 100000), kIcons, 2},
        {"ani_riff_nested_in_riff", chunk("RIFF", {acon, chunk("RIFF", {chunk("RIFF", {acon, chunk("LIST", {fram, i0})})})}), kIcons, 0},
        {"ani_damaged_frame_beside_good_one", chunk("RIFF", {acon, chunk("LIST", {fram, chunk("icon", {{0, 0, 1, 0, 9, 9}}), i1, chunk("icon", {{1, 2, 3, 4, 5, 6, 7, 8}})})}), kIcons, 1},
        {"ani_list_of_another_kind", chunk("RIFF", {acon, chunk("LIST", {{'I', 'N', 'F', 'O'}, i0})}), kIcons, 0},
        {"ne_alignment_shift_31", ne([](Bytes& b) { set16(b, kNeTable, 31); }), kIcons, 0},
        {"ne_table_offset_past_end", ne([](Bytes& b) { set16(b, kNe + 0x24, 0xFFF0), set16(b, kNe + 0x26, 0xFFFF); }), kIcons, 0},
        {"ne_type_claims_65535_resources", ne([](Bytes& b) { set16(b, kNeTable + 4, 0xFFFF); }), kIcons, 0},
        {"ne_resource_offset_past_end", ne([](Bytes& b) { set16(b, kNeTable + 10, 0xFFFF); }), kIcons, 1},
        {"ne_name_offset_past_table", ne([](Bytes& b) { set16(b, kNeTable + 10 + 24 + 8 + 12 + 6, 0x7FF0); }), kIcons, 2}, // The second group's ID is a name offset; point it far outside the table.
        {"ne_no_terminating_type", ne([](Bytes& b) { set16(b, kNe + 0x26, 0x40 + 10 + 24 + 8 + 24); }), kIcons, 2}, // The resource table ends where its last type record ends.
    };
    // clang-format on
    TempDir dir;
    // Where the files are written as well, for the Python module's tests.
    const char* out = std::getenv("TESSALINE_HOSTILE_OUT");
    for (const auto& h : cases) {
        SCOPED_TRACE(h.name);
        if (out) writeFile(std::string(out) + "/" + h.name, h.bytes);
        const auto f = icons::readIconBytes(h.bytes);
        writeFile(dir.file("hostile"), h.bytes);
        // Through positional reads the same, reading no more than a few times the file.
        const auto counter = std::make_shared<icons::ReadCounter>(0);
        const auto g = icons::readIconFile(dir.file("hostile"), {.bytesRead = counter});
        const bool cheap = *counter <= 8 * h.bytes.size();
        // Icons with images: an empty group keeps its number, unserved. Every image served
        // decodes, at its directory's size, but for the damaged ones a row names.
        const int served = static_cast<int>(std::count_if(
            f.icons.begin(), f.icons.end(), [](const auto& i) { return !i.images.empty(); }));
        std::size_t images = 0, decoded = 0;
        for (const auto& icon : f.icons)
            for (const auto& image : icon.images) {
                const auto rgba = icons::decodeImage(image);
                ++images, decoded += rgba && rgba->width == image.pixelWidth() &&
                                     rgba->height == image.pixelHeight();
            }
        EXPECT_EQ(std::tuple(f.status, h.icons == kAny ? kAny : served, g.status, g.icons.size(),
                             cheap, f.icons.size() <= 3000, decoded),
                  std::tuple(h.status, h.icons, f.status, f.icons.size(), true, true,
                             images - h.undecoded));
    }
}

// Each image form gives the pixels written; a damaged one gives all its pixels or nothing.
TEST(Decode, EachImageGivesItsPixelsOrNothing) {
    // Black and white with a transparent corner (fits a 1-bit palette); greys over three alphas.
    auto twoTone = [](int w, int h, Color corner = {0, 0, 0, 0}) {
        return pixels(w, h, [=](int x, int y) {
            return x < 2 && y < 2 ? corner : (x + y) % 2 ? Color{255, 255, 255} : Color{};
        });
    };
    auto greys = [](bool opaque) {
        return pixels(8, 3, [=](int x, int y) {
            const auto v = static_cast<std::uint8_t>(x * 36);
            return Color{v, v, v, static_cast<std::uint8_t>(opaque || !y ? 255 : 60 * y)};
        });
    };
    const Pixels q16 = quadrants(16, 16), q32 = quadrants(32, 32), q33 = quadrants(33, 17),
                 q7 = quadrants(7, 6), orange = solid(2, 2, {200, 100, 50, 255});
    const Pixels opaque = pixels(5, 3, [](int x, int y) { return solidColor(x + 5 * y); });
    Pixels half = q32;
    half.data[0].a = 128;
    const Bytes png = makePng(quadrants(8, 8));
    auto dib = [](int bits = 8, DibOptions o = {}) { return makeDib(quadrants(8, 8), bits, o); };
    auto d = [&](int bits, auto f) { return patched(dib(bits), f); };
    auto pngClaiming = [&](std::uint32_t w, std::uint32_t h) { // IHDR's CRC made right
        Bytes b = png;
        set32(b, 16, __builtin_bswap32(w)), set32(b, 20, __builtin_bswap32(h)); // big-endian
        return set32(b, 29, __builtin_bswap32(std::uint32_t(crc32(0, b.data() + 12, 17)))), b;
    };
    // A tEXt chunk after the header, its CRC right or not.
    auto withText = [](Bytes b, bool wrong) {
        Bytes text;
        pngChunk(text, "tEXt", {'a', 0, 'b'}), text.back() ^= wrong ? 1 : 0;
        return b.insert(b.begin() + 33, text.begin(), text.end()), b;
    };
    const Pixels any{-1, 0, {}}; // pixels not known
    // clang-format off
    const struct { std::string name; Bytes bytes; std::optional<Pixels> expected; /* none: not decoded */ } cases[] = {
        {"bits1_odd_width", makeDib(twoTone(37, 5), 1), twoTone(37, 5)},
        {"bits4_odd_width", makeDib(q7, 4), q7},
        {"bits8", makeDib(q32, 8), q32},
        {"bits16_565", makeDib(q16, 16, {.bitfields = true}), q16},
        {"bits16_555_scaled", makeDib(orange, 16), solid(2, 2, {206, 99, 49, 255})}, // 5 and 6 bits scaled to 8: 200, 100, 50 are stored as 25, 12 (25 at 6 bits), 6.
        {"bits16_565_scaled", makeDib(orange, 16, {.bitfields = true}), solid(2, 2, {206, 101, 49, 255})},
        {"bits24", makeDib(q33, 24), q33},
        {"bits32_alpha", makeDib(half, 32), half},
        {"bits32_bitfields", makeDib(q32, 32, {.bitfields = true}), q32},
        {"bits32_zero_alpha_uses_mask", makeDib(q16, 32, {.zeroAlpha = true}), q16},
        {"bits32_no_mask", makeDib(orange, 32, {.withMask = false}), orange},
        {"bits256", makeDib(quadrants(256, 256), 32), quadrants(256, 256)},
        {"core_bits1", makeDib(twoTone(37, 5), 1, {.core = true}), twoTone(37, 5)},
        {"core_bits8", makeDib(q32, 8, {.core = true}), q32},
        {"png_rgba8", makePng(q32), q32},
        {"png_rgb8", makePng(opaque, PngKind::Rgb8), opaque},
        {"png_grey8", makePng(greys(true), PngKind::Grey8), greys(true)},
        {"png_grey_alpha8", makePng(greys(false), PngKind::GreyAlpha8), greys(false)},
        {"png_palette8_trns", makePng(q16, PngKind::Palette8), q16},
        {"png_rgba16", makePng(q16, PngKind::Rgba16), q16},
        {"png_grey1", makePng(twoTone(11, 4, {0, 0, 0, 255}), PngKind::Grey1), twoTone(11, 4, {0, 0, 0, 255})},
        {"png_interlaced", makePng(quadrants(13, 11), PngKind::Rgba8, true), quadrants(13, 11)},
        {"dib_empty", {}, {}},
        {"dib_header_size_zero", d(8, [](Bytes& b) { set32(b, 0, 0); }), {}},
        {"dib_core_bit_count_32", patched(dib(24, {.core = true}), [](Bytes& b) { set16(b, 10, 32); }), {}},
        {"dib_core_palette_cut", truncated(dib(8, {.core = true}), 12 + 3 * 100), {}},
        {"dib_core_header_only", truncated(dib(4, {.core = true}), 12), {}},
        {"dib_header_size_past_end", d(8, [](Bytes& b) { set32(b, 0, 0xFFFFFFFF); }), {}},
        {"dib_height_lies", d(8, [](Bytes& b) { set32(b, 8, 64); }), {}},
        {"dib_height_zero", d(8, [](Bytes& b) { set32(b, 8, 0); }), {}},
        {"dib_height_negative", d(8, [](Bytes& b) { set32(b, 8, 0xFFFFFFF0); }), {}},
        {"dib_width_negative", d(8, [](Bytes& b) { set32(b, 4, 0x80000000); }), {}},
        {"dib_width_100000", d(8, [](Bytes& b) { set32(b, 4, 100000); }), {}},
        {"dib_4096_square_claimed", d(32, [](Bytes& b) { set32(b, 4, 4096), set32(b, 8, 8192); }), {}},
        {"dib_bit_count_0", d(8, [](Bytes& b) { set16(b, 14, 0); }), {}},
        {"dib_bit_count_2", d(8, [](Bytes& b) { set16(b, 14, 2); }), {}},
        {"dib_bit_count_lies_upwards", d(4, [](Bytes& b) { set16(b, 14, 32); }), {}},
        {"dib_colour_count_257", d(8, [](Bytes& b) { set32(b, 32, 257); }), {}},
        {"dib_colour_count_4G", d(8, [](Bytes& b) { set32(b, 32, 0xFFFFFFFF); }), {}},
        {"dib_true_colour_palette_4G", d(24, [](Bytes& b) { set32(b, 32, 0xFFFFFFFF); }), {}},
        {"dib_image_size_lies", d(8, [](Bytes& b) { set32(b, 20, 0xFFFFFFFF); }), quadrants(8, 8)},
        {"dib_colour_count_smaller_than_used", d(4, [](Bytes& b) { set32(b, 32, 2); }), any}, // Pixels then start inside the unused palette: wrong colours, but all there.
        {"dib_rle_compression", d(8, [](Bytes& b) { set32(b, 16, 1); }), {}},
        {"dib_bitfields_at_24_bits", d(24, [](Bytes& b) { set32(b, 16, 3); }), {}},
        {"dib_bitfield_masks_zero", patched(dib(16, {.bitfields = true}), [](Bytes& b) { set32(b, 40, 0), set32(b, 44, 0), set32(b, 48, 0); }), {}},
        {"dib_bitfield_masks_all_ones", patched(dib(32, {.bitfields = true}), [](Bytes& b) { set32(b, 40, ~0u), set32(b, 44, ~0u), set32(b, 48, ~0u); }), any},
        {"dib_mask_missing", truncated(dib(), dib().size() - 32), any},
        {"dib_pixels_cut", truncated(dib(), 40 + 1024 + 10), {}},
        {"png_signature_only", truncated(png, 8), {}},
        {"png_claims_4097_wide", pngClaiming(4097, 1), {}},
        {"png_claims_4096_square", pngClaiming(4096, 4096), {}},
        {"png_zero_width", pngClaiming(0, 8), {}},
        {"png_crc_wrong", patched(png, [](Bytes& b) { b[29] ^= 1; }), {}},
        {"png_idat_type_damaged", patched(png, [](Bytes& b) { b[40] ^= 0xFF; }), {}},
        {"png_cut_in_idat", truncated(png, 50), {}},
        {"png_iend_crc_wrong_not_whole", patched(png, [](Bytes& b) { b.back() ^= 1; }), quadrants(8, 8)},
        {"png_text_crc_wrong_not_whole", withText(png, true), quadrants(8, 8)}, // an ancillary chunk: libpng skips it
        {"png_text", withText(png, false), quadrants(8, 8)},
        {"png_bytes_after_iend_not_whole", patched(png, [](Bytes& b) { b.push_back(0); }), quadrants(8, 8)},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto rgba = icons::decodeImage(icons::imageFromBytes(c.bytes));
        // A PNG is whole when it decodes and every chunk holds ("_not_whole": it decodes but no).
        if (c.name.starts_with("png")) {
            EXPECT_EQ(icons::pngIsWhole(c.bytes), rgba && !c.name.ends_with("_not_whole"));
        }
        EXPECT_EQ(rgba.has_value(), c.expected.has_value());
        if (!rgba || !c.expected) continue;
        EXPECT_EQ(rgba->pixels.size(), std::size_t{4} * rgba->width * rgba->height);
        if (c.expected->width < 0) continue;
        EXPECT_EQ(std::tuple(rgba->width, rgba->height, rgba->pixels),
                  std::tuple(c.expected->width, c.expected->height, c.expected->rgba()));
    }
}

// Every prefix of each kind of file serves no more than the whole file, only its own images whole.
TEST(Hostile, EveryTruncationServesOnlyWholeImages) {
    const auto a = solidImage(16, 32, solidColor(1)), b = solidImage(16, 4, solidColor(2));
    const std::vector<Group> groups{{U16{1}, {a}}, {std::string("TWO"), {b}}};
    for (const Bytes& whole :
         {makePe(groups, false), makePe(groups, true), makeNe(groups), makeIco({a, b}),
          makeIco({a, b}, true), makeAni({makeIco({a}), makeIco({b})})}) {
        const auto kind = icons::readIconBytes(whole).kind;
        for (std::size_t n = 0; n <= whole.size(); ++n) {
            const auto f = icons::readIconBytes(truncated(whole, n));
            SCOPED_TRACE(kind + " cut at " + std::to_string(n));
            EXPECT_TRUE(kind.starts_with(f.kind)); // "pe32" before the magic
            std::size_t served = 0;
            for (const auto& icon : f.icons)
                for (const auto& image : icon.images) {
                    const auto bytes = icons::imageBytes(image);
                    EXPECT_TRUE(bytes && (*bytes == a.bytes || *bytes == b.bytes) &&
                                icons::decodeImage(image));
                    ++served;
                }
            EXPECT_TRUE(n == whole.size() ? served == 2 : served <= 2);
        }
    }
}

// A stored PNG is written as it is only when whole; a damaged one that decodes is written again
// from its pixels, one that does not is left out.
TEST(Writing, APngThatIsNotWholeIsWrittenAgainOrLeftOut) {
    const auto dib = solidImage(16, 32, solidColor(1));
    auto png = pngImage(quadrants(48, 48));
    const Bytes stored = png.bytes;
    // clang-format off
    const struct { std::string name; Bytes png; std::size_t images; bool asStored; } rows[] = {
        {"whole", stored, 2, true},
        {"iend_crc_wrong", patched(stored, [](Bytes& b) { b.back() ^= 1; }), 2, false},
        {"cut_in_idat", truncated(stored, stored.size() - 20), 1, false}};
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        png.bytes = r.png;
        const auto read = icons::readIconBytes(makeIco({dib, png}));
        const auto again = icons::readIconBytes(icons::writeIconFile(read.icons.at(0)));
        const auto& images = again.icons.at(0).images;
        EXPECT_EQ(images.size(), r.images);
        EXPECT_EQ(*icons::imageBytes(images.at(0)), dib.bytes);
        if (images.size() < 2) continue;
        const auto bytes = icons::imageBytes(images[1]);
        const auto rgba = icons::decodeImage(images[1]);
        EXPECT_EQ(std::tuple(*bytes == stored, icons::pngIsWhole(*bytes), images[1].width,
                             rgba ? rgba->pixels : Bytes{}),
                  std::tuple(r.asStored, true, std::uint8_t{48}, quadrants(48, 48).rgba()));
    }
}

} // namespace
