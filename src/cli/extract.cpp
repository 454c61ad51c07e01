#include "cli/extract.h"

#include "platform/icons/icons.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <climits>
#include <optional>
#include <thread>

namespace tess::cli {
namespace {

constexpr const char* kExtractUsage =
    "usage: tessaline --extract [--format ico|png] [--size N] [--index N] [-o DIR] [--force] "
    "FILE...\n";
constexpr const char* kThumbnailUsage = "usage: tessaline --thumbnail INPUT OUTPUT.png SIZE\n";
constexpr int kMaxSize = 4096;

std::optional<int> number(const std::string& text, int lowest, int highest) {
    int v = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || v < lowest || v > highest) return std::nullopt;
    return v;
}

QString qpath(const std::string& s) {
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}
std::string local(const QString& s) { return s.toLocal8Bit().toStdString(); }

// The icon's best image for a size that decodes: where the best is damaged, the next serves.
std::optional<QImage> bestPicture(const icons::Icon& icon, int size) {
    for (const std::size_t i : icons::imagesBySuitability(icon, size)) {
        const std::optional<icons::Rgba> rgba = icons::decodeImage(icon.images[i]);
        if (!rgba) continue;
        const QImage view(rgba->pixels.data(), rgba->width, rgba->height, rgba->width * 4,
                          QImage::Format_RGBA8888);
        return view.copy();
    }
    return std::nullopt;
}

QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return bytes;
}

// Writes bytes to path: never over an existing file unless forced, and never a partly written
// file in place of a good one.
bool writeOut(const QString& path, const QByteArray& bytes, bool force, std::string& error) {
    if (force) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            error = local(file.errorString());
            return false;
        }
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        error = QFileInfo::exists(path) || QFileInfo(path).isSymLink()
                    ? std::string("already exists (--force replaces it)")
                    : local(file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        error = local(file.errorString());
        file.close();
        file.remove();
        return false;
    }
    return true;
}

// Reads a file for a command; reports and returns nothing where it holds no icons.
std::optional<icons::IconFile> iconsOf(const std::string& path, std::ostream& err) {
    icons::IconFile file = icons::readIconFile(path);
    if (file.status == icons::FileStatus::Unreadable) {
        err << "tessaline: " << path << ": unreadable: " << file.error << "\n";
        return std::nullopt;
    }
    if (file.status == icons::FileStatus::NotAnIconFile || file.icons.empty()) {
        err << "tessaline: " << path << ": not an icon file\n";
        return std::nullopt;
    }
    return file;
}

struct ExtractOptions {
    bool png = false;
    int size = INT_MAX; // the largest image
    std::optional<int> index;
    QString folder = QStringLiteral(".");
    bool force = false;
    std::vector<std::string> files;
};

// Parses the options; returns an exit status where the command ends here.
std::optional<int> parse(const std::vector<std::string>& args, ExtractOptions& o, std::ostream& out,
                         std::ostream& err) {
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i == 0 && a == "--extract") continue;
        const auto value = [&]() -> const std::string* {
            return i + 1 < args.size() ? &args[++i] : nullptr;
        };
        if (!options || a.size() < 2 || a[0] != '-') {
            o.files.push_back(a);
        } else if (a == "--") {
            options = false;
        } else if (a == "-h" || a == "--help") {
            out << kExtractUsage;
            return 0;
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "--format") {
            const std::string* v = value();
            if (!v || (*v != "ico" && *v != "png")) {
                err << "tessaline: --format takes ico or png\n" << kExtractUsage;
                return 2;
            }
            o.png = *v == "png";
        } else if (a == "--size" || a == "--index") {
            const std::string* v = value();
            const std::optional<int> n =
                v ? number(*v, a == "--size" ? 1 : 0, a == "--size" ? kMaxSize : INT_MAX)
                  : std::nullopt;
            if (!n) {
                err << "tessaline: " << a << " takes a number" << (a == "--size" ? " from 1 to 4096" : "")
                    << "\n"
                    << kExtractUsage;
                return 2;
            }
            (a == "--size" ? o.size : o.index.emplace()) = *n;
        } else if (a == "-o" || a == "--output") {
            const std::string* v = value();
            if (!v) {
                err << "tessaline: -o takes a folder\n" << kExtractUsage;
                return 2;
            }
            o.folder = qpath(*v);
        } else {
            err << "tessaline: unknown option " << a << "\n" << kExtractUsage;
            return 2;
        }
    }
    if (o.files.empty()) {
        err << kExtractUsage;
        return 2;
    }
    if (!QFileInfo(o.folder).isDir()) {
        err << "tessaline: " << local(o.folder) << ": not a folder\n";
        return 2;
    }
    return std::nullopt;
}

} // namespace

