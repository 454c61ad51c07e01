// Information on one icon.
#include "info/information.h"
#include "info/texts.h"

namespace tess::info {

void showIconInformation(const Asker& asker, const QString& menuCaption,
                         const QString& displayedFile, std::int32_t iconCount) {
    const std::int32_t n = numberFromText(menuCaption);
    if (n >= 0 && n < iconCount) {
        showInformation(asker, iconInformationCaption(n),
                        iconInformationText(n, displayedFile, iconCount), displayedFile, n, -1,
                        5000, 5000);
        return;
    }
    showInformation(asker, productName() + QStringLiteral(" - Icon information."),
                    invalidIconText(QStringLiteral("Can't display any information about icon "), n,
                                    displayedFile, iconCount),
                    QString(), -1, 0, 100, -1);
}

} // namespace tess::info
