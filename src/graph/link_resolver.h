// LinkResolver: turns a node's link texts into the ids of the nodes they name.
//
//   LinkResolver resolver(index);
//   resolver.for_each_link(entry,
//       [](const std::string& target) { ... },      // each resolved id, once
//       [](std::string_view text) { ... });         // each unresolved text, once
//
// A text is trimmed of Unicode white space; it names the node with that id, or
// else the node whose file stem it is. When several nodes share a stem, the
// stem names the first of them in the iteration order of `index.entries()`.
// The resolver borrows the index (and the id table): it must not outlive them
// or see the index change.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "graph/id_table.h"
#include "index/graph_index.h"
#include "platform/seeded_hash.h"
#include "platform/unicode_text.h"

namespace lorewood {

// The file stem of a relative path: its last component without the final
// extension ("notes/My Note.md" -> "My Note"); empty when it has no file name.
std::string_view file_stem(const std::filesystem::path& relative_path);

// Prefix that keys unresolved texts in the per-node seen set, so that they share
// one key space with resolved ids.
inline constexpr std::string_view kUnresolvedKeyPrefix = "__unresolved__";


// A set that stays a plain vector while small, then switches to hashing.
template <typename T, typename Hash, typename Eq = std::equal_to<T>>
class SmallSet {
 public:
  bool contains(const T& value) const {
    if (!hashed_.empty()) return hashed_.contains(value);
    for (const T& item : items_)
      if (Eq{}(item, value)) return true;
    return false;
  }
  // Empties the set; a large hashed set is released rather than cleared, so that
  // clearing costs no more than filling did.
  void clear() {
    items_.clear();
    if (!hashed_.empty()) hashed_ = {};
  }

  // Adds the value; false when it was already present.
  bool insert(const T& value) {
    if (contains(value)) return false;
    if (hashed_.empty() && items_.size() < kLinearLimit) {
      items_.push_back(value);
      return true;
    }
    if (hashed_.empty()) hashed_.insert(items_.begin(), items_.end());
    hashed_.insert(value);
    return true;
  }

 private:
  static constexpr std::size_t kLinearLimit = 16;
  std::vector<T> items_;
  std::unordered_set<T, Hash, Eq> hashed_;
};

// The keys one node's walk has met. Resolved ids and unresolved texts share one
// key space: the text t is keyed kUnresolvedKeyPrefix + t, so it collides with a
// resolved id spelled that way (either one then hides the other).
class LinkSeenSet {
 public:
  // True when the resolved `id` is new (and records it).
  bool add_target(const std::string* id) {
    if (resolved_.contains(id)) return false;
    if (id->starts_with(kUnresolvedKeyPrefix)) {
      std::string_view suffix = std::string_view(*id).substr(kUnresolvedKeyPrefix.size());
      if (unresolved_.contains(suffix)) return false;
      prefixed_suffixes_.insert(suffix);
    }
    resolved_.insert(id);
    return true;
  }

  void clear() {
    resolved_.clear();
    unresolved_.clear();
    prefixed_suffixes_.clear();
  }

  // True when the unresolved `text` is new (and records it).
  bool add_unresolved(std::string_view text) {
    if (unresolved_.contains(text) || prefixed_suffixes_.contains(text)) return false;
    unresolved_.insert(text);
    return true;
  }

 private:
  SmallSet<const std::string*, std::hash<const std::string*>> resolved_;
  SmallSet<std::string_view, SeededHash, TextEqual> unresolved_;
  // Resolved ids that start with kUnresolvedKeyPrefix, without it.
  SmallSet<std::string_view, SeededHash, TextEqual> prefixed_suffixes_;
};

class LinkResolver {
 public:
  // Without `ids`, ids are looked up in the index's map and reported as its key
  // strings; with `ids` (built from the same index), they are looked up in the
  // table and reported as its strings, so `&id - ids->ids().data()` is a position.
  explicit LinkResolver(const GraphIndex& index, const IdTable* ids = nullptr);

  // The id that a link text names, or nullptr. `trimmed` is the text without
  // surrounding white space.
  const std::string* resolve(std::string_view trimmed);

  // Walks the entry's frontmatter links, then its wikilinks, and reports each
  // resolved id and each unresolved text (as written) at its first occurrence.
  template <typename OnTarget, typename OnUnresolved>
  void for_each_link(const NodeIndexEntry& entry, OnTarget&& on_target,
                     OnUnresolved&& on_unresolved);

 private:
  void build_stem_table();
  // Fills targets_ with the resolution of each of trimmed_.
  void resolve_collected();

  const GraphIndex& index_;
  const IdTable* ids_;
  // Built on the first text that is not an id: most graphs link by id only.
  bool stems_built_ = false;
  std::unordered_map<std::string_view, const std::string*, SeededHash, TextEqual> stems_;
  // Scratch space of for_each_link, kept to avoid allocating per node.
  std::vector<const std::string*> texts_;
  std::vector<std::string_view> trimmed_;
  std::vector<const std::string*> targets_;
  std::vector<std::optional<std::uint32_t>> positions_;
  LinkSeenSet seen_;
};

template <typename OnTarget, typename OnUnresolved>
void LinkResolver::for_each_link(const NodeIndexEntry& entry, OnTarget&& on_target,
                                 OnUnresolved&& on_unresolved) {
  texts_.clear();
  trimmed_.clear();
  auto collect = [&](const std::string& text) {
    if (text.empty()) return;  // an empty text is no link at all
    texts_.push_back(&text);
    trimmed_.push_back(trim_unicode_whitespace(text));
  };
  for (const std::string& text : entry.metadata.links) collect(text);
  for (const std::string& text : entry.wikilinks) collect(text);
  resolve_collected();
  seen_.clear();
  for (std::size_t k = 0; k < texts_.size(); ++k) {
    if (const std::string* target = targets_[k]) {
      if (seen_.add_target(target)) on_target(*target);
    } else if (seen_.add_unresolved(*texts_[k])) {
      on_unresolved(std::string_view(*texts_[k]));
    }
  }
}

}  // namespace lorewood
