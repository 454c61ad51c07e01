// The information window: a markup text drawn on the window itself, optionally an icon drawn
// large in a box under it, and an OK button. It exists only while it is shown.
#pragma once

#include "forms/picture_box.h"

#include <QDialog>

class QPushButton;

class frm_IconInfo : public QDialog {
    Q_OBJECT
  public:
    explicit frm_IconInfo(QWidget* parent = nullptr);

    // The window's own drawing surface, under the controls and as large as the inner area.
    tess::PictureBox* surface = nullptr;

    // --- Controls ---
    QPushButton* com_OK = nullptr;
    tess::PictureBox* pic_IconDisplay = nullptr; // the icon box
    tess::PictureBox* pic_AppLogo = nullptr;     // the logo box

    void com_OK_Click();

    // The OK button's geometry in twips.
    double okLeftTwips() const;
    double okTopTwips() const;
    double okWidthTwips() const;
    double okHeightTwips() const;
    void setOkLeftTwips(double twips);
    void setOkTopTwips(double twips);

  protected:
    void resizeEvent(QResizeEvent* event) override;
};
