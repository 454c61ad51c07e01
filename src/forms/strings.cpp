#include "forms/strings.h"

namespace tess {

QString swapString(const QString& convertString, const QString& swapThis, const QString& withThis) {
    if (swapThis.isEmpty()) return convertString;
    QString result;
    QStringView rest(convertString);
    while (!rest.isEmpty()) {
        if (rest.startsWith(swapThis)) {
            result += withThis;
            rest = rest.mid(swapThis.size());
            continue;
        }
        const qsizetype next = rest.indexOf(swapThis);
        if (next < 0) {
            result += rest;
            break;
        }
        result += rest.left(next);
        rest = rest.mid(next);
    }
    return result;
}

} // namespace tess
