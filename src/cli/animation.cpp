#include "cli/animation.h"

#include "cli/output.h"
#include "cli/xcursor.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <gif_lib.h>
#include <map>
#include <memory>
#include <optional>
#include <zlib.h>

namespace tess::cli {
namespace {

std::string sizeText(const icons::Rgba& p) {
    return std::to_string(p.width) + " x " + std::to_string(p.height);
}

// --- APNG: the frames encoded by libpng, their data moved into fcTL/fdAT chunks -------------

void putBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}
void putBe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8)), out.push_back(static_cast<std::uint8_t>(v));
}
std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void putChunk(std::vector<std::uint8_t>& out, const char* type,
              std::span<const std::uint8_t> data) {
    putBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, nullptr, 0);
    crc = crc32(crc, out.data() + start, static_cast<uInt>(out.size() - start));
    putBe32(out, static_cast<std::uint32_t>(crc));
}

// The IHDR body and the image data (IDAT bodies) of a PNG that encodePng wrote.
struct PngParts {
    std::vector<std::uint8_t> header;
    std::vector<std::vector<std::uint8_t>> data;
};
std::optional<PngParts> partsOf(const std::vector<std::uint8_t>& png) {
    PngParts parts;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = be32(png.data() + at);
        if (length > png.size() - at - 12) return std::nullopt;
        const std::uint8_t* type = png.data() + at + 4;
        const auto body = png.begin() + static_cast<std::ptrdiff_t>(at + 8);
        if (std::memcmp(type, "IHDR", 4) == 0) parts.header.assign(body, body + length);
        if (std::memcmp(type, "IDAT", 4) == 0) parts.data.emplace_back(body, body + length);
        at += 12 + std::size_t{length};
    }
    if (parts.header.size() != 13 || parts.data.empty()) return std::nullopt;
    return parts;
}

// --- GIF ------------------------------------------------------------------------------------

constexpr int kTransparent = 255;

int gifWrite(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// One frame's colours (at most 255, the rest transparent) and its pixels' indices.
bool quantize(const icons::Rgba& p, std::vector<GifColorType>& map,
              std::vector<GifPixelType>& indices) {
    const std::size_t n = static_cast<std::size_t>(p.width) * p.height;
    std::vector<GifByteType> r(n), g(n), b(n);
    for (std::size_t i = 0; i < n; ++i)
        r[i] = p.pixels[4 * i], g[i] = p.pixels[4 * i + 1], b[i] = p.pixels[4 * i + 2];
    // Exact where the opaque colours are few (as in most cursors), else giflib's median cut.
    std::map<std::uint32_t, GifPixelType> exact;
    indices.assign(n, kTransparent);
    map.assign(256, GifColorType{0, 0, 0});
    bool few = true;
    for (std::size_t i = 0; i < n && few; ++i) {
        if (p.pixels[4 * i + 3] < 128) continue;
        const std::uint32_t key = std::uint32_t{r[i]} << 16 | std::uint32_t{g[i]} << 8 | b[i];
        auto it = exact.find(key);
        if (it == exact.end()) {
            if (exact.size() == kTransparent) {
                few = false;
                break;
            }
            const auto index = static_cast<GifPixelType>(exact.size());
            it = exact.emplace(key, index).first;
            map[index] = GifColorType{r[i], g[i], b[i]};
        }
        indices[i] = it->second;
    }
    if (!few) {
        int size = kTransparent;
        std::vector<GifByteType> out(n);
        if (GifQuantizeBuffer(static_cast<unsigned>(p.width), static_cast<unsigned>(p.height),
                              &size, r.data(), g.data(), b.data(), out.data(),
                              map.data()) == GIF_ERROR)
            return false;
        for (std::size_t i = 0; i < n; ++i)
            indices[i] = p.pixels[4 * i + 3] < 128 ? kTransparent : out[i];
    }
    return true;
}

} // namespace

std::uint32_t jiffiesToMilliseconds(std::uint32_t jiffies) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>((std::uint64_t{jiffies} * 1000 + 30) / 60, UINT32_MAX));
}

std::vector<Step> animationSteps(const icons::IconFile& file, std::string& error) {
    std::vector<Step> steps;
    if (!file.animation) {
        error = "not an animated cursor";
        return steps;
    }
    if (!file.animation->error.empty()) {
        error = file.animation->error;
        return steps;
    }
    for (std::size_t i = 0; i < file.animation->frames.size(); ++i)
        steps.push_back({&file.icons.at(file.animation->frames[i]), file.animation->jiffies[i]});
    return steps;
}

