#include "cli/xcursor.h"

#include <X11/Xcursor/Xcursor.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>

namespace tess::cli {
namespace {

// One image of a frame as Xcursor holds it.
struct Sized {
    icons::Rgba picture;
    int hotspotX = 0, hotspotY = 0;
};

// Every size a frame holds (the larger side), each the deepest image of it that decodes.
std::map<int, Sized> sizesOf(const icons::Icon& icon) {
    std::map<int, std::pair<int, Sized>> best; // by size: the depth, the image
    for (const icons::IconImage& image : icon.images) {
        const int depth = icons::bitDepth(image);
        const int size = std::max(image.pixelWidth(), image.pixelHeight());
        if (auto it = best.find(size); it != best.end() && it->second.first >= depth) continue;
        std::optional<icons::Rgba> rgba = icons::decodeImage(image);
        if (!rgba) continue;
        const int nominal = std::max(rgba->width, rgba->height);
        if (auto it = best.find(nominal); it != best.end() && it->second.first >= depth) continue;
        // A hotspot outside the picture (a damaged directory) is kept to its edge.
        Sized s{std::move(*rgba), std::min<int>(image.hotspotX, rgba->width - 1),
                std::min<int>(image.hotspotY, rgba->height - 1)};
        best[nominal] = {depth, std::move(s)};
    }
    std::map<int, Sized> sizes;
    for (auto& [size, entry] : best)
        sizes.emplace(size, std::move(entry.second));
    return sizes;
}

std::string sizesText(const std::map<int, Sized>& sizes) {
    std::string text;
    for (const auto& [size, image] : sizes)
        text += (text.empty() ? "" : ", ") + std::to_string(image.picture.width) + " x " +
                std::to_string(image.picture.height);
    return text.empty() ? "no image that can be read" : text;
}

// libXcursor, opened the first time an Xcursor is written: linked into the program, it and the
// X libraries it needs would cost every start of the program half a millisecond more.
struct Library {
    decltype(&XcursorImagesCreate) imagesCreate = nullptr;
    decltype(&XcursorImageCreate) imageCreate = nullptr;
    decltype(&XcursorImagesDestroy) imagesDestroy = nullptr;
    decltype(&XcursorFileSaveImages) fileSaveImages = nullptr;
    std::string error;
};

const Library& library() {
    static const Library opened = [] {
        Library l;
        void* handle = ::dlopen("libXcursor.so.1", RTLD_NOW | RTLD_LOCAL);
        const auto find = [&](auto& f, const char* name) {
            if (handle)
                f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(::dlsym(handle, name));
        };
        find(l.imagesCreate, "XcursorImagesCreate");
        find(l.imageCreate, "XcursorImageCreate");
        find(l.imagesDestroy, "XcursorImagesDestroy");
        find(l.fileSaveImages, "XcursorFileSaveImages");
        if (!l.imagesCreate || !l.imageCreate || !l.imagesDestroy || !l.fileSaveImages) {
            const char* why = ::dlerror();
            l.error = std::string("cannot open libXcursor: ") + (why ? why : "libXcursor.so.1");
        }
        return l;
    }();
    return opened;
}

struct ImagesDestroyer {
    void operator()(XcursorImages* images) const { library().imagesDestroy(images); }
};

} // namespace

std::vector<std::uint8_t> xcursorFile(std::span<const Step> steps, std::string& error) {
    // Each frame decoded once, however many steps show it.
    std::map<const icons::Icon*, std::map<int, Sized>> frames;
    std::uint64_t pixelBytes = 0;
    const std::map<int, Sized>* first = nullptr;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        auto it = frames.find(steps[s].icon);
        if (it == frames.end()) it = frames.emplace(steps[s].icon, sizesOf(*steps[s].icon)).first;
        const std::map<int, Sized>& sizes = it->second;
        if (sizes.empty()) {
            error = (steps.size() > 1 ? "step " + std::to_string(s) + " has" : "it has") +
                    std::string(" no image that can be read");
            return {};
        }
        if (!first) first = &sizes;
        const bool same = std::equal(sizes.begin(), sizes.end(), first->begin(), first->end(),
                                     [](const auto& a, const auto& b) {
                                         return a.second.picture.width == b.second.picture.width &&
                                                a.second.picture.height == b.second.picture.height;
                                     });
        if (!same) {
            error = "its frames differ in size: step 0 is " + sizesText(*first) + ", step " +
                    std::to_string(s) + " is " + sizesText(sizes);
            return {};
        }
        for (const auto& [size, image] : sizes)
            pixelBytes += image.picture.pixels.size();
        if (pixelBytes > kMaxAnimationPixelBytes) {
            error = "its " + std::to_string(steps.size()) + " steps would take more than " +
                    std::to_string(kMaxAnimationPixelBytes >> 20) + " MiB of pixels";
            return {};
        }
    }
    if (!first) {
        error = "it has nothing to show";
        return {};
    }

    const Library& xcursor = library();
    if (!xcursor.error.empty()) {
        error = xcursor.error;
        return {};
    }
    // The images of each size together, in step order: what Xcursor plays at that size.
    const auto count = static_cast<int>(first->size() * steps.size());
    std::unique_ptr<XcursorImages, ImagesDestroyer> images(xcursor.imagesCreate(count));
    if (!images) {
        error = "out of memory";
        return {};
    }
    for (const auto& [size, ignored] : *first) {
        for (const Step& step : steps) {
            const Sized& sized = frames.at(step.icon).at(size);
            const icons::Rgba& p = sized.picture;
            XcursorImage* image = xcursor.imageCreate(p.width, p.height);
            if (!image) {
                error = "out of memory";
                return {};
            }
            images->images[images->nimage++] = image;
            image->size = static_cast<XcursorDim>(size);
            image->xhot = static_cast<XcursorDim>(sized.hotspotX);
            image->yhot = static_cast<XcursorDim>(sized.hotspotY);
            image->delay = jiffiesToMilliseconds(step.jiffies);
            // Xcursor holds premultiplied ARGB.
            for (std::size_t i = 0; i < p.pixels.size() / 4; ++i) {
                const std::uint32_t a = p.pixels[4 * i + 3];
                const auto premultiplied = [a](std::uint32_t c) { return (c * a + 127) / 255; };
                image->pixels[i] = a << 24 | premultiplied(p.pixels[4 * i]) << 16 |
                                   premultiplied(p.pixels[4 * i + 1]) << 8 |
                                   premultiplied(p.pixels[4 * i + 2]);
            }
        }
    }

    char* buffer = nullptr;
    std::size_t length = 0;
    FILE* memory = ::open_memstream(&buffer, &length);
    if (!memory) {
        error = "out of memory";
        return {};
    }
    const bool saved = xcursor.fileSaveImages(memory, images.get());
    const bool closed = std::fclose(memory) == 0;
    std::unique_ptr<char, decltype(&std::free)> held(buffer, &std::free);
    if (!saved || !closed) {
        error = "libXcursor could not write it";
        return {};
    }
    return std::vector<std::uint8_t>(buffer, buffer + length);
}

} // namespace tess::cli
