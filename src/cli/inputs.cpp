#include "cli/inputs.h"

#include "cli/output.h"
#include "fs/native_path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::cli {

Inputs::Inputs(const Command& command)
    : given_(command.files), listName_(command.filesFrom), nul_(command.nulSeparated),
      recursive_(command.recursive) {}

std::optional<std::string> Inputs::nextName() {
    if (nextGiven_ < given_.size()) return given_[nextGiven_++];
    if (!list_) return std::nullopt;
    // A name ends at its delimiter or at the end of the list (no final newline needed).
    const int end = nul_ ? '\0' : '\n';
    std::string name;
    int c = 0;
    while ((c = getc_unlocked(list_)) != EOF && c != end)
        name.push_back(static_cast<char>(c));
    if (c == EOF && name.empty()) {
        list_ = nullptr;
        ownedList_.reset();
        return std::nullopt;
    }
    return name;
}

std::optional<std::string> Inputs::enter(const std::string& path, bool followLink) {
    const int flags =
        O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) return std::string(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return std::string(std::strerror(error));
    }
    // Links to folders are never followed inside a walk; a folder mounted inside itself is the
    // one loop left, and it ends here.
    for (const Folder& f : walk_) {
        if (f.device == st.st_dev && f.inode == st.st_ino) {
            ::close(fd);
            return std::string("is a folder being walked already (a loop)");
        }
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return std::string(std::strerror(error));
    }
    Folder folder{path, {}, 0, st.st_dev, st.st_ino};
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name != "." && name != "..") folder.names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(folder.names.begin(), folder.names.end()); // bytes compared as unsigned
    walk_.push_back(std::move(folder));
    return std::nullopt;
}

std::optional<Input> Inputs::counted(Input input) {
    ++count_;
    return input;
}

std::optional<Input> Inputs::next() {
    while (true) {
        if (!walk_.empty()) {
            Folder& f = walk_.back();
            if (f.next == f.names.size()) {
                walk_.pop_back();
                continue;
            }
            std::string path = joinPath(f.path, f.names[f.next++]);
            struct stat st {};
            if (::lstat(path.c_str(), &st) != 0) return counted({path, std::strerror(errno)});
            if (S_ISDIR(st.st_mode)) {
                if (auto why = enter(path, false)) return counted({path, *why});
                continue;
            }
            struct stat target {};
            if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &target) == 0 &&
                S_ISDIR(target.st_mode))
                continue; // a link to a folder is not followed
            return counted({path, ""});
        }
        if (listName_ && !listOpened_ && nextGiven_ == given_.size()) {
            listOpened_ = true;
            if (*listName_ == "-") {
                list_ = stdin;
            } else {
                ownedList_.reset(std::fopen(listName_->c_str(), "re"));
                if (!ownedList_) return counted({*listName_, std::strerror(errno)});
                list_ = ownedList_.get();
            }
        }
        const std::optional<std::string> name = nextName();
        if (!name) {
            done_ = true;
            return std::nullopt;
        }
        if (name->empty()) continue; // an empty line names no file
        std::string path = paths::nativePath(*name);
        struct stat st {};
        if (recursive_ && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            if (auto why = enter(path, true)) return counted({path, *why});
            continue;
        }
        return counted({path, ""});
    }
}

} // namespace tess::cli
