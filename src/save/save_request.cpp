// The request to save one icon.
#include "forms/form.h"
#include "forms/format.h"
#include "forms/services.h"
#include "save/frm_SaveBox.h"

namespace tess::save {

void openSaveWindow(frm_SaveBox& box, QWidget& owner, QString& defaultFolder,
                    const QString& displayedFile, std::int32_t n) {
    box.Form_Load();
    box.setWindowIcon(owner.windowIcon());
    box.setWindowTitle(QStringLiteral("Save icon '") +
                       formatPicture(n, QStringLiteral("###,###,###,##0")) +
                       QStringLiteral("' as;"));
    box.DataToSaveWindow(defaultFolder, displayedFile, n);
    form::centreOn(box, owner);
    box.Form_Activate();
    services().modal->showModal(box, &owner);
    defaultFolder = box.IconImageInDir();
}

} // namespace tess::save
