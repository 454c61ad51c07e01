#include "cli/command_line.h"

#include "tessaline/version_info.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sched.h>

namespace tess::cli {
namespace {

constexpr int kMaxSize = 4096;

// An example of each option that takes a value, for the messages that say how to use it.
struct Example {
    const char* option;
    const char* example;
};
constexpr Example kExamples[] = {
    {"--format", "--format=png"},
    {"--size", "--size=48"},
    {"--index", "--index=3"},
    {"--output", "-o icons"},
    {"-o", "-o icons"},
    {"--jobs", "-j 4"},
    {"-j", "-j 4"},
    {"--files-from", "--files-from=list.txt"},
    {"--id", "--id=MAINICON"},
    {"--lang", "--lang=1033"},
    {"--recursive", "-r"},
    {"--null", "--files-from=- -0"},
    {"--jsonl", "--jsonl"},
    {"--hashes", "--jsonl --hashes"},
    {"--unique", "--unique"},
    {"--cursor-theme", "--cursor-theme=Aero -o ~/.icons"},
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

// A language ID, in decimal or as 0x and hex digits ("1033", "0x409").
std::optional<std::uint16_t> languageId(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    unsigned v = 0;
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(begin, end, v, hex ? 16 : 10);
    if (text.empty() || ec != std::errc() || p != end || v > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(v);
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
    std::string jobs;
    std::string id;
    std::string language;
    std::string filesFrom;
    CLI::Option* list = app.add_flag("--list");
    CLI::Option* extract = app.add_flag("--extract");
    CLI::Option* thumbnail = app.add_flag("--thumbnail");
    CLI::Option* theme = app.add_option("--cursor-theme", c.cursorTheme)
                             ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CLI::Option* json = app.add_flag("--json", c.json);
    CLI::Option* jsonl = app.add_flag("--jsonl", c.jsonl);
    CLI::Option* hashes = app.add_flag("--hashes", c.hashes);
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    CLI::Option* formatOption = app.add_option("--format", format)->multi_option_policy(last);
    CLI::Option* sizeOption = app.add_option("--size", size)->multi_option_policy(last);
    CLI::Option* indexOption = app.add_option("--index", index)->multi_option_policy(last);
    CLI::Option* folderOption = app.add_option("-o,--output", c.folder)->multi_option_policy(last);
    CLI::Option* forceOption = app.add_flag("--force", c.force);
    CLI::Option* const extractOptions[] = {formatOption,
                                           sizeOption,
                                           indexOption,
                                           folderOption,
                                           app.add_flag("--cursors", c.cursors),
                                           forceOption,
                                           app.add_flag("--unique", c.unique)};
    CLI::Option* idOption = app.add_option("--id", id)->multi_option_policy(last);
    CLI::Option* languageOption = app.add_option("--lang", language)->multi_option_policy(last);
    // For both --list and --extract: which files.
    CLI::Option* recursive = app.add_flag("-r,--recursive", c.recursive);
    CLI::Option* filesFromOption =
        app.add_option("--files-from", filesFrom)->multi_option_policy(last);
    CLI::Option* nul = app.add_flag("-0,--null", c.nulSeparated);
    CLI::Option* jobsOption = app.add_option("-j,--jobs", jobs)->multi_option_policy(last);
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
    for (CLI::Option* o : {json, jsonl}) {
        if (o->count() && c.action != Action::List)
            return wrong(o->get_name() + " goes with --list (e.g. tessaline --list " +
                         o->get_name() + " app.exe)");
    }
    if (c.json && c.jsonl) return wrong("--json or --jsonl, not both");
    if (hashes->count() && !c.json && !c.jsonl)
        return wrong("--hashes goes with --list --json or --jsonl (e.g. tessaline --list "
                     "--jsonl --hashes app.exe)");
    for (CLI::Option* o : {idOption, languageOption}) {
        if (o->count() && c.action != Action::Extract)
            return wrong(o->get_name() + " goes with --extract (e.g. tessaline --extract " +
                         exampleOf(o->get_name()) + " app.exe)");
    }
    if (jobsOption->count() && c.action != Action::List)
        return wrong("--jobs goes with --list (e.g. tessaline --list --jsonl -j 4 -r folder)");
    for (CLI::Option* o : {recursive, filesFromOption}) {
        if (o->count() && c.action != Action::List && c.action != Action::Extract)
            return wrong(o->get_name() + " goes with --list or --extract (e.g. tessaline --list " +
                         exampleOf(o->get_name()) + " folder)");
    }
    if (nul->count() && !filesFromOption->count())
        return wrong("--null goes with --files-from (e.g. find . -print0 | tessaline --list "
                     "--files-from=- -0)");
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
    if (jobsOption->count()) {
        const std::optional<int> n = number(jobs, 1, kMaxJobs);
        if (!n) return wrong("--jobs takes a number from 1 to 256 (e.g. -j 4)");
        c.jobs = *n;
    }
    if (filesFromOption->count()) {
        if (filesFrom.empty())
            return wrong("--files-from takes a file, or - for standard input (e.g. "
                         "--files-from=list.txt)");
        c.filesFrom = filesFrom;
    }
    if (idOption->count()) {
        if (id.empty()) return wrong("--id takes a resource ID or name (e.g. --id=MAINICON)");
        if (c.index) return wrong("--index or --id, not both");
        c.id = id;
    }
    if (languageOption->count()) {
        if (!(c.language = languageId(language)))
            return wrong("--lang takes a language ID, from 0 to 65535 or 0x0 to 0xFFFF (e.g. "
                         "--lang=1033)");
        if (!c.id) return wrong("--lang goes with --id (e.g. --id=MAINICON --lang=1033)");
    }

    switch (c.action) {
    case Action::List:
    case Action::Extract:
        if (c.files.empty() && !c.filesFrom)
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
  or:  tessaline --list [--json|--jsonl] [--hashes] [-r] [-j N] FILE...
  or:  tessaline --list [OPTION...] --files-from=LIST [FILE...]
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
      --json             with --list: one JSON array of the files, not text,
                         written as each file is done;
                         e.g. tessaline --list --json *.dll
      --jsonl            with --list: JSON Lines, one object a file (as an element
                         of --json's array), each line written as its file is done,
                         in the order the files were given or walked;
                         e.g. tessaline --list --jsonl -r programs/ > icons.jsonl
      --hashes           with --json or --jsonl: the SHA-256 of each file, of each
                         image as stored and of each icon as --extract writes it,
                         and each icon's difference hash ("dhash", as malware
                         sandboxes publish it for icon 0);
                         e.g. tessaline --list --jsonl --hashes app.exe
  -r, --recursive        with --list or --extract: walk each FILE that is a folder,
                         names in byte order, never following symbolic links to
                         folders; e.g. tessaline --list --jsonl -r /usr/lib/wine
      --files-from=LIST  with --list or --extract: read more FILEs from LIST, one a
                         line (- for standard input);
                         e.g. find . -name '*.exe' | tessaline --list --files-from=-
  -0, --null             with --files-from: the names end with NUL bytes, not lines;
                         e.g. find . -print0 | tessaline --list --files-from=- -0
  -j, --jobs=N           with --list: read N files at a time (1 to 256; as many as
                         there are processors to run on by default), the output in
                         the same order; e.g. tessaline --list --jsonl -j 2 -r dir
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
      --id=ID            with --extract: only the icon of resource ID or name ID,
                         which stays the same across builds where numbers do not;
                         e.g. tessaline --extract --id=MAINICON app.exe
      --lang=LANGID      with --id: only where the icon's language is LANGID
                         (decimal, or 0x and hex digits);
                         e.g. tessaline --extract --id=1 --lang=0x409 app.exe
      --unique           with --extract: each distinct icon once, as SHA256.ico (or
                         .png), named by the sha256 --hashes lists for it;
                         e.g. tessaline --extract --unique -r -o icons programs/
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

int defaultJobs() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return std::clamp(CPU_COUNT(&set), 1, kMaxJobs);
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
