// The parsed directories of the last files, by path, size and modification time (and the file's
// identity), so that asking for icons 0, 1, 2 ... parses a file once. Bounded by the bytes the
// parses hold (image bytes are read when drawn, but for a small file's, read whole and held),
// and by a count of files, since each keeps its file open. One mutex guards the list; parsing
// happens outside it, so that threads reading different files never wait for each other.
#include "icons/formats.h"

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

std::shared_ptr<const IconFile> unreadable(std::string error) {
    auto f = std::make_shared<IconFile>();
    f->status = FileStatus::Unreadable;
    f->error = std::move(error);
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

struct IconCache::State {
    ReadOptions options;
    CacheLimits limits;
    mutable std::mutex mutex;
    std::list<Entry> entries; // most recent first
    std::uint64_t bytes = 0;
    std::uint64_t parses = 0;
};

IconCache::IconCache(ReadOptions options, CacheLimits limits) : state_(std::make_unique<State>()) {
    state_->options = std::move(options);
    state_->limits = limits;
}

IconCache::~IconCache() = default;

std::shared_ptr<const IconFile> IconCache::read(const std::string& path) {
    State& s = *state_;
    const auto now = detail::identify(path);
    if (!now) return std::make_shared<const IconFile>(readIconFile(path, s.options)); // the reason
    {
        std::lock_guard lock(s.mutex);
        for (auto it = s.entries.begin(); it != s.entries.end(); ++it) {
            if (it->key != *now) continue;
            if (it->mun && detail::identify(it->mun->path) != it->mun) break; // the .mun changed
            s.entries.splice(s.entries.begin(), s.entries, it);
            return s.entries.front().file;
        }
    }
    Entry entry;
    try {
        auto opened = detail::FileSource::open(path, s.options);
        if (!opened.source) return unreadable(opened.error);
        entry.key = {path, opened.source->size(), opened.mtimeNs, opened.device, opened.inode};
        entry.file = std::make_shared<const IconFile>(
            detail::readOpened(std::move(opened), path, entry.mun, s.options));
        entry.bytes = heldBytes(*entry.file);
    } catch (const std::bad_alloc&) {
        return unreadable("out of memory");
    }
    auto file = entry.file;
    std::lock_guard lock(s.mutex);
    ++s.parses;
    s.entries.remove_if([&](const Entry& e) {
        if (e.key.path == path) s.bytes -= e.bytes;
        return e.key.path == path;
    });
    s.entries.push_front(std::move(entry));
    s.bytes += s.entries.front().bytes;
    // The newest stays, however large; the oldest go first.
    while (s.entries.size() > 1 &&
           (s.entries.size() > s.limits.files || s.bytes > s.limits.bytes)) {
        s.bytes -= s.entries.back().bytes;
        s.entries.pop_back();
    }
    return file;
}

void IconCache::clear() {
    std::lock_guard lock(state_->mutex);
    state_->entries.clear();
    state_->bytes = 0;
}

std::uint64_t IconCache::parseCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->parses;
}

} // namespace tess::icons
