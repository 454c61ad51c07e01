// Writing the picture file: the path, the content for its extension, and the atomic write.
#include "forms/environment.h"
#include "forms/failure.h"
#include "forms/format.h"
#include "forms/services.h"
#include "forms/version_info.h"
#include "fs/durable_writer.h"
#include "save/frm_SaveBox.h"
#include "tessaline/icons.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageWriter>
#include <gif_lib.h>

using namespace tess;

namespace {

// The extensions of the five file types, in the order of the type list.
const QStringList TypeExtensions = {QStringLiteral(".bmp"), QStringLiteral(".ico"),
                                    QStringLiteral(".gif"), QStringLiteral(".jpeg"),
                                    QStringLiteral(".gfm")};

QString nameExtension(const QString& name) {
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > slash ? name.mid(dot).toLower() : QString();
}

std::vector<std::uint8_t> toBytes(const QByteArray& a) {
    return {a.begin(), a.end()};
}

QByteArray qtEncoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) writer.setQuality(quality);
    if (!writer.write(image))
        throw Failure(failure::PathFileAccess,
                      QStringLiteral("The picture could not be encoded: ") + writer.errorString());
    return out;
}

int gifWrite(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

// A GIF of at most 256 colours: the picture's own colours when it has that few, otherwise the
// nearest colours of a 6 x 7 x 6 cube.
QByteArray gifEncoded(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535)
        throw Failure(failure::PathFileAccess, QStringLiteral("The picture is empty."));
    QHash<QRgb, int> index;
    std::vector<QRgb> palette;
    for (int y = 0; y < h && palette.size() <= 256; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w && palette.size() <= 256; ++x) {
            const QRgb c = row[x] | 0xFF000000u;
            if (!index.contains(c)) {
                index.insert(c, static_cast<int>(palette.size()));
                palette.push_back(c);
            }
        }
    }
    const bool exact = palette.size() <= 256;
    if (!exact) {
        palette.clear();
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 7; ++g)
                for (int b = 0; b < 6; ++b)
                    palette.push_back(qRgb(r * 255 / 5, g * 255 / 6, b * 255 / 5));
    }
    auto colourIndex = [&](QRgb c) {
        if (exact) return index.value(c | 0xFF000000u);
        const int r = (qRed(c) * 5 + 127) / 255, g = (qGreen(c) * 6 + 127) / 255,
                  b = (qBlue(c) * 5 + 127) / 255;
        return (r * 7 + g) * 6 + b;
    };
    std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i)
        colours[i] = GifColorType{static_cast<GifByteType>(qRed(palette[i])),
                                  static_cast<GifByteType>(qGreen(palette[i])),
                                  static_cast<GifByteType>(qBlue(palette[i]))};

    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, gifWrite, &error);
    if (!gif) throw Failure(failure::PathFileAccess, QString::fromUtf8(GifErrorString(error)));
    struct Closer {
        GifFileType* g;
        ~Closer() {
            if (g) EGifCloseFile(g, nullptr);
        }
    } closer{gif};
    const std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(
        GifMakeMapObject(256, colours.data()), GifFreeMapObject);
    auto check = [&](int rc) {
        if (rc == GIF_ERROR)
            throw Failure(failure::PathFileAccess, QString::fromUtf8(GifErrorString(gif->Error)));
    };
    EGifSetGifVersion(gif, true);
    check(EGifPutScreenDesc(gif, w, h, 8, 0, map.get()));
    check(EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr));
    std::vector<GifPixelType> line(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            line[static_cast<std::size_t>(x)] = static_cast<GifPixelType>(colourIndex(row[x]));
        check(EGifPutLine(gif, line.data(), w));
    }
    closer.g = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        throw Failure(failure::PathFileAccess, QString::fromUtf8(GifErrorString(error)));
    return out;
}

} // namespace

namespace tess::save {

QString savePath(const QString& folder, const QString& name, int typePosition) {
    QString trimmed = folder;
    while (!trimmed.isEmpty() && (trimmed.endsWith(u'\\') || trimmed.endsWith(u'/')))
        trimmed.chop(1);
    const QString full = trimmed + QDir::separator() + name;
    if (TypeExtensions.contains(nameExtension(name))) return full;
    return full + TypeExtensions.value(typePosition, TypeExtensions.front());
}

std::vector<std::uint8_t> pictureFileBytes(const QString& path, const QImage& picture,
                                           const icons::Icon* icon) {
    const QString ext = nameExtension(QFileInfo(path).fileName());
    if (ext == QStringLiteral(".ico")) {
        if (icon && !icon->images.empty()) return icons::writeIconFile(*icon);
        return toBytes(qtEncoded(picture, "ico"));
    }
    if (picture.isNull())
        throw Failure(failure::PathFileAccess, QStringLiteral("There is no picture to save."));
    const QImage opaque = picture.convertToFormat(QImage::Format_RGB32);
    if (ext == QStringLiteral(".gif")) return toBytes(gifEncoded(opaque));
    if (ext == QStringLiteral(".jpeg")) return toBytes(qtEncoded(opaque, "jpeg", 92));
    return toBytes(qtEncoded(opaque, "bmp")); // .bmp, and .gfm which has no encoder of its own
}

void writeFileAtomically(const QString& path, const std::vector<std::uint8_t>& bytes) {
    if (const int error =
            files::writeFile(pathToBytes(path).toStdString(), bytes, files::Mode::replace))
        throw failureFromErrno(error);
}

} // namespace tess::save

void frm_SaveBox::com_Save_Click() {
    const QString product = productName();
    QString fullPath;
    try {
        fullPath = dir_DirectoryList->path();
        fullPath =
            save::savePath(fullPath, com_FileName->currentText(), com_FileType->currentIndex());
        if (fileLength(fullPath) >= 0) {
            const int answer = services().messageBox->msgBox(
                QStringLiteral("WARNING;") + CrLf + QStringLiteral("File ") +
                    displayPath(fullPath) + CrLf + com_FileName->currentText() +
                    QStringLiteral(" already exists.") + CrLf + CrLf +
                    QStringLiteral("Do you wish to overwrite this file?"),
                mb::WarningYesNoDefaultNo, product + QStringLiteral(" - File already exists."));
            if (answer != mb::AnswerYes) return;
        }
        save::writeFileAtomically(
            fullPath, save::pictureFileBytes(fullPath, pic_IconImage->picture(), savedIcon.get()));
        saveDirectory = dir_DirectoryList->path();
        close();
    } catch (const Failure& f) {
        const QString text =
            f.number() == failure::PathFileAccess
                ? QStringLiteral("Can't save file;") + CrLf + displayPath(fullPath) + CrLf + CrLf +
                      QStringLiteral("Access denied by drive, directory or file.") + CrLf + CrLf +
                      QStringLiteral(
                          "If overwriting an old file, check that the file is not locked.") +
                      CrLf + QStringLiteral("Check drive and directory can be written to.") + CrLf +
                      QStringLiteral("(Eg. Not a CD-ROM or a locked floppy disc)")
                : QStringLiteral("File save error with file;") + CrLf + displayPath(fullPath) +
                      CrLf + CrLf + QStringLiteral("Error message; \t") + f.description() + CrLf +
                      QStringLiteral("Error number; \t") +
                      formatPicture(f.number(), QStringLiteral("##,###,###,###,##0.#####"));
        services().messageBox->msgBox(text, mb::WarningOk,
                                      product + QStringLiteral(" - Saving file error."));
    }
}
