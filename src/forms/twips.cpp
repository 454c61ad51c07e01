#include "forms/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <limits>

namespace tess {

namespace {
double pinnedX = 0;
double pinnedY = 0;

double screenDpi(bool horizontal) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 96.0;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}
} // namespace

std::int32_t roundToInt(double v) {
    const double r = roundHalfEven(v);
    if (std::isnan(r)) return 0;
    if (r >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (r <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

double twipsPerPixelX() {
    return pinnedX > 0 ? pinnedX : 1440.0 / screenDpi(true);
}
double twipsPerPixelY() {
    return pinnedY > 0 ? pinnedY : 1440.0 / screenDpi(false);
}

void setTwipsPerPixelForTests(double x, double y) {
    pinnedX = x;
    pinnedY = y;
}

} // namespace tess
