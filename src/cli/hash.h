// SHA-256 through OpenSSL, as the lowercase hex digits that pipelines key on.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tess::cli {

std::string sha256Hex(std::span<const std::uint8_t> bytes);

// The SHA-256 of a regular file's bytes, read in blocks; nothing when it cannot be read whole
// (or is not a regular file, which is never opened for reading).
std::optional<std::string> fileSha256(const std::string& path);

} // namespace tess::cli
