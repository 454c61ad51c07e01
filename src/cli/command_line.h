// The command line: what the arguments ask for, parsed by GNU conventions (options anywhere
// before "--", "--opt=value" and "--opt value", "-oDIR"), and the texts of --help and --version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tess::cli {

enum class Action { Window, List, Extract, Thumbnail, Help, Version, WrongUsage, CursorTheme };

// --format=xcursor, apng or gif: a cursor, or an animated cursor's whole animation, as one file.
enum class CursorFormat { None, Xcursor, Apng, Gif };

struct Command {
    Action action = Action::Window;
    std::string usageError; // one line, for WrongUsage
    bool json = false;
    bool jsonl = false;                    // --jsonl: one JSON object a line
    bool hashes = false;                   // --hashes
    bool recursive = false;                // -r: folders walked
    std::optional<std::string> filesFrom;  // --files-from; "-" is standard input
    bool nulSeparated = false;             // -0: the list's names end with NUL bytes, not lines
    int jobs = 0;                          // -j; 0: the processors the process may use
    bool png = false;                      // --format=png
    std::optional<int> size;               // --size; the largest image when not given
    std::optional<int> index;              // --index
    std::optional<std::string> id;         // --id: a group's resource ID or name
    std::optional<std::uint16_t> language; // --lang
    bool unique = false;            // --unique: each distinct icon once, named by its SHA-256
    bool cursors = false;           // --cursors
    std::string folder;             // -o; "" is the current folder
    bool force = false;             // --force
    std::vector<std::string> files; // the files, or INPUT OUTPUT SIZE for --thumbnail
    int thumbnailSize = 0;
    CursorFormat cursorFormat = CursorFormat::None;
    std::string cursorTheme; // --cursor-theme=NAME: the theme's name
};

// The exit statuses every action keeps to.
inline constexpr int kExitRead = 0;       // every file was read
inline constexpr int kExitFailed = 1;     // a file could not be read, or nothing to write
inline constexpr int kExitWrongUsage = 2; // wrong usage

// args are the arguments after the program's name, as given.
Command parseCommandLine(const std::vector<std::string>& args);

std::string helpText();

// The workers to use: the processors this process may run on.
int defaultJobs();

// The most workers -j takes.
inline constexpr int kMaxJobs = 256;
std::string versionText();

} // namespace tess::cli
