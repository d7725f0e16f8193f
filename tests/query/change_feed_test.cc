#include "query/change_feed.h"

#include <gtest/gtest.h>

#include <limits>

#include "query_fixture.h"

namespace lorewood {
namespace {

using testing::QueryRoot;

TEST(ChangeFeed, StrictBoundNewestFirstThenId) {
  QueryRoot root;
  root.node("b", "note", "", "", 2000)
      .node("a", "note", "", "", 2000)
      .node("c", "note", "", "", 3000)
      .node("old", "note", "", "", 1999)
      .node("hidden", "note", "", "suppressed: true\n", 2500)
      .node("gone", "note", "", "", 4000);
  GraphIndex index = root.open();
  std::filesystem::remove(root.path("gone"));
  EXPECT_EQ(changed_since(index, 1999), (std::vector<GraphChange>{{"c", "c.md", 3000},
                                                                 {"hidden", "hidden.md", 2500},
                                                                 {"a", "a.md", 2000},
                                                                 {"b", "b.md", 2000}}));
  EXPECT_EQ(changed_since(index, 2000).size(), 2u);
  EXPECT_EQ(changed_since(index, 3000).size(), 0u);
  EXPECT_EQ(changed_since(index, std::numeric_limits<std::int64_t>::min()).size(), 5u);
  EXPECT_EQ(changed_since(index, std::numeric_limits<std::int64_t>::max()).size(), 0u);
}

TEST(ChangeFeed, SeesTimesOfTheMomentAndOnlyIndexedNodes) {
  QueryRoot root;
  root.node("a", "note", "", "", 100);
  GraphIndex index = root.open();
  root.node("unindexed", "note", "", "", 500);
  EXPECT_TRUE(changed_since(index, 100).empty());
  testing::set_mtime(root.path("a"), 101);
  EXPECT_EQ(changed_since(index, 100), (std::vector<GraphChange>{{"a", "a.md", 101}}));
  // A time before the epoch counts as unknown, even for the lowest bound.
  testing::set_mtime(root.path("a"), -5);
  EXPECT_TRUE(changed_since(index, std::numeric_limits<std::int64_t>::min()).empty());
}

TEST(ChangeFeed, EmptyIndex) {
  QueryRoot root;
  EXPECT_TRUE(changed_since(root.open(), 0).empty());
}

}  // namespace
}  // namespace lorewood
