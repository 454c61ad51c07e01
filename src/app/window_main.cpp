// The windows' entry point: the program opens this library and calls tessaline_window_main when
// a window is wanted, so that the command-line actions never load Qt.
#include "app/frm_Vantorel.h"
#include "platform/window/environment.h"

#include <QApplication>
#include <QTimer>
#include <cstring>

// argv[1] .. argv[argc - 1] are the files to load, options already taken off by the program; Qt
// sees only the program's name, so that no file name is read as one of its options.
extern "C" __attribute__((visibility("default"))) int tessaline_window_main(int argc, char** argv) {
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    frm_Vantorel window;
    window.show();
    // Files named on the command line: by their bytes; one holding icons loads whatever its
    // extension, several get the message a drop of several gets.
    if (argc > 1) {
        QStringList files;
        for (int i = 1; i < argc; ++i)
            files << tess::pathFromBytes(
                QByteArrayView(argv[i], static_cast<qsizetype>(std::strlen(argv[i]))));
        QTimer::singleShot(0, &window, [&window, files] { window.loadCommandLineFiles(files); });
    }
    return app.exec();
}
