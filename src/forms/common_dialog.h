// The common-dialog component: open-file and colour dialogs with their settings, shown through
// the dialog service. A cancel raises failure 32755 when CancelError is set.
#pragma once

#include "forms/services.h"

#include <QString>
#include <cstdint>

namespace tess {

struct CommonDialog {
    bool CancelError = false;
    QString DialogTitle;
    QString Filter;
    int FilterIndex = 0;
    QString InitDir;
    QString FileName;
    int Flags = 0;
    std::uint32_t Color = 0;

    void ShowOpen() {
        FileName = services().dialogs->showOpen(OpenFileRequest{
            CancelError, DialogTitle, Filter, FilterIndex, InitDir, FileName, Flags});
    }
    void ShowColor() {
        Color = services().dialogs->showColor(ColorRequest{CancelError, DialogTitle, Color});
    }
};

} // namespace tess
