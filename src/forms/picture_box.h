// A picture surface: a widget backed by a canvas that keeps everything drawn on it.
// Positions are in twips; colours are 0x00BBGGRR values.
#pragma once

#include "forms/colour.h"
#include "forms/win_icons.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace tess {

// One piece of text as it was drawn: position in twips and the font in force.
struct TextRun {
    QString text;
    double x = 0;
    double y = 0;
    QString fontName;
    double fontSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::uint32_t colour = 0;
};

// One line as it was drawn, in twips.
struct LineRun {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool dotted = false;
    std::uint32_t colour = 0;
};

enum class DrawStyle { Solid = 0, Dot = 2 };

class PictureBox;

// A surface's device context. As on Windows the icon functions work in device pixels, so the
// overloads below take positions and sizes in the surface's logical pixels and hand the engine
// the device's: on a high-density screen an icon is drawn from its image for the device size.
struct SurfaceDC {
    PictureBox& surface;
};
bool DrawIcon(SurfaceDC& hDC, int X, int Y, icons::HICON hIcon);
bool DrawIconEx(SurfaceDC& hdc, int xLeft, int yTop, icons::HICON hIcon, int cxWidth, int cyWidth,
                unsigned istepIfAniCur, std::uintptr_t hbrFlickerFreeDraw, unsigned diFlags);

class PictureBox : public QWidget {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent = nullptr);

    std::uint32_t foreColor() const { return foreColor_; }
    void setForeColor(std::uint32_t bgr);
    std::uint32_t backColor() const { return backColor_; }
    void setBackColor(std::uint32_t bgr);

    QString fontName() const { return font_.family(); }
    void setFontName(const QString& name);
    double fontSize() const { return font_.pointSizeF(); }
    void setFontSize(double points);
    bool fontBold() const { return font_.bold(); }
    void setFontBold(bool on) { font_.setBold(on); }
    bool fontItalic() const { return font_.italic(); }
    void setFontItalic(bool on) { font_.setItalic(on); }
    bool fontUnderline() const { return font_.underline(); }
    void setFontUnderline(bool on) { font_.setUnderline(on); }
    bool fontStrikethrough() const { return font_.strikeOut(); }
    void setFontStrikethrough(bool on) { font_.setStrikeOut(on); }
    const QFont& drawingFont() const { return font_; }

    // Persistent drawing is always kept; the flag is held for the callers that set it.
    bool autoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool on) { autoRedraw_ = on; }
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);

    // Erases all drawing down to the picture; the print position goes to the top left.
    void cls();
    // A new picture erases all drawing; an empty one leaves the bare background.
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    // What the surface shows: the picture and everything drawn on it, at the surface's size.
    QImage image() const;

    double currentX() const { return currentX_; }
    double currentY() const { return currentY_; }
    void setCurrentX(double twips) { currentX_ = twips; }
    void setCurrentY(double twips) { currentY_ = twips; }

    // Prints text at the print position and moves x on by its width.
    void printText(const QString& text);
    // Breaks the line: x to 0, y down by the line height of the current font.
    void newLine();
    // Prints text and breaks the line.
    void print(const QString& text) {
        printText(text);
        newLine();
    }

    double textWidth(const QString& text) const; // twips
    double textHeight() const;                   // twips, one line of the current font

    DrawStyle drawStyle() const { return drawStyle_; }
    void setDrawStyle(DrawStyle style) { drawStyle_ = style; }
    // A line in the text colour, in twips.
    void line(double x1, double y1, double x2, double y2);

    // The device context the icon functions draw into.
    SurfaceDC& hDC() { return dc_; }
    // Draws the image scaled to w x h logical pixels at (x, y), at the canvas's resolution.
    void drawRgba(int x, int y, int w, int h, const icons::Rgba& image);

    // Device pixels per logical pixel of the canvas: the screen's, so that icons and text are
    // drawn at full resolution on a high-density screen.
    double deviceRatio() const { return canvasRatio_; }
    // Tests may pin the ratio new canvases take; 0 returns to the screen's own.
    static void setDevicePixelRatioForTests(double ratio);

    // Geometry in twips; fractions are kept, the widget takes the nearest whole pixel.
    double leftTwips() const;
    double topTwips() const;
    double widthTwips() const { return widthTwips_; }
    double heightTwips() const { return heightTwips_; }
    void setLeftTwips(double twips);
    void setTopTwips(double twips);
    void setWidthTwips(double twips);
    void setHeightTwips(double twips);
    void setGeometryTwips(double left, double top, double width, double height);

    // What has been drawn since the last clear: for observers and tests.
    const std::vector<TextRun>& textRuns() const { return textRuns_; }
    const std::vector<LineRun>& lineRuns() const { return lineRuns_; }
    const std::vector<QRect>& imageRuns() const { return imageRuns_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ensureCanvas(int w, int h);
    void resetCanvas();
    double ratio() const;
    QSize canvasSize() const; // logical pixels
    QImage newCanvas(int w, int h, double r) const;

    SurfaceDC dc_{*this};
    QImage canvas_;
    double canvasRatio_ = 1;
    QImage picture_;
    QFont font_;
    std::uint32_t foreColor_ = 0x000000;
    std::uint32_t backColor_ = 0xFFFFFF;
    bool autoRedraw_ = true;
    bool autoSize_ = false;
    double currentX_ = 0;
    double currentY_ = 0;
    double widthTwips_ = 0;
    double heightTwips_ = 0;
    bool settingSize_ = false;
    DrawStyle drawStyle_ = DrawStyle::Solid;
    std::vector<TextRun> textRuns_;
    std::vector<LineRun> lineRuns_;
    std::vector<QRect> imageRuns_;
};

} // namespace tess
