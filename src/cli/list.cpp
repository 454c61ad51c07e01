#include "cli/list.h"

#include "cli/hash.h"
#include "tessaline/dhash.h"
#include "tessaline/icons.h"
#include "tessaline/records.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <iostream>
#include <string_view>
#include <unistd.h>

namespace tess::cli {
namespace {

using Json = nlohmann::ordered_json;

const char* statusName(icons::FileStatus s) {
    switch (s) {
    case icons::FileStatus::Icons:
        return "icons";
    case icons::FileStatus::NotAnIconFile:
        return "not-an-icon-file";
    case icons::FileStatus::Unreadable:
        break;
    }
    return "unreadable";
}

const char* formatName(icons::ImageFormat f) {
    return f == icons::ImageFormat::Png ? "png" : "dib";
}

const char* plural(std::size_t n, const char* one, const char* many) {
    return n == 1 ? one : many;
}

// The file the icons came from, where it is not the one named (a system library's .mun).
std::string sourceOf(const std::string& path, const icons::IconFile& file) {
    return file.source.empty() ? path : file.source;
}

// The text listing is built in one string, numbers by to_chars: a script lists thousands of
// images at a time, and stream insertion per field costs more than the reading.
struct Text {
    std::string s;
    Text& operator<<(std::string_view t) {
        s.append(t);
        return *this;
    }
    Text& operator<<(std::uint64_t n) {
        char digits[24];
        s.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
        return *this;
    }
};

void groupText(const char* what, std::size_t i, const icons::Icon& icon, Text& out) {
    out << "  " << what << " " << i;
    if (!icon.id.empty()) out << ", id " << icon.id;
    if (icon.language) {
        out << ", language " << std::uint64_t{*icon.language};
        for (std::size_t k = 0; k < icon.otherLanguages.size(); ++k)
            out << (k ? "," : " (also ") << std::uint64_t{icon.otherLanguages[k]};
        if (!icon.otherLanguages.empty()) out << ")";
    }
    out << ": " << icon.images.size() << plural(icon.images.size(), " image\n", " images\n");
    for (const icons::IconImage& im : icon.images) {
        out << "    " << static_cast<std::uint64_t>(im.pixelWidth()) << " x "
            << static_cast<std::uint64_t>(im.pixelHeight()) << ", "
            << static_cast<std::uint64_t>(icons::bitDepth(im)) << " bits, " << formatName(im.format)
            << ", " << im.size << " bytes";
        if (icon.cursor) out << ", hotspot " << im.hotspotX << "," << im.hotspotY;
        out << "\n";
    }
}

void listText(const std::string& path, const icons::IconFile& file, std::string& into) {
    Text out{std::move(into)};
    out << path << ": " << (file.kind.empty() ? "not an icon file" : file.kind) << ", "
        << file.icons.size() << plural(file.icons.size(), " icon", " icons");
    if (!file.cursors.empty())
        out << ", " << file.cursors.size() << plural(file.cursors.size(), " cursor", " cursors");
    if (sourceOf(path, file) != path) out << " (read from " << file.source << ")";
    out << "\n";
    for (std::size_t i = 0; i < file.icons.size(); ++i)
        groupText("icon", i, file.icons[i], out);
    for (std::size_t i = 0; i < file.cursors.size(); ++i)
        groupText("cursor", i, file.cursors[i], out);
    into = std::move(out.s);
}

// Whether the bytes are UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const unsigned c = *p;
        int more = 0;
        unsigned low = 0x80, high = 0xBF; // the second byte's range
        if (c < 0x80) {
            ++p;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0) low = 0xA0;
            if (c == 0xED) high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more) return false;
        if (p[1] < low || p[1] > high) return false;
        for (int i = 2; i <= more; ++i)
            if ((p[i] & 0xC0) != 0x80) return false;
        p += more + 1;
    }
    return true;
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// A record's JSON, written straight into one string as nlohmann's dump() writes the same values
// (no spaces, keys in this order, the same escapes): building a tree of values for each file
// costs more than reading it.
struct JsonText {
    std::string s;

