// Showing a markup text, and optionally one icon drawn large, in the information window.
#include "forms/environment.h"
#include "forms/form.h"
#include "forms/services.h"
#include "forms/twips.h"
#include "forms/version_info.h"
#include "forms/win_icons.h"
#include "info/frm_IconInfo.h"
#include "info/information.h"
#include "info/markup.h"

#include <QIcon>

namespace tess::info {

namespace {

// The icon box: a dotted grid in its text colour, and the icon stretched over it, inset by
// 8 pixels so that the grid shows round it and through its transparent parts.
void drawIconBox(PictureBox& box, icons::HICON icon) {
    const double px = twipsPerPixelX();
    const double py = twipsPerPixelY();
    const double w = box.widthTwips();
    const double h = box.heightTwips();
    box.setAutoRedraw(true);
    box.cls();
    box.setDrawStyle(DrawStyle::Dot);
    const double top = roundHalfEven(8 * py);
    const double bottom = roundHalfEven(h - 8 * py - 64);
    const double lastX = roundHalfEven(w - 16 * px - 64);
    for (double d = 0; d <= lastX; d += 64) {
        const double x = roundHalfEven(8 * px + d);
        box.line(x, top, x, bottom);
    }
    const double left = roundHalfEven(8 * px);
    const double right = roundHalfEven(w - 8 * px - 64);
    const double lastY = roundHalfEven(h - 16 * py - 64);
    for (double d = 0; d <= lastY; d += 64) {
        const double y = roundHalfEven(8 * py + d);
        box.line(left, y, right, y);
    }
    DrawIconEx(box.hDC(), 8, 8, icon, roundToInt(w / px - 20), roundToInt(h / py - 20), 0, 0, 3);
}

} // namespace

void showInformation(const Asker& asker, QString captionText, QString infoText, QString iconFile,
                     std::int32_t iconNumber, std::int16_t iconAsLogo, std::int32_t minRightEdge,
                     std::int32_t maxIconRightEdge) {
    const QString product = productName();
    QWidget& owner = asker.window;
    const QIcon windowIcon = owner.windowIcon();
    frm_IconInfo info(&owner);

    if (captionText == u"?") captionText = product + QStringLiteral(" - Icon information.");
    info.setWindowTitle(captionText);
    info.setWindowIcon(windowIcon);
    const double logoW = info.pic_AppLogo->widthTwips() / twipsPerPixelX();
    const double logoH = info.pic_AppLogo->heightTwips() / twipsPerPixelY();
    info.pic_AppLogo->setPicture(
        windowIcon.isNull()
            ? QImage()
            : windowIcon.pixmap(QSize(roundToInt(logoW), roundToInt(logoH))).toImage());
    if (infoText == u"?")
        infoText = QStringLiteral("There is no information available on this icon.");

    // The text is drawn on a window as large as the screen, then the window shrinks to it.
    PictureBox& surface = *info.surface;
    surface.setAutoRedraw(true);
    surface.setBackColor(fromQColor(info.palette().color(QPalette::Button)));
    surface.cls();
    surface.setForeColor(fromQColor(info.palette().color(QPalette::WindowText)));
    form::setOuterSize(info, form::screenWidthTwips(), form::screenHeightTwips());
    std::int32_t rightEdge = drawMarkup(surface, infoText, minRightEdge);

    form::setOuterWidth(info, (form::widthTwips(info) - form::scaleWidth(info)) + rightEdge + 120);
    if (maxIconRightEdge >= minRightEdge && rightEdge > maxIconRightEdge)
        rightEdge = maxIconRightEdge;

    // Handle 1 names a file that holds no icons: no icon either.
    icons::HICON icon = 0;
    if (!iconFile.isEmpty()) {
        icon = ExtractIconA(0, nativeFile(iconFile).toStdString(), iconNumber);
        if (icon == 1) icon = 0;
    }
    PictureBox& box = *info.pic_IconDisplay;
    if (icon != 0) {
        box.setTopTwips(surface.currentY() + 120);
        box.setWidthTwips(rightEdge - LeftMargin);
        box.setHeightTwips(box.widthTwips());
        box.setBackColor(asker.display.backColor());
        box.setForeColor(asker.display.foreColor());
        box.setVisible(true);
        info.setOkTopTwips(box.topTwips() + box.heightTwips() + 120);
    } else {
        box.setVisible(false);
        info.setOkTopTwips(surface.currentY() + 120);
    }
    info.setOkLeftTwips((form::scaleWidth(info) - info.okWidthTwips()) / 2);
    form::setOuterHeight(info, (form::heightTwips(info) - form::scaleHeight(info)) +
                                   info.okTopTwips() + info.okHeightTwips() + 120);

    if (icon != 0) {
        drawIconBox(box, icon);
        if (iconAsLogo) {
            PictureBox& logo = *info.pic_AppLogo;
            logo.setPicture(QImage());
            DrawIconEx(logo.hDC(), 0, 0, icon, roundToInt(logoW), roundToInt(logoH), 0, 0, 3);
        }
        DestroyIcon(icon);
    }

    form::centreOn(info, owner);

    services().modal->showModal(info, &owner);
}

} // namespace tess::info
