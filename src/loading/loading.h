// Loading a file: drops, the command line, the open-file dialog and the list of well-known files
// all end in the window's load step; and the display's two colours.
#pragma once

#include "forms/common_dialog.h"
#include "forms/picture_box.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace tess::loading {

// The data of a drop: the full paths of the dropped objects, files and folders alike.
struct DropData {
    QStringList Files;
    int Count() const { return static_cast<int>(Files.size()); }
};

// What loading needs of the window that loads.
class Window {
  public:
    // The file the user loaded; "" when none.
    virtual QString loadedFile() const = 0;
    // The load step shared by every way of loading a file.
    virtual void loadStep(const QString& path) = 0;
    // Draws the grid of a file on the target again, or the instruction text before any file.
    virtual void displayIcons(const QString& filePath, PictureBox& target,
                              std::int16_t windowIconIndex) = 0;
    virtual void printInstructions() = 0;

  protected:
    ~Window() = default;
};

// A drop of files: exactly one, of an accepted type, is loaded; otherwise a message says why.
void dropFiles(Window& window, const DropData& Data);

// Files named on the command line, as a file manager passes them (bytes as pathFromBytes gives
// them, relative to the current folder or not): one whose content holds icons loads whatever its
// extension; otherwise they are taken as a drop of them would be.
void loadCommandLineFiles(Window& window, const QStringList& files);

// The open-file dialog, then the checks on the name chosen: found, then of an accepted type.
void loadFromDialog(Window& window, CommonDialog& comm_LoadFile);

// The length of the file a path names, by the look-up that loading it uses; -1 when there is none.
std::int32_t fileLength(const QString& path);

// Entry index of the list of well-known files: its full path, or its name alone; "" past the end.
QString knownFile(std::int16_t index, bool fullPath);

// Loads entry Index of the list, or says that its file is not there.
void loadKnownFile(Window& window, std::int16_t Index);

// Picks the text or background colour of the surface through the colour dialog: a colour equal
// to the other one is refused; the display is drawn again in the new colours.
void chooseTextColour(Window& window, CommonDialog& comm_LoadFile, PictureBox& surface);
void chooseBackgroundColour(Window& window, CommonDialog& comm_LoadFile, PictureBox& surface);

} // namespace tess::loading
