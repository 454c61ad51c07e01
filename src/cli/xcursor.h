// Cursors as Xcursor files, the format of Linux desktops' cursor themes, written with libXcursor.
#pragma once

#include "cli/animation.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tess::cli {

// An Xcursor file of the steps: for every size the frames hold (each image's own size its
// nominal size, the deepest where a frame holds several of one size), each step's image with
// its own hotspot and its time in milliseconds. Every frame must hold the same sizes. Empty with
// error set where it cannot be made.
std::vector<std::uint8_t> xcursorFile(std::span<const Step> steps, std::string& error);

} // namespace tess::cli
