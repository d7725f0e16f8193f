// ASCII case-insensitive text matching for search.
//
//   FoldedPattern pattern(fold_ascii("Graph"));   // "graph"
//   bool hit = pattern.found_in(entry.body);      // matches "GRAPH", "Graph", ...
//
// Only the letters A to Z fold (to a to z); every other byte, all of non-ASCII
// text included, compares exactly. Matching runs over the stored text in place,
// so a search never copies or lower-cases the texts it scans.
#pragma once

#include <string>
#include <string_view>

namespace lorewood {

// `text` with the bytes A to Z mapped to a to z; every other byte unchanged.
std::string fold_ascii(std::string_view text);

// True when `a` and `b` are equal once both are folded by fold_ascii.
bool equal_folded(std::string_view a, std::string_view b);

// A search text, already folded, prepared for repeated substring tests.
class FoldedPattern {
 public:
  // `folded` must already be folded (fold_ascii); it is kept as given.
  explicit FoldedPattern(std::string folded);

  const std::string& text() const { return folded_; }
  bool empty() const { return folded_.empty(); }

  // True when fold_ascii(text) contains the pattern as a contiguous substring.
  // The empty pattern is found in every text, including the empty one.
  bool found_in(std::string_view text) const;

 private:
  bool found_scalar(std::string_view text, std::size_t from) const;

  std::string folded_;
  // For the first and the last pattern byte: 0x20 when it is a letter a to z
  // (so that OR-ing 0x20 into a text byte folds A to Z onto it), else 0.
  unsigned char first_mask_ = 0, last_mask_ = 0;
};

}  // namespace lorewood
