// The one writer of every file the program makes (extracted icons, thumbnails, saved pictures):
// all or nothing, and on the disk before it answers. No Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

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
    virtual int syncfs(int fd) const;
    // rename(2) that never replaces a name (renameat2 with RENAME_NOREPLACE).
    virtual int renameNoReplace(const char* from, const char* to) const;
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

// Files written together, so that one flush serves them all. Each file's bytes go to a
// temporary beside its target as it is added (nothing is flushed then); commit flushes every
// file system the temporaries lie on once (syncfs), puts the files in place in the order added
// (linked or renamed as writeFile does), then flushes each of their folders once. A batch holds
// names only, never the bytes, and one open file per file system; a batch not committed takes
// its temporaries away.
//
// Up to kAdvisedSize files a batch: a flush costs about as much as writing 100 small files, so
// past a few hundred it is no longer felt, while a power cut before the commit leaves up to that
// many temporaries behind. Callers commit when full() and at the end.
//
// syncfs flushes the whole file system, other programs' writes included (and reports a failed
// write only since Linux 5.8); where it does not exist (ENOSYS) each temporary is flushed on its
// own instead, as is a file alone on its file system. Where the file system has no
// links, a new file is renamed into place without replacing a name (RENAME_NOREPLACE); one with
// neither refuses the file. Not thread-safe: one batch, one thread.
class Batch {
  public:
    static constexpr std::size_t kAdvisedSize = 256;

    // calls must outlive the batch.
    Batch();
    explicit Batch(const SystemCalls& calls);
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    ~Batch();

    // Checks path as writeFile does and writes the bytes to a temporary beside it: 0 when the
    // file is staged, or the errno (nothing is then left behind). A device or a pipe taken by
    // replaceOrDevice is written into at once and is not staged.
    int add(const std::string& path, std::span<const std::uint8_t> bytes, Mode mode);

    struct Result {
        std::string path; // as given to add
        int error = 0;    // 0 once the file is in place and its folder flushed, or the errno
    };
    // Puts every staged file in place: their results in the order added. A failed flush fails
    // every file of its file system, which is then as it was; a file that fails is as it was,
    // except a replacement whose folder alone could not be flushed (it is in place). No
    // temporary outlives the call. The batch is empty afterwards, ready for more.
    std::vector<Result> commit();

    std::size_t size() const { return staged_.size(); }
    bool full() const { return staged_.size() >= kAdvisedSize; }

  private:
    struct Staged {
        std::string path;   // as given
        std::string target; // the file it becomes, its links followed
        std::string temp;
        bool create = false;
        dev_t device = 0;
    };
    struct Device {
        dev_t device = 0;
        int fd = -1; // a temporary on it, kept open to flush the file system through
    };
    void discard();

    SystemCalls own_;
    const SystemCalls& calls_;
    std::vector<Staged> staged_;
    std::vector<Device> devices_;
};

} // namespace tess::files
