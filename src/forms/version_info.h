// The program's version information for the windows (the data itself is in
// tessaline/version_info.h).
#pragma once

#include "tessaline/version_info.h"

#include <QString>

namespace tess {

// The product name, which starts every message-box title.
inline QString productName() {
    return QString::fromUtf8(versionInfo().productName);
}

} // namespace tess
