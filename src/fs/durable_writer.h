// The one writer of every file the program makes (extracted icons, thumbnails, saved pictures):
// all or nothing, and on the disk before it answers. No Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>

namespace tess::files {

// The system calls the writer makes, one virtual function each, answering as the call of the
// same name does (-1 with errno set on failure). The base class makes the real calls; a test
// derives from it to watch the calls or make any one of them fail.
class SystemCalls {
  public:
    SystemCalls() = default;
    SystemCalls(const SystemCalls&) = default;
    SystemCalls& operator=(const SystemCalls&) = default;
    virtual ~SystemCalls() = default;
    virtual int open(const char* path, int flags, mode_t mode) const;
    virtual ssize_t write(int fd, const void* data, std::size_t size) const;
    virtual int fsync(int fd) const;
    virtual int close(int fd) const;
    virtual int fchmod(int fd, mode_t mode) const;
    virtual int fchown(int fd, uid_t owner, gid_t group) const;
    virtual int rename(const char* from, const char* to) const;
    virtual int link(const char* from, const char* to) const;
    virtual int unlink(const char* path) const;
};

enum class Mode {
    // A new file, never replacing anything: a name that exists in any form (a symbolic link
    // too, even one to nothing) gives EEXIST. The bytes go to a temporary file in the same
    // folder, flushed, then linked to the name (where the file system has no links, the file
    // is created under its name and flushed, and taken away again on failure).
    create,
    // A new file, or a regular file replaced in one step: the bytes go to a temporary file in
    // the same folder, flushed, then renamed over the target. A symbolic link is written through
    // to the file it names (a link to nothing names the file it would create); the replaced
    // file keeps its permissions and, where allowed, its owner. A folder gives EISDIR; a device,
    // a pipe, a file nobody may write (read-only, even for the administrator) or one the caller
    // may not write gives EACCES.
    replace,
    // As replace, but a device or a pipe (/dev/stdout) is written into as it is.
    replaceOrDevice,
};

// Writes bytes to path; once a file is in place its folder is flushed too. A temporary file
// never outlives the call, and on failure the target is as it was, with one exception: when
// flushing the folder fails after a replacement, the new file is already in place. Returns 0,
// or the errno of the call that failed.
int writeFile(const std::string& path, std::span<const std::uint8_t> bytes, Mode mode,
              const SystemCalls& calls = SystemCalls());

} // namespace tess::files
