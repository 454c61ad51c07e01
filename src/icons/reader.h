// The one way the engine touches input bytes: a source (a file read with positional reads, or
// bytes in memory) and a bounded reader over a window of it. Every offset and length is checked
// with overflow-free arithmetic; a read outside the window answers nothing.
#pragma once

#include "tessaline/icons.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace tess::icons::detail {

inline std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t le32s(const std::uint8_t* p) {
    return static_cast<std::int32_t>(le32(p));
}

// True when [offset, offset + length) lies within [0, size).
constexpr bool fits(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return length <= size && offset <= size - length;
}

class Source {
  public:
    virtual ~Source() = default;
    virtual std::uint64_t size() const = 0;
    // Fills out with the bytes at offset; false when they are not all there.
    virtual bool read(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
    // The same for bytes read once (image bytes and their first few): they bypass any cache.
    virtual bool readOnce(std::uint64_t offset, std::span<std::uint8_t> out) const {
        return read(offset, out);
    }
    // Drops what is cached for the walk of the directories, once it is done.
    virtual void releaseCache() const {}
    // The bytes it holds for as long as it lives.
    virtual std::uint64_t held() const { return 0; }
};

// Bytes in memory, held by the source itself.
class MemorySource final : public Source {
  public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) const override;
    std::uint64_t held() const override { return bytes_.size(); }

  private:
    std::vector<std::uint8_t> bytes_;
};

// A regular file read with pread through a small cache of aligned blocks, so that walking a
// resource directory entry by entry costs few system calls and a large file is never read whole.
// A file of one block at most is read whole when opened, and kept: images then cost no read.
class FileSource final : public Source {
  public:
    struct Opened;
    // Opens a regular file only: stat first, open without blocking, fstat again. The options give
    // the block size and where the bytes read are counted.
    static Opened open(const std::string& path, const ReadOptions& options = {});

    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    ~FileSource() override;

    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) const override;
    bool readOnce(std::uint64_t offset, std::span<std::uint8_t> out) const override;
    void releaseCache() const override;
    std::uint64_t held() const override { return whole_.size(); }

  private:
    struct Key {
        explicit Key() = default;
    };

  public:
    FileSource(Key, int fd, std::uint64_t size, const ReadOptions& options);

  private:
    bool preadAll(std::uint64_t offset, std::span<std::uint8_t> out) const;
    const std::vector<std::uint8_t>* block(std::uint64_t index) const;
    bool fromWhole(std::uint64_t offset, std::span<std::uint8_t> out) const;

    static constexpr std::size_t kMaxBlocks = 64;
    static constexpr std::uint64_t kMaxBlockSize = 1u << 20;

    int fd_;
    std::uint64_t size_;
    std::uint64_t blockSize_;
    std::shared_ptr<ReadCounter> counter_; // where the bytes read are counted, if anywhere
    std::vector<std::uint8_t> whole_;      // a small file's bytes, else empty
    mutable std::unordered_map<std::uint64_t, std::vector<std::uint8_t>> blocks_;
    mutable std::vector<std::uint64_t> blockOrder_; // oldest first
    // The block found last: a directory is read field by field from one block.
    mutable std::uint64_t lastIndex_ = 0;
    mutable const std::vector<std::uint8_t>* last_ = nullptr;
};

struct FileSource::Opened {
    std::unique_ptr<FileSource> source; // null when the file cannot be read
    std::string error;
    std::int64_t mtimeNs = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// A bounded view: [base, base + length) of a source.
class Reader {
  public:
    Reader(const Source& source) : source_(&source), base_(0), length_(source.size()) {}

    std::uint64_t size() const { return length_; }
    // Where this window starts in its source.
    std::uint64_t base() const { return base_; }
    bool has(std::uint64_t offset, std::uint64_t length) const {
        return fits(offset, length, length_);
    }

    // The window [offset, offset + length) of this one, or nothing when it does not fit.
    std::optional<Reader> sub(std::uint64_t offset, std::uint64_t length) const {
        if (!has(offset, length)) return std::nullopt;
        Reader r = *this;
        r.base_ = base_ + offset;
        r.length_ = length;
        return r;
    }
    // From offset to the end (clipped), or nothing when offset is past the end.
    std::optional<Reader> from(std::uint64_t offset) const {
        if (offset > length_) return std::nullopt;
        return sub(offset, length_ - offset);
    }

    bool read(std::uint64_t offset, std::span<std::uint8_t> out) const {
        return has(offset, out.size()) && source_->read(base_ + offset, out);
    }
    bool readOnce(std::uint64_t offset, std::span<std::uint8_t> out) const {
        return has(offset, out.size()) && source_->readOnce(base_ + offset, out);
    }
    template <std::size_t N>
    std::optional<std::array<std::uint8_t, N>> fixed(std::uint64_t offset) const {
        std::array<std::uint8_t, N> a{};
        if (!read(offset, a)) return std::nullopt;
        return a;
    }
    std::optional<std::uint8_t> u8(std::uint64_t offset) const {
        auto a = fixed<1>(offset);
        if (!a) return std::nullopt;
        return (*a)[0];
    }
    std::optional<std::uint16_t> u16(std::uint64_t offset) const {
        auto a = fixed<2>(offset);
        if (!a) return std::nullopt;
        return le16(a->data());
    }
    std::optional<std::uint32_t> u32(std::uint64_t offset) const {
        auto a = fixed<4>(offset);
        if (!a) return std::nullopt;
        return le32(a->data());
    }
    // Copies length bytes; nothing when they are not all there.
    std::optional<std::vector<std::uint8_t>> bytes(std::uint64_t offset,
                                                   std::uint64_t length) const;

  private:
    const Source* source_;
    std::uint64_t base_;
    std::uint64_t length_;
};

} // namespace tess::icons::detail
