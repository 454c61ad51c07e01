// The main window under recorders, and its controls found by their names.
#pragma once

#include "app/frm_Vantorel.h"
#include "support/recorders.h"

#include <stdexcept>
#include <string>

namespace tess::testing {

// A window's control by its name (a menu item among the menu's children).
template <class T> T& control(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QLatin1String(name));
    return found ? *found : throw std::logic_error(std::string("no control ") + name);
}
inline PictureBox& surface(const frm_Vantorel& w) {
    return control<PictureBox>(w, "pic_IconDisplay");
}
inline QAction& item(const frm_Vantorel& w, const char* name) {
    return control<QAction>(w, name);
}
inline Timer& timer(const frm_Vantorel& w) {
    return control<Timer>(w, "tim_UpdateDisplayTimer");
}

// Drops the files on the main window as the desktop would; a drop never changes the effect.
inline void drop(frm_Vantorel& w, QStringList files) {
    loading::DropData data{std::move(files)};
    std::int32_t effect = 7;
    std::int16_t button = 0, shift = 0;
    float x = 0, y = 0;
    w.Form_OLEDragDrop(data, effect, button, shift, x, y);
    EXPECT_EQ(effect, 7);
}

// The main window under recorders, four columns wide, the test's folder for the Windows folder
// and no Wine; a file of three icons, shown when asked.
struct MainWindow {
    RecordingServices rec;
    TempDir dir;
    QString three = dir.write("three.dll", fixtures::makeSolidPe(3));
    ScopedEnv env{{"SystemRoot", dir.path().toUtf8()}, {"WINEPREFIX", dir.file("none").toUtf8()}};
    frm_Vantorel w;
    explicit MainWindow(bool showThree = false) {
        surface(w).setWidthTwips(5 * 570);
        if (showThree) w.loadCommandLineFiles({three});
    }
    // What the user has seen, the folder as "~": the file loaded ("-": none; the caption if it
    // does not name it), icons, the information item, "[windows]", message titles, menus.
    QString seen() const {
        const QString f = w.state().loadedFile.isEmpty() ? "-" : w.state().loadedFile;
        const bool named =
            w.windowTitle() == (f == "-" ? "EXE or DLL file icons." : "Icons from; " + f);
        QStringList s{named ? f : "caption " + w.windowTitle(),
                      QString::number(w.state().iconCount), item(w, "menu_IconInformation").text()};
        for (const QString& c : rec.modal->captions)
            s << "[" + c + "]";
        for (const ShownMessage& m : rec.messages->shown)
            s << m.title;
        if (!rec.popup->menus.empty()) s << QString::number(rec.popup->menus.size()) + " menu";
        return s.join(" | ").replace(dir.path(), "~");
    }
};

} // namespace tess::testing
