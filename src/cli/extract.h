// tessaline --extract ... FILE... and tessaline --thumbnail INPUT OUTPUT SIZE: icons written out
// of files without opening a window.
#pragma once

#include "cli/command_line.h"

#include <ostream>

namespace tess::cli {

// Writes each icon of each file as NAME_INDEX.ico (.cur for a cursor), its images exactly as
// stored, or NAME_INDEX.png, one image of it; prints one line per file written. Returns the exit
// status; a write that fails for any reason but an existing file ends the action.
int runExtract(const Command& command, std::ostream& out, std::ostream& err);

// Writes a PNG of the input's first icon that can be drawn, at most SIZE pixels wide and high,
// to OUTPUT (replacing it). Returns the exit status; nothing is written where nothing is drawn.
int runThumbnail(const Command& command, std::ostream& err);

// Bounds this process's memory and processor time, for a thumbnail of an untrusted file.
void limitThumbnailResources();

} // namespace tess::cli
