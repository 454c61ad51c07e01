#include "cli/hash.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tess::cli {
namespace {

struct FreeContext {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using Context = std::unique_ptr<EVP_MD_CTX, FreeContext>;

// The digest fetched once: an implicit fetch per call costs more than hashing a small image.
const EVP_MD* sha256() {
    static const EVP_MD* const md = [] {
        const EVP_MD* fetched = EVP_MD_fetch(nullptr, "SHA256", nullptr);
        return fetched ? fetched : EVP_sha256();
    }();
    return md;
}

std::string hex(const unsigned char* digest, unsigned length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s(length * 2, '0');
    for (unsigned i = 0; i < length; ++i) {
        s[2 * i] = kDigits[digest[i] >> 4];
        s[2 * i + 1] = kDigits[digest[i] & 15];
    }
    return s;
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (!EVP_Digest(bytes.data(), bytes.size(), digest, &length, sha256(), nullptr)) return {};
    return hex(digest, length);
}

std::optional<std::string> fileSha256(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const Fd file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    const Context ctx(EVP_MD_CTX_new());
    if (!ctx || !EVP_DigestInit_ex(ctx.get(), sha256(), nullptr)) return std::nullopt;
    // One block a thread, kept: a fresh 256 KiB block would be mapped and faulted in per file.
    // (read() rather than a mapping: a file that shrinks while it is hashed must not fault.)
    thread_local std::vector<unsigned char> block(256 * 1024);
    while (true) {
        const ssize_t n = ::read(file.fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        if (!EVP_DigestUpdate(ctx.get(), block.data(), static_cast<std::size_t>(n)))
            return std::nullopt;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (!EVP_DigestFinal_ex(ctx.get(), digest, &length)) return std::nullopt;
    return hex(digest, length);
}

} // namespace tess::cli
