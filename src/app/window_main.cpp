// The windows' entry point: the program opens this library and calls tessaline_window_main when
// a window is wanted, so that the command-line actions never load Qt.
#include "app/frm_Vantorel.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdint>

// argv[1] .. argv[argc - 1] are the files to load, options already taken off by the program; Qt
// sees only the program's name, so that no file name is read as one of its options.
extern "C" __attribute__((visibility("default"))) int tessaline_window_main(int argc, char** argv) {
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    frm_Vantorel window;
    window.show();
    // Files named on the command line load as a drop of them would: by their full paths, and
    // several at once get the message a drop of several gets.
    if (argc > 1) {
        DropData data;
        for (int i = 1; i < argc; ++i)
            data.Files << QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, data]() mutable {
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
