#include "cli/cursor_theme.h"

namespace tess::cli {

int runCursorTheme(const Command&, std::ostream&, std::ostream&) {
    return kExitFailed;
}

} // namespace tess::cli
