#include "cli/list.h"

#include "platform/icons/icons.h"
#include "platform/icons/native_path.h"

#include <nlohmann/json.hpp>

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

std::size_t storedSize(const icons::IconImage& image) {
    return image.bytes.size();
}

const char* plural(std::size_t n, const char* one, const char* many) {
    return n == 1 ? one : many;
}

void listText(const std::string& path, const icons::IconFile& file, std::ostream& out) {
    out << path << ": " << (file.kind.empty() ? "not an icon file" : file.kind) << ", "
        << file.icons.size() << plural(file.icons.size(), " icon\n", " icons\n");
    for (std::size_t i = 0; i < file.icons.size(); ++i) {
        const icons::Icon& icon = file.icons[i];
        out << "  icon " << i;
        if (!icon.id.empty()) out << ", id " << icon.id;
        out << ": " << icon.images.size() << plural(icon.images.size(), " image\n", " images\n");
        for (const icons::IconImage& im : icon.images) {
            out << "    " << im.pixelWidth() << " x " << im.pixelHeight() << ", "
                << icons::bitDepth(im) << " bits, " << formatName(im.format) << ", "
                << storedSize(im) << " bytes";
            if (icon.cursor) out << ", hotspot " << im.hotspotX << "," << im.hotspotY;
            out << "\n";
        }
    }
}

Json imagesJson(const icons::Icon& icon) {
    Json images = Json::array();
    for (const icons::IconImage& im : icon.images) {
        Json j = {{"width", im.pixelWidth()},
                  {"height", im.pixelHeight()},
                  {"bits", icons::bitDepth(im)},
                  {"format", formatName(im.format)},
                  {"bytes", storedSize(im)}};
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
    Json list = Json::array();
    for (std::size_t i = 0; i < file.icons.size(); ++i)
        list.push_back(
            {{"index", i}, {"id", file.icons[i].id}, {"images", imagesJson(file.icons[i])}});
    j["icons"] = std::move(list);
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
