// The About text.
#include "info/information.h"
#include "info/texts.h"

namespace tess::info {

void showAbout(const Asker& asker) {
    const VersionInfo& v = versionInfo();
    showInformation(asker, aboutCaption(v), aboutText(v), QString(), 0, 0, 100, -1);
}

} // namespace tess::info
