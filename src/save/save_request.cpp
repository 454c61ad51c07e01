// The request to save one icon.
#include "app/frm_Vantorel.h"
#include "forms/form.h"
#include "forms/format.h"
#include "forms/services.h"
#include "forms/version_info.h"
#include "info/texts.h"
#include "save/frm_SaveBox.h"

using namespace tess;

namespace tess::save {

void openSaveWindow(frm_Vantorel& main, std::int32_t n) {
    frm_SaveBox& box = main.saveBox();
    box.Form_Load();
    box.setWindowIcon(main.windowIcon());
    box.setWindowTitle(QStringLiteral("Save icon '") +
                       formatPicture(n, QStringLiteral("###,###,###,##0")) +
                       QStringLiteral("' as;"));
    box.DataToSaveWindow(main.state_.defaultFolder, main.state_.displayedFile, n);
    form::centreOn(box, main);
    box.Form_Activate();
    services().modal->showModal(box, &main);
    main.state_.defaultFolder = box.IconImageInDir();
}

} // namespace tess::save

void frm_Vantorel::menu_SaveIcon_Click() {
    const std::int32_t n = numberFromText(menu_IconInformation->text());
    if (n < 0 || n >= state_.iconCount) {
        showInformation(productName() + QStringLiteral(" - Icon info."),
                        info::invalidIconText(QStringLiteral("Can't save icon "), n,
                                              state_.displayedFile, state_.iconCount),
                        QString(), -1, 0, 100, -1);
        return;
    }
    save::openSaveWindow(*this, n);
}
