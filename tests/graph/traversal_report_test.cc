#include <gtest/gtest.h>

#include "graph/traversal.h"
#include "graph_fixture.h"

namespace lorewood {
namespace {

using testing::MemoryGraph;

TEST(TraversalReport, StartAlone) {
  MemoryGraph graph;
  graph.add("a");
  auto result = traverse(adjacency(graph.index()), graph.index(), "a", 2, TraversalOrder::Bfs);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->to_markdown(graph.index()),
            "# Lorewood Traversal Report\n"
            "\n"
            "- **Start:** `a`\n"
            "- **Max depth:** 2\n"
            "- **Order:** BFS\n"
            "- **Nodes reached:** 1\n"
            "\n"
            "## Nodes\n"
            "\n"
            "### a (depth 0)\n"
            "\n"
            "- **Type:** note\n"
            "- **Path:** a\n"
            "- **File:** `a.md`\n"
            "\n");
}

TEST(TraversalReport, PathsTypesAndNodesGoneFromTheIndex) {
  MemoryGraph graph;
  graph.add("a", {"b"}).add("b", {"c"}, "", "sub/b.md", "decision").add("c");
  auto result = traverse(adjacency(graph.index()), graph.index(), "a", 4294967295u, TraversalOrder::Dfs);
  ASSERT_TRUE(result);
  ASSERT_TRUE(graph.index().delete_node("c"));
  EXPECT_EQ(result->to_markdown(graph.index()),
            "# Lorewood Traversal Report\n"
            "\n"
            "- **Start:** `a`\n"
            "- **Max depth:** 4294967295\n"
            "- **Order:** DFS\n"
            "- **Nodes reached:** 3\n"
            "\n"
            "## Nodes\n"
            "\n"
            "### a (depth 0)\n"
            "\n"
            "- **Type:** note\n"
            "- **Path:** a\n"
            "- **File:** `a.md`\n"
            "\n"
            "### b (depth 1)\n"
            "\n"
            "- **Type:** decision\n"
            "- **Path:** a \u2192 b\n"
            "- **File:** `sub/b.md`\n"
            "\n"
            "### c (depth 2)\n"
            "\n"
            "- **Type:** unknown\n"
            "- **Path:** a \u2192 b \u2192 c\n"
            "\n");
}

TEST(TraversalReport, EmptyResult) {
  MemoryGraph graph;
  TraversalResult empty{"x", TraversalOrder::Bfs, 0, {}};
  EXPECT_EQ(empty.to_markdown(graph.index()),
            "# Lorewood Traversal Report\n"
            "\n"
            "- **Start:** `x`\n"
            "- **Max depth:** 0\n"
            "- **Order:** BFS\n"
            "- **Nodes reached:** 0\n"
            "\n"
            "_No nodes reached at the requested depth._\n");
}

}  // namespace
}  // namespace lorewood
