#include "fs/durable_writer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tess::files {

int SystemCalls::open(const char* path, int flags, mode_t mode) const {
    return ::open(path, flags, mode);
}
ssize_t SystemCalls::write(int fd, const void* data, std::size_t size) const {
    return ::write(fd, data, size);
}
int SystemCalls::fsync(int fd) const {
    return ::fsync(fd);
}
int SystemCalls::close(int fd) const {
    return ::close(fd);
}
int SystemCalls::fchmod(int fd, mode_t mode) const {
    return ::fchmod(fd, mode);
}
int SystemCalls::fchown(int fd, uid_t owner, gid_t group) const {
    return ::fchown(fd, owner, group);
}
int SystemCalls::rename(const char* from, const char* to) const {
    return ::rename(from, to);
}
int SystemCalls::link(const char* from, const char* to) const {
    return ::link(from, to);
}
int SystemCalls::unlink(const char* path) const {
    return ::unlink(path);
}
int SystemCalls::syncfs(int fd) const {
    return ::syncfs(fd);
}
int SystemCalls::renameNoReplace(const char* from, const char* to) const {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

namespace {

// The names made on the way, taken away again unless the write succeeds.
class Made {
  public:
    explicit Made(const SystemCalls& calls) : calls_(calls) {}
    Made(const Made&) = delete;
    Made& operator=(const Made&) = delete;
    ~Made() {
        for (const std::string& name : names_)
            calls_.unlink(name.c_str());
    }
    void add(const std::string& name) { names_.push_back(name); }
    void forget(const std::string& name) { std::erase(names_, name); }
    void keepAll() { names_.clear(); }

  private:
    const SystemCalls& calls_;
    std::vector<std::string> names_;
};

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

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Every byte written, whatever the system takes at a time; 0 or the errno.
int writeAll(const SystemCalls& calls, int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = calls.write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO; // a file that takes nothing would be asked for ever
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Flushes an open file when asked and closes it; 0, or the errno (error when already one).
int finish(const SystemCalls& calls, int fd, bool flush, int error = 0) {
    if (error == 0 && flush && calls.fsync(fd) != 0) error = errno;
    if (calls.close(fd) != 0 && error == 0) error = errno;
    return error;
}

// Writes the bytes into an open file, flushes it when asked and closes it; 0 or the errno.
int fill(const SystemCalls& calls, int fd, std::span<const std::uint8_t> bytes, bool flush) {
    return finish(calls, fd, flush, writeAll(calls, fd, bytes));
}

// Flushes a folder, so that a name just given or taken away outlives a power cut.
int flushFolder(const SystemCalls& calls, const std::string& folder) {
    const int fd = calls.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    // A folder the writer may write but not read cannot be flushed; its file is written.
    if (fd < 0) return errno == EACCES ? 0 : errno;
    int error = 0;
    // File systems that cannot flush a folder answer EINVAL.
    if (calls.fsync(fd) != 0 && errno != EINVAL) error = errno;
    if (calls.close(fd) != 0 && error == 0) error = errno;
    return error;
}

// Opens a new temporary file beside target, giving its name; the fd, or -1 with errno set.
// Its mode is a new file's (0666 less the umask), so it is never readable by more than the
// file it becomes.
int openTemporary(const SystemCalls& calls, const std::string& target, std::string& temp) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string_view name(target);
    name.remove_prefix(folder.size());
    // ".NAME.XXXXXX" fits wherever NAME does: a long name is cut, between two UTF-8 characters.
    constexpr std::size_t kKept = NAME_MAX - 8;
    if (name.size() > kKept) {
        std::size_t end = kKept;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
            --end;
        name = name.substr(0, end);
    }
    static constexpr std::string_view kLetters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = folder + '.' + std::string(name) + '.';
        for (int i = 0; i < 6; ++i)
            temp += kLetters[random() % kLetters.size()];
        const int fd = calls.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1; // errno is EEXIST
}

bool noLinksHere(int error) {
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

// Writes the bytes to a new temporary beside target, given old's owner and permissions when it
// replaces a file. 0 with the temporary named and still open, or the errno with nothing left.
int writeTemporary(const SystemCalls& calls, const std::string& target, const struct stat* old,
                   std::span<const std::uint8_t> bytes, std::string& temp, int& fd) {
    fd = openTemporary(calls, target, temp);
    if (fd < 0) return errno;
    int error = 0;
    if (old) {
        // The old file's owner where allowed (only the administrator may give a file away,
        // otherwise it becomes the writer's own), then its permissions, which a change of
        // owner may have cut.
        if (calls.fchown(fd, old->st_uid, old->st_gid) != 0 && errno != EPERM && errno != EINVAL)
            error = errno;
        if (error == 0 && calls.fchmod(fd, old->st_mode & 07777) != 0) error = errno;
    }
    if (error == 0) error = writeAll(calls, fd, bytes);
    if (error != 0) {
        calls.close(fd);
        calls.unlink(temp.c_str());
        fd = -1;
    }
    return error;
}

int create(const std::string& target, std::span<const std::uint8_t> bytes,
           const SystemCalls& calls) {
    Made made(calls);
    std::string temp;
    int fd = -1;
    if (const int error = writeTemporary(calls, target, nullptr, bytes, temp, fd)) return error;
    made.add(temp);
    if (const int error = finish(calls, fd, true)) return error;
    if (calls.link(temp.c_str(), target.c_str()) == 0) {
        made.add(target);
        if (calls.unlink(temp.c_str()) != 0) return errno;
        made.forget(temp);
    } else {
        if (!noLinksHere(errno)) return errno;
        // No links on this file system: the file is made under its own name instead, which
        // still never replaces one, and is taken away again if it is not written whole.
        if (calls.unlink(temp.c_str()) != 0) return errno;
        made.forget(temp);
        const int out = calls.open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out < 0) return errno;
        made.add(target);
        if (const int error = fill(calls, out, bytes, true)) return error;
    }
    if (const int error = flushFolder(calls, folderOf(target))) return error;
    made.keepAll();
    return 0;
}

int replace(const std::string& target, const struct stat* old, std::span<const std::uint8_t> bytes,
            const SystemCalls& calls) {
    Made made(calls);
    std::string temp;
    int fd = -1;
    if (const int error = writeTemporary(calls, target, old, bytes, temp, fd)) return error;
    made.add(temp);
    if (const int error = finish(calls, fd, true)) return error;
    if (calls.rename(temp.c_str(), target.c_str()) != 0) return errno;
    made.keepAll(); // the temporary's name is gone with the rename
    return flushFolder(calls, folderOf(target));
}

// What a path names for a write: the file to write, its links followed, or a device.
struct Resolved {
    std::string target;
    bool device = false; // a device or a pipe, written into as it is
    bool replacing = false;
    struct stat old {};
};

// 0 and what path names, or the errno that refuses to write it.
int resolve(const std::string& path, Mode mode, Resolved& out) {
    struct stat st {};
    out.target = path;
    if (mode == Mode::create) {
        // Seen before anything is written; the link still refuses a name made meanwhile.
        if (::lstat(path.c_str(), &st) == 0) return EEXIST;
        return errno == ENOENT ? 0 : errno;
    }
    // A device or a pipe is recognised by the path itself: /dev/stdout names its file through
    // /proc, whose links only the system follows.
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        out.device = true;
        return mode == Mode::replaceOrDevice ? 0 : EACCES;
    }
    if (const int error = followLinks(out.target)) return error;
    out.replacing = ::stat(out.target.c_str(), &out.old) == 0;
    if (!out.replacing) return errno == ENOENT ? 0 : errno;
    if (S_ISDIR(out.old.st_mode)) return EISDIR;
    if (!S_ISREG(out.old.st_mode)) return EACCES;
    // A file nobody may write is read-only, for the administrator too; otherwise whoever
    // writes must be allowed to write it, not only to replace it in its folder.
    if ((out.old.st_mode & 0222) == 0 ||
        ::faccessat(AT_FDCWD, out.target.c_str(), W_OK, AT_EACCESS) != 0)
        return EACCES;
    return 0;
}

int writeDevice(const std::string& path, std::span<const std::uint8_t> bytes,
                const SystemCalls& calls) {
    const int fd = calls.open(path.c_str(), O_WRONLY | O_CLOEXEC, 0);
    if (fd < 0) return errno;
    return fill(calls, fd, bytes, false);
}

} // namespace

