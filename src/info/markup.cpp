#include "info/markup.h"

#include "forms/format.h"
#include "forms/twips.h"

#include <cmath>

namespace tess::info {

namespace {

// Handles the tag at the start of the line (the line starts with "<"), one tag per pass: a
// matched tag is removed but for its ">", and then one more character goes, the ">" of the tag
// or the "<" that started none.
void takeTag(PictureBox& surface, QString& line) {
    if (line.startsWith(u"<B>")) {
        surface.setFontBold(true);
        line.remove(0, 2);
    }
    if (line.startsWith(u"<b>")) {
        surface.setFontBold(false);
        line.remove(0, 2);
    }
    if (line.startsWith(u"<U>")) {
        surface.setFontUnderline(true);
        line.remove(0, 2);
    }
    if (line.startsWith(u"<u>")) {
        surface.setFontUnderline(false);
        line.remove(0, 2);
    }
    if (line.startsWith(u"<I>")) {
        surface.setFontItalic(true);
        line.remove(0, 2);
    }
    if (line.startsWith(u"<i>")) {
        surface.setFontItalic(false);
        line.remove(0, 2);
    }
    if (line.startsWith(u"<SIZE=")) {
        line.remove(0, 6);
        const double size = val(line);
        if (size > 0) surface.setFontSize(size);
        const qsizetype close = line.indexOf(u'>');
        line.remove(0, close < 0 ? line.size() : close);
    }
    line.remove(0, 1);
}

} // namespace

std::int32_t drawMarkup(PictureBox& surface, const QString& text, std::int32_t minRightEdge) {
    surface.setCurrentX(LeftMargin);
    surface.setCurrentY(FirstLineTop);
    surface.setFontName(QStringLiteral("Arial"));
    surface.setFontSize(8);
    surface.setFontBold(false);
    surface.setFontItalic(false);
    surface.setFontUnderline(false);
    surface.setFontStrikethrough(false);

    std::int32_t rightEdge = minRightEdge;
    QStringView remaining(text);
    while (!remaining.isEmpty()) {
        surface.setCurrentX(LeftMargin);
        const qsizetype end = remaining.indexOf(CrLf);
        QString line = (end < 0 ? remaining : remaining.left(end)).toString();
        remaining = end < 0 ? QStringView() : remaining.mid(end + CrLf.size());

        while (!line.isEmpty()) {
            const QChar c = line.front();
            if (c == u'\t') {
                const double x = roundHalfEven(surface.currentX());
                surface.setCurrentX((std::floor(x / TabStop) + 1) * TabStop);
                line.remove(0, 1);
            } else if (c == u'<') {
                takeTag(surface, line);
            } else {
                // A character outside the basic plane is drawn whole.
                const qsizetype n = c.isHighSurrogate() && line.size() > 1 ? 2 : 1;
                surface.printText(line.left(n));
                line.remove(0, n);
            }
        }
        if (surface.currentX() > rightEdge) rightEdge = roundToInt(surface.currentX());
        surface.newLine();
    }
    return rightEdge;
}

} // namespace tess::info
