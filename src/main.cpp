// The program: a command-line action on the engine alone, or the windows, which live in a
// private library opened only when a window is wanted, so that no action pays Qt's start-up.
#include "cli/command_line.h"
#include "cli/cursor_theme.h"
#include "cli/extract.h"
#include "cli/list.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <iostream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace tess::cli;

constexpr const char* kWindowLibrary = "libtessaline_ui.so";
constexpr const char* kWindowEntry = "tessaline_window_main";

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Whether Qt would find a screen: an X or Wayland display, or a platform that needs none.
bool haveDisplay() {
    if (set("DISPLAY") || set("WAYLAND_DISPLAY")) return true;
    if (!set("QT_QPA_PLATFORM")) return false;
    // The first platform asked for, without its options ("offscreen", "xcb:...;wayland").
    std::string_view platform = std::getenv("QT_QPA_PLATFORM");
    platform = platform.substr(0, platform.find_first_of(":;"));
    return !platform.starts_with("xcb") && !platform.starts_with("wayland");
}

// The folder of the program's own file.
std::string programFolder() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return ".";
    path.resize(static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/'));
}

// Opens the windows' library, beside the program in the build tree, else where it is installed.
int openWindows(const std::vector<std::string>& files, const char* program) {
    const std::string folder = programFolder();
    const std::string candidates[] = {folder + "/" + kWindowLibrary,
                                      folder + "/../lib/tessaline/" + kWindowLibrary};
    const std::string* found = nullptr;
    struct stat st {};
    for (const std::string& c : candidates) {
        if (::stat(c.c_str(), &st) == 0) {
            found = &c;
            break;
        }
    }
    if (!found) {
        std::fprintf(stderr, "tessaline: cannot open the windows' library %s: %s\n",
                     candidates[1].c_str(), std::strerror(ENOENT));
        return kExitFailed;
    }
    void* library = ::dlopen(found->c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto entry =
        library ? reinterpret_cast<int (*)(int, char**)>(::dlsym(library, kWindowEntry)) : nullptr;
    if (!entry) {
        std::fprintf(stderr, "tessaline: cannot open the windows' library %s\n", ::dlerror());
        return kExitFailed;
    }
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& f : files)
        argv.push_back(const_cast<char*>(f.c_str()));
    argv.push_back(nullptr);
    return entry(static_cast<int>(argv.size() - 1), argv.data());
}

// Standard output could not take everything (a full disk, a closed pipe): said once.
int finish(int status) {
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "tessaline: standard output: %s\n", std::strerror(errno));
        return kExitFailed;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const Command command = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
    case Action::WrongUsage:
        std::cerr << "tessaline: " << command.usageError << "\n";
        return kExitWrongUsage;
    case Action::Help:
        std::cout << helpText();
        return finish(kExitRead);
    case Action::Version:
        std::cout << versionText();
        return finish(kExitRead);
    case Action::List:
        return finish(runList(command, std::cout, std::cerr));
    case Action::Extract:
        return finish(runExtract(command, std::cout, std::cerr));
    case Action::Thumbnail:
        limitThumbnailResources();
        return runThumbnail(command, std::cerr);
    case Action::CursorTheme:
        return finish(runCursorTheme(command, std::cout, std::cerr));
    case Action::Window:
        break;
    }
    if (!haveDisplay()) {
        std::fprintf(stderr, "tessaline: no display found (DISPLAY is not set); use --help for "
                             "the command line\n");
        return kExitFailed;
    }
    return openWindows(command.files, argv[0]);
}
