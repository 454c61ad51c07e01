// The program: the main window, or a command-line action when the first argument asks for one.
#include "app/frm_Vantorel.h"
#include "cli/extract.h"
#include "cli/list.h"
#include "platform/window/environment.h"
#include "platform/window/version_info.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

void printVersion() {
    const tess::VersionInfo& v = tess::versionInfo();
    std::printf("%s %d.%d.%d.%d\n", v.productName, v.major, v.minor, v.patch, v.revision);
}

void printHelp() {
    const tess::VersionInfo& v = tess::versionInfo();
    std::printf("Usage: tessaline [FILE]\n"
                "       tessaline --list [--json] FILE...\n"
                "       tessaline --extract [--format ico|png] [--size N] [--index N] [-o DIR] "
                "[--force] FILE...\n"
                "       tessaline --thumbnail INPUT OUTPUT.png SIZE\n"
                "       tessaline --version | --help\n\n"
                "With FILE, or none, the window opens (with FILE loaded). --list prints each file's\n"
                "icons and their images; --extract writes each icon as NAME_INDEX.ico (its images as\n"
                "stored) or NAME_INDEX.png (its best image for --size, the largest by default) and\n"
                "never replaces a file without --force; --thumbnail writes a PNG of the first icon.\n"
                "Exit status: 0 when every file was read, 1 when any was unreadable or held no icons,\n"
                "2 for wrong usage.\n\n"
                "%s\n%s\n",
                v.fileDescription, v.comments);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty()) {
        if (args[0] == "--version") {
            printVersion();
            return 0;
        }
        if (args[0] == "--help" || args[0] == "-h") {
            printHelp();
            return 0;
        }
        if (args[0] == "--list") return tess::cli::runList(args, std::cout, std::cerr);
        if (args[0] == "--extract") return tess::cli::runExtract(args, std::cout, std::cerr);
        if (args[0] == "--thumbnail") return tess::cli::runThumbnail(args, std::cout, std::cerr);
        if (args[0].size() > 1 && args[0][0] == '-' && args[0] != "--") {
            std::fprintf(stderr, "tessaline: unknown option %s (try --help)\n", args[0].c_str());
            return 2;
        }
    }

    QApplication app(argc, argv);
    frm_Vantorel window;
    window.show();
    // Files named on the command line: by their bytes; one holding icons loads whatever its
    // extension, several get the message a drop of several gets.
    const std::size_t first = (!args.empty() && args[0] == "--") ? 1 : 0;
    if (args.size() > first) {
        QStringList files;
        for (std::size_t i = first; i < args.size(); ++i)
            files << tess::pathFromBytes(QByteArrayView(args[i].data(), static_cast<qsizetype>(args[i].size())));
        QTimer::singleShot(0, &window, [&window, files] { window.loadCommandLineFiles(files); });
    }
    return app.exec();
}
