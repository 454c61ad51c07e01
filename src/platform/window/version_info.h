// The program's version information, defined once in CMake and compiled into the program.
#pragma once

#include <QString>

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

// The product name, which starts every message-box title.
inline QString productName() { return QString::fromUtf8(versionInfo().productName); }

} // namespace tess
