// The icon grid: every icon of the file at its natural size in a fixed-pitch cell, its index
// printed under it; icons run left to right, then down a row.
#include "app/frm_Vantorel.h"

#include "platform/window/environment.h"
#include "platform/window/twips.h"

#include <algorithm>

using namespace tess;

namespace {
constexpr int CellWidth = 38;  // pixels
constexpr int CellHeight = 50; // pixels
constexpr int CellInset = 8;   // pixels from the cell's corner to the icon
constexpr int LabelDrop = 32;  // pixels from the icon's top to its label
constexpr int MaxIcons = 500;
} // namespace

// Columns for a surface width in twips: width in pixels over the pitch, rounded halves to even,
// less one, and at least one.
static std::int32_t columnsForWidth(double widthTwips) {
    const double columns = roundHalfEven(widthTwips / twipsPerPixelX() / CellWidth) - 1;
    return std::max<std::int32_t>(1, roundToInt(columns));
}

void frm_Vantorel::displayIcons(const QString& filePath, PictureBox& target,
                                std::int16_t windowIconIndex) {
    (void)windowIconIndex; // the window keeps its own icon: the window-icon step is left out
    target.setPicture(QImage());
    gridColumns = columnsForWidth(target.widthTwips());
    scanIndex = 0;
    displayedFile = filePath;

    const std::string path = nativeFile(filePath).toStdString();
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    for (;;) {
        iconHandle = ExtractIconA(0, path, scanIndex);
        if (iconHandle == 0 || iconHandle == 1) {
            iconCount = scanIndex;
            break;
        }
        const int c = scanIndex % gridColumns;
        const int r = scanIndex / gridColumns;
        target.setCurrentX((c * CellWidth + CellInset) * tx);
        target.setCurrentY((r * CellHeight + CellInset + LabelDrop) * ty);
        target.print(QString::number(scanIndex).rightJustified(4, u' '));
        DrawIcon(target.hDC(), c * CellWidth + CellInset, r * CellHeight + CellInset, iconHandle);
        DestroyIcon(iconHandle);
        ++scanIndex;
        if (scanIndex >= MaxIcons) {
            iconCount = MaxIcons;
            break;
        }
    }
}

void frm_Vantorel::menu_Refresh_Click() {
    setWindowTitle(QStringLiteral("Icons from; ") + displayPath(loadedFile));
    displayIcons(loadedFile, *pic_IconDisplay, -1);
}

void frm_Vantorel::tim_UpdateDisplayTimer_Timer() {
    tim_UpdateDisplayTimer->setInterval(0);
    displayIcons(loadedFile, *pic_IconDisplay, -1);
}
