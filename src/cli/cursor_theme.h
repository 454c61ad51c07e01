// tessaline --cursor-theme=NAME -o DIR SOURCE: a Windows cursor scheme (its install .inf, or a
// folder of cursors named by role) as a freedesktop cursor theme, DIR/NAME.
#pragma once

#include "cli/command_line.h"

#include <ostream>

namespace tess::cli {

// Writes the theme whole or not at all; prints its folder, and names on err each role the scheme
// leaves to the inherited theme. Returns the exit status.
int runCursorTheme(const Command& command, std::ostream& out, std::ostream& err);

} // namespace tess::cli
