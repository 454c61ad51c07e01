#include "icons/reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::icons::detail {

FileSource::FileSource(Key, int fd, std::uint64_t size, const ReadOptions& options)
    : fd_(fd), size_(size),
      blockSize_(std::clamp<std::uint64_t>(options.blockSize, 1, kMaxBlockSize)),
      counter_(options.bytesRead) {}

bool MemorySource::read(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (!fits(offset, out.size(), bytes_.size())) return false;
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
}

namespace {

std::string describeType(mode_t mode) {
    if (S_ISDIR(mode)) return "is a folder";
    if (S_ISFIFO(mode)) return "is a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device";
    if (S_ISSOCK(mode)) return "is a socket";
    return "is not a regular file";
}

} // namespace

FileSource::Opened FileSource::open(const std::string& path, const ReadOptions& options) {
    Opened result;
    if (path.empty()) {
        result.error = "empty path";
        return result;
    }
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        result.error = std::strerror(errno);
        return result;
    }
    if (!S_ISREG(before.st_mode)) {
        result.error = describeType(before.st_mode);
        return result;
    }
    // O_NONBLOCK: should the path be swapped for a FIFO between stat and open, open does not wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.error = std::strerror(errno);
        return result;
    }
    struct stat after {};
    if (::fstat(fd, &after) != 0) {
        result.error = std::strerror(errno);
        ::close(fd);
        return result;
    }
    if (!S_ISREG(after.st_mode)) {
        result.error = describeType(after.st_mode);
        ::close(fd);
        return result;
    }
    result.source =
        std::make_unique<FileSource>(Key{}, fd, static_cast<std::uint64_t>(after.st_size), options);
    FileSource& s = *result.source;
    if (s.size_ != 0 && s.size_ <= s.blockSize_) {
        s.whole_.resize(static_cast<std::size_t>(s.size_));
        if (!s.preadAll(0, s.whole_)) s.whole_ = {}; // it shrank: read in blocks, and fail there
    }
    result.mtimeNs =
        static_cast<std::int64_t>(after.st_mtim.tv_sec) * 1000000000 + after.st_mtim.tv_nsec;
    result.device = after.st_dev;
    result.inode = after.st_ino;
    return result;
}

FileSource::~FileSource() {
    ::close(fd_);
}

bool FileSource::preadAll(std::uint64_t offset, std::span<std::uint8_t> out) const {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n =
            ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false; // an error, or the file shrank under us
        done += static_cast<std::size_t>(n);
    }
    if (counter_) *counter_ += out.size();
    return true;
}

const std::vector<std::uint8_t>* FileSource::block(std::uint64_t index) const {
    if (last_ && lastIndex_ == index) return last_;
    if (auto it = blocks_.find(index); it != blocks_.end()) {
        lastIndex_ = index;
        return last_ = &it->second;
    }
    const std::uint64_t start = index * blockSize_;
    if (start >= size_) return nullptr;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(std::min(blockSize_, size_ - start)));
    if (!preadAll(start, data)) return nullptr;
    if (blocks_.size() >= kMaxBlocks) {
        if (lastIndex_ == blockOrder_.front()) last_ = nullptr;
        blocks_.erase(blockOrder_.front());
        blockOrder_.erase(blockOrder_.begin());
    }
    blockOrder_.push_back(index);
    lastIndex_ = index;
    return last_ = &(blocks_[index] = std::move(data));
}

bool FileSource::fromWhole(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (!out.empty()) std::memcpy(out.data(), whole_.data() + offset, out.size());
    return true;
}

bool FileSource::read(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (!fits(offset, out.size(), size_)) return false;
    if (!whole_.empty()) return fromWhole(offset, out);
    if (out.empty()) return true;
    // Large reads (image bytes) go straight to the file; small ones through the block cache.
    if (out.size() > 2 * blockSize_) return preadAll(offset, out);
    std::size_t done = 0;
    while (done < out.size()) {
        const std::uint64_t at = offset + done;
        const std::vector<std::uint8_t>* b = block(at / blockSize_);
        if (!b) return false;
        const std::size_t in = static_cast<std::size_t>(at % blockSize_);
        if (in >= b->size()) return false;
        const std::size_t n = std::min(out.size() - done, b->size() - in);
        std::memcpy(out.data() + done, b->data() + in, n);
        done += n;
    }
    return true;
}

bool FileSource::readOnce(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (!fits(offset, out.size(), size_)) return false;
    if (!whole_.empty()) return fromWhole(offset, out);
    if (out.empty()) return true;
    // Bytes already held in one block come from there; the rest straight from the file.
    const std::uint64_t index = offset / blockSize_;
    if (const auto it = blocks_.find(index); it != blocks_.end()) {
        const std::size_t in = static_cast<std::size_t>(offset % blockSize_);
        if (in <= it->second.size() && out.size() <= it->second.size() - in) {
            std::memcpy(out.data(), it->second.data() + in, out.size());
            return true;
        }
    }
    return preadAll(offset, out);
}

void FileSource::releaseCache() const {
    last_ = nullptr;
    blocks_.clear();
    blockOrder_.clear();
}

std::optional<std::vector<std::uint8_t>> Reader::bytes(std::uint64_t offset,
                                                       std::uint64_t length) const {
    if (!has(offset, length)) return std::nullopt;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(length));
    if (!source_->read(base_ + offset, out)) return std::nullopt;
    return out;
}

} // namespace tess::icons::detail