    void key(std::string_view k) {
        s += '"';
        s.append(k);
        s += "\":";
    }
    void number(std::int64_t n) {
        char digits[24];
        s.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
    }
    void string(std::string_view v) {
        if (!isUtf8(v)) { // (rare: each bad sequence as U+FFFD, nlohmann's way)
            s += Json(std::string(v)).dump(-1, ' ', false, Json::error_handler_t::replace);
            return;
        }
        s += '"';
        for (const char c : v) {
            switch (c) {
            case '"':
                s += "\\\"";
                break;
            case '\\':
                s += "\\\\";
                break;
            case '\b':
                s += "\\b";
                break;
            case '\f':
                s += "\\f";
                break;
            case '\n':
                s += "\\n";
                break;
            case '\r':
                s += "\\r";
                break;
            case '\t':
                s += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static constexpr char kHex[] = "0123456789abcdef";
                    s += "\\u00";
                    s += kHex[c >> 4];
                    s += kHex[c & 15];
                } else {
                    s += c;
                }
            }
        }
        s += '"';
    }
    // A name: the string itself where it is UTF-8; otherwise its bytes, as ripgrep carries a
    // path that is not UTF-8 ({"bytes": "<base64>"}), so that no name is lost or altered.
    void name(std::string_view v) {
        if (isUtf8(v)) return string(v);
        s += "{\"bytes\":\"";
        s += base64(v);
        s += "\"}";
    }
    void stringOrNull(const std::optional<std::string>& v) {
        if (v)
            string(*v);
        else
            s += "null";
    }
};

void imagesJson(const icons::Icon& icon, bool hashes, JsonText& j) {
    j.s += '[';
    for (std::size_t k = 0; k < icon.images.size(); ++k) {
        const icons::IconImage& im = icon.images[k];
        j.s += k ? ",{" : "{";
        j.key("width"), j.number(im.pixelWidth());
        j.s += ',', j.key("height"), j.number(im.pixelHeight());
        j.s += ',', j.key("bits"), j.number(icons::bitDepth(im));
        j.s += ',', j.key("format"), j.string(formatName(im.format));
        j.s += ',', j.key("bytes"), j.number(im.size);
        if (icon.cursor) {
            j.s += ',', j.key("hotspot"), j.s += '[', j.number(im.hotspotX);
            j.s += ',', j.number(im.hotspotY), j.s += ']';
        }
        if (hashes) {
            const auto stored = icons::imageBytes(im);
            j.s += ',', j.key("sha256");
            j.stringOrNull(stored ? std::optional(sha256Hex(*stored)) : std::nullopt);
        }
        j.s += '}';
    }
    j.s += ']';
}

void groupJson(std::size_t i, const icons::Icon& icon, bool hashes, JsonText& j) {
    j.s += '{', j.key("index"), j.number(static_cast<std::int64_t>(i));
    j.s += ',', j.key("id"), j.string(icon.id);
    j.s += ',', j.key("language");
    if (icon.language)
        j.number(*icon.language);
    else
        j.s += "null";
    j.s += ',', j.key("other_languages"), j.s += '[';
    for (std::size_t k = 0; k < icon.otherLanguages.size(); ++k) {
        if (k) j.s += ',';
        j.number(icon.otherLanguages[k]);
    }
    j.s += "],", j.key("images"), imagesJson(icon, hashes, j);
    if (hashes) {
        // Of the file --extract writes for it, and the sandboxes' difference hash.
        const std::vector<std::uint8_t> written =
            icon.cursor ? icons::writeCursorFile(icon) : icons::writeIconFile(icon);
        j.s += ',', j.key("sha256");
        j.stringOrNull(written.empty() ? std::nullopt : std::optional(sha256Hex(written)));
        const std::optional<std::uint64_t> dhash = icons::iconDhash(icon);
        j.s += ',', j.key("dhash");
        j.stringOrNull(dhash ? std::optional(icons::dhashHex(*dhash)) : std::nullopt);
    }
    j.s += '}';
}

