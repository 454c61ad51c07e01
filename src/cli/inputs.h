// The files an action reads, one at a time: the FILEs given, then the names of --files-from's
// list, each folder walked with -r. Names are kept byte for byte.
#pragma once

#include "cli/command_line.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tess::cli {

struct Input {
    std::string path;
    std::string error; // a reason already known (a folder that cannot be walked); "" to read it
};

class Inputs {
  public:
    explicit Inputs(const Command& command);
    Inputs(const Inputs&) = delete;
    Inputs& operator=(const Inputs&) = delete;

    // The next file, or nothing at the end. A folder walked is never an input; a folder not
    // walked (no -r) is, and reading it says what it is.
    std::optional<Input> next();

    // How many inputs there were, once next() has said there are no more.
    std::optional<std::size_t> total() const {
        return done_ ? std::optional(count_) : std::nullopt;
    }

  private:
    struct Folder {
        std::string path;
        std::vector<std::string> names; // in byte order
        std::size_t next = 0;
        dev_t device = 0;
        ino_t inode = 0;
    };

    std::optional<std::string> nextName(); // the next FILE given or listed
    // Opens a folder to walk; a reason when it cannot be.
    std::optional<std::string> enter(const std::string& path, bool followLink);
    std::optional<Input> counted(Input input);

    const std::vector<std::string>& given_;
    std::size_t nextGiven_ = 0;
    std::optional<std::string> listName_;
    bool nul_ = false;
    bool recursive_ = false;
    struct Close {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Close> ownedList_;
    std::FILE* list_ = nullptr; // standard input, or ownedList_
    bool listOpened_ = false;
    std::vector<Folder> walk_; // the folders being walked, outermost first
    std::size_t count_ = 0;
    bool done_ = false;
};

} // namespace tess::cli
