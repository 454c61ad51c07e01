// Information on one icon, and the text helpers it uses.
#include "app/frm_Vantorel.h"

#include "info/texts.h"

#include <QAction>

using namespace tess;

std::int32_t frm_Vantorel::numberFromText(const QString& sourceText) const {
    return info::numberFromText(sourceText);
}

QString frm_Vantorel::pluralSuffix(std::int32_t count) const {
    return info::pluralSuffix(count);
}

void frm_Vantorel::menu_IconInformation_Click() {
    const std::int32_t n = numberFromText(menu_IconInformation->text());
    if (n >= 0 && n < state_.iconCount) {
        showInformation(info::iconInformationCaption(n),
                        info::iconInformationText(n, state_.displayedFile, state_.iconCount),
                        state_.displayedFile, n, -1, 5000, 5000);
        return;
    }
    showInformation(
        productName() + QStringLiteral(" - Icon information."),
        info::invalidIconText(QStringLiteral("Can't display any information about icon "), n,
                              state_.displayedFile, state_.iconCount),
        QString(), -1, 0, 100, -1);
}
