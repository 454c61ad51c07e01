// The About text.
#include "app/frm_Vantorel.h"

#include "platform/window/format.h"
#include "platform/window/version_info.h"

using namespace tess;

void frm_Vantorel::menu_AboutApp_Click() {
    const VersionInfo& v = versionInfo();
    const QString product = QString::fromUtf8(v.productName);
    const QString crLf = QStringLiteral("\r\n");
    const QString tab = QStringLiteral("\t");

    QString body = crLf + QStringLiteral("<SIZE=10><B>By ") + tab + tab +
                   QString::fromUtf8(v.legalCopyright) + QStringLiteral("<b>") + crLf;
    body += QStringLiteral("<B>Version; ") + tab + plainNumber(v.major) + QStringLiteral(".") +
            formatPicture(v.minor, QStringLiteral("#####00")) + QStringLiteral(".") +
            formatPicture(v.revision, QStringLiteral("#####0000")) +
            QStringLiteral("<b><SIZE=8> <I>(") + QStringLiteral("31/05/2014 -  2:40pm bst") +
            QStringLiteral(")<i>") + crLf + crLf;
    body += QStringLiteral("<B>E-mail; ") + tab + QStringLiteral("<U>") +
            QString::fromUtf8(v.authorEmail) + QStringLiteral("<u><b>") + crLf;
    body += QStringLiteral("<B>URL; ") + tab + QStringLiteral("<U>") +
            QString::fromUtf8(v.authorUrl) + QStringLiteral("<u><b>") + crLf;
    body += crLf + QStringLiteral("<SIZE=10>") + product + QStringLiteral(" description;<SIZE=8>") +
            crLf + QString::fromUtf8(v.fileDescription) + crLf;
    body += crLf + QStringLiteral("<SIZE=10>") + product + QStringLiteral(" comments;<SIZE=8>") +
            crLf +
            swapString(QString::fromUtf8(v.comments), QStringLiteral(". "),
                       QStringLiteral(".") + crLf) +
            crLf;
    const QString text = QStringLiteral("<B><SIZE=16><U>") + product +
                         QStringLiteral(" application<u>.<SIZE=8><b>") + crLf + body;
    showInformation(QStringLiteral(" About the ") + product + QStringLiteral(" application."), text,
                    QString(), 0, 0, 100, -1);
}
