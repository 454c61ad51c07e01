#include "forms/picture_box.h"

#include "forms/environment.h"
#include "forms/twips.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace tess {

namespace {
// The canvas carries the screen's resolution so that point sizes measure as on the screen.
void setCanvasDpi(QImage& image) {
    // Per logical inch: the device pixel ratio is the image's own.
    const double dpiX = 1440.0 / twipsPerPixelX();
    const double dpiY = 1440.0 / twipsPerPixelY();
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpiX / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpiY / 0.0254)));
}
} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    font_.setFamily(QStringLiteral("Liberation Sans"));
    font_.setPointSizeF(8.25);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resetCanvas();
}

void PictureBox::setForeColor(std::uint32_t bgr) {
    foreColor_ = bgr & 0xFFFFFF;
}

void PictureBox::setBackColor(std::uint32_t bgr) {
    backColor_ = bgr & 0xFFFFFF;
    update();
}

void PictureBox::setFontName(const QString& name) {
    // "Arial" is metric-compatible with Liberation Sans, which fontconfig maps it to.
    font_.setFamily(name.compare(u"Arial", Qt::CaseInsensitive) == 0
                        ? QStringLiteral("Liberation Sans")
                        : name);
}

void PictureBox::setFontSize(double points) {
    if (points > 0 && points < 2048) font_.setPointSizeF(points);
}

void PictureBox::setAutoSize(bool on) {
    autoSize_ = on;
    if (on && !picture_.isNull()) {
        setWidthTwips(picture_.width() * twipsPerPixelX());
        setHeightTwips(picture_.height() * twipsPerPixelY());
    }
}

namespace {
double pinnedRatio = 0;
}

void PictureBox::setDevicePixelRatioForTests(double ratio) {
    pinnedRatio = ratio;
}

double PictureBox::ratio() const {
    const double r = pinnedRatio > 0 ? pinnedRatio : devicePixelRatioF();
    return r > 0 ? r : 1;
}

QSize PictureBox::canvasSize() const {
    if (canvas_.isNull()) return QSize(0, 0);
    return QSize(static_cast<int>(canvas_.width() / canvasRatio_),
                 static_cast<int>(canvas_.height() / canvasRatio_));
}

