#include "graph/traversal.h"

#include <gtest/gtest.h>

#include <limits>

#include "graph_fixture.h"

namespace lorewood {
namespace {

using testing::MemoryGraph;
using Ids = std::vector<std::string>;

constexpr auto kBfs = TraversalOrder::Bfs;
constexpr auto kDfs = TraversalOrder::Dfs;

// Runs both implementations (over a prebuilt adjacency, and resolving links as
// it goes) and checks that they agree before returning the result.
TraversalResult walk(GraphIndex& index, std::string_view start, std::uint32_t depth,
                     TraversalOrder order) {
  auto over_adjacency = traverse(adjacency(index), index, start, depth, order);
  auto resolving = traverse(index, start, depth, order);
  EXPECT_TRUE(over_adjacency) << over_adjacency.error().message();
  EXPECT_TRUE(resolving) << resolving.error().message();
  EXPECT_EQ(over_adjacency->nodes(), resolving->nodes());
  return std::move(*over_adjacency);
}

// "id@depth:a>b>id" for each reached node, the route spelled out.
Ids describe(const TraversalResult& result) {
  Ids out;
  for (const TraversalNode& node : result.nodes()) {
    std::string route;
    for (const std::string& id : node.path) route += (route.empty() ? "" : ">") + id;
    out.push_back(node.id + "@" + std::to_string(node.depth) + ":" + route);
  }
  return out;
}

struct Case {
  const char* name;
  std::vector<std::pair<std::string, Ids>> links;  // node -> its links, in order
  std::uint32_t depth;
  TraversalOrder order;
  Ids expected;
};

class TraversalCases : public ::testing::TestWithParam<Case> {};

TEST_P(TraversalCases, ReachesExpectedNodes) {
  const Case& c = GetParam();
  MemoryGraph graph;
  for (const auto& [id, links] : c.links) graph.add(id, links);
  TraversalResult result = walk(graph.index(), "a", c.depth, c.order);
  EXPECT_EQ(result.start, "a");
  EXPECT_EQ(result.max_depth, c.depth);
  EXPECT_EQ(result.order, c.order);
  EXPECT_EQ(describe(result), c.expected);
}

const std::vector<std::pair<std::string, Ids>> kChain = {{"a", {"b"}}, {"b", {"c"}}, {"c", {}}};
const std::vector<std::pair<std::string, Ids>> kDiamond = {
    {"a", {"b", "c"}}, {"b", {"d"}}, {"c", {"d"}}, {"d", {}}};
// a reaches c directly and through b; c leads on to d.
const std::vector<std::pair<std::string, Ids>> kShortcut = {
    {"a", {"b", "c"}}, {"b", {"c"}}, {"c", {"d"}}, {"d", {}}};

INSTANTIATE_TEST_SUITE_P(
    Graphs, TraversalCases,
    ::testing::Values(
        Case{"limit0", kChain, 0, kBfs, {"a@0:a"}},
        Case{"limit0dfs", kChain, 0, kDfs, {"a@0:a"}},
        Case{"chain1", kChain, 1, kBfs, {"a@0:a", "b@1:a>b"}},
        Case{"chain5", kChain, 5, kBfs, {"a@0:a", "b@1:a>b", "c@2:a>b>c"}},
        Case{"chain5dfs", kChain, 5, kDfs, {"a@0:a", "b@1:a>b", "c@2:a>b>c"}},
        Case{"cycle", {{"a", {"b"}}, {"b", {"a"}}}, 9, kBfs, {"a@0:a", "b@1:a>b"}},
        Case{"cycledfs", {{"a", {"b"}}, {"b", {"a"}}}, 9, kDfs, {"a@0:a", "b@1:a>b"}},
        Case{"selflink", {{"a", {"a"}}}, 3, kDfs, {"a@0:a"}},
        Case{"missingonly", {{"a", {"x", "y"}}}, 3, kBfs, {"a@0:a"}},
        Case{"diamond", kDiamond, 3, kBfs, {"a@0:a", "b@1:a>b", "c@1:a>c", "d@2:a>b>d"}},
        Case{"diamonddfs", kDiamond, 3, kDfs, {"a@0:a", "b@1:a>b", "d@2:a>b>d", "c@1:a>c"}},
        Case{"shortcut", kShortcut, 2, kBfs, {"a@0:a", "b@1:a>b", "c@1:a>c", "d@2:a>c>d"}},
        // c is first reached at the limit through b, so d is never explored.
        Case{"shortcutdfs", kShortcut, 2, kDfs, {"a@0:a", "b@1:a>b", "c@2:a>b>c"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Traversal, UnknownStartIsNotFoundInBothOrders) {
  MemoryGraph graph;
  graph.add("a");
  for (TraversalOrder order : {kBfs, kDfs}) {
    for (std::uint32_t depth : {0u, 3u}) {
      auto result = traverse(adjacency(graph.index()), graph.index(), "A", depth, order);
      ASSERT_FALSE(result);
      EXPECT_EQ(result.error().message(), "node A not found");
      EXPECT_FALSE(traverse(graph.index(), "A", depth, order));
    }
  }
}

TEST(Traversal, FollowsStemLinksLikeTheAdjacency) {
  MemoryGraph graph;
  graph.add("a", {}, "[[Second Note]] [[gone]]").add("second", {"a", " third "}, "", "x/Second Note.md").add("third");
  EXPECT_EQ(describe(walk(graph.index(), "a", 5, kDfs)),
            (Ids{"a@0:a", "second@1:a>second", "third@2:a>second>third"}));
}

// A 100 000-node chain with the largest limit: the depth-first walk must not
// nest on the call stack, and routes must not be copied per node.
TEST(Traversal, LongChainWithLargestLimit) {
  constexpr int kNodes = 100000;
  MemoryGraph graph;
  auto name = [](int k) { return "n" + std::to_string(k); };
  for (int k = 0; k < kNodes; ++k) graph.add(name(k), k + 1 < kNodes ? Ids{name(k + 1)} : Ids{});
  const std::uint32_t limit = std::numeric_limits<std::uint32_t>::max();
  for (TraversalOrder order : {kDfs, kBfs}) {
    auto result = traverse(adjacency(graph.index()), graph.index(), name(0), limit, order);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), static_cast<std::size_t>(kNodes));
    TraversalNode last = result->node(kNodes - 1);
    EXPECT_EQ(last.id, name(kNodes - 1));
    EXPECT_EQ(last.depth, static_cast<std::uint32_t>(kNodes - 1));
    ASSERT_EQ(last.path.size(), static_cast<std::size_t>(kNodes));
    EXPECT_EQ(last.path.front(), name(0));
    EXPECT_EQ(last.path[kNodes / 2], name(kNodes / 2));
    auto resolving = traverse(graph.index(), name(0), limit, order);
    ASSERT_TRUE(resolving);
    EXPECT_EQ(resolving->size(), static_cast<std::size_t>(kNodes));
  }
}

TEST(ParseOrder, FoldsAsciiCaseOnly) {
  const std::pair<const char*, std::optional<TraversalOrder>> cases[] = {
      {"bfs", kBfs}, {"BFS", kBfs}, {"dFs", kDfs}, {"dfs", kDfs}, {"", std::nullopt},
      {" bfs", std::nullopt}, {"bfs ", std::nullopt}, {"bf", std::nullopt},
      {"breadth", std::nullopt}, {"\u0131fs", std::nullopt}};
  for (auto [text, order] : cases) EXPECT_EQ(parse_order(text), order) << text;
  EXPECT_EQ(lower_ascii_letters("DFS \u00c9x"), "dfs \u00c9x");
  EXPECT_EQ(order_name(kBfs), "bfs");
  EXPECT_EQ(order_name(kDfs), "dfs");
}

}  // namespace
}  // namespace lorewood
