// The program's version information, defined once in CMake and compiled into the program. No Qt:
// the command line reads it without loading the windows.
#pragma once

namespace tess {

struct VersionInfo {
    const char* productName;
    const char* fileDescription;
    const char* comments;
    const char* legalCopyright;
    const char* authorEmail;
    const char* authorUrl;
    int major;
    int minor;
    int patch;
    int revision;
};

const VersionInfo& versionInfo();

} // namespace tess
