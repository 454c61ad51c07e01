// Paints the program's own icon and writes it for the build: an .ico of 16, 32, 48 and 256
// pixels (the small ones as 32-bit bitmaps, the large one as PNG), written with the icon engine's
// writer, and the PNGs the desktop's icon theme takes.
//   tessaline_icongen OUT.ico PNG_FOLDER
// writes OUT.ico and PNG_FOLDER/NxN/apps/tessaline.png.
#include "tessaline/icons.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <fstream>

namespace {

// A grid of icons, three by three, on a dark rounded square; the middle one is picked out.
QImage paint(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const double inset = s / 32.0;
    QPainterPath back;
    back.addRoundedRect(QRectF(inset, inset, s - 2 * inset, s - 2 * inset), s * 0.18, s * 0.18);
    p.fillPath(back, QColor(0x23, 0x2f, 0x45));

    static const QColor tiles[9] = {{0xf2, 0x9e, 0x4c}, {0x4c, 0xb8, 0xf2}, {0x8b, 0xd1, 0x5a},
                                    {0xe8, 0x5d, 0x75}, {0xff, 0xd3, 0x4e}, {0x9b, 0x7b, 0xe8},
                                    {0x4e, 0xd6, 0xc0}, {0xf2, 0x7a, 0x4c}, {0x6c, 0x9c, 0xf5}};
    const double margin = s * 0.16;
    const double gap = std::max(1.0, s * 0.05);
    const double tile = (s - 2 * margin - 2 * gap) / 3.0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const QRectF cell(margin + c * (tile + gap), margin + r * (tile + gap), tile, tile);
            QPainterPath path;
            path.addRoundedRect(cell, tile * 0.22, tile * 0.22);
            p.fillPath(path, tiles[r * 3 + c]);
        }
    }
    const double ring = std::max(1.0, s / 40.0);
    const QRectF middle(margin + tile + gap - ring, margin + tile + gap - ring, tile + 2 * ring,
                        tile + 2 * ring);
    p.setPen(QPen(Qt::white, ring * (size <= 16 ? 1.0 : 1.6)));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(middle, tile * 0.26, tile * 0.26);
    p.end();
    return image;
}

void put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A 32-bit bitmap as an icon stores it: the header with twice the height, the colour rows from
// the bottom up, then the AND mask (set where the picture is fully transparent).
std::vector<std::uint8_t> dib(const QImage& image) {
    const int w = image.width();
    const int h = image.height();
    const int maskRow = (w + 31) / 32 * 4;
    std::vector<std::uint8_t> b;
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(w));
    put32(b, static_cast<std::uint32_t>(h * 2));
    put16(b, 1);
    put16(b, 32);
    put32(b, 0);
    put32(b, static_cast<std::uint32_t>(w * h * 4 + maskRow * h));
    for (int i = 0; i < 4; ++i)
        put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x)
            put32(b, image.pixel(x, y)); // ARGB as a little-endian word is B, G, R, A
    }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(maskRow), 0);
        for (int x = 0; x < w; ++x) {
            if (qAlpha(image.pixel(x, y)) == 0)
                row[static_cast<std::size_t>(x / 8)] |= 0x80 >> (x % 8);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

tess::icons::IconImage entry(int size, tess::icons::ImageFormat format,
                             std::vector<std::uint8_t> bytes) {
    tess::icons::IconImage im = tess::icons::imageFromBytes(std::move(bytes));
    im.width = im.height = static_cast<std::uint8_t>(size >= 256 ? 0 : size);
    im.planes = 1;
    im.bitCount = 32;
    im.format = format;
    return im;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessaline_icongen OUT.ico PNG_FOLDER\n");
        return 2;
    }
    tess::icons::Icon icon;
    for (const int size : {16, 32, 48})
        icon.images.push_back(entry(size, tess::icons::ImageFormat::Dib, dib(paint(size))));
    const QByteArray large = png(paint(256));
    icon.images.push_back(entry(256, tess::icons::ImageFormat::Png,
                                std::vector<std::uint8_t>(large.begin(), large.end())));
    const std::vector<std::uint8_t> ico = tess::icons::writeIconFile(icon);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(ico.data()), static_cast<std::streamsize>(ico.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "tessaline_icongen: cannot write %s\n", argv[1]);
        return 1;
    }
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (!QDir().mkpath(folder) ||
            !paint(size).save(folder + QStringLiteral("/tessaline.png"), "PNG")) {
            std::fprintf(stderr, "tessaline_icongen: cannot write into %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