std::vector<icons::Rgba> stepPictures(std::span<const Step> steps, int size, std::string& error) {
    std::map<const icons::Icon*, icons::Rgba> decoded;
    std::vector<icons::Rgba> pictures;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const icons::Icon* icon = steps[s].icon;
        auto it = decoded.find(icon);
        if (it == decoded.end()) {
            std::optional<icons::Rgba> rgba;
            for (const std::size_t i : icons::imagesBySuitability(*icon, size))
                if ((rgba = icons::decodeImage(icon->images[i]))) break;
            if (!rgba) {
                error = "step " + std::to_string(s) + " has no image that can be read";
                return {};
            }
            it = decoded.emplace(icon, std::move(*rgba)).first;
        }
        const icons::Rgba& p = it->second;
        if (s == 0 && std::uint64_t{p.pixels.size()} * steps.size() > kMaxAnimationPixelBytes) {
            error = "its " + std::to_string(steps.size()) + " steps of " + sizeText(p) +
                    " pixels would take more than " +
                    std::to_string(kMaxAnimationPixelBytes >> 20) + " MiB";
            return {};
        }
        if (s > 0 && (p.width != pictures[0].width || p.height != pictures[0].height)) {
            error = "its frames differ in size: step 0 is " + sizeText(pictures[0]) + ", step " +
                    std::to_string(s) + " is " + sizeText(p);
            return {};
        }
        pictures.push_back(p);
    }
    return pictures;
}

std::vector<std::uint8_t> encodeApng(std::span<const icons::Rgba> pictures,
                                     std::span<const Step> steps) {
    if (pictures.size() == 1) return icons::encodePng(pictures[0]);
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint32_t sequence = 0;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::optional<PngParts> parts = partsOf(icons::encodePng(pictures[i]));
        if (!parts) return {};
        if (i == 0) {
            putChunk(out, "IHDR", parts->header);
            std::vector<std::uint8_t> control;
            putBe32(control, static_cast<std::uint32_t>(pictures.size()));
            putBe32(control, 0); // played for ever
            putChunk(out, "acTL", control);
        }
        // Each frame covers the whole picture and replaces what was there.
        std::vector<std::uint8_t> frame;
        putBe32(frame, sequence++);
        putBe32(frame, static_cast<std::uint32_t>(pictures[i].width));
        putBe32(frame, static_cast<std::uint32_t>(pictures[i].height));
        putBe32(frame, 0), putBe32(frame, 0);
        // The delay as a fraction: jiffies sixtieths of a second, exactly where they fit.
        const std::uint32_t jiffies = steps[i].jiffies;
        putBe16(frame,
                static_cast<std::uint16_t>(
                    jiffies <= 0xFFFF ? jiffies : std::min<std::uint32_t>(jiffies / 60, 0xFFFF)));
        putBe16(frame, jiffies <= 0xFFFF ? 60 : 1);
        frame.push_back(0); // APNG_DISPOSE_OP_NONE
        frame.push_back(0); // APNG_BLEND_OP_SOURCE
        putChunk(out, "fcTL", frame);
        for (const std::vector<std::uint8_t>& data : parts->data) {
            if (i == 0) {
                putChunk(out, "IDAT", data);
                continue;
            }
            std::vector<std::uint8_t> body;
            putBe32(body, sequence++);
            body.insert(body.end(), data.begin(), data.end());
            putChunk(out, "fdAT", body);
        }
    }
    putChunk(out, "IEND", {});
    return out;
}

std::vector<std::uint8_t> encodeGif(std::span<const icons::Rgba> pictures,
                                    std::span<const Step> steps) {
    std::vector<std::uint8_t> out;
    if (pictures.empty()) return out;
    const int w = pictures[0].width, h = pictures[0].height;
    if (w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF) return out;
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&out, gifWrite, &error));
    if (!gif) return {};
    const auto ok = [](int result) { return result != GIF_ERROR; };
    EGifSetGifVersion(gif.get(), true);
    if (!ok(EGifPutScreenDesc(gif.get(), w, h, 8, 0, nullptr))) return {};
    if (pictures.size() > 1) {
        // The application extension that makes viewers play the frames for ever.
        static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A',
                                                'P', 'E', '2', '.', '0'};
        static const GifByteType kLoop[] = {1, 0, 0};
        if (!ok(EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE)) ||
            !ok(EGifPutExtensionBlock(gif.get(), sizeof kNetscape, kNetscape)) ||
            !ok(EGifPutExtensionBlock(gif.get(), sizeof kLoop, kLoop)) ||
            !ok(EGifPutExtensionTrailer(gif.get())))
            return {};
    }
    std::vector<GifColorType> colours;
    std::vector<GifPixelType> indices;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (!quantize(pictures[i], colours, indices)) return {};
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_BACKGROUND; // cleared, so transparent parts stay so
        control.DelayTime = pictures.size() > 1
                                ? static_cast<int>(std::min<std::uint64_t>(
                                      (std::uint64_t{steps[i].jiffies} * 10 + 3) / 6, 0xFFFF))
                                : 0;
        control.TransparentColor = kTransparent;
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        const std::unique_ptr<ColorMapObject, MapFreer> map(GifMakeMapObject(256, colours.data()));
        if (!map ||
            !ok(EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                                 extension)) ||
            !ok(EGifPutImageDesc(gif.get(), 0, 0, w, h, false, map.get())))
            return {};
        for (int y = 0; y < h; ++y)
            if (!ok(EGifPutLine(gif.get(), indices.data() + static_cast<std::size_t>(y) * w, w)))
                return {};
    }
    if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) return {};
    return out;
}

