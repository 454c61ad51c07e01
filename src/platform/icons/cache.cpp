// The parsed directories of the last few files, by path, size and modification time (and the
// file's identity), so that asking for icons 0, 1, 2 ... parses a file once.
#include "platform/icons/formats.h"
#include "platform/icons/win_icons_detail.h"

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>

#include <sys/stat.h>

namespace tess::icons {
namespace {

struct Key {
    std::string path;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const Key&) const = default;
};

struct Entry {
    Key key;
    std::shared_ptr<const IconFile> file;
};

constexpr std::size_t kCachedFiles = 8;

std::mutex cacheMutex;
std::list<Entry> cache; // most recent first
std::atomic<std::uint64_t> parses{0};

IconFile unreadable(std::string error) {
    IconFile f;
    f.status = FileStatus::Unreadable;
    f.error = std::move(error);
    return f;
}

} // namespace

std::shared_ptr<const IconFile> readIconFileCached(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::make_shared<const IconFile>(readIconFile(path)); // the reason, uncached
    const Key now{path, static_cast<std::uint64_t>(st.st_size),
                  static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                  st.st_dev, st.st_ino};
    {
        std::lock_guard lock(cacheMutex);
        for (auto it = cache.begin(); it != cache.end(); ++it) {
            if (it->key == now) {
                cache.splice(cache.begin(), cache, it);
                return cache.front().file;
            }
        }
    }
    std::shared_ptr<const IconFile> file;
    Key key;
    try {
        auto opened = detail::FileSource::open(path);
        if (!opened.source) return std::make_shared<const IconFile>(unreadable(opened.error));
        key = {path, opened.source->size(), opened.mtimeNs, opened.device, opened.inode};
        file = std::make_shared<const IconFile>(detail::readFrom(*opened.source));
        ++parses;
    } catch (const std::bad_alloc&) {
        return std::make_shared<const IconFile>(unreadable("out of memory"));
    }
    std::lock_guard lock(cacheMutex);
    cache.remove_if([&](const Entry& e) { return e.key.path == path; });
    cache.push_front({key, file});
    if (cache.size() > kCachedFiles) cache.pop_back();
    return file;
}

void clearIconCaches() {
    {
        std::lock_guard lock(cacheMutex);
        cache.clear();
    }
    detail::clearDecodedImages();
}

std::uint64_t cachedParseCount() {
    return parses.load();
}

} // namespace tess::icons
