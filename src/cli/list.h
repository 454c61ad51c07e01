// tessaline --list [--json|--jsonl] FILE...: each file's icons and their images, as text, one
// JSON array or JSON Lines, read by several workers and written in the order of the files.
#pragma once

#include "cli/command_line.h"
#include "cli/pipeline.h"

#include <ostream>

namespace tess::cli {

// One file's record: its listing (text, or one JSON object) and its failure line.
Record listRecord(const Command& command, const Input& input);

// Prints the listing to out and one line per unreadable file to err; returns the exit status.
int runList(const Command& command, std::ostream& out, std::ostream& err);

} // namespace tess::cli