int writeFile(const std::string& path, std::span<const std::uint8_t> bytes, Mode mode,
              const SystemCalls& calls) {
    Resolved what;
    if (const int error = resolve(path, mode, what)) return error;
    if (what.device) return writeDevice(what.target, bytes, calls);
    if (mode == Mode::create) return create(what.target, bytes, calls);
    return replace(what.target, what.replacing ? &what.old : nullptr, bytes, calls);
}

Batch::Batch() : calls_(own_) {}

Batch::Batch(const SystemCalls& calls) : calls_(calls) {}

Batch::~Batch() {
    discard();
}

void Batch::discard() {
    for (Device& d : devices_)
        calls_.close(d.fd);
    devices_.clear();
    for (const Staged& s : staged_)
        calls_.unlink(s.temp.c_str());
    staged_.clear();
}

int Batch::add(const std::string& path, std::span<const std::uint8_t> bytes, Mode mode) {
    Resolved what;
    if (const int error = resolve(path, mode, what)) return error;
    if (what.device) return writeDevice(what.target, bytes, calls_);
    // Room first: nothing below throws once the file is written.
    const auto room = [](auto& v) {
        if (v.size() == v.capacity()) v.reserve(std::max<std::size_t>(8, 2 * v.size()));
    };
    room(staged_);
    room(devices_);
    Staged staged{path, std::move(what.target), {}, mode == Mode::create, 0};
    int fd = -1;
    if (const int error = writeTemporary(
            calls_, staged.target, what.replacing ? &what.old : nullptr, bytes, staged.temp, fd))
        return error;
    struct stat st {};
    ::fstat(fd, &st);
    staged.device = st.st_dev;
    // The first temporary on a file system stays open until the commit flushes it all.
    if (std::ranges::none_of(devices_, [&](const Device& d) { return d.device == st.st_dev; })) {
        devices_.push_back({st.st_dev, fd});
    } else if (calls_.close(fd) != 0) {
        const int error = errno;
        calls_.unlink(staged.temp.c_str());
        return error;
    }
    staged_.push_back(std::move(staged));
    return 0;
}

