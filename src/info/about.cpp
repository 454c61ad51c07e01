// The About text.
#include "app/frm_Vantorel.h"

#include "info/texts.h"

using namespace tess;

void frm_Vantorel::menu_AboutApp_Click() {
    const VersionInfo& v = versionInfo();
    showInformation(info::aboutCaption(v), info::aboutText(v), QString(), 0, 0, 100, -1);
}
