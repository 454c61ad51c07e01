// What the command-line actions write: files (never replacing one unless asked, and then
// atomically), PNG pictures, scaled pictures, and names made of the input's own bytes.
#pragma once

#include "fs/durable_writer.h"
#include "tessaline/icons.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tess::cli {

// Writes bytes to path through the durable writer: without replace an existing path is left
// alone (EEXIST); with replace a file takes the path's place in one step, keeping the old file's
// permissions, and a device or a pipe (/dev/stdout) is written to directly. 0, or the errno.
int writeFileBytes(const std::string& path, std::span<const std::uint8_t> bytes, bool replace);

// Files written as writeFileBytes writes them, but together, so that one flush of the disk serves
// many: each file's bytes are written as it is added, and the files are put in place at the next
// commit, which add makes itself every files::Batch::kAdvisedSize files. done hears of every file
// added, in the order added, once it is in place (0) or has failed (the errno), at the latest
// when commit is called; a file not committed when the batch goes is not written.
class OutputBatch {
  public:
    using Done = std::function<void(const std::string& path, int error)>;
    OutputBatch(bool replace, Done done);

    void add(const std::string& path, std::span<const std::uint8_t> bytes);
    void commit();

  private:
    struct Pending {
        std::string path;
        int error = 0;
        bool staged = false; // its answer comes from the commit
    };
    files::Batch batch_;
    files::Mode mode_;
    Done done_;
    std::vector<Pending> pending_;
};

// The file name of a path without its folder and its last extension ("a/b.c.dll" gives "b.c"),
// its bytes as they are.
std::string baseName(std::string_view path);

// folder and name joined; an empty folder is the current one.
std::string joinPath(std::string_view folder, std::string_view name);

// The picture scaled down to fit size x size, keeping its proportions; as it is when it fits.
icons::Rgba scaleToFit(const icons::Rgba& picture, int size);

// The width and height a stored PNG declares, or nothing when its bytes do not begin like one.
struct Size {
    int width = 0;
    int height = 0;
};
std::optional<Size> storedPngSize(std::span<const std::uint8_t> bytes);

} // namespace tess::cli
