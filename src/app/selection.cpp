// Selecting an icon with the mouse, the pop-up menu and the function keys.
#include "app/frm_Vantorel.h"

#include "forms/format.h"
#include "forms/services.h"
#include "forms/twips.h"
#include "forms/version_info.h"
#include "grid/geometry.h"
#include "loading/loading.h"

#include <QAction>
#include <limits>

using namespace tess;

void frm_Vantorel::pic_IconDisplay_MouseDown(std::int16_t Button, std::int16_t Shift, float x,
                                             float y) {
    const std::int64_t index =
        grid::iconIndexAt(x, y, pic_IconDisplay->widthTwips(), twipsPerPixelX(), twipsPerPixelY());
    const bool hit = index >= 0 && index < state_.iconCount;
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
    menu_AboutApp->setText(QStringLiteral("&About ") + productName());

    if (Button == 1) {
        if (!hit) return;
        if (Shift == 0) return menu_IconInformation_Click();
        return menu_SaveIcon_Click();
    }
    if (Button != 2) return;

    fillFileList();
    menu_Refresh->setEnabled(!state_.loadedFile.isEmpty());
    const QPoint at = pic_IconDisplay->mapToGlobal(
        QPoint(roundToInt(x / twipsPerPixelX()), roundToInt(y / twipsPerPixelY())));
    QAction* chosen = services().popupMenu->popup(*menu_MenuOptions, at);
    runMenuItem(chosen);
}

void frm_Vantorel::fillFileList() {
    for (std::int16_t i = 0; i < std::numeric_limits<std::int16_t>::max(); ++i) {
        if (loading::knownFile(i, true).isEmpty()) break;
        const auto at = static_cast<std::size_t>(i);
        if (at >= menu_FileLoad.size()) {
            QAction* item = menu_FileList->addAction(QString());
            item->setData(i);
            item->setObjectName(QStringLiteral("menu_FileLoad"));
            menu_FileLoad.push_back(item);
        }
        QString caption = QStringLiteral("&") + loading::knownFile(i, false);
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
    if (!loading::knownFile(entry, true).isEmpty()) menu_FileLoad_Click(entry);
}
