// The windows' entry point: the program opens this library and calls tessaline_window_main when
// a window is wanted, so that the command-line actions never load Qt.
#include "app/frm_Vantorel.h"
#include "forms/environment.h"
#include "forms/win_icons.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A display that is named but can't be reached makes Qt give up while the application starts,
// with a warning and a page of advice about plugins. Say it in one line instead and end as a
// missing display does; what Qt says while starting is shown only once it has started.
QStringList startUpWarnings;

void startUpMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        const bool named = display && *display;
        std::fprintf(stderr,
                     "tessaline: can't open the display%s%s; use --help for the command line\n",
                     named ? " " : "", named ? display : "");
        std::_Exit(1);
    }
    if (type != QtDebugMsg && type != QtInfoMsg) startUpWarnings << message;
}

} // namespace

// argv[1] .. argv[argc - 1] are the files to load, options already taken off by the program; Qt
// sees only the program's name, so that no file name is read as one of its options.
extern "C" __attribute__((visibility("default"))) int tessaline_window_main(int argc, char** argv) {
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    const QtMessageHandler previous = qInstallMessageHandler(startUpMessages);
    QApplication app(qtArgc, qtArgv);
    qInstallMessageHandler(previous);
    for (const QString& warning : std::as_const(startUpWarnings))
        std::fprintf(stderr, "%s\n", warning.toLocal8Bit().constData());
    // The icon functions' handles, parsed files and decoded images, for the windows' life.
    const tess::forms::InstalledIconFunctions iconFunctions;
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
