#include "info/frm_IconInfo.h"

#include "forms/fonts.h"
#include "forms/form.h"
#include "forms/twips.h"

#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>

using namespace tess;

namespace {
// A control's design geometry, in twips, as whole pixels.
QRect pixels(double left, double top, double width, double height) {
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    return QRect(roundToInt(left / tx), roundToInt(top / ty), roundToInt(width / tx),
                 roundToInt(height / ty));
}
} // namespace

frm_IconInfo::frm_IconInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frm_IconInfo"));
    setWindowTitle(QStringLiteral("Tessaline - Information."));
    setFont(designFont());

    // Created first, so that it lies under every control.
    surface = new PictureBox(this);
    surface->setObjectName(QStringLiteral("surface"));
    surface->setBackColor(fromQColor(palette().color(QPalette::Button)));
    surface->setForeColor(fromQColor(palette().color(QPalette::WindowText)));

    com_OK = new QPushButton(QStringLiteral("OK"), this);
    com_OK->setObjectName(QStringLiteral("com_OK"));
    com_OK->setToolTip(QStringLiteral(" Close window "));
    com_OK->setGeometry(pixels(1800, 2160, 1095, 375));
    com_OK->setDefault(true);
    connect(com_OK, &QPushButton::clicked, this, [this] { com_OK_Click(); });

    pic_IconDisplay = new PictureBox(this);
    pic_IconDisplay->setObjectName(QStringLiteral("pic_IconDisplay"));
    pic_IconDisplay->setGeometryTwips(960, 360, 3615, 1695);
    pic_IconDisplay->setBackColor(fromQColor(palette().color(QPalette::Base)));

    pic_AppLogo = new PictureBox(this);
    pic_AppLogo->setObjectName(QStringLiteral("pic_AppLogo"));
    pic_AppLogo->setGeometryTwips(120, 240, 615, 615);
    pic_AppLogo->setAutoRedraw(true);

    form::setClientSize(*this, 4680, 3090);
}

void frm_IconInfo::com_OK_Click() {
    accept();
}

double frm_IconInfo::okLeftTwips() const {
    return com_OK->x() * twipsPerPixelX();
}
double frm_IconInfo::okTopTwips() const {
    return com_OK->y() * twipsPerPixelY();
}
double frm_IconInfo::okWidthTwips() const {
    return com_OK->width() * twipsPerPixelX();
}
double frm_IconInfo::okHeightTwips() const {
    return com_OK->height() * twipsPerPixelY();
}

void frm_IconInfo::setOkLeftTwips(double twips) {
    com_OK->move(roundToInt(twips / twipsPerPixelX()), com_OK->y());
}

void frm_IconInfo::setOkTopTwips(double twips) {
    com_OK->move(com_OK->x(), roundToInt(twips / twipsPerPixelY()));
}

void frm_IconInfo::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    surface->setGeometry(0, 0, width(), height());
}
