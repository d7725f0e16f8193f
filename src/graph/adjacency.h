// GraphAdjacency: the graph's edges, derived from the index on every call.
//
//   GraphAdjacency graph = adjacency(index);
//   for (const std::string& target : graph.outgoing("alpha")) ...  // link order
//   Result<std::vector<std::string>> in = backlinks(index, "alpha");
//
// A node's links are its frontmatter `links` followed by its body's wikilinks;
// each text names a node by id, or else by file stem (see link_resolver.h).
// Nothing is cached: the result always matches the index it was computed from.
//
// Three maps from node id to a list: `outgoing` (the ids a node links to, in
// link order, each once), `incoming` (the ids linking to it, ascending in byte
// order, each once) and `unresolved` (its link texts that name no node, as
// written, in link order, each once). A node has a key in a map only when its
// list there is non-empty, so "no key" and "empty list" are the same answer:
// the accessors return an empty list for both. The lists are stored as dense
// positions into one array of ids, which keeps a whole-graph build cheap.
#pragma once

#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "error/lorewood_error.h"
#include "graph/id_table.h"
#include "index/graph_index.h"

namespace lorewood {

class GraphAdjacency {
 public:
  // One node's list of ids, viewing the adjacency it came from.
  class IdList {
   public:
    class iterator {
     public:
      using iterator_category = std::forward_iterator_tag;
      using value_type = std::string;
      using difference_type = std::ptrdiff_t;
      using pointer = const std::string*;
      using reference = const std::string&;

      iterator() = default;
      iterator(const std::string* ids, const std::uint32_t* at) : ids_(ids), at_(at) {}
      reference operator*() const { return ids_[*at_]; }
      pointer operator->() const { return &ids_[*at_]; }
      iterator& operator++() { ++at_; return *this; }
      iterator operator++(int) { iterator old = *this; ++at_; return old; }
      bool operator==(const iterator& other) const { return at_ == other.at_; }

     private:
      const std::string* ids_ = nullptr;
      const std::uint32_t* at_ = nullptr;
    };

    IdList() = default;
    IdList(const std::string* ids, std::span<const std::uint32_t> positions)
        : ids_(ids), positions_(positions) {}

    std::size_t size() const { return positions_.size(); }
    bool empty() const { return positions_.empty(); }
    const std::string& operator[](std::size_t k) const { return ids_[positions_[k]]; }
    iterator begin() const { return {ids_, positions_.data()}; }
    iterator end() const { return {ids_, positions_.data() + positions_.size()}; }
    std::vector<std::string> to_vector() const { return {begin(), end()}; }

   private:
    const std::string* ids_ = nullptr;
    std::span<const std::uint32_t> positions_;
  };

  // The ids `id` links to; empty when it has no resolved link or is unknown.
  IdList outgoing(std::string_view id) const;
  // The ids that link to `id`; empty when none does or it is unknown.
  IdList incoming(std::string_view id) const;
  // The link texts of `id` that name no node; empty when none or unknown.
  std::span<const std::string> unresolved(std::string_view id) const;

  // Every node id of the index the adjacency was built from.
  const std::vector<std::string>& ids() const { return table_.ids(); }

 private:
  friend GraphAdjacency adjacency(const GraphIndex& index);

  IdList list(std::string_view id, const std::vector<std::uint32_t>& offsets,
              const std::vector<std::uint32_t>& items) const;

  IdTable table_;
  // Per node position k, its list is items[offsets[k] .. offsets[k + 1]).
  std::vector<std::uint32_t> out_offsets_, out_targets_;
  std::vector<std::uint32_t> in_offsets_, in_sources_;
  std::vector<std::uint32_t> unresolved_offsets_;
  std::vector<std::string> unresolved_texts_;
};

// Resolves every node's links. Reads the index only; never fails.
GraphAdjacency adjacency(const GraphIndex& index);

// The ids of the nodes that link to `id`, ascending and without repeats (the
// incoming list of `adjacency(index)`). NodeNotFound when `id` is not indexed.
Result<std::vector<std::string>> backlinks(const GraphIndex& index, std::string_view id);

}  // namespace lorewood
