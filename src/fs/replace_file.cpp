#include "fs/replace_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::files {
namespace {

// The file a path names once its symbolic links are followed to the end; ELOOP for a loop.
int followLinks(std::string& path) {
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
        if (hops == 40) return ELOOP;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) return errno;
        link.resize(static_cast<std::size_t>(n));
        const std::size_t slash = path.rfind('/');
        path = link.starts_with('/') || slash == std::string::npos
                   ? link
                   : path.substr(0, slash + 1) + link;
    }
}

} // namespace

int replaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string target = path;
    if (const int error = followLinks(target)) return error;
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing) {
        if (S_ISDIR(old.st_mode)) return EISDIR;
        if (!S_ISREG(old.st_mode)) return EACCES;
        // A file nobody may write is read-only, for the administrator too; otherwise whoever
        // writes must be allowed to write it, not only to replace it in its folder.
        if ((old.st_mode & 0222) == 0 ||
            ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return EACCES;
    }
    const std::size_t slash = target.rfind('/');
    std::string temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) +
                       '.' + target.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return errno;
    // The new file takes the old one's permissions and owner, or the usual ones for a new file.
    mode_t mode = 0666;
    if (replacing) {
        mode = old.st_mode & 07777;
        // Only the administrator may give a file away; otherwise it becomes the writer's own.
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    int error = ::fchmod(fd, mode) != 0 ? errno : 0;
    if (error == 0) error = writeAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temp.c_str());
    return error;
}

int writeAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace tess::files
