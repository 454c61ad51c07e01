// Information on one icon, and the text helpers it uses.
#include "app/frm_Vantorel.h"

#include "platform/window/format.h"
#include "platform/window/version_info.h"

#include <QAction>
#include <cmath>
#include <limits>

using namespace tess;

namespace {
const QString CrLf = QStringLiteral("\r\n");
const QString Tab = QStringLiteral("\t");
QString wide(double n) {
    return formatPicture(n, QStringLiteral("###,###,###,##0"));
}
} // namespace

std::int32_t frm_Vantorel::numberFromText(const QString& sourceText) const {
    QString digits;
    for (const QChar c : sourceText) {
        if ((c >= u'0' && c <= u'9') || c == u'.') digits += c;
    }
    if (digits.isEmpty()) digits = QStringLiteral("-1");
    const double n = std::nearbyint(val(digits));
    if (!(n >= std::numeric_limits<std::int32_t>::min() &&
          n <= std::numeric_limits<std::int32_t>::max()))
        return -1;
    return static_cast<std::int32_t>(n);
}

QString frm_Vantorel::pluralSuffix(std::int32_t count) const {
    return count == 1 || count == -1 ? QString() : QStringLiteral("s");
}

void frm_Vantorel::menu_IconInformation_Click() {
    const QString product = productName();
    const std::int32_t n = numberFromText(menu_IconInformation->text());
    if (n >= 0 && n < iconCount) {
        const QString text =
            QStringLiteral("<SIZE=16><B><U>Information on icon ") + wide(n) +
            QStringLiteral("<u>;<b><SIZE=8>") + CrLf + CrLf + QStringLiteral("File path name = ") +
            Tab + QStringLiteral("<B>") + displayedFile + QStringLiteral("<b>") + CrLf +
            QStringLiteral("Total icons in file = ") + Tab + QStringLiteral("<B>") +
            wide(iconCount) + QStringLiteral(".<b>") + CrLf + CrLf +
            QStringLiteral("<SIZE=12><B><U>Icon number ") +
            formatPicture(n, QStringLiteral("#,###,##0")) + QStringLiteral("<u>.<b><SIZE=8>");
        const QString caption =
            product + QStringLiteral(" - Icon ") + wide(n) + QStringLiteral(" information.");
        showInformation(caption, text, displayedFile, n, -1, 5000, 5000);
        return;
    }
    QString text = QStringLiteral("<B>Can't display any information about icon ") + wide(n) +
                   QStringLiteral(",") + CrLf +
                   QStringLiteral("as this is an invalid icon number.<b>") + CrLf + CrLf;
    if (displayedFile.isEmpty()) {
        text += QStringLiteral("You have NOT yet loaded a file!");
    } else {
        text += displayedFile + CrLf;
        if (iconCount <= 0) {
            text += QStringLiteral("dose not contain any icons.");
        } else if (iconCount == 1) {
            text += QStringLiteral("has one icon only, numbered as icon index 0.");
        } else {
            text += QStringLiteral("has ") + wide(iconCount) + QStringLiteral(" icon") +
                    pluralSuffix(iconCount) + QStringLiteral(", ranging from 0 to ") +
                    wide(static_cast<double>(iconCount) - 1) + QStringLiteral(" only.");
        }
    }
    showInformation(product + QStringLiteral(" - Icon information."), text, QString(), -1, 0, 100,
                    -1);
}
