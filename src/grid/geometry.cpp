#include "grid/geometry.h"

#include "forms/twips.h"

#include <algorithm>
#include <limits>

namespace tess::grid {

namespace {
constexpr double OffsetX = 350; // twips from a cell's corner to its reference point
constexpr double OffsetY = 425;
} // namespace

std::int32_t columnsForWidth(double widthTwips, double twipsPerPixelX) {
    const double columns = roundHalfEven(widthTwips / twipsPerPixelX / CellWidth) - 1;
    return std::max<std::int32_t>(1, roundToInt(columns));
}

QPoint iconPosition(std::int32_t index, std::int32_t columns) {
    return QPoint(index % columns * CellWidth + CellInset,
                  index / columns * CellHeight + CellInset);
}

QPoint labelPosition(std::int32_t index, std::int32_t columns) {
    return iconPosition(index, columns) + QPoint(0, LabelDrop);
}

QString indexLabel(std::int32_t index) {
    return QString::number(index).rightJustified(4, u' ');
}

std::int64_t iconIndexAt(double x, double y, double widthTwips, double tx, double ty) {
    const double columns = columnsForWidth(widthTwips, tx);
    const double column =
        std::clamp(roundHalfEven((x - OffsetX) / tx / CellWidth), 0.0, columns - 1);
    const double row = std::max(0.0, roundHalfEven((y - OffsetY) / ty / CellHeight));
    const double index = columns * row + column;
    if (!(index < static_cast<double>(std::numeric_limits<std::int32_t>::max()))) return -1;
    return static_cast<std::int64_t>(index);
}

} // namespace tess::grid
