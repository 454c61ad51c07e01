// The command line by GNU conventions: what each set of arguments asks for, and the one line
// that wrong usage gets.
#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace {

using namespace tess::cli;

// What a command asks for, in one comparable text; wrong usage, its line.
std::string asked(const Command& c) {
    if (c.action == Action::WrongUsage) return c.usageError;
    const char* names[] = {"window", "list", "extract", "thumbnail", "help", "version"};
    std::string s = names[static_cast<int>(c.action)];
    if (c.json) s += " json";
    if (c.png) s += " png";
    if (c.size) s += " size=" + std::to_string(*c.size);
    if (c.index) s += " index=" + std::to_string(*c.index);
    if (c.cursors) s += " cursors";
    if (!c.folder.empty()) s += " folder=" + c.folder;
    if (c.force) s += " force";
    if (c.thumbnailSize) s += " at " + std::to_string(c.thumbnailSize);
    for (const std::string& f : c.files)
        s += " [" + f + "]";
    return s;
}

TEST(CommandLine, WhatTheArgumentsAskForOrTheOneLineOfWrongUsage) {
    const std::string help = " (tessaline --help lists the options)",
                      thumbnail = "--thumbnail takes INPUT OUTPUT SIZE, SIZE from 1 to 4096 "
                                  "(e.g. --thumbnail app.exe app.png 256)";
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {{}, "window"},
        {{"a.exe", "b.dll"}, "window [a.exe] [b.dll]"},
        {{"--", "--list", "-o"}, "window [--list] [-o]"},
        {{"a.dll", "--list", "--json", "b.dll"}, "list json [a.dll] [b.dll]"},
        {{"--list", "--", "--json", "-"}, "list [--json] [-]"},
        {{"--extract", "--format=png", "-oout", "x.exe"}, "extract png folder=out [x.exe]"},
        {{"x.exe", "--format", "ico", "--extract", "-o", "d\xE9", "--force"},
         "extract folder=d\xE9 force [x.exe]"},
        {{"--extract", "--size=48", "--index", "3", "--size", "16", "x"},
         "extract size=16 index=3 [x]"},
        {{"--extract", "--cursors", "--output=o", "x"}, "extract cursors folder=o [x]"},
        {{"--thumbnail", "in.exe", "out.png", "256"}, "thumbnail at 256 [in.exe] [out.png] [256]"},
        {{"--list", "--bogus", "--help"}, "help"},
        {{"-h"}, "help"},
        {{"x", "--version"}, "version"},
        {{"--list", "--", "--help"}, "list [--help]"},
        {{"--bogus", "x"}, "unknown option --bogus" + help},
        {{"--list", "-x"}, "unknown option -x" + help},
        {{"--list"}, "--list needs at least one FILE (e.g. tessaline --list app.exe)"},
        {{"--extract", "--force"},
         "--extract needs at least one FILE (e.g. tessaline --extract app.exe)"},
        {{"--list", "--extract", "x"}, "one action at a time: --list, --extract or --thumbnail"},
        {{"--json", "x"}, "--json goes with --list (e.g. tessaline --list --json app.exe)"},
        {{"--list", "--format=png", "x"},
         "--format goes with --extract (e.g. tessaline --extract --format=png app.exe)"},
        {{"-o", "d", "x"},
         "--output goes with --extract (e.g. tessaline --extract -o icons app.exe)"},
        {{"--extract", "--format=bmp", "x"}, "--format takes ico or png (e.g. --format=png)"},
        {{"--extract", "--format="}, "--format needs a value (e.g. --format=png)"},
        {{"--extract", "--format"}, "--format needs a value (e.g. --format=png)"},
        {{"--extract", "x", "-o"}, "--output needs a value (e.g. -o icons)"},
        {{"--extract", "-o", "", "x"}, "-o takes a folder (e.g. -o icons)"},
        {{"--extract", "--size=0", "x"}, "--size takes a number from 1 to 4096 (e.g. --size=48)"},
        {{"--extract", "--size", "4097", "x"},
         "--size takes a number from 1 to 4096 (e.g. --size=48)"},
        {{"--extract", "--index=-1", "x"},
         "--index takes an icon's number, from 0 (e.g. --index=3)"},
        {{"--extract", "--index=2x", "x"},
         "--index takes an icon's number, from 0 (e.g. --index=3)"},
        {{"--thumbnail", "in", "out"}, thumbnail},
        {{"--thumbnail", "in", "out", "big"}, thumbnail},
    };
    for (const auto& c : cases)
        EXPECT_EQ(asked(parseCommandLine(c.args)), c.expected) << testing::PrintToString(c.args);
}

TEST(CommandLine, EveryOptionIsDescribedWithAnExample) {
    // Each option's entry in --help, up to the next option's, holds an example of it.
    const std::string help = helpText();
    for (const std::string option :
         {"--list", "--extract", "--thumbnail", "--json", "--format=FORMAT", "--size=N",
          "--index=N", "--cursors", "-o, --output=DIR", "--force"}) {
        const std::size_t at = help.find(" " + option + " ");
        EXPECT_NE(help.substr(at, help.find("\n  -", at) - at).find("e.g. tessaline "),
                  std::string::npos)
            << option;
    }
}

} // namespace
