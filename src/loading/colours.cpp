// The display's text and background colours.
#include "forms/failure.h"
#include "forms/format.h"
#include "forms/services.h"
#include "forms/version_info.h"
#include "loading/loading.h"

namespace tess::loading {

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

// Picks a colour for the surface: a colour equal to the other one is refused; the grid or the
// instruction text is drawn again in the new colours.
void chooseColour(Window& w, CommonDialog& comm_LoadFile, PictureBox& surface,
                  const ColourOperation& op) {
    try {
        comm_LoadFile.CancelError = true;
        comm_LoadFile.DialogTitle = productName() + op.title;
        comm_LoadFile.Color = op.text ? surface.foreColor() : surface.backColor();
        comm_LoadFile.ShowColor();
        const std::uint32_t c = comm_LoadFile.Color;
        if (c == (op.text ? surface.backColor() : surface.foreColor()))
            throw Failure(failure::Refusal, QStringLiteral("Can't select ") + op.which +
                                                QStringLiteral(" colour &h") + hexUpper(c) + CrLf +
                                                QStringLiteral("as this is the same as the ") +
                                                op.other + QStringLiteral(" colour."));
        if (op.text)
            surface.setForeColor(c);
        else
            surface.setBackColor(c);
        if (!w.loadedFile().isEmpty())
            w.displayIcons(w.loadedFile(), surface, -1);
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

} // namespace

void chooseTextColour(Window& window, CommonDialog& comm_LoadFile, PictureBox& surface) {
    chooseColour(window, comm_LoadFile, surface,
                 {QStringLiteral(" - Text colour."), QStringLiteral("foreground"),
                  QStringLiteral("background"), true});
}

void chooseBackgroundColour(Window& window, CommonDialog& comm_LoadFile, PictureBox& surface) {
    chooseColour(window, comm_LoadFile, surface,
                 {QStringLiteral(" - Background colour."), QStringLiteral("background"),
                  QStringLiteral("foreground"), false});
}

} // namespace tess::loading
