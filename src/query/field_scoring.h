// Field scoring shared by keyword and hybrid search.
//
//   FoldedPattern query(fold_ascii("deploy"));
//   FieldScorer scorer(query);
//   FieldScore s = scorer.score(id, entry);   // s.score == 30 + 6, ...
//
// A node's fields are its id (30 points), its type (12), its body (6), each of
// its frontmatter links (10 each) and each key and each value of its other
// frontmatter entries (4 each). A field scores when it contains the query once
// ASCII letters are folded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/graph_index.h"
#include "query/folded_text.h"

namespace lorewood {

inline constexpr std::int32_t kIdWeight = 30;
inline constexpr std::int32_t kTypeWeight = 12;
inline constexpr std::int32_t kBodyWeight = 6;
inline constexpr std::int32_t kLinkWeight = 10;
inline constexpr std::int32_t kFrontmatterWeight = 4;

// `weight` when fold_ascii(text) contains `lowered_query` (which must already be
// folded), with `label` appended to `matched`; 0 otherwise.
std::int32_t score_text(std::string_view text, std::string_view lowered_query, std::int32_t weight,
                        std::string_view label, std::vector<std::string>& matched);

// The fields that matched, one bit per label.
enum FieldLabel : std::uint8_t {
  kLabelId = 1 << 0,
  kLabelType = 1 << 1,
  kLabelBody = 1 << 2,
  kLabelLinks = 1 << 3,
  kLabelFrontmatter = 1 << 4,
};

struct FieldScore {
  // Sum of the weights of every matching field; links and extra entries count
  // once per matching element. Saturates rather than overflows.
  std::int32_t score = 0;
  std::uint8_t labels = 0;  // FieldLabel bits
};

// Scores entries against one query; keeps a text buffer between entries, so
// one scorer serves one thread.
class FieldScorer {
 public:
  // `query` must outlive the scorer.
  explicit FieldScorer(const FoldedPattern& query) : query_(query) {}

  // Scores every field of the entry stored under `id`.
  FieldScore score(std::string_view id, const NodeIndexEntry& entry);

 private:
  void add(std::string_view text, std::int32_t weight, std::uint8_t label);
  // A frontmatter value: strings are searched where they are stored; other
  // values go through their search text.
  void add_value(const YamlValue& value);

  const FoldedPattern& query_;
  std::int64_t total_ = 0;
  std::uint8_t labels_ = 0;
  std::string scratch_;  // search text of the current non-string value
};

// The labels of `labels`, ascending in byte order: "body", "frontmatter",
// "id", "links", "type".
std::vector<std::string> label_names(std::uint8_t labels);

}  // namespace lorewood
