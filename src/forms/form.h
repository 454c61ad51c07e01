// Window geometry in twips: outer left, top, width and height, and the inner (client) size.
#pragma once

#include <QWidget>

namespace tess::form {

double leftTwips(const QWidget& w);
double topTwips(const QWidget& w);
double widthTwips(const QWidget& w);  // outer
double heightTwips(const QWidget& w); // outer
double scaleWidth(const QWidget& w);  // inner
double scaleHeight(const QWidget& w); // inner

void move(QWidget& w, double leftTwips, double topTwips);
// Sets the outer size; the inner size follows by the frame's size.
void setOuterSize(QWidget& w, double widthTwips, double heightTwips);
void setOuterWidth(QWidget& w, double widthTwips);
void setOuterHeight(QWidget& w, double heightTwips);
void setClientSize(QWidget& w, double widthTwips, double heightTwips);

// Centres a window on another by their outer sizes, in twips; a negative left or top becomes 0,
// no other clamping is done.
void centreOn(QWidget& window, const QWidget& owner);

// The screen's size in twips.
double screenWidthTwips();
double screenHeightTwips();

} // namespace tess::form
