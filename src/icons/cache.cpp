// The parsed directories of the last files, by path, size and modification time (and the file's
// identity), so that asking for icons 0, 1, 2 ... parses a file once. Bounded by the bytes the
// parses hold (image bytes are read when drawn, but for a small file's, read whole and held),
// and by a count of files, since each keeps its file open.
#include "icons/formats.h"

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>

namespace tess::icons {
namespace {

using Key = detail::FileIdentity;

struct Entry {
    Key key;
    std::optional<Key> mun; // the .mun that served, checked too
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

// What a parse holds in memory: its lists, and a small file's bytes its images share.
std::uint64_t heldBytes(const IconFile& f) {
    std::uint64_t n = sizeof f + f.source.size() + f.error.size();
    const detail::ImageStore* store = nullptr;
    for (const auto* list : {&f.icons, &f.cursors})
        for (const Icon& icon : *list) {
            n += sizeof icon + icon.id.size() + icon.images.size() * sizeof(IconImage);
            if (!store && !icon.images.empty()) store = icon.images.front().store.get();
        }
    if (f.animation)
        n += f.animation->error.size() +
             f.animation->frames.size() *
                 (sizeof f.animation->frames[0] + sizeof f.animation->jiffies[0]);
    return n + (store ? store->source().held() : 0);
}

} // namespace

std::shared_ptr<const IconFile> readIconFileCached(const std::string& path) {
    const auto now = detail::identify(path);
    if (!now) return std::make_shared<const IconFile>(readIconFile(path)); // the reason, uncached
    {
        std::lock_guard lock(cacheMutex);
        for (auto it = cache.begin(); it != cache.end(); ++it) {
            if (it->key != *now) continue;
            if (it->mun && detail::identify(it->mun->path) != it->mun) break; // the .mun changed
            cache.splice(cache.begin(), cache, it);
            return cache.front().file;
        }
    }
    std::shared_ptr<const IconFile> file;
    Key key;
    std::optional<Key> mun;
    try {
        auto opened = detail::FileSource::open(path);
        if (!opened.source) return std::make_shared<const IconFile>(unreadable(opened.error));
        key = {path, opened.source->size(), opened.mtimeNs, opened.device, opened.inode};
        file = std::make_shared<const IconFile>(detail::readOpened(std::move(opened), path, mun));
        ++parses;
    } catch (const std::bad_alloc&) {
        return std::make_shared<const IconFile>(unreadable("out of memory"));
    }
    std::lock_guard lock(cacheMutex);
    cache.remove_if([&](const Entry& e) { return e.key.path == path; });
    cache.push_front({key, mun, file, heldBytes(*file)});
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
    std::lock_guard lock(cacheMutex);
    cache.clear();
}

std::uint64_t cachedParseCount() {
    return parses.load();
}

} // namespace tess::icons
