// Hash maps and sets keyed by text with a per-process random seed (SipHash-1-3),
// so that crafted ids cannot force collisions and degrade lookups to linear time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace lorewood {

std::uint64_t siphash13(std::string_view bytes, std::uint64_t k0, std::uint64_t k1);

struct SeededHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const;
  std::size_t operator()(const std::string& s) const { return (*this)(std::string_view(s)); }
  std::size_t operator()(const char* s) const { return (*this)(std::string_view(s)); }
};

struct TextEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return a == b; }
};

template <typename V>
using TextMap = std::unordered_map<std::string, V, SeededHash, TextEqual>;

using TextSet = std::unordered_set<std::string, SeededHash, TextEqual>;

}  // namespace lorewood
