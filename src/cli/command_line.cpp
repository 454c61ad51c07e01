#include "cli/command_line.h"

#include "tessaline/version_info.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>

namespace tess::cli {
namespace {

constexpr int kMaxSize = 4096;

// An example of each option that takes a value, for the messages that say how to use it.
struct Example {
    const char* option;
    const char* example;
};
constexpr Example kExamples[] = {
    {"--format", "--format=png"}, {"--size", "--size=48"},
    {"--index", "--index=3"},     {"--output", "-o icons"},
    {"-o", "-o icons"},           {"--cursor-theme", "--cursor-theme=Aero -o ~/.icons"},
};

std::string exampleOf(const std::string& option) {
    for (const Example& e : kExamples) {
        if (option == e.option) return e.example;
    }
    return option;
}

std::optional<int> number(const std::string& text, int lowest, int highest) {
    int v = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end || v < lowest || v > highest)
        return std::nullopt;
    return v;
}

Command only(Action action) {
    Command c;
    c.action = action;
    return c;
}

Command wrong(std::string message) {
    Command c = only(Action::WrongUsage);
    c.usageError = std::move(message);
    return c;
}

} // namespace

Command parseCommandLine(const std::vector<std::string>& args) {
    // --help and --version answer whatever else is there, as GNU programs do.
    for (const std::string& a : args) {
        if (a == "--") break;
        if (a == "--help" || a == "-h") return only(Action::Help);
        if (a == "--version") return only(Action::Version);
    }

    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    Command c;
    std::string format;
    std::string size;
    std::string index;
    CLI::Option* list = app.add_flag("--list");
    CLI::Option* extract = app.add_flag("--extract");
    CLI::Option* thumbnail = app.add_flag("--thumbnail");
    CLI::Option* theme = app.add_option("--cursor-theme", c.cursorTheme)
                             ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CLI::Option* json = app.add_flag("--json", c.json);
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    CLI::Option* formatOption = app.add_option("--format", format)->multi_option_policy(last);
    CLI::Option* sizeOption = app.add_option("--size", size)->multi_option_policy(last);
    CLI::Option* indexOption = app.add_option("--index", index)->multi_option_policy(last);
    CLI::Option* folderOption = app.add_option("-o,--output", c.folder)->multi_option_policy(last);
    CLI::Option* forceOption = app.add_flag("--force", c.force);
    CLI::Option* const extractOptions[] = {
        formatOption, sizeOption, indexOption, folderOption, app.add_flag("--cursors", c.cursors),
        forceOption};
    app.add_option("files", c.files);

    // Every argument after "--" is a file; CLI11 reads the ones before it last to first.
    const auto end = std::find(args.begin(), args.end(), std::string("--"));
    std::vector<std::string> reversed(std::make_reverse_iterator(end), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        // An option given without its value: the message starts with the option's name.
        const std::string what = e.what();
        const std::string option = what.substr(0, what.find(':'));
        return wrong(option + " needs a value (e.g. " + exampleOf(option) + ")");
    }
    for (const std::string& extra : app.remaining()) {
        return wrong("unknown option " + extra + " (tessaline --help lists the options)");
    }
    if (end != args.end()) c.files.insert(c.files.end(), end + 1, args.end());

    struct Named {
        CLI::Option* option;
        Action action;
    };
    const Named actions[] = {{list, Action::List},
                             {extract, Action::Extract},
                             {thumbnail, Action::Thumbnail},
                             {theme, Action::CursorTheme}};
    for (const Named& a : actions) {
        if (a.option->count() == 0) continue;
        if (c.action != Action::Window)
            return wrong("one action at a time: --list, --extract, --thumbnail or --cursor-theme");
        c.action = a.action;
    }
    if (json->count() && c.action != Action::List)
        return wrong("--json goes with --list (e.g. tessaline --list --json app.exe)");
    for (CLI::Option* o : extractOptions) {
        // A cursor theme is written into a folder too, and replaces one only when asked.
        const bool themeToo = o == folderOption || o == forceOption;
        if (o->count() && c.action != Action::Extract &&
            !(themeToo && c.action == Action::CursorTheme))
            return wrong(o->get_name() + " goes with --extract (e.g. tessaline --extract " +
                         exampleOf(o->get_name()) + " app.exe)");
    }

    if (formatOption->count()) {
        const std::pair<const char*, CursorFormat> cursorFormats[] = {
            {"xcursor", CursorFormat::Xcursor},
            {"apng", CursorFormat::Apng},
            {"gif", CursorFormat::Gif}};
        for (const auto& [name, f] : cursorFormats)
            if (format == name) c.cursorFormat = f;
        if (format != "ico" && format != "png" && c.cursorFormat == CursorFormat::None)
            return wrong("--format takes ico, png, xcursor, apng or gif (e.g. --format=png)");
        c.png = format == "png";
    }
    if (sizeOption->count() && !(c.size = number(size, 1, kMaxSize)))
        return wrong("--size takes a number from 1 to 4096 (e.g. --size=48)");
    if (indexOption->count() && !(c.index = number(index, 0, INT32_MAX)))
        return wrong("--index takes an icon's number, from 0 (e.g. --index=3)");
    if (folderOption->count() && c.folder.empty())
        return wrong("-o takes a folder (e.g. -o icons)");

    switch (c.action) {
    case Action::List:
    case Action::Extract:
        if (c.files.empty())
            return wrong(std::string(c.action == Action::List ? "--list" : "--extract") +
                         " needs at least one FILE (e.g. tessaline " +
                         (c.action == Action::List ? "--list" : "--extract") + " app.exe)");
        break;
    case Action::CursorTheme:
        if (c.cursorTheme.empty() || c.cursorTheme == "." || c.cursorTheme == ".." ||
            c.cursorTheme.find('/') != std::string::npos)
            return wrong("--cursor-theme takes a name without '/' (e.g. --cursor-theme=Aero)");
        if (c.files.size() != 1)
            return wrong("--cursor-theme takes one SOURCE: a scheme's .inf or a folder of "
                         "cursors (e.g. tessaline --cursor-theme=Aero -o ~/.icons install.inf)");
        break;
    case Action::Thumbnail: {
        const std::optional<int> n =
            c.files.size() == 3 ? number(c.files[2], 1, kMaxSize) : std::nullopt;
        if (!n)
            return wrong("--thumbnail takes INPUT OUTPUT SIZE, SIZE from 1 to 4096 (e.g. "
                         "--thumbnail app.exe app.png 256)");
        c.thumbnailSize = *n;
        break;
    }
    default:
        break;
    }
    return c;
}

