// Cursors and animated cursors as the pictures that play them: the steps of an animation (the
// frame shown and for how long), written as one animated PNG or GIF.
#pragma once

#include "cli/command_line.h"
#include "tessaline/icons.h"

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace tess::cli {

// One step of what a cursor plays: the icon shown, and for how long in jiffies (1/60 s); a still
// cursor is one step of 0 jiffies.
struct Step {
    const icons::Icon* icon = nullptr;
    std::uint32_t jiffies = 0;
};

// The steps of an animated cursor's whole animation, in its sequence's order with its rates;
// empty with error set where it cannot be played.
std::vector<Step> animationSteps(const icons::IconFile& file, std::string& error);

// Jiffies as milliseconds, rounded to the nearest.
std::uint32_t jiffiesToMilliseconds(std::uint32_t jiffies);

// The most bytes of pixels one written animation may take, decoded.
inline constexpr std::uint64_t kMaxAnimationPixelBytes = 256ull << 20;

// Each step's picture: the icon's image best for size (the next where it is damaged), decoded.
// They must all be the same size; empty with error set where they are not or cannot be read.
std::vector<icons::Rgba> stepPictures(std::span<const Step> steps, int size, std::string& error);

// An animated PNG of the pictures (8-bit RGBA, each shown for its step's time, looping for ever);
// one picture gives a plain PNG. Empty when it cannot be made.
std::vector<std::uint8_t> encodeApng(std::span<const icons::Rgba> pictures,
                                     std::span<const Step> steps);

// The same as an animated GIF: colours reduced to at most 255 per frame, an alpha below half
// made transparent, delays in hundredths of a second.
std::vector<std::uint8_t> encodeGif(std::span<const icons::Rgba> pictures,
                                    std::span<const Step> steps);

// --extract --format=xcursor, apng or gif of one file read: an animated cursor's whole animation
// as NAME (.png, .gif), else each cursor (icon; with --index, an animation's frame) as NAME_INDEX
// (NAME_cursor_INDEX with --cursors);
// an Xcursor of an icon is refused, since it needs a hotspot. Prints each file written; returns
// the exit status, with stop set where a write failed for a reason the next would share.
int extractCursorPictures(const Command& command, const icons::IconFile& file,
                          const std::string& path, const std::string& folder, std::ostream& out,
                          std::ostream& err, bool& stop);

} // namespace tess::cli
