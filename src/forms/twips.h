// Twips (1/1440 inch) and the screen's twips per pixel; rounding to whole numbers.
#pragma once

#include <cmath>
#include <cstdint>

namespace tess {

// Nearest whole number, halves to the even neighbour.
inline double roundHalfEven(double v) {
    return std::nearbyint(v);
}

// The same, as an integer, saturating at the 32-bit range.
std::int32_t roundToInt(double v);

// Twips per pixel of the screen, horizontally and vertically (15 at 96 DPI).
double twipsPerPixelX();
double twipsPerPixelY();

// Tests may pin the screen's resolution; 0 returns to the screen's own.
void setTwipsPerPixelForTests(double x, double y);

} // namespace tess
