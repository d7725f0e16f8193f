// Display form of a path: its bytes, with invalid UTF-8 replaced by U+FFFD.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lorewood {

// Replaces every maximal invalid UTF-8 subsequence by U+FFFD.
std::string utf8_lossy(std::string_view bytes);

inline std::string display_path(const std::filesystem::path& path) {
  return utf8_lossy(path.native());
}

// True when `bytes` is well-formed UTF-8 (no surrogates, no overlongs).
bool is_valid_utf8(std::string_view bytes);

}  // namespace lorewood
