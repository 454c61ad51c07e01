// The command `tessaline --list [--json] FILE...`: each file's icons and their images, without
// opening a window.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tess::cli {

// args: the arguments after "--list" (a leading "--list" is skipped too). Prints the listing to
// out and errors to err. Returns 0 when every file was read, 1 when any was unreadable or not an
// icon file, 2 for wrong usage.
int runList(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A JSON string literal of text, quotes included. Bytes that are not UTF-8 (paths may hold any)
// are written as the lone surrogates U+DC80..U+DCFF, as Python's surrogateescape does, so that
// the exact bytes can be recovered.
std::string jsonString(std::string_view text);

} // namespace tess::cli
