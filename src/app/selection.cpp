// Selecting an icon with the mouse, the pop-up menu and the function keys.
#include "app/frm_Vantorel.h"

#include "platform/window/format.h"
#include "platform/window/services.h"
#include "platform/window/twips.h"
#include "platform/window/version_info.h"

#include <QAction>
#include <algorithm>
#include <limits>

using namespace tess;

namespace {
constexpr double CellWidth = 38;  // pixels, as the grid draws them
constexpr double CellHeight = 50; // pixels
constexpr double OffsetX = 350;   // twips from a cell's corner to its reference point
constexpr double OffsetY = 425;
} // namespace

std::int64_t frm_Vantorel::iconIndexAt(double x, double y) const {
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    const double columns =
        std::max(1.0, roundHalfEven(pic_IconDisplay->widthTwips() / tx / CellWidth) - 1);
    const double column =
        std::clamp(roundHalfEven((x - OffsetX) / tx / CellWidth), 0.0, columns - 1);
    const double row = std::max(0.0, roundHalfEven((y - OffsetY) / ty / CellHeight));
    // Far below the grid the index leaves every integer range: it hits nothing.
    const double index = columns * row + column;
    if (!(index < static_cast<double>(std::numeric_limits<std::int32_t>::max()))) return -1;
    return static_cast<std::int64_t>(index);
}

void frm_Vantorel::pic_IconDisplay_MouseDown(std::int16_t Button, std::int16_t Shift, float x,
                                             float y) {
    const std::int64_t index = iconIndexAt(x, y);
    const bool hit = index >= 0 && index < iconCount;
    if (hit) {
        const QString n =
            formatPicture(static_cast<double>(index), QStringLiteral("#,###,###,##0"));
        menu_IconInformation->setText(QStringLiteral("&Icon ") + n + QStringLiteral(" info"));
        menu_SaveIcon->setText(QStringLiteral("&Save icon ") + n + QStringLiteral("..."));
    } else {
        menu_IconInformation->setText(QStringLiteral("&Icon information"));
        menu_SaveIcon->setText(QStringLiteral("&Save icon..."));
    }
    menu_IconInformation->setEnabled(hit);
    menu_SaveIcon->setEnabled(hit);
    menu_AboutApp->setText(QStringLiteral("&About ") +
                           productName());

    if (Button == 1) {
        if (!hit) return;
        if (Shift == 0) return menu_IconInformation_Click();
        return menu_SaveIcon_Click();
    }
    if (Button != 2) return;

    fillFileList();
    menu_Refresh->setEnabled(!loadedFile.isEmpty());
    const QPoint at = pic_IconDisplay->mapToGlobal(
        QPoint(roundToInt(x / twipsPerPixelX()), roundToInt(y / twipsPerPixelY())));
    QAction* chosen = services().popupMenu->popup(*menu_MenuOptions, at);
    runMenuItem(chosen);
}

void frm_Vantorel::fillFileList() {
    for (std::int16_t i = 0; i < std::numeric_limits<std::int16_t>::max(); ++i) {
        if (knownFile(i, true).isEmpty()) break;
        const auto at = static_cast<std::size_t>(i);
        if (at >= menu_FileLoad.size()) {
            QAction* item = menu_FileList->addAction(QString());
            item->setData(i);
            menu_FileLoad.push_back(item);
        }
        QString caption = QStringLiteral("&") + knownFile(i, false);
        if (i <= 8 || i == 10 || i == 11)
            caption += QStringLiteral("\tShift+F") + QString::number(i + 1);
        menu_FileLoad[at]->setText(caption);
        menu_FileLoad[at]->setEnabled(true);
        menu_FileLoad[at]->setVisible(true);
    }
}

void frm_Vantorel::pic_IconDisplay_KeyDown(std::int16_t KeyCode, std::int16_t Shift) {
    const bool functionKey = KeyCode >= keys::F1 && KeyCode <= keys::F12 && KeyCode != keys::F10;
    if (!functionKey || Shift != keys::ShiftMask) return;
    const auto entry = static_cast<std::int16_t>(KeyCode - keys::F1);
    if (!knownFile(entry, true).isEmpty()) menu_FileLoad_Click(entry);
}
