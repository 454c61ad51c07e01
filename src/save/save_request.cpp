// The request to save one icon.
#include "app/frm_Vantorel.h"
#include "platform/window/form.h"
#include "platform/window/format.h"
#include "platform/window/services.h"
#include "platform/window/version_info.h"
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
    box.DataToSaveWindow(main.defaultFolder, main.displayedFile, n);
    double left = form::widthTwips(main) / 2 + form::leftTwips(main) - form::widthTwips(box) / 2;
    double top = form::heightTwips(main) / 2 + form::topTwips(main) - form::heightTwips(box) / 2;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    form::move(box, left, top);
    box.Form_Activate();
    services().modal->showModal(box, &main);
    main.defaultFolder = box.IconImageInDir();
}

} // namespace tess::save

void frm_Vantorel::menu_SaveIcon_Click() {
    const std::int32_t n = numberFromText(menu_IconInformation->text());
    if (n < 0 || n >= iconCount) {
        const QString CRLF = QStringLiteral("\r\n");
        const auto num = [](double v) {
            return formatPicture(v, QStringLiteral("###,###,###,##0"));
        };
        QString text = QStringLiteral("<B>Can't save icon ") + num(n) + QStringLiteral(",") + CRLF +
                       QStringLiteral("as this is an invalid icon number.<b>") + CRLF + CRLF;
        if (displayedFile.isEmpty()) {
            text += QStringLiteral("You have NOT yet loaded a file!");
        } else {
            text += displayedFile + CRLF;
            if (iconCount <= 0)
                text += QStringLiteral("dose not contain any icons.");
            else if (iconCount == 1)
                text += QStringLiteral("has one icon only, numbered as icon index 0.");
            else
                text += QStringLiteral("has ") + num(iconCount) + QStringLiteral(" icon") +
                        pluralSuffix(iconCount) + QStringLiteral(", ranging from 0 to ") +
                        num(iconCount - 1) + QStringLiteral(" only.");
        }
        showInformation(productName() + QStringLiteral(" - Icon info."), text, QString(), -1, 0,
                        100, -1);
        return;
    }
    save::openSaveWindow(*this, n);
}
