// Text helpers the windows share.
#pragma once

#include <QString>

namespace tess {

// Every occurrence of swapThis, left to right and not overlapping, replaced by withThis; the
// text put in is never searched again. An empty swapThis leaves the text as it is.
QString swapString(const QString& convertString, const QString& swapThis,
                   const QString& withThis = QString());

} // namespace tess
