#include "cli/list.h"

#include "cli/hash.h"
#include "tessaline/dhash.h"
#include "tessaline/icons.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
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

// A name as JSON: the string itself where it is UTF-8; otherwise its bytes, as ripgrep carries
// a path that is not UTF-8 ({"bytes": "<base64>"}), so that no name is lost or altered.
Json nameJson(const std::string& name) {
    if (isUtf8(name)) return name;
    return Json{{"bytes", base64(name)}};
}

Json shaOr(const std::optional<std::string>& sha) {
    return sha ? Json(*sha) : Json(nullptr);
}

Json imagesJson(const icons::Icon& icon, bool hashes) {
    Json images = Json::array();
    for (const icons::IconImage& im : icon.images) {
        Json j = {{"width", im.pixelWidth()},
                  {"height", im.pixelHeight()},
                  {"bits", icons::bitDepth(im)},
                  {"format", formatName(im.format)},
                  {"bytes", im.size}};
        if (icon.cursor) j["hotspot"] = {im.hotspotX, im.hotspotY};
        if (hashes) {
            const auto stored = icons::imageBytes(im);
            j["sha256"] = stored ? Json(sha256Hex(*stored)) : Json(nullptr);
        }
        images.push_back(std::move(j));
    }
    return images;
}

Json groupJson(std::size_t i, const icons::Icon& icon, bool hashes) {
    Json j = {{"index", i},
              {"id", icon.id},
              {"language", icon.language ? Json(*icon.language) : Json(nullptr)},
              {"other_languages", icon.otherLanguages},
              {"images", imagesJson(icon, hashes)}};
    if (hashes) {
        // Of the file --extract writes for it, and the sandboxes' difference hash.
        const std::vector<std::uint8_t> written =
            icon.cursor ? icons::writeCursorFile(icon) : icons::writeIconFile(icon);
        j["sha256"] = written.empty() ? Json(nullptr) : Json(sha256Hex(written));
        const std::optional<std::uint64_t> dhash = icons::iconDhash(icon);
        j["dhash"] = dhash ? Json(icons::dhashHex(*dhash)) : Json(nullptr);
    }
    return j;
}

Json listJson(const std::string& path, const icons::IconFile& file, bool hashes) {
    Json j = {{"file", nameJson(path)}};
    j["status"] = statusName(file.status);
    if (file.status == icons::FileStatus::Unreadable) j["error"] = file.error;
    j["kind"] = file.kind;
    if (sourceOf(path, file) != path) j["source"] = nameJson(file.source);
    if (hashes)
        j["sha256"] =
            file.status == icons::FileStatus::Unreadable ? Json(nullptr) : shaOr(fileSha256(path));
    for (const auto& [name, groups] :
         {std::pair{"icons", &file.icons}, {"cursors", &file.cursors}}) {
        Json list = Json::array();
        for (std::size_t i = 0; i < groups->size(); ++i)
            list.push_back(groupJson(i, (*groups)[i], hashes));
        j[name] = std::move(list);
    }
    return j;
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
        r.out = listJson(input.path, file, command.hashes)
                    .dump(-1, ' ', false, Json::error_handler_t::replace);
        if (command.jsonl) r.out += '\n';
    } else if (file.status != icons::FileStatus::Unreadable) {
        listText(input.path, file, r.out);
    }
    return r;
}

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
