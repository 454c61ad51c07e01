// The design font fits every designed box its texts, and long drive texts stay readable.
#include "platform/window/fonts.h"
#include "platform/window/twips.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <gtest/gtest.h>

using namespace tess;

namespace {

enum class Box { Label, BoldLabel, Button, DropDown };

TEST(Fonts, TheDesignFontFitsTheDesignedBoxes) {
    const struct {
        Box kind;
        double width, height; // twips, as designed
        QString text;
    } boxes[] = {
        {Box::Label, 825, 195, "Save &in;"},
        {Box::Label, 1440, 195, "File &name;"},
        {Box::Label, 1335, 195, "Save as &type;"},
        {Box::BoldLabel, 6255, 255, "C:\\"},
        {Box::Button, 1095, 375, "&Save"},
        {Box::Button, 1095, 375, "Cancel"},
        {Box::Button, 1095, 375, "OK"},
        {Box::DropDown, 1575, 315, "c: [/]"},
        {Box::DropDown, 3735, 315, "BMP  Windows Bitmap                            (*.bmp)"},
        {Box::DropDown, 3735, 315, "ICO  Icon image                                       (*.ico)"},
        {Box::DropDown, 3735, 315, "GIF  Graphic Interchange Format            (*.gif)"},
        {Box::DropDown, 3735, 315, "JPEG Interchange Format                       (*.jpeg)"},
        {Box::DropDown, 3735, 315, "GFM  Computer Graphics Meta-file          (*.gfm)"},
    };
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.text.toStdString());
        const QSize size(roundToInt(b.width / twipsPerPixelX()),
                         roundToInt(b.height / twipsPerPixelY()));
        QFont font = designFont();
        font.setBold(b.kind == Box::BoldLabel);
        const QFontMetrics metrics(font);
        const double textWidth = metrics.horizontalAdvance(QString(b.text).remove(u'&'));
        double room = size.width();
        if (b.kind == Box::Button) {
            QPushButton button(b.text);
            room -= 2 * button.style()->pixelMetric(QStyle::PM_ButtonMargin);
        } else if (b.kind == Box::DropDown) {
            QComboBox combo;
            combo.setFont(font);
            combo.addItem(b.text);
            combo.resize(size);
            QStyleOptionComboBox option;
            option.initFrom(&combo);
            room = combo.style()
                       ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                        &combo)
                       .width() -
                   2;
        }
        EXPECT_LE(textWidth, room);
        EXPECT_LE(metrics.height(), size.height());
    }
}

TEST(Fonts, ALongDriveTextIsElidedInTheMiddleAndWholeInItsTooltipAndList) {
    ElidedComboBox box;
    box.setFont(designFont());
    box.resize(roundToInt(1575 / twipsPerPixelX()), roundToInt(315 / twipsPerPixelY()));
    const QString shortText = "c: [/]", longText = "e: [/mnt/archive/photographs/2026/data]";
    box.addItems({shortText, longText});
    EXPECT_EQ(box.shownText(), shortText);
    box.setCurrentIndex(1);
    const QString shown = box.shownText();
    EXPECT_TRUE(shown.startsWith("e: [/") && shown.endsWith("data]") && shown.contains(u'\u2026'))
        << shown.toStdString();
    EXPECT_EQ(box.toolTip(), longText);
    box.showPopup();
    EXPECT_GE(box.view()->width(), box.view()->fontMetrics().horizontalAdvance(longText));
    box.hidePopup();
}

} // namespace
