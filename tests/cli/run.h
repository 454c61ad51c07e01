// The command line run as a script runs it, and what the tests read its output with.
#pragma once

#include "cli/command_line.h"
#include "cli/cursor_theme.h"
#include "cli/extract.h"
#include "cli/list.h"
#include "support/fixtures/fixtures.h"

#include <cstdio>
#include <png.h>
#include <sstream>
#include <tuple>

namespace tess::cli {
namespace fx = tess::fixtures;
using Result = std::tuple<int, std::string, std::string>; // the exit status, out, err

inline Result run(const std::vector<std::string>& args) {
    const Command c = parseCommandLine(args);
    std::ostringstream out, err;
    const int status = c.action == Action::List          ? runList(c, out, err)
                       : c.action == Action::CursorTheme ? runCursorTheme(c, out, err)
                       : c.action == Action::WrongUsage  ? (err << c.usageError, kExitWrongUsage)
                       : c.action == Action::Thumbnail   ? runThumbnail(c, err)
                                                         : runExtract(c, out, err);
    return {status, out.str(), err.str()};
}

// A PNG decoded by libpng as straight 8-bit RGBA: width, height, bytes (none where it does not).
inline std::tuple<int, int, fx::Bytes> decodePng(const fx::Bytes& png) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    fx::Bytes rgba;
    if (png_image_begin_read_from_memory(&image, png.data(), png.size())) {
        image.format = PNG_FORMAT_RGBA;
        rgba.resize(PNG_IMAGE_SIZE(image)); // as large as the image says it is
        if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) rgba.clear();
    }
    return {static_cast<int>(image.width), static_cast<int>(image.height), rgba};
}

inline std::string output(const std::string& command) { // what a shell command prints
    std::FILE* p = ::popen(command.c_str(), "r");
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), p));
    ::pclose(p);
    return text;
}

} // namespace tess::cli