std::string helpText() {
    const VersionInfo& v = versionInfo();
    std::string text =
        R"(Usage: tessaline [FILE...]
  or:  tessaline --list [--json] FILE...
  or:  tessaline --extract [OPTION...] FILE...
  or:  tessaline --thumbnail INPUT OUTPUT SIZE
  or:  tessaline --cursor-theme=NAME [-o DIR] SOURCE
Show every icon in a program (.exe), library (.dll), icon (.ico), cursor (.cur) or
animated cursor (.ani) file, or list and write them from the command line.
With no action the window opens, with the FILEs loaded.

Actions:
      --list             print each file's icons and their images;
                         e.g. tessaline --list app.exe
      --extract          write each icon as NAME_INDEX.ico (.cur for a cursor) with
                         its images exactly as stored, or as NAME_INDEX.png;
                         e.g. tessaline --extract -o icons app.exe
      --thumbnail        write a PNG of INPUT's first icon, at most SIZE pixels wide
                         and high, to OUTPUT (replacing it), as file managers ask;
                         e.g. tessaline --thumbnail app.exe app.png 256
      --cursor-theme=NAME
                         write the Windows cursor scheme SOURCE (its install .inf,
                         or a folder of .cur and .ani files named by role) as the
                         Linux cursor theme DIR/NAME (index.theme and cursors/);
                         e.g. tessaline --cursor-theme=Aero -o ~/.icons install.inf
  -h, --help             print this help and exit
      --version          print the version and exit

Options:
      --json             with --list: one JSON array of the files, not text;
                         e.g. tessaline --list --json *.dll
      --format=FORMAT    with --extract: ico (the default) or png (one image of
                         each icon, exactly as stored where it is stored as PNG);
                         xcursor (a cursor with all its sizes and hotspots, an .ani
                         with its whole animation, as one Xcursor file); apng or
                         gif (an .ani's animation as one animated picture);
                         e.g. tessaline --extract --format=png app.exe
      --size=N           with --format=png, apng or gif: the image best drawn at
                         N pixels (1 to 4096), the largest by default;
                         e.g. tessaline --extract --format=png --size=48 app.exe
      --index=N          with --extract: only icon N (the grid's number, from 0);
                         e.g. tessaline --extract --index=3 app.exe
      --cursors          with --extract: the program's cursors instead of its icons,
                         as NAME_cursor_INDEX.cur with their hotspots;
                         e.g. tessaline --extract --cursors app.exe
  -o, --output=DIR       with --extract or --cursor-theme: write into DIR (by
                         default the current folder);
                         e.g. tessaline --extract -o icons app.exe
      --force            with --extract or --cursor-theme: replace files (or a
                         theme) that exist (never otherwise);
                         e.g. tessaline --extract --force -o icons app.exe
  --                     every argument after it is a FILE, even one starting with -

Exit status:
  0  every file was read (a file that holds no icons is read fine)
  1  a file could not be read, or an action had nothing to write
  2  wrong usage

)";
    text +=
        std::string("Report bugs to: ") + v.authorEmail + "\nHome page: <" + v.authorUrl + ">\n";
    return text;
}

std::string versionText() {
    const VersionInfo& v = versionInfo();
    char number[64];
    std::snprintf(number, sizeof number, "%d.%d.%d.%d", v.major, v.minor, v.patch, v.revision);
    return std::string(v.productName) + " " + number + "\n" + v.legalCopyright +
           "\nLicense MIT: <https://opensource.org/licenses/MIT>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

} // namespace tess::cli
