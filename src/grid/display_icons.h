// The icon grid: every icon of a file at its natural size in a fixed-pitch cell, its index
// printed under it; icons run left to right, then down a row.
#pragma once

#include "forms/picture_box.h"

#include <QString>
#include <cstdint>

namespace tess::grid {

// The variables a display writes for the window that shows it.
struct Shown {
    QString displayedFile;       // the file the grid shows
    std::int32_t iconCount = -1; // icons found by the last display; -1 before any
};

// Clears the target and draws the icons of filePath on it, at most MaxIcons, in as many columns
// as its width holds; shown becomes the file and the number of icons drawn (0 for a file that
// holds none or cannot be read). windowIconIndex is 0 from a load, -1 from a redraw.
void displayIcons(const QString& filePath, PictureBox& target, std::int16_t windowIconIndex,
                  Shown& shown);

} // namespace tess::grid
