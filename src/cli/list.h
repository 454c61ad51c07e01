// tessaline --list [--json] FILE...: each file's icons and their images, as text or JSON.
#pragma once

#include "cli/command_line.h"

#include <ostream>

namespace tess::cli {

// Prints the listing to out and one line per unreadable file to err; returns the exit status.
int runList(const Command& command, std::ostream& out, std::ostream& err);

} // namespace tess::cli
