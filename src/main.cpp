// The program: the main window, or a command-line action when the first argument asks for one.
#include "app/frm_Vantorel.h"
#include "platform/window/version_info.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
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
                "       tessaline --version | --help\n\n"
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
        if (args[0].size() > 1 && args[0][0] == '-' && args[0] != "--") {
            std::fprintf(stderr, "tessaline: unknown option %s (try --help)\n", args[0].c_str());
            return 2;
        }
    }

    QApplication app(argc, argv);
    frm_Vantorel window;
    window.show();
    // A file named on the command line loads as a drop of that one file would.
    const std::size_t first = (!args.empty() && args[0] == "--") ? 1 : 0;
    if (args.size() > first) {
        const QString file = QString::fromLocal8Bit(args[first].c_str());
        QTimer::singleShot(0, &window, [&window, file] {
            DropData data;
            data.Files << file;
            std::int32_t effect = 0;
            std::int16_t button = 0;
            std::int16_t shift = 0;
            float x = 0;
            float y = 0;
            window.pic_IconDisplay_OLEDragDrop(data, effect, button, shift, x, y);
        });
    }
    return app.exec();
}
