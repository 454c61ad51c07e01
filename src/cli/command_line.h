// The command line: what the arguments ask for, parsed by GNU conventions (options anywhere
// before "--", "--opt=value" and "--opt value", "-oDIR"), and the texts of --help and --version.
#pragma once

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
    bool png = false;               // --format=png
    std::optional<int> size;        // --size; the largest image when not given
    std::optional<int> index;       // --index
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
std::string versionText();

} // namespace tess::cli
