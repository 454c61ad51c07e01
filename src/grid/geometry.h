// The grid's geometry: cells of 38 x 50 pixels, icons 8 pixels into their cell, labels 32 pixels
// under the icon's top; icons run left to right, then down a row. Plain arithmetic, no window.
#pragma once

#include <QPoint>
#include <QString>
#include <cstdint>

namespace tess::grid {

constexpr int CellWidth = 38;  // pixels
constexpr int CellHeight = 50; // pixels
constexpr int CellInset = 8;   // pixels from the cell's corner to the icon
constexpr int LabelDrop = 32;  // pixels from the icon's top to its label
constexpr int MaxIcons = 500;

// Columns for a surface width in twips: width in pixels over the pitch, rounded halves to even,
// less one, and at least one.
std::int32_t columnsForWidth(double widthTwips, double twipsPerPixelX);

// The top-left corner of icon i's drawing, and the print position of its label, in pixels.
QPoint iconPosition(std::int32_t index, std::int32_t columns);
QPoint labelPosition(std::int32_t index, std::int32_t columns);

// The label under icon i: its index right-aligned in four characters.
QString indexLabel(std::int32_t index);

// The grid index whose reference point (350 and 425 twips into the cell) is nearest to a point
// of the surface (twips), the columns counted from the surface's width: a point right of the
// last column counts for it, one above or left of the grid for the first row or column. -1 far
// below, where the index leaves the 32-bit range.
std::int64_t iconIndexAt(double x, double y, double widthTwips, double twipsPerPixelX,
                         double twipsPerPixelY);

} // namespace tess::grid
