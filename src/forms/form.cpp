#include "forms/form.h"

#include "forms/twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace tess::form {

namespace {
QSize frameExtra(const QWidget& w) {
    const QRect frame = w.frameGeometry();
    const QRect inner = w.geometry();
    return QSize(std::max(0, frame.width() - inner.width()),
                 std::max(0, frame.height() - inner.height()));
}
} // namespace

double leftTwips(const QWidget& w) {
    return w.frameGeometry().x() * twipsPerPixelX();
}
double topTwips(const QWidget& w) {
    return w.frameGeometry().y() * twipsPerPixelY();
}
double widthTwips(const QWidget& w) {
    return w.frameGeometry().width() * twipsPerPixelX();
}
double heightTwips(const QWidget& w) {
    return w.frameGeometry().height() * twipsPerPixelY();
}
double scaleWidth(const QWidget& w) {
    return w.width() * twipsPerPixelX();
}
double scaleHeight(const QWidget& w) {
    return w.height() * twipsPerPixelY();
}

void move(QWidget& w, double left, double top) {
    w.move(roundToInt(left / twipsPerPixelX()), roundToInt(top / twipsPerPixelY()));
}

void setOuterSize(QWidget& w, double width, double height) {
    const QSize extra = frameExtra(w);
    w.resize(std::max(0, roundToInt(width / twipsPerPixelX()) - extra.width()),
             std::max(0, roundToInt(height / twipsPerPixelY()) - extra.height()));
}

void setOuterWidth(QWidget& w, double width) {
    setOuterSize(w, width, heightTwips(w));
}
void setOuterHeight(QWidget& w, double height) {
    setOuterSize(w, widthTwips(w), height);
}

void setClientSize(QWidget& w, double width, double height) {
    w.resize(roundToInt(width / twipsPerPixelX()), roundToInt(height / twipsPerPixelY()));
}

void centreOn(QWidget& window, const QWidget& owner) {
    const double left = leftTwips(owner) + widthTwips(owner) / 2 - widthTwips(window) / 2;
    const double top = topTwips(owner) + heightTwips(owner) / 2 - heightTwips(window) / 2;
    move(window, std::max(0.0, left), std::max(0.0, top));
}

double screenWidthTwips() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return (s ? s->geometry().width() : 1024) * twipsPerPixelX();
}

double screenHeightTwips() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return (s ? s->geometry().height() : 768) * twipsPerPixelY();
}

} // namespace tess::form
