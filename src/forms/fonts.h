// The fonts the windows were designed with, as this platform has them, and a drop-down list
// whose long entries stay readable in its designed width.
#pragma once

#include <QComboBox>
#include <QFont>
#include <QString>

namespace tess {

// A design font on this platform. "Arial" is Liberation Sans (metric-compatible). "MS Sans
// Serif", for which every label, button and box of the windows was sized, is Liberation Sans at
// 10/11 of the size: 8.25 points become 7.5 (10 pixels at 96 DPI), at which the widest texts
// ("Save as type;", the file-type entries) fit their boxes. Any other name is taken as it is.
QFont windowsFont(const QString& name, double points);

// "MS Sans Serif" 8.25 points: the font of the windows' controls.
QFont designFont();

// A drop-down list that shows its chosen entry elided in the middle when it is wider than the
// box ("e: [/mnt/…/data]"), with the whole entry as the tooltip, and whole entries in its open
// list, which widens to the longest.
class ElidedComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit ElidedComboBox(QWidget* parent = nullptr);
    // The text the closed box shows.
    QString shownText() const;
    void showPopup() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tess
