#include "info/texts.h"

#include "forms/format.h"
#include "forms/strings.h"

#include <cmath>
#include <limits>

namespace tess::info {

namespace {
const QString Tab = QStringLiteral("\t");
QString wide(double n) {
    return formatPicture(n, QStringLiteral("###,###,###,##0"));
}
} // namespace

std::int32_t numberFromText(const QString& sourceText) {
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

QString pluralSuffix(std::int32_t count) {
    return count == 1 || count == -1 ? QString() : QStringLiteral("s");
}

QString invalidIconText(const QString& request, std::int32_t n, const QString& displayedFile,
                        std::int32_t iconCount) {
    QString text = QStringLiteral("<B>") + request + wide(n) + QStringLiteral(",") + CrLf +
                   QStringLiteral("as this is an invalid icon number.<b>") + CrLf + CrLf;
    if (displayedFile.isEmpty()) return text + QStringLiteral("You have NOT yet loaded a file!");
    text += displayedFile + CrLf;
    if (iconCount <= 0) return text + QStringLiteral("dose not contain any icons.");
    if (iconCount == 1)
        return text + QStringLiteral("has one icon only, numbered as icon index 0.");
    return text + QStringLiteral("has ") + wide(iconCount) + QStringLiteral(" icon") +
           pluralSuffix(iconCount) + QStringLiteral(", ranging from 0 to ") +
           wide(static_cast<double>(iconCount) - 1) + QStringLiteral(" only.");
}

QString iconInformationText(std::int32_t n, const QString& displayedFile, std::int32_t iconCount) {
    return QStringLiteral("<SIZE=16><B><U>Information on icon ") + wide(n) +
           QStringLiteral("<u>;<b><SIZE=8>") + CrLf + CrLf + QStringLiteral("File path name = ") +
           Tab + QStringLiteral("<B>") + displayedFile + QStringLiteral("<b>") + CrLf +
           QStringLiteral("Total icons in file = ") + Tab + QStringLiteral("<B>") +
           wide(iconCount) + QStringLiteral(".<b>") + CrLf + CrLf +
           QStringLiteral("<SIZE=12><B><U>Icon number ") +
           formatPicture(n, QStringLiteral("#,###,##0")) + QStringLiteral("<u>.<b><SIZE=8>");
}

QString iconInformationCaption(std::int32_t n) {
    return productName() + QStringLiteral(" - Icon ") + wide(n) + QStringLiteral(" information.");
}

QString aboutText(const VersionInfo& v) {
    const QString product = QString::fromUtf8(v.productName);
    QString body = CrLf + QStringLiteral("<SIZE=10><B>By ") + Tab + Tab +
                   QString::fromUtf8(v.legalCopyright) + QStringLiteral("<b>") + CrLf;
    body += QStringLiteral("<B>Version; ") + Tab + plainNumber(v.major) + QStringLiteral(".") +
            formatPicture(v.minor, QStringLiteral("#####00")) + QStringLiteral(".") +
            formatPicture(v.revision, QStringLiteral("#####0000")) +
            QStringLiteral("<b><SIZE=8> <I>(") + QStringLiteral("31/05/2014 -  2:40pm bst") +
            QStringLiteral(")<i>") + CrLf + CrLf;
    body += QStringLiteral("<B>E-mail; ") + Tab + QStringLiteral("<U>") +
            QString::fromUtf8(v.authorEmail) + QStringLiteral("<u><b>") + CrLf;
    body += QStringLiteral("<B>URL; ") + Tab + QStringLiteral("<U>") +
            QString::fromUtf8(v.authorUrl) + QStringLiteral("<u><b>") + CrLf;
    body += CrLf + QStringLiteral("<SIZE=10>") + product + QStringLiteral(" description;<SIZE=8>") +
            CrLf + QString::fromUtf8(v.fileDescription) + CrLf;
    body += CrLf + QStringLiteral("<SIZE=10>") + product + QStringLiteral(" comments;<SIZE=8>") +
            CrLf +
            swapString(QString::fromUtf8(v.comments), QStringLiteral(". "),
                       QStringLiteral(".") + CrLf) +
            CrLf;
    return QStringLiteral("<B><SIZE=16><U>") + product +
           QStringLiteral(" application<u>.<SIZE=8><b>") + CrLf + body;
}

QString aboutCaption(const VersionInfo& v) {
    return QStringLiteral(" About the ") + QString::fromUtf8(v.productName) +
           QStringLiteral(" application.");
}

} // namespace tess::info
