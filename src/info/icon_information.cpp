// Information on one icon, and the text helpers it uses.
#include "app/frm_Vantorel.h"

std::int32_t frm_Vantorel::numberFromText(const QString&) const { return -1; }

QString frm_Vantorel::pluralSuffix(std::int32_t count) const {
    return count == 1 || count == -1 ? QString() : QStringLiteral("s");
}

void frm_Vantorel::menu_IconInformation_Click() {}