std::vector<Batch::Result> Batch::commit() {
    std::vector<Result> results;
    results.reserve(staged_.size());
    for (const Staged& s : staged_)
        results.push_back({s.path, 0});
    std::vector<std::string> folders;
    // The data of every temporary on the disk first, one file system at a time.
    for (Device& d : devices_) {
        // A file alone on its file system is flushed by itself: syncfs would wait for every
        // other program's writes there too.
        const bool alone = std::ranges::count(staged_, d.device, &Staged::device) == 1;
        int error = (alone ? calls_.fsync(d.fd) : calls_.syncfs(d.fd)) == 0 ? 0 : errno;
        if (error == ENOSYS) {
            error = 0;
            for (const Staged& s : staged_) {
                if (s.device != d.device || error != 0) continue;
                const int fd = calls_.open(s.temp.c_str(), O_WRONLY | O_CLOEXEC, 0);
                error = fd < 0 ? errno : finish(calls_, fd, true);
            }
        }
        if (calls_.close(d.fd) != 0 && error == 0) error = errno;
        d.fd = -1;
        for (std::size_t i = 0; i < staged_.size(); ++i)
            if (error != 0 && staged_[i].device == d.device) results[i].error = error;
    }
    devices_.clear();
    // Then each file in place, in order.
    for (std::size_t i = 0; i < staged_.size(); ++i) {
        const Staged& s = staged_[i];
        const char* temp = s.temp.c_str();
        const char* target = s.target.c_str();
        int& error = results[i].error;
        if (error != 0) {
            calls_.unlink(temp);
            continue;
        }
        if (!s.create) {
            if (calls_.rename(temp, target) != 0) error = errno;
        } else if (calls_.link(temp, target) == 0) {
            if (calls_.unlink(temp) != 0) {
                error = errno;
                calls_.unlink(target);
            }
        } else if (const int linking = errno; !noLinksHere(linking)) {
            error = linking;
        } else if (calls_.renameNoReplace(temp, target) != 0) {
            // No such rename either (EINVAL): the link's answer says why the file is refused.
            error = errno == EINVAL || errno == ENOSYS ? linking : errno;
        }
        if (error != 0) {
            calls_.unlink(temp);
            continue;
        }
        if (const std::string folder = folderOf(s.target);
            std::ranges::find(folders, folder) == folders.end())
            folders.push_back(folder);
    }
    // Then each of their folders, once.
    for (const std::string& folder : folders) {
        const int error = flushFolder(calls_, folder);
        if (error == 0) continue;
        for (std::size_t i = 0; i < staged_.size(); ++i) {
            const Staged& s = staged_[i];
            if (results[i].error != 0 || folderOf(s.target) != folder) continue;
            results[i].error = error;
            // A new file is taken away again; a replacement is already in place.
            if (s.create) calls_.unlink(s.target.c_str());
        }
    }
    staged_.clear();
    return results;
}

} // namespace tess::files
