// The parsed directories of the last files, by path, size and modification time (and the file's
// identity), so that asking for icons 0, 1, 2 ... parses a file once. Bounded by the bytes the
// parses hold (image bytes are not held: they are read when drawn), and by a count of files,
// since each keeps its file open.
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
    std::uint64_t bytes = 0;
};

constexpr std::size_t kCachedFiles = 32;
constexpr std::uint64_t kCachedBytes = 64ull * 1024 * 1024;

std::mutex cacheMutex;
std::list<Entry> cache; // most recent first
std::atomic<std::uint64_t> parses{0};

IconFile unreadable(std::string error) {
    IconFile f;
    f.status = FileStatus::Unreadable;
    f.error = std::move(error);
    return f;
}

// What a parse holds in memory.
std::uint64_t heldBytes(const IconFile& f) {
    std::uint64_t n = sizeof f + f.source.size() + f.error.size();
    for (const auto* list : {&f.icons, &f.cursors})
        for (const Icon& icon : *list)
            n += sizeof icon + icon.id.size() + icon.images.size() * sizeof(IconImage);
    return n;
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
        IconFile parsed =
            detail::readFrom(std::make_shared<detail::ImageStore>(std::move(opened.source)));
        parsed.source = path;
        file = std::make_shared<const IconFile>(std::move(parsed));
        ++parses;
    } catch (const std::bad_alloc&) {
        return std::make_shared<const IconFile>(unreadable("out of memory"));
    }
    std::lock_guard lock(cacheMutex);
    cache.remove_if([&](const Entry& e) { return e.key.path == path; });
    cache.push_front({key, file, heldBytes(*file)});
    std::uint64_t total = 0;
    for (const Entry& e : cache)
        total += e.bytes;
    // The newest stays, however large; the oldest go first.
    while (cache.size() > 1 && (cache.size() > kCachedFiles || total > kCachedBytes)) {
        total -= cache.back().bytes;
        cache.pop_back();
    }
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
