#include "fs/durable_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using tess::files::Batch;
using tess::files::Mode;
using tess::files::SystemCalls;
using tess::files::writeFile;
namespace stdfs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Log = std::vector<std::string>;            // the calls made, in order
using Held = std::map<std::string, std::string>; // a name, and "MODE bytes", "-> link", "folder"

struct Folder { // a fresh folder, removed with what it holds
    std::string path = [] {
        std::string name = stdfs::temp_directory_path() / "tess_fs_XXXXXX";
        return ::mkdtemp(name.data()) ? name : "";
    }();
    ~Folder() { stdfs::remove_all(path); }
    std::string operator/(const std::string& name) const { return path + '/' + name; }
};

std::string modeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Makes what held describes in the folder.
void make(const Folder& folder, const Held& held) {
    for (const auto& [name, what] : held) {
        const std::string path = folder / name;
        if (what.starts_with("-> "))
            stdfs::create_symlink(what.substr(3), path);
        else if (what == "folder")
            stdfs::create_directory(path);
        else {
            std::ofstream(path, std::ios::binary) << what.substr(5);
            ::chmod(path.c_str(), static_cast<mode_t>(std::stoul(what.substr(0, 4), nullptr, 8)));
        }
    }
}

// What the folder holds: every name, the temporaries included.
Held held(const Folder& folder) {
    Held out;
    for (const auto& entry : stdfs::recursive_directory_iterator(folder.path)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        std::string& what = out[entry.path().lexically_relative(folder.path)];
        if (S_ISLNK(st.st_mode))
            what = "-> " + stdfs::read_symlink(entry.path()).string();
        else if (S_ISDIR(st.st_mode))
            what = "folder";
        else {
            std::ifstream in(entry.path(), std::ios::binary);
            what = modeText(st.st_mode) + ' ' + std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return out;
}

// The real calls, each named in a log. The call numbered failAt fails with failWith instead
// (a close still lets the file go, as Linux does); with linkFails every link fails with it, and
// so every syncfs with syncfsFails; no write takes more than `take` bytes.
class Recorder : public SystemCalls {
  public:
    mutable Log log;
    long failAt = -1;
    int failWith = EIO, linkFails = 0, syncfsFails = 0;
    std::size_t take = SIZE_MAX;

    using S = SystemCalls;
    int open(const char* path, int flags, mode_t mode) const override {
        if (fails(flags & O_DIRECTORY ? "open folder" : "open")) return -1;
        const int fd = S::open(path, flags, mode);
        return flags & O_DIRECTORY ? folder_ = fd : fd;
    }
    ssize_t write(int fd, const void* data, std::size_t size) const override {
        return fails("write") ? -1 : S::write(fd, data, std::min(size, take));
    }
    int fsync(int fd) const override {
        return fails(fd == folder_ ? "fsync folder" : "fsync") ? -1 : S::fsync(fd);
    }
    int close(int fd) const override {
        const bool failed = fails(fd == folder_ ? "close folder" : "close");
        if (fd == folder_) folder_ = -1;
        const int closed = S::close(fd);
        return failed ? (errno = failWith, -1) : closed;
    }
    int fchmod(int f, mode_t m) const override { return fails("fchmod") ? -1 : S::fchmod(f, m); }
    int fchown(int f, uid_t u, gid_t g) const override {
        return fails("fchown") ? -1 : S::fchown(f, u, g);
    }
    int rename(const char* a, const char* b) const override {
        return fails("rename") ? -1 : S::rename(a, b);
    }
    int link(const char* a, const char* b) const override {
        return fails("link") ? -1 : linkFails ? (errno = linkFails, -1) : S::link(a, b);
    }
    int unlink(const char* path) const override { return fails("unlink") ? -1 : S::unlink(path); }
    int syncfs(int f) const override {
        return fails("syncfs") ? -1 : syncfsFails ? (errno = syncfsFails, -1) : S::syncfs(f);
    }
    int renameNoReplace(const char* a, const char* b) const override {
        return fails("renameNoReplace") ? -1 : S::renameNoReplace(a, b);
    }

  private:
    bool fails(const char* name) const {
        log.emplace_back(name);
        return std::ssize(log) - 1 == failAt && (errno = failWith, true);
    }
    mutable int folder_ = -1;
};

// The bytes every test writes, and what a new file holds then: made with 0666, less the umask.
const Bytes kBytes = {'n', 'e', 'w', ' ', 'b', 'y', 't', 'e', 's'};
const std::string kMade = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return modeText(0666 & ~mask) + " new bytes";
}();

Log operator+(Log a, const Log& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const Log kWrite = {"open", "write", "fsync", "close"}, kLink = {"link", "unlink"},
          kFolder = {"open folder", "fsync folder", "close folder"};

struct Case {
    std::string name;
    Mode mode;
    Held before;
    std::string path; // in the folder
    int error;
    Held after;
    // Every call made, in order, when none fails: the data flushed before the rename or link,
    // the folder flushed after.
    Log log;
    int linkFails = 0;
};

// Every case, then every call of it failing in turn: the call's errno, the target as it was
// (or, once the rename is done, as written), and no temporary left. Writes taken a few bytes
// at a time or interrupted, and a change of owner refused, still write the file whole.
TEST(DurableWriter, EveryCallFailingInTurnLeavesTheTargetWholeAndNoTemporary) {
    const Log create = kWrite + kLink + kFolder, fresh = kWrite + Log{"rename"} + kFolder;
    const Log replace =
        Log{"open", "fchown", "fchmod", "write", "fsync", "close", "rename"} + kFolder;
    std::string accented; // the longest name but one, its temporary's cut inside a letter
    for (int i = 0; i < 127; ++i)
        accented += "\xC3\xA9";
    const Held old = {{"t", "0640 old"}};
    // clang-format off
    const Case cases[] = {
        {"create", Mode::create, {}, "t", 0, {{"t", kMade}}, create},
        {"create where links are not supported", Mode::create, {}, "t", 0, {{"t", kMade}}, kWrite + kLink + kWrite + kFolder, EPERM},
        {"create over a file", Mode::create, old, "t", EEXIST, old, {}},
        {"create over a link to nothing", Mode::create, {{"l", "-> t"}}, "l", EEXIST, {{"l", "-> t"}}, {}},
        {"create in no folder", Mode::create, {}, "no/t", ENOENT, {}, {"open"}},
        {"replace nothing", Mode::replace, {}, "t", 0, {{"t", kMade}}, fresh},
        {"replace a file, keeping its mode", Mode::replace, old, "t", 0, {{"t", "0640 new bytes"}}, replace},
        {"replace through a link", Mode::replace, {{"l", "-> t"}, {"t", "0604 old"}}, "l", 0, {{"l", "-> t"}, {"t", "0604 new bytes"}}, replace},
        {"replace through a link to nothing", Mode::replace, {{"l", "-> t"}}, "l", 0, {{"l", "-> t"}, {"t", kMade}}, fresh},
        {"replace the longest name", Mode::replace, {{accented, "0600 old"}}, accented, 0, {{accented, "0600 new bytes"}}, replace},
        {"replace a read-only file", Mode::replace, {{"t", "0444 old"}}, "t", EACCES, {{"t", "0444 old"}}, {}},
        {"replace a folder", Mode::replace, {{"t", "folder"}}, "t", EISDIR, {{"t", "folder"}}, {}},
        {"replace inside a file", Mode::replace, old, "t/x", ENOTDIR, old, {}},
        {"create a name too long", Mode::create, {}, std::string(256, 'n'), ENAMETOOLONG, {}, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto first = [&](const char* call) {
            return std::ranges::find(c.log, call) - c.log.begin();
        };
        const long renamed = first("rename");
        // The same case again with the recorder set by prepare; the answer and what is held.
        const auto run = [&](const std::function<void(Recorder&)>& prepare) {
            const Folder folder;
            make(folder, c.before);
            Recorder calls;
            calls.linkFails = c.linkFails;
            prepare(calls);
            const int error = writeFile(folder / c.path, kBytes, c.mode, calls);
            return std::tuple(error, held(folder), calls.log);
        };
        EXPECT_EQ(run([](Recorder&) {}), std::tuple(c.error, c.after, c.log));
        for (long at = 0; at < std::ssize(c.log); ++at) {
            SCOPED_TRACE(c.log[at] + " failing, call " + std::to_string(at));
            const auto [error, after, log] = run([&](Recorder& r) { r.failAt = at; });
            EXPECT_EQ(std::tuple(error, after), std::tuple(EIO, at > renamed ? c.after : c.before));
        }
        if (c.error != 0) continue;
        const std::pair<const char*, std::function<void(Recorder&)>> whole[] = {
            {"short writes", [](Recorder& r) { r.take = 2; }},
            {"a write interrupted",
             [&](Recorder& r) { r.failAt = first("write"), r.failWith = EINTR; }},
            {"the owner refused",
             [&](Recorder& r) { r.failAt = first("fchown"), r.failWith = EPERM; }},
        };
        for (const auto& [label, prepare] : whole) {
            const auto [error, after, log] = run(prepare);
            EXPECT_EQ(std::tuple(error, after), std::tuple(0, c.after)) << label;
        }
    }
}

struct BatchCase {
    std::string name;
    Mode mode;
    Held before;
    Log paths;   // in the folder
    Log written; // what each holds once written
    // Every call made, the adds' then the commit's, when none fails: one syncfs before any
    // file is put in place, each folder flushed once after.
    Log log;
    int linkFails = 0;
    int syncfsFails = 0;
};

// A batch of files, then every call of it failing in turn: each file as its result says
// (written, or as it was; a replacement whose folder alone failed is in place) and no temporary
// left; a failed flush fails them all, a failed link or rename only its own file; a file alone
// is flushed by itself, as writeFile flushes it. A batch destroyed uncommitted leaves the
// folder as it was.
TEST(DurableWriter, ABatchFlushesOnceAndLeavesEachFileAsItsResultSays) {
    const Log adds = {"open", "write", "open", "write", "close", "open", "write", "close"};
    const Log flushed = {"syncfs", "close"}, linked = kLink + kLink + kLink, folder = kFolder;
    const Log flush = {"open", "fsync", "close"},
              byHand = Log{"syncfs"} + flush + flush + flush + Log{"close"};
    // clang-format off
    const BatchCase cases[] = {
        {"create", Mode::create, {}, {"a", "b", "c"}, {kMade, kMade, kMade}, adds + flushed + linked + folder},
        {"one file, flushed by itself", Mode::create, {}, {"a"}, {kMade}, kWrite + kLink + kFolder},
        {"create in two folders", Mode::create, {{"s", "folder"}}, {"a", "s/b", "c"}, {kMade, kMade, kMade},
         adds + flushed + linked + folder + folder},
        {"create without links", Mode::create, {}, {"a", "b", "c"}, {kMade, kMade, kMade},
         adds + flushed + Log{"link", "renameNoReplace", "link", "renameNoReplace", "link", "renameNoReplace"} + folder, EPERM},
        {"create without syncfs", Mode::create, {}, {"a", "b", "c"}, {kMade, kMade, kMade}, adds + byHand + linked + folder, 0, ENOSYS},
        {"replace", Mode::replace, {{"b", "0640 old"}}, {"a", "b", "c"}, {kMade, "0640 new bytes", kMade},
         Log{"open", "write", "open", "fchown", "fchmod", "write", "close", "open", "write", "close"} + flushed + Log{"rename", "rename", "rename"} + folder},
    };
    // clang-format on
    for (const BatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The batch with the recorder set by prepare, committed when asked: each file's answer
        // (from add, or else from the commit) and what is held.
        const auto run = [&](const std::function<void(Recorder&)>& prepare, bool commit) {
            const Folder folder;
            make(folder, c.before);
            Recorder calls;
            calls.linkFails = c.linkFails;
            calls.syncfsFails = c.syncfsFails;
            prepare(calls);
            std::vector<int> errors;
            {
                Batch batch(calls);
                for (const std::string& path : c.paths)
                    errors.push_back(batch.add(folder / path, kBytes, c.mode));
                const std::vector<Batch::Result> results =
                    commit ? batch.commit() : std::vector<Batch::Result>();
                auto result = results.begin();
                for (int& error : errors)
                    if (error == 0 && result != results.end()) error = result++->error;
            } // uncommitted, the batch takes its temporaries away here
            return std::tuple(errors, held(folder), calls.log);
        };
        const auto expected = [&](const std::vector<int>& errors, bool inPlace) {
            Held after = c.before;
            for (std::size_t i = 0; i < errors.size(); ++i)
                if (errors[i] == 0 || inPlace) after[c.paths[i]] = c.written[i];
            return after;
        };
        const std::vector<int> none(c.paths.size(), 0);
        EXPECT_EQ(run([](Recorder&) {}, true), std::tuple(none, expected(none, false), c.log));
        EXPECT_EQ(std::get<1>(run([](Recorder&) {}, false)), c.before) << "uncommitted";
        const char* placing = c.mode == Mode::create ? "link" : "rename";
        const auto second =
            std::ranges::find(std::ranges::find(c.log, placing) + 1, c.log.end(), placing);
        for (long at = 0; at < std::ssize(c.log); ++at) {
            const std::string& call = c.log[at];
            SCOPED_TRACE(call + " failing, call " + std::to_string(at));
            const auto [errors, after, log] = run([&](Recorder& r) { r.failAt = at; }, true);
            const bool inPlace = c.mode == Mode::replace && call.ends_with(" folder");
            EXPECT_EQ(after, expected(errors, inPlace));
            EXPECT_GE(std::ranges::count(errors, EIO), 1);
            if (call == "syncfs") {
                EXPECT_EQ(errors, std::vector<int>(errors.size(), EIO));
            } else if (c.log.begin() + at == second) {
                EXPECT_EQ(errors, (std::vector<int>{0, EIO, 0}));
            }
        }
    }
}

// Standard output given as a path is written into as it is; a replacement never touches it.
TEST(DurableWriter, APipeNamedByAPathIsWrittenIntoOnlyWhenAsked) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string path = "/proc/self/fd/" + std::to_string(ends[1]);
    const Bytes bytes = {1, 2, 3, 0, 255};
    EXPECT_EQ(writeFile(path, bytes, Mode::replace), EACCES);
    EXPECT_EQ(writeFile(path, bytes, Mode::create), EEXIST);
    EXPECT_EQ(writeFile(path, bytes, Mode::replaceOrDevice), 0);
    ::close(ends[1]);
    Bytes read(16);
    read.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::read(ends[0], read.data(), 16))));
    ::close(ends[0]);
    EXPECT_EQ(read, bytes);
}

TEST(DurableWriter, AReplacedFileKeepsItsOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "only the administrator may give a file away";
    const Folder folder;
    make(folder, {{"t", "0640 old"}});
    ASSERT_EQ(::chown((folder / "t").c_str(), 65534, 65534), 0);
    EXPECT_EQ(writeFile(folder / "t", Bytes{'x'}, Mode::replace), 0);
    struct stat st {};
    ::stat((folder / "t").c_str(), &st);
    EXPECT_EQ(std::tuple(st.st_uid, st.st_gid, modeText(st.st_mode)),
              std::tuple(65534u, 65534u, std::string("0640")));
}

} // namespace
