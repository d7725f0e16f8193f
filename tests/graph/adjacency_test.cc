#include "graph/adjacency.h"

#include <gtest/gtest.h>

#include <random>

#include "graph/link_resolver.h"
#include "graph_fixture.h"

namespace lorewood {
namespace {

using testing::MemoryGraph;
using Ids = std::vector<std::string>;

Ids out(const GraphAdjacency& adj, std::string_view id) { return adj.outgoing(id).to_vector(); }
Ids into(const GraphAdjacency& adj, std::string_view id) { return adj.incoming(id).to_vector(); }
Ids unresolved(const GraphAdjacency& adj, std::string_view id) {
  auto texts = adj.unresolved(id);
  return Ids(texts.begin(), texts.end());
}

// How many nodes have a non-empty list (a key) in a map.
template <typename List>
std::size_t keys(const GraphAdjacency& adj, List list) {
  std::size_t count = 0;
  for (const std::string& id : adj.ids()) count += !list(adj, id).empty();
  return count;
}

TEST(Adjacency, FrontmatterLinksThenWikilinksEachOnce) {
  MemoryGraph graph;
  graph.add("a", {"b", "c"}, "See [[c]] and [[d]], again [[b]].\n")
      .add("b")
      .add("c")
      .add("z", {"a"}, "[[z]] then [[b]] then [[a]]");
  GraphAdjacency adj = adjacency(graph.index());
  EXPECT_EQ(out(adj, "a"), (Ids{"b", "c"}));
  EXPECT_EQ(unresolved(adj, "a"), (Ids{"d"}));
  EXPECT_EQ(out(adj, "z"), (Ids{"a", "z", "b"}));
  EXPECT_EQ(into(adj, "b"), (Ids{"a", "z"}));
  EXPECT_EQ(into(adj, "c"), (Ids{"a"}));
  EXPECT_EQ(into(adj, "a"), (Ids{"z"}));
  // A self-link is an ordinary edge.
  EXPECT_EQ(into(adj, "z"), (Ids{"z"}));
  // No empty lists: nodes without links, links in or unresolved texts have no key.
  EXPECT_EQ(out(adj, "b"), Ids{});
  EXPECT_EQ(unresolved(adj, "b"), Ids{});
  EXPECT_EQ(unresolved(adj, "z"), Ids{});
  EXPECT_EQ(keys(adj, out), 2u);
  EXPECT_EQ(keys(adj, unresolved), 1u);
  EXPECT_EQ(keys(adj, into), 4u);
  EXPECT_EQ(out(adj, "unknown"), Ids{});
}

TEST(Adjacency, NodeLinkingOnlyToMissingNodesHasNoOutgoingKey) {
  MemoryGraph graph;
  graph.add("a", {"x", "y", "x"});
  GraphAdjacency adj = adjacency(graph.index());
  EXPECT_EQ(out(adj, "a"), Ids{});
  EXPECT_EQ(keys(adj, into), 0u);
  EXPECT_EQ(unresolved(adj, "a"), (Ids{"x", "y"}));
}

TEST(Adjacency, TrimsForResolutionButReportsTextsAsWritten) {
  MemoryGraph graph;
  graph.add("a", {"", " b ", "b", "\u00a0c\t", " x ", "x", "   ", " x "}).add("b").add("c");
  graph.add("", {}, "", "unnamed.md");  // blank texts never name even this node
  GraphAdjacency adj = adjacency(graph.index());
  EXPECT_EQ(out(adj, "a"), (Ids{"b", "c"}));
  // The empty text is ignored; unresolved texts are deduplicated untrimmed.
  EXPECT_EQ(unresolved(adj, "a"), (Ids{" x ", "x", "   "}));
}

TEST(Adjacency, ResolvesByIdBeforeFileStem) {
  MemoryGraph graph;
  graph.add("my-note", {}, "", "notes/My Note.md")
      .add("src", {"My Note", "My Note.md", "notes/My Note", "my-note"});
  GraphAdjacency adj = adjacency(graph.index());
  // By stem; ".md" and directory parts are not normalised away; the id itself
  // then resolves to the same, already seen, node.
  EXPECT_EQ(out(adj, "src"), (Ids{"my-note"}));
  EXPECT_EQ(unresolved(adj, "src"), (Ids{"My Note.md", "notes/My Note"}));

  graph.add("My Note", {}, "", "elsewhere.md");
  adj = adjacency(graph.index());
  EXPECT_EQ(out(adj, "src"), (Ids{"My Note", "my-note"}));
}

TEST(Adjacency, SharedStemNamesTheFirstNodeInEntryOrder) {
  MemoryGraph graph;
  graph.add("one", {}, "", "a/same.md").add("two", {}, "", "b/same.md").add("three", {}, "", "c/same.md");
  graph.add("src", {"same"});
  std::string first;
  for (const auto& [id, entry] : graph.index().entries())
    if (file_stem(entry.relative_path) == "same") {
      first = id;
      break;
    }
  GraphAdjacency adj = adjacency(graph.index());
  EXPECT_EQ(out(adj, "src"), (Ids{first}));
  for (const std::string& id : {"one", "two", "three"}) {
    auto in = backlinks(graph.index(), id);
    ASSERT_TRUE(in);
    EXPECT_EQ(*in, id == first ? Ids{"src"} : Ids{}) << id;
  }
}

TEST(Adjacency, FileStem) {
  const std::pair<const char*, const char*> cases[] = {
      {"notes/My Note.md", "My Note"}, {"a.b.md", "a.b"}, {".md", ".md"}, {"..md", "."},
      {"x", "x"},  {"dir/x.md/", "x"}, {"dir/x.md/.", "x"}, {"", ""}, {"a/..", ""}};
  for (auto [path, stem] : cases) EXPECT_EQ(file_stem(path), stem) << path;
}

// Resolved ids and unresolved texts share one seen set; the unresolved text t
// is keyed "__unresolved__" + t, so it hides a later link to a node of that id,
// and such a node hides a later unresolved t.
TEST(Adjacency, UnresolvedKeysShareTheSeenSetWithIds) {
  MemoryGraph graph;
  graph.add("__unresolved__x")
      .add("first-text", {"x", "__unresolved__x"})
      .add("first-id", {"__unresolved__x", "x"});
  GraphAdjacency adj = adjacency(graph.index());
  EXPECT_EQ(out(adj, "first-text"), Ids{});
  EXPECT_EQ(unresolved(adj, "first-text"), (Ids{"x"}));
  EXPECT_EQ(out(adj, "first-id"), (Ids{"__unresolved__x"}));
  EXPECT_EQ(unresolved(adj, "first-id"), Ids{});
  EXPECT_EQ(*backlinks(graph.index(), "__unresolved__x"), (Ids{"first-id"}));
}

TEST(Backlinks, SortedOrEmptyOrNotFound) {
  MemoryGraph graph;
  graph.add("t").add("zeta", {"t"}).add("alpha", {}, "[[t]] [[t]]").add("Mid", {" t"}).add("lonely");
  EXPECT_EQ(*backlinks(graph.index(), "t"), (Ids{"Mid", "alpha", "zeta"}));
  EXPECT_EQ(*backlinks(graph.index(), "lonely"), Ids{});
  auto missing = backlinks(graph.index(), "T");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message(), "node T not found");
}

// The shortcut that computes one node's backlinks must agree with the full
// adjacency on graphs full of stems, shared stems, blanks and self-links.
TEST(Backlinks, AgreesWithTheFullAdjacencyOnRandomGraphs) {
  std::mt19937 random(12345);
  const std::vector<std::string> names = {"a", "b", "c", "d", "e", "My Note", "x y", "__unresolved__a"};
  for (int round = 0; round < 20; ++round) {
    MemoryGraph graph;
    std::vector<std::string> ids;
    for (int k = 0; k < 12; ++k) {
      std::string id = names[random() % names.size()] + std::to_string(k % 4);
      if (graph.index().contains(id)) continue;
      std::string dir = std::to_string(k);
      std::string stem = random() % 2 ? names[random() % names.size()] : id;
      std::vector<std::string> links;
      std::string body;
      for (int l = random() % 6; l > 0; --l) {
        std::string text = names[random() % names.size()];
        if (random() % 2) text += std::to_string(random() % 4);
        if (random() % 4 == 0) text = " " + text + " ";
        if (random() % 2)
          links.push_back(text);
        else
          body += "[[" + text + "]] ";
      }
      graph.add(id, links, body, dir + "/" + stem + ".md");
      ids.push_back(id);
    }
    GraphAdjacency adj = adjacency(graph.index());
    for (const std::string& id : ids) {
      auto in = backlinks(graph.index(), id);
      ASSERT_TRUE(in);
      EXPECT_EQ(*in, into(adj, id)) << "round " << round << " id " << id;
    }
  }
}

}  // namespace
}  // namespace lorewood
