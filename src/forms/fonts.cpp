#include "forms/fonts.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

namespace tess {

QFont windowsFont(const QString& name, double points) {
    if (name.compare(u"MS Sans Serif", Qt::CaseInsensitive) == 0) {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSizeF(points * 10 / 11);
        return font;
    }
    QFont font(name.compare(u"Arial", Qt::CaseInsensitive) == 0 ? QStringLiteral("Liberation Sans")
                                                                : name);
    font.setPointSizeF(points);
    return font;
}

QFont designFont() {
    return windowsFont(QStringLiteral("MS Sans Serif"), 8.25);
}

ElidedComboBox::ElidedComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { setToolTip(text); });
}

QString ElidedComboBox::shownText() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    return fontMetrics().elidedText(currentText(), Qt::ElideMiddle, field.width());
}

void ElidedComboBox::showPopup() {
    int widest = width();
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, view()->fontMetrics().horizontalAdvance(itemText(i)) +
                                      2 * view()->frameWidth() + 24);
    view()->setTextElideMode(Qt::ElideNone);
    view()->setMinimumWidth(widest);
    QComboBox::showPopup();
}

void ElidedComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace tess