int runExtract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ExtractOptions o;
    if (const std::optional<int> done = parse(args, o, out, err)) return *done;
    const QDir folder(o.folder);
    int status = 0;
    for (const std::string& path : o.files) {
        const std::optional<icons::IconFile> file = iconsOf(path, err);
        if (!file) {
            status = 1;
            continue;
        }
        std::size_t first = 0;
        std::size_t last = file->icons.size();
        if (o.index) {
            if (static_cast<std::size_t>(*o.index) >= file->icons.size()) {
                err << "tessaline: " << path << ": no icon " << *o.index << " (it has "
                    << file->icons.size() << ")\n";
                status = 1;
                continue;
            }
            first = static_cast<std::size_t>(*o.index);
            last = first + 1;
        }
        const QString name = QFileInfo(qpath(path)).completeBaseName();
        // Encoding and writing go on in parallel (file creation is most of the time); the lines
        // are printed in the icons' order afterwards.
        struct Outcome {
            QString target;
            std::string error;
        };
        std::vector<Outcome> outcomes(last - first);
        std::atomic<std::size_t> next{first};
        const auto work = [&] {
            for (std::size_t i; (i = next++) < last;) {
                const icons::Icon& icon = file->icons[i];
                const QString suffix = o.png ? QStringLiteral("png")
                                             : (icon.cursor ? QStringLiteral("cur") : QStringLiteral("ico"));
                Outcome& r = outcomes[i - first];
                r.target = folder.filePath(QStringLiteral("%1_%2.%3").arg(name).arg(i).arg(suffix));
                QByteArray bytes;
                if (o.png) {
                    if (const std::optional<QImage> picture = bestPicture(icon, o.size))
                        bytes = pngBytes(*picture);
                } else {
                    const std::vector<std::uint8_t> ico =
                        icon.cursor ? icons::writeCursorFile(icon) : icons::writeIconFile(icon);
                    bytes = QByteArray(reinterpret_cast<const char*>(ico.data()),
                                       static_cast<qsizetype>(ico.size()));
                }
                if (bytes.isEmpty())
                    r.error = "no image that can be decoded";
                else
                    writeOut(r.target, bytes, o.force, r.error);
            }
        };
        const std::size_t helpers =
            std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()) - 1, 3,
                                   (last - first) / 8});
        std::vector<std::thread> threads;
        for (std::size_t t = 0; t < helpers; ++t)
            threads.emplace_back(work);
        work();
        for (std::thread& t : threads)
            t.join();
        for (const Outcome& r : outcomes) {
            if (r.error.empty()) {
                out << local(r.target) << "\n";
            } else {
                err << "tessaline: " << local(r.target) << ": " << r.error << "\n";
                status = 1;
            }
        }
    }
    out.flush();
    return status;
}

int runThumbnail(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    const std::size_t skip = !args.empty() && args[0] == "--thumbnail" ? 1 : 0;
    const std::optional<int> size =
        args.size() == skip + 3 ? number(args[skip + 2], 1, kMaxSize) : std::nullopt;
    if (!size) {
        err << kThumbnailUsage;
        return 2;
    }
    const std::optional<icons::IconFile> file = iconsOf(args[skip], err);
    if (!file) return 1;
    std::optional<QImage> picture;
    for (const icons::Icon& icon : file->icons) {
        if ((picture = bestPicture(icon, *size))) break;
    }
    if (!picture) {
        err << "tessaline: " << args[skip] << ": no icon can be decoded\n";
        return 1;
    }
    if (picture->width() > *size || picture->height() > *size)
        *picture = picture->scaled(*size, *size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    std::string error;
    if (!writeOut(qpath(args[skip + 1]), pngBytes(*picture), true, error)) {
        err << "tessaline: " << args[skip + 1] << ": " << error << "\n";
        return 1;
    }
    return 0;
}

} // namespace tess::cli