// A canvas of w x h logical pixels at the ratio given.
QImage PictureBox::newCanvas(int w, int h, double r) const {
    QImage image(static_cast<int>(std::ceil(w * r)), static_cast<int>(std::ceil(h * r)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(r);
    setCanvasDpi(image);
    image.fill(toQColor(backColor_));
    return image;
}

void PictureBox::ensureCanvas(int w, int h) {
    w = std::max(w, 1);
    h = std::max(h, 1);
    const QSize have = canvasSize();
    if (!canvas_.isNull() && have.width() >= w && have.height() >= h) return;
    // Drawing below the visible part goes on row after row: grow by doubling, not by each row.
    const auto grow = [](int need, int had) {
        return need <= had ? had : std::min(std::max(need, 2 * had), 16384);
    };
    QImage grown = newCanvas(grow(w, have.width()), grow(h, have.height()), canvasRatio_);
    if (!canvas_.isNull()) {
        QPainter p(&grown);
        p.drawImage(0, 0, canvas_);
    }
    canvas_ = std::move(grown);
}

void PictureBox::resetCanvas() {
    const QSize have = canvasSize();
    const int w = std::max({width(), picture_.width(), have.width(), 1});
    const int h = std::max({height(), picture_.height(), have.height(), 1});
    canvasRatio_ = ratio();
    canvas_ = newCanvas(w, h, canvasRatio_);
    if (!picture_.isNull()) {
        QPainter p(&canvas_);
        p.drawImage(0, 0, picture_);
    }
    textRuns_.clear();
    lineRuns_.clear();
    imageRuns_.clear();
    update();
}

void PictureBox::cls() {
    resetCanvas();
    currentX_ = 0;
    currentY_ = 0;
}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    resetCanvas();
    if (autoSize_ && !picture_.isNull()) setAutoSize(true);
}

QImage PictureBox::image() const {
    const int w = std::max(width(), 1);
    const int h = std::max(height(), 1);
    QImage out(w, h, QImage::Format_ARGB32);
    out.fill(toQColor(backColor_));
    QPainter p(&out);
    // The logical size, whatever the canvas's ratio: a high-density canvas is shrunk smoothly.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize have = canvasSize();
    const int cw = std::min(w, have.width()), ch = std::min(h, have.height());
    p.drawImage(QRectF(0, 0, cw, ch), canvas_, QRectF(0, 0, cw * canvasRatio_, ch * canvasRatio_));
    p.end();
    return out;
}

void PictureBox::printText(const QString& text) {
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    TextRun run{displayPath(text), currentX_,    currentY_,       fontName(),          fontSize(),
                fontBold(),        fontItalic(), fontUnderline(), fontStrikethrough(), foreColor_};
    if (!text.isEmpty()) {
        const QFontMetricsF metrics(font_, &canvas_);
        const int needW = static_cast<int>((currentX_ / tx) + metrics.horizontalAdvance(text)) + 2;
        const int needH = static_cast<int>((currentY_ / ty) + metrics.height()) + 2;
        if (needW <= 16384 && needH <= 16384) ensureCanvas(needW, needH);
        QPainter p(&canvas_);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(font_);
        p.setPen(toQColor(foreColor_));
        // A name's bytes that are not UTF-8 show as replacement characters.
        const QString shown = run.text;
        p.drawText(QPointF(currentX_ / tx, currentY_ / ty + metrics.ascent()), shown);
        currentX_ += metrics.horizontalAdvance(shown) * tx;
        textRuns_.push_back(std::move(run));
        update();
    }
}

void PictureBox::newLine() {
    currentY_ += textHeight();
    currentX_ = 0;
}

double PictureBox::textWidth(const QString& text) const {
    return QFontMetricsF(font_, &canvas_).horizontalAdvance(displayPath(text)) * twipsPerPixelX();
}

double PictureBox::textHeight() const {
    return QFontMetricsF(font_, &canvas_).height() * twipsPerPixelY();
}

void PictureBox::line(double x1, double y1, double x2, double y2) {
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    QPainter p(&canvas_);
    QPen pen(toQColor(foreColor_));
    pen.setWidth(0);
    pen.setStyle(drawStyle_ == DrawStyle::Dot ? Qt::DotLine : Qt::SolidLine);
    p.setPen(pen);
    p.drawLine(QPointF(std::nearbyint(x1 / tx), std::nearbyint(y1 / ty)),
               QPointF(std::nearbyint(x2 / tx), std::nearbyint(y2 / ty)));
    lineRuns_.push_back({x1, y1, x2, y2, drawStyle_ == DrawStyle::Dot, foreColor_});
    update();
}

void PictureBox::drawRgba(int x, int y, int w, int h, const icons::Rgba& rgba) {
    if (w <= 0 || h <= 0 || rgba.width <= 0 || rgba.height <= 0) return;
    const double r = canvasRatio_;
    const int dw = static_cast<int>(std::lround(w * r)), dh = static_cast<int>(std::lround(h * r));
    if (rgba.pixels.size() <
        static_cast<std::size_t>(rgba.width) * static_cast<std::size_t>(rgba.height) * 4)
        return;
    const QImage source(rgba.pixels.data(), rgba.width, rgba.height, rgba.width * 4,
                        QImage::Format_RGBA8888);
    ensureCanvas(std::min(x + w, 16384), std::min(y + h, 16384));
    QPainter p(&canvas_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Drawn at the canvas's own resolution; shrunk in one smooth step so large images stay sharp.
    QImage scaled = dw == rgba.width && dh == rgba.height
                        ? source.copy()
                        : source.scaled(dw, dh, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(r);
    p.drawImage(QPoint(x, y), scaled);
    imageRuns_.push_back(QRect(x, y, w, h));
    update();
}

double PictureBox::leftTwips() const {
    return x() * twipsPerPixelX();
}
double PictureBox::topTwips() const {
    return y() * twipsPerPixelY();
}

void PictureBox::setLeftTwips(double twips) {
    move(roundToInt(twips / twipsPerPixelX()), y());
}
void PictureBox::setTopTwips(double twips) {
    move(x(), roundToInt(twips / twipsPerPixelY()));
}

void PictureBox::setWidthTwips(double twips) {
    widthTwips_ = std::max(0.0, twips);
    settingSize_ = true;
    resize(roundToInt(widthTwips_ / twipsPerPixelX()), height());
    settingSize_ = false;
}

void PictureBox::setHeightTwips(double twips) {
    heightTwips_ = std::max(0.0, twips);
    settingSize_ = true;
    resize(width(), roundToInt(heightTwips_ / twipsPerPixelY()));
    settingSize_ = false;
}

void PictureBox::setGeometryTwips(double left, double top, double w, double h) {
    setLeftTwips(left);
    setTopTwips(top);
    setWidthTwips(w);
    setHeightTwips(h);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    p.fillRect(r, toQColor(backColor_));
    const double k = canvasRatio_;
    p.drawImage(QRectF(r), canvas_, QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k));
}

// --- The surface's device context: device pixels, as the icon functions expect ---

namespace {
// Hands the engine device pixels and draws what it chose into the logical rectangle asked.
class DeviceAdapter final : public icons::DeviceContext {
  public:
    DeviceAdapter(PictureBox& surface, QRect logical) : surface_(surface), logical_(logical) {}
    void drawRgba(int, int, int, int, const icons::Rgba& image) override {
        surface_.drawRgba(logical_.x(), logical_.y(), logical_.width(), logical_.height(), image);
    }

  private:
    PictureBox& surface_;
    QRect logical_;
};
} // namespace

bool DrawIconEx(SurfaceDC& hdc, int xLeft, int yTop, icons::HICON hIcon, int cxWidth, int cyWidth,
                unsigned istepIfAniCur, std::uintptr_t hbrFlickerFreeDraw, unsigned diFlags) {
    const int w = cxWidth > 0 ? cxWidth : 32;
    const int h = cyWidth > 0 ? cyWidth : 32;
    const double r = hdc.surface.deviceRatio();
    DeviceAdapter device(hdc.surface, QRect(xLeft, yTop, w, h));
    return ::DrawIconEx(device, static_cast<int>(std::lround(xLeft * r)),
                        static_cast<int>(std::lround(yTop * r)), hIcon,
                        static_cast<int>(std::lround(w * r)), static_cast<int>(std::lround(h * r)),
                        istepIfAniCur, hbrFlickerFreeDraw, diFlags);
}

bool DrawIcon(SurfaceDC& hDC, int X, int Y, icons::HICON hIcon) {
    return DrawIconEx(hDC, X, Y, hIcon, 32, 32, 0, 0, 3);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!settingSize_) {
        widthTwips_ = width() * twipsPerPixelX();
        heightTwips_ = height() * twipsPerPixelY();
    }
    ensureCanvas(width(), height());
}

} // namespace tess
