// The commands that write icons out of files without opening a window:
//   tessaline --extract [--format ico|png] [--size N] [--index N] [-o DIR] [--force] FILE...
//   tessaline --thumbnail INPUT OUTPUT.png SIZE
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tess::cli {

// args: the arguments after "--extract" (a leading "--extract" is skipped too). Writes each icon
// of each file as NAME_INDEX.ico (its images exactly as stored) or NAME_INDEX.png (its best image
// for --size, the largest by default), printing one line per file written. Returns 0 when every
// file was read and written, 1 when any was unreadable, not an icon file or not written, 2 for
// wrong usage.
int runExtract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// args: INPUT OUTPUT SIZE, after "--thumbnail". Writes a PNG of the input's first icon, its best
// image for SIZE (scaled down to fit SIZE where it is larger), with alpha. Returns 0 when written;
// 1, and no output file, when the input has no icon; 2 for wrong usage.
int runThumbnail(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tess::cli
