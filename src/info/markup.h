// The information markup: CR LF line ends, TAB stops every 800 twips, "<B>" "<b>" "<U>" "<u>"
// "<I>" "<i>" style switches and "<SIZE=" n ">" font sizes, drawn character by character.
#pragma once

#include "forms/picture_box.h"

#include <QString>
#include <cstdint>

namespace tess::info {

// Where every line of the text starts, in twips from the surface's left edge.
constexpr double LeftMargin = 960;
constexpr double FirstLineTop = 128;
constexpr double TabStop = 800;

// Draws the markup text on the surface, starting at the first line's position in 8-point
// regular "Arial", and returns the right edge: the largest x at which a line ended, taken to
// the nearest whole twip, and at least minRightEdge. The print position is left after the
// last line break.
std::int32_t drawMarkup(PictureBox& surface, const QString& text, std::int32_t minRightEdge);

} // namespace tess::info
