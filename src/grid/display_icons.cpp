#include "grid/display_icons.h"

#include "forms/environment.h"
#include "forms/twips.h"
#include "forms/win_icons.h"
#include "grid/geometry.h"

namespace tess::grid {

void displayIcons(const QString& filePath, PictureBox& target, std::int16_t windowIconIndex,
                  Shown& shown) {
    (void)windowIconIndex; // the window keeps its own icon: the window-icon step is left out
    target.setPicture(QImage());
    const std::int32_t gridColumns = columnsForWidth(target.widthTwips(), twipsPerPixelX());
    std::int16_t scanIndex = 0;
    shown.displayedFile = filePath;

    const std::string path = nativeFile(filePath).toStdString();
    for (;;) {
        const icons::HICON iconHandle = ExtractIconA(0, path, scanIndex);
        if (iconHandle == 0 || iconHandle == 1) {
            shown.iconCount = scanIndex;
            break;
        }
        const QPoint label = labelPosition(scanIndex, gridColumns);
        target.setCurrentX(label.x() * twipsPerPixelX());
        target.setCurrentY(label.y() * twipsPerPixelY());
        target.print(indexLabel(scanIndex));
        const QPoint icon = iconPosition(scanIndex, gridColumns);
        DrawIcon(target.hDC(), icon.x(), icon.y(), iconHandle);
        DestroyIcon(iconHandle);
        ++scanIndex;
        if (scanIndex >= MaxIcons) {
            shown.iconCount = MaxIcons;
            break;
        }
    }
}

} // namespace tess::grid
