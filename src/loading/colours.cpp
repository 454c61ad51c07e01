// The display's text and background colours.
#include "app/frm_Vantorel.h"
#include "platform/window/failure.h"
#include "platform/window/format.h"
#include "platform/window/version_info.h"

using namespace tess;

namespace {

const QString CRLF = QStringLiteral("\r\n");


void showRefusal(const Failure& f) {
    services().messageBox->msgBox(f.description(), mb::WarningOk,
                                  productName() + QStringLiteral(" - Can't select this colour."));
}

} // namespace

void frm_Vantorel::menu_ColourForground_Click() {
    try {
        comm_LoadFile.CancelError = true;
        comm_LoadFile.DialogTitle = productName() + QStringLiteral(" - Text colour.");
        comm_LoadFile.Color = pic_IconDisplay->foreColor();
        comm_LoadFile.ShowColor();
        const std::uint32_t c = comm_LoadFile.Color;
        if (c == pic_IconDisplay->backColor())
            throw Failure(failure::Refusal,
                          QStringLiteral("Can't select foreground colour &h") + hexUpper(c) + CRLF +
                              QStringLiteral("as this is the same as the background colour."));
        pic_IconDisplay->setForeColor(c);
        if (!loadedFile.isEmpty())
            displayIcons(loadedFile, *pic_IconDisplay, -1);
        else
            printInstructions();
    } catch (const Failure& f) {
        if (f.number() == failure::Refusal || f.number() == failure::RefusalOther)
            return showRefusal(f);
        if (f.number() == failure::DialogCancelled) return;
        const QString n = plainNumber(f.number());
        services().messageBox->msgBox(
            productName() + QStringLiteral(" text colour selection error;") + CRLF + CRLF +
                QStringLiteral("Error; ") + f.description() + CRLF +
                QStringLiteral("Error number; ") +
                formatPicture(f.number(), QStringLiteral("##,###,###,###,##0")),
            mb::WarningOk,
            productName() + QStringLiteral(" - Text colour selection error; (") + n +
                QStringLiteral(")"));
    }
}

void frm_Vantorel::menu_ColourBackground_Click() {
    try {
        comm_LoadFile.CancelError = true;
        comm_LoadFile.DialogTitle = productName() + QStringLiteral(" - Background colour.");
        comm_LoadFile.Color = pic_IconDisplay->backColor();
        comm_LoadFile.ShowColor();
        const std::uint32_t c = comm_LoadFile.Color;
        if (c == pic_IconDisplay->foreColor())
            throw Failure(failure::Refusal,
                          QStringLiteral("Can't select background colour &h") + hexUpper(c) + CRLF +
                              QStringLiteral("as this is the same as the foreground colour."));
        pic_IconDisplay->setBackColor(c);
        if (!loadedFile.isEmpty())
            displayIcons(loadedFile, *pic_IconDisplay, -1);
        else
            printInstructions();
    } catch (const Failure& f) {
        if (f.number() == failure::Refusal || f.number() == failure::RefusalOther)
            return showRefusal(f);
        if (f.number() == failure::DialogCancelled) return;
        const QString n = plainNumber(f.number());
        services().messageBox->msgBox(
            productName() + QStringLiteral(" background colour selection error;") + CRLF +
                QStringLiteral("Error; ") + f.description() + QStringLiteral(" (") + n +
                QStringLiteral(")"),
            mb::WarningOk,
            productName() + QStringLiteral(" - Background colour selection error; (") + n +
                QStringLiteral(")"));
    }
}