// path is null for bytes in memory, which have no name; fileHash is the SHA-256 of the bytes read
// (with hashes only).
std::string listJson(const std::string* path, const icons::IconFile& file, bool hashes,
                     const std::function<std::optional<std::string>()>& fileHash) {
    JsonText j;
    j.s += '{';
    if (path) j.key("file"), j.name(*path), j.s += ',';
    j.key("status"), j.string(statusName(file.status));
    if (file.status == icons::FileStatus::Unreadable)
        j.s += ',', j.key("error"), j.string(file.error);
    j.s += ',', j.key("kind"), j.string(file.kind);
    if (path ? sourceOf(*path, file) != *path : !file.source.empty())
        j.s += ',', j.key("source"), j.name(file.source);
    if (hashes) {
        j.s += ',', j.key("sha256");
        j.stringOrNull(file.status == icons::FileStatus::Unreadable ? std::nullopt : fileHash());
    }
    for (const auto& [name, groups] :
         {std::pair{"icons", &file.icons}, {"cursors", &file.cursors}}) {
        j.s += ',', j.key(name), j.s += '[';
        for (std::size_t i = 0; i < groups->size(); ++i) {
            if (i) j.s += ',';
            groupJson(i, (*groups)[i], hashes, j);
        }
        j.s += ']';
    }
    j.s += '}';
    return std::move(j.s);
}

} // namespace

Record listRecord(const Command& command, const Input& input) {
    Record r;
    icons::IconFile file;
    if (input.error.empty()) {
        file = icons::readIconFile(input.path);
    } else {
        file.status = icons::FileStatus::Unreadable;
        file.error = input.error;
    }
    if (file.status == icons::FileStatus::Unreadable) {
        r.err = "tessaline: " + input.path + ": " + file.error + "\n";
        r.failed = true;
    }
    if (command.json || command.jsonl) {
        r.out = listJson(&input.path, file, command.hashes,
                         [&input] { return fileSha256(input.path); });
        if (command.jsonl) r.out += '\n';
    } else if (file.status != icons::FileStatus::Unreadable) {
        listText(input.path, file, r.out);
    }
    return r;
}

} // namespace tess::cli

namespace tess {

JsonRecord recordJson(const std::string& path, bool hashes) {
    const icons::IconFile file = icons::readIconFile(path);
    JsonRecord r;
    r.json = cli::listJson(&path, file, hashes, [&path] { return cli::fileSha256(path); });
    if (file.status == icons::FileStatus::Unreadable) r.error = file.error;
    return r;
}

JsonRecord recordJsonOfBytes(std::span<const std::uint8_t> bytes, bool hashes) {
    const icons::IconFile file = icons::readIconBytes(bytes);
    JsonRecord r;
    r.json = cli::listJson(nullptr, file, hashes,
                           [bytes] { return std::optional(cli::sha256Hex(bytes)); });
    if (file.status == icons::FileStatus::Unreadable) r.error = file.error;
    return r;
}

} // namespace tess

namespace tess::cli {

int runList(const Command& command, std::ostream& out, std::ostream& err) {
    Inputs inputs(command);
    PipelineOptions options;
    options.jobs = command.jobs > 0 ? command.jobs : defaultJobs();
    options.progress = &err == &std::cerr && ::isatty(STDERR_FILENO);
    if (!command.filesFrom) { // (a list is read once: its total is known at its end)
        options.count = [&command](std::stop_token stop) -> std::optional<std::size_t> {
            Inputs ahead(command);
            std::size_t n = 0;
            for (; ahead.next(); ++n)
                if (stop.stop_requested()) return std::nullopt;
            return n;
        };
    }
    if (command.json) out << "[";
    std::size_t n = 0;
    const bool failed = runPipeline(
        inputs, options, [&](const Input& input) { return listRecord(command, input); },
        [&](Record& r) {
            if (command.json && n++ > 0) out << ",\n ";
            out.write(r.out.data(), static_cast<std::streamsize>(r.out.size()));
            // A record is whole on standard output before the next file's failure is said.
            if (command.json || command.jsonl || !r.err.empty()) out.flush();
            err << r.err;
        });
    if (command.json) out << "]\n";
    return failed ? kExitFailed : kExitRead;
}

} // namespace tess::cli
