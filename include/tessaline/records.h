// One file's record, and one icon's file, exactly as the command line writes them, for programs
// that call the engine themselves (the Python module): a file given by its path or as bytes in
// memory. No Qt; safe to call from several threads at once.
#pragma once

#include "tessaline/icons.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tess {

// A file's record: the JSON object `tessaline --list --jsonl` writes for it (without the line's
// end; with `hashes`, the one --hashes adds to), and why the file could not be read ("" when it
// was read: a file without icons is read fine).
struct JsonRecord {
    std::string json;
    std::string error;
};

JsonRecord recordJson(const std::string& path, bool hashes);

// The record of bytes in memory: the same, without the file's name (bytes have none).
JsonRecord recordJsonOfBytes(std::span<const std::uint8_t> bytes, bool hashes);

// Which icon --extract writes, and how.
struct ExtractRequest {
    std::optional<std::size_t> index;      // the icon's number (the first when neither is given)
    std::optional<std::string> id;         // or its resource ID or name
    std::optional<std::uint16_t> language; // with id: the language asked
    bool png = false;                      // a PNG of one image instead of the icon's file
    std::optional<int> size;               // the PNG's image, best for this size; the largest
    bool cursors = false;                  // a program's cursor groups instead of its icons
};

// The bytes --extract writes for one icon of a file already read: its .ico (a .cur for a
// cursor), or a PNG. Where there is nothing to write, bytes is empty and error says why as the
// command line says it ("no icon 5 (it has 3)").
struct Extracted {
    std::vector<std::uint8_t> bytes;
    std::string error;
};

Extracted extractBytes(const icons::IconFile& file, const ExtractRequest& request);

} // namespace tess
