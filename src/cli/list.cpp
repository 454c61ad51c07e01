#include "cli/list.h"

#include "fs/native_path.h"
#include "tessaline/icons.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdint>
#include <string_view>

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

void listText(const std::string& path, const icons::IconFile& file, std::ostream& stream) {
    Text out;
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
    stream.write(out.s.data(), static_cast<std::streamsize>(out.s.size()));
}

Json imagesJson(const icons::Icon& icon) {
    Json images = Json::array();
    for (const icons::IconImage& im : icon.images) {
        Json j = {{"width", im.pixelWidth()},
                  {"height", im.pixelHeight()},
                  {"bits", icons::bitDepth(im)},
                  {"format", formatName(im.format)},
                  {"bytes", im.size}};
        if (icon.cursor) j["hotspot"] = {im.hotspotX, im.hotspotY};
        images.push_back(std::move(j));
    }
    return images;
}

Json listJson(const std::string& path, const icons::IconFile& file) {
    Json j = {{"file", path}};
    // A name that is not UTF-8 is shown with replacement characters; its bytes follow apart.
    try {
        (void)Json(path).dump();
    } catch (const Json::type_error&) {
        Json bytes = Json::array();
        for (const unsigned char c : path)
            bytes.push_back(c);
        j["file_bytes"] = std::move(bytes);
    }
    j["status"] = statusName(file.status);
    if (file.status == icons::FileStatus::Unreadable) j["error"] = file.error;
    j["kind"] = file.kind;
    if (sourceOf(path, file) != path) j["source"] = file.source;
    for (const auto& [name, groups] :
         {std::pair{"icons", &file.icons}, {"cursors", &file.cursors}}) {
        Json list = Json::array();
        for (std::size_t i = 0; i < groups->size(); ++i)
            list.push_back(
                {{"index", i}, {"id", (*groups)[i].id}, {"images", imagesJson((*groups)[i])}});
        j[name] = std::move(list);
    }
    return j;
}

} // namespace

int runList(const Command& command, std::ostream& out, std::ostream& err) {
    int status = kExitRead;
    if (command.json) out << "[";
    for (std::size_t i = 0; i < command.files.size(); ++i) {
        const std::string path = paths::nativePath(command.files[i]);
        const icons::IconFile file = icons::readIconFile(path);
        if (file.status == icons::FileStatus::Unreadable) {
            err << "tessaline: " << path << ": " << file.error << "\n";
            status = kExitFailed;
        }
        if (command.json) {
            out << (i ? ",\n " : "")
                << listJson(path, file).dump(-1, ' ', false, Json::error_handler_t::replace);
        } else if (file.status != icons::FileStatus::Unreadable) {
            listText(path, file, out);
        }
    }
    if (command.json) out << "]\n";
    return status;
}

} // namespace tess::cli
