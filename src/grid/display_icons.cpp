// The icon grid: every icon of the file at its natural size in a fixed-pitch cell, its index
// printed under it; icons run left to right, then down a row.
#include "app/frm_Vantorel.h"

#include "forms/environment.h"
#include "forms/twips.h"
#include "grid/geometry.h"

using namespace tess;

void frm_Vantorel::displayIcons(const QString& filePath, PictureBox& target,
                                std::int16_t windowIconIndex) {
    (void)windowIconIndex; // the window keeps its own icon: the window-icon step is left out
    target.setPicture(QImage());
    gridColumns = grid::columnsForWidth(target.widthTwips(), twipsPerPixelX());
    scanIndex = 0;
    state_.displayedFile = filePath;

    const std::string path = nativeFile(filePath).toStdString();
    for (;;) {
        iconHandle = ExtractIconA(0, path, scanIndex);
        if (iconHandle == 0 || iconHandle == 1) {
            state_.iconCount = scanIndex;
            break;
        }
        const QPoint label = grid::labelPosition(scanIndex, gridColumns);
        target.setCurrentX(label.x() * twipsPerPixelX());
        target.setCurrentY(label.y() * twipsPerPixelY());
        target.print(grid::indexLabel(scanIndex));
        const QPoint icon = grid::iconPosition(scanIndex, gridColumns);
        DrawIcon(target.hDC(), icon.x(), icon.y(), iconHandle);
        DestroyIcon(iconHandle);
        ++scanIndex;
        if (scanIndex >= grid::MaxIcons) {
            state_.iconCount = grid::MaxIcons;
            break;
        }
    }
}

void frm_Vantorel::menu_Refresh_Click() {
    setWindowTitle(QStringLiteral("Icons from; ") + displayPath(state_.loadedFile));
    displayIcons(state_.loadedFile, *pic_IconDisplay, -1);
}

void frm_Vantorel::tim_UpdateDisplayTimer_Timer() {
    tim_UpdateDisplayTimer->setInterval(0);
    displayIcons(state_.loadedFile, *pic_IconDisplay, -1);
}
