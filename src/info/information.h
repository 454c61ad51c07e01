// Showing a markup text, and optionally one icon drawn large, in the information window: the
// information on an icon, the refusal of a request and the About text.
#pragma once

#include "forms/picture_box.h"

#include <QString>
#include <QWidget>
#include <cstdint>

namespace tess::info {

// The window that asks: the information window is its child, takes its icon and is centred on
// it; the icon box takes the colours of its display.
struct Asker {
    QWidget& window;
    const PictureBox& display;
};

// Draws infoText (markup) on the information window under captionText ("?" for the standard
// caption and text), with icon iconNumber of iconFile drawn large under it when there is one
// (and as the logo too when iconAsLogo); the window is as wide as the text, at least
// minRightEdge, the icon box at most maxIconRightEdge. Shown modally.
void showInformation(const Asker& asker, QString captionText, QString infoText, QString iconFile,
                     std::int32_t iconNumber, std::int16_t iconAsLogo, std::int32_t minRightEdge,
                     std::int32_t maxIconRightEdge);

// The information on the icon whose number a menu caption holds, or the refusal when the file
// on display has no such icon.
void showIconInformation(const Asker& asker, const QString& menuCaption,
                         const QString& displayedFile, std::int32_t iconCount);

// The About text.
void showAbout(const Asker& asker);

} // namespace tess::info
