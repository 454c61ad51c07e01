// The display's text and background colours.
#include "app/frm_Vantorel.h"
#include "forms/failure.h"
#include "forms/format.h"
#include "forms/version_info.h"

using namespace tess;

namespace {

void showRefusal(const Failure& f) {
    services().messageBox->msgBox(f.description(), mb::WarningOk,
                                  productName() + QStringLiteral(" - Can't select this colour."));
}

// What differs between the two colour operations: the texts and which colour is set.
struct ColourOperation {
    QString title;     // after the product name
    QString which;     // "foreground" or "background"
    QString other;     // the colour it must differ from
    bool text = false; // the text colour (else the background)
};

} // namespace

// Picks a colour for the surface: a colour equal to the other one is refused; the grid or the
// instruction text is drawn again in the new colours.
static void chooseColour(frm_Vantorel& w, const ColourOperation& op) {
    PictureBox& surface = *w.pic_IconDisplay;
    try {
        w.comm_LoadFile.CancelError = true;
        w.comm_LoadFile.DialogTitle = productName() + op.title;
        w.comm_LoadFile.Color = op.text ? surface.foreColor() : surface.backColor();
        w.comm_LoadFile.ShowColor();
        const std::uint32_t c = w.comm_LoadFile.Color;
        if (c == (op.text ? surface.backColor() : surface.foreColor()))
            throw Failure(failure::Refusal, QStringLiteral("Can't select ") + op.which +
                                                QStringLiteral(" colour &h") + hexUpper(c) + CrLf +
                                                QStringLiteral("as this is the same as the ") +
                                                op.other + QStringLiteral(" colour."));
        if (op.text)
            surface.setForeColor(c);
        else
            surface.setBackColor(c);
        if (!w.state().loadedFile.isEmpty())
            w.displayIcons(w.state().loadedFile, surface, -1);
        else
            w.printInstructions();
    } catch (const Failure& f) {
        if (f.number() == failure::Refusal || f.number() == failure::RefusalOther)
            return showRefusal(f);
        if (f.number() == failure::DialogCancelled) return;
        const QString n = plainNumber(f.number());
        const QString text =
            op.text ? productName() + QStringLiteral(" text colour selection error;") + CrLf +
                          CrLf + QStringLiteral("Error; ") + f.description() + CrLf +
                          QStringLiteral("Error number; ") +
                          formatPicture(f.number(), QStringLiteral("##,###,###,###,##0"))
                    : productName() + QStringLiteral(" background colour selection error;") + CrLf +
                          QStringLiteral("Error; ") + f.description() + QStringLiteral(" (") + n +
                          QStringLiteral(")");
        services().messageBox->msgBox(
            text, mb::WarningOk,
            productName() +
                (op.text ? QStringLiteral(" - Text colour selection error; (")
                         : QStringLiteral(" - Background colour selection error; (")) +
                n + QStringLiteral(")"));
    }
}

void frm_Vantorel::menu_ColourForground_Click() {
    chooseColour(*this, {QStringLiteral(" - Text colour."), QStringLiteral("foreground"),
                         QStringLiteral("background"), true});
}

void frm_Vantorel::menu_ColourBackground_Click() {
    chooseColour(*this, {QStringLiteral(" - Background colour."), QStringLiteral("background"),
                         QStringLiteral("foreground"), false});
}