int extractCursorPictures(const Command& command, const icons::IconFile& file,
                          const std::string& path, const std::string& folder, std::ostream& out,
                          std::ostream& err, bool& stop) {
    const CursorFormat format = command.cursorFormat;
    const char* suffix = format == CursorFormat::Apng  ? ".png"
                         : format == CursorFormat::Gif ? ".gif"
                                                       : "";
    // What to write: a name and its steps each.
    std::vector<std::pair<std::string, std::vector<Step>>> items;
    std::string error;
    // (With --index, one frame of an animated cursor is written, as a still.)
    if (file.animation && !command.cursors && !command.index) {
        std::vector<Step> steps = animationSteps(file, error);
        if (steps.empty()) {
            err << "tessaline: " << path << ": " << error << "\n";
            return kExitFailed;
        }
        items.emplace_back(baseName(path) + suffix, std::move(steps));
    } else {
        const std::vector<icons::Icon>& list = command.cursors ? file.cursors : file.icons;
        const char* what = command.cursors ? "cursor" : "icon";
        if (list.empty()) {
            err << "tessaline: " << path << ": no " << what << "s to write\n";
            return kExitFailed;
        }
        std::size_t first = 0, last = list.size();
        if (command.index) {
            if (static_cast<std::size_t>(*command.index) >= list.size()) {
                err << "tessaline: " << path << ": no " << what << " " << *command.index
                    << " (it has " << list.size() << ")\n";
                return kExitFailed;
            }
            first = static_cast<std::size_t>(*command.index), last = first + 1;
        }
        if (format == CursorFormat::Xcursor &&
            std::any_of(list.begin() + static_cast<std::ptrdiff_t>(first),
                        list.begin() + static_cast<std::ptrdiff_t>(last),
                        [](const icons::Icon& icon) { return !icon.cursor; })) {
            err << "tessaline: " << path << ": holds icons, not cursors: an Xcursor needs a hotspot"
                << (file.cursors.empty() ? "" : " (--cursors takes the program's cursors)") << "\n";
            return kExitFailed;
        }
        const std::string name = baseName(path) + (command.cursors ? "_cursor" : "");
        for (std::size_t i = first; i < last; ++i)
            items.emplace_back(name + "_" + std::to_string(i) + suffix,
                               std::vector<Step>{{&list[i], 0}});
    }

    int status = kExitRead;
    for (const auto& [name, steps] : items) {
        std::vector<std::uint8_t> bytes;
        if (format == CursorFormat::Xcursor) {
            bytes = xcursorFile(steps, error);
        } else if (const std::vector<icons::Rgba> pictures =
                       stepPictures(steps, command.size.value_or(INT_MAX), error);
                   !pictures.empty()) {
            bytes = format == CursorFormat::Apng ? encodeApng(pictures, steps)
                                                 : encodeGif(pictures, steps);
            if (bytes.empty()) error = "it could not be encoded";
        }
        if (bytes.empty()) {
            err << "tessaline: " << path << (items.size() > 1 ? " (" + name + ")" : "") << ": "
                << error << "\n";
            status = kExitFailed;
            continue;
        }
        const std::string target = joinPath(folder, name);
        const int errorNumber = writeFileBytes(target, bytes, command.force);
        if (errorNumber == 0) {
            out << target << "\n";
            continue;
        }
        err << "tessaline: " << target << ": " << std::strerror(errorNumber)
            << (errorNumber == EEXIST ? " (--force replaces it)" : "") << "\n";
        status = kExitFailed;
        if (errorNumber != EEXIST) {
            stop = true;
            break;
        }
    }
    return status;
}

} // namespace tess::cli
