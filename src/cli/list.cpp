#include "cli/list.h"

#include "platform/icons/icons.h"

#include <cstdio>

namespace tess::cli {
namespace {

constexpr const char* kUsage = "usage: tessaline --list [--json] FILE...\n";

// The length of the valid UTF-8 sequence at s[i], or 0.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned c = b(i);
    const auto cont = [&](std::size_t k, unsigned lo = 0x80, unsigned hi = 0xBF) {
        return i + k < s.size() && b(i + k) >= lo && b(i + k) <= hi;
    };
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c == 0xE0) return cont(1, 0xA0) && cont(2) ? 3 : 0;
    if (c == 0xED) return cont(1, 0x80, 0x9F) && cont(2) ? 3 : 0; // no surrogates
    if (c >= 0xE1 && c <= 0xEF) return cont(1) && cont(2) ? 3 : 0;
    if (c == 0xF0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
    if (c >= 0xF1 && c <= 0xF3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
    if (c == 0xF4) return cont(1, 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
    return 0;
}

const char* statusName(icons::FileStatus s) {
    switch (s) {
    case icons::FileStatus::Icons:
        return "icons";
    case icons::FileStatus::NotAnIconFile:
        return "not-an-icon-file";
    case icons::FileStatus::Unreadable:
        return "unreadable";
    }
    return "unreadable";
}

const char* formatName(icons::ImageFormat f) {
    return f == icons::ImageFormat::Png ? "png" : "dib";
}

void listText(const std::string& path, const icons::IconFile& file, std::ostream& out) {
    out << path << ": " << file.kind << ", " << file.icons.size()
        << (file.icons.size() == 1 ? " icon\n" : " icons\n");
    for (std::size_t i = 0; i < file.icons.size(); ++i) {
        const icons::Icon& icon = file.icons[i];
        out << "  icon " << i;
        if (!icon.id.empty()) out << ", id " << icon.id;
        out << ": " << icon.images.size() << (icon.images.size() == 1 ? " image\n" : " images\n");
        for (const icons::IconImage& im : icon.images) {
            out << "    " << im.pixelWidth() << " x " << im.pixelHeight() << ", "
                << icons::bitDepth(im) << " bits, " << formatName(im.format) << ", "
                << im.size << " bytes";
            if (icon.cursor) out << ", hotspot " << im.hotspotX << "," << im.hotspotY;
            out << "\n";
        }
    }
}

void listJson(const std::string& path, const icons::IconFile& file, std::ostream& out) {
    out << "{\"file\": " << jsonString(path) << ", \"status\": \"" << statusName(file.status)
        << "\"";
    if (file.status == icons::FileStatus::Unreadable)
        out << ", \"error\": " << jsonString(file.error);
    out << ", \"icons\": [";
    for (std::size_t i = 0; i < file.icons.size(); ++i) {
        const icons::Icon& icon = file.icons[i];
        out << (i ? ", " : "") << "{\"index\": " << i << ", \"id\": " << jsonString(icon.id)
            << ", \"images\": [";
        for (std::size_t k = 0; k < icon.images.size(); ++k) {
            const icons::IconImage& im = icon.images[k];
            out << (k ? ", " : "") << "{\"width\": " << im.pixelWidth()
                << ", \"height\": " << im.pixelHeight() << ", \"bits\": " << icons::bitDepth(im)
                << ", \"format\": \"" << formatName(im.format)
                << "\", \"bytes\": " << im.size << "}";
        }
        out << "]}";
    }
    out << "]}";
}

} // namespace

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    char buf[8];
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = utf8Length(s, i);
        if (n == 0) {
            std::snprintf(buf, sizeof buf, "\\u%04x", 0xDC00 + c);
            out += buf;
            ++i;
            continue;
        }
        if (n == 1) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
            }
        } else {
            out.append(s.substr(i, n));
        }
        i += n;
    }
    return out + "\"";
}

int runList(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool json = false;
    bool options = true;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i == 0 && a == "--list") continue;
        if (options && a == "--") {
            options = false;
        } else if (options && a == "--json") {
            json = true;
        } else if (options && (a == "-h" || a == "--help")) {
            out << kUsage;
            return 0;
        } else if (options && a.size() > 1 && a[0] == '-') {
            err << "tessaline: unknown option " << a << "\n" << kUsage;
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        err << kUsage;
        return 2;
    }
    int status = 0;
    if (json) out << "[";
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& path = files[i];
        const icons::IconFile file = icons::readIconFile(path);
        if (file.status == icons::FileStatus::Unreadable) {
            err << "tessaline: " << path << ": unreadable: " << file.error << "\n";
            status = 1;
        } else if (file.status == icons::FileStatus::NotAnIconFile) {
            err << "tessaline: " << path << ": not an icon file\n";
            status = 1;
        }
        if (json) {
            out << (i ? ",\n " : "");
            listJson(path, file, out);
        } else if (file.status == icons::FileStatus::Icons) {
            listText(path, file, out);
        }
    }
    if (json) out << "]\n";
    out.flush();
    return status;
}

} // namespace tess::cli
