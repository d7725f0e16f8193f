#include "query/keyword_search.h"

#include <gtest/gtest.h>

#include <limits>

#include "query_fixture.h"

namespace lorewood {
namespace {

using testing::QueryRoot;
using testing::set_mtime;
using Ids = std::vector<std::string>;
using Labels = std::vector<std::string>;

Ids ids_of(const std::vector<SearchResult>& results) {
  Ids ids;
  for (const SearchResult& r : results) ids.push_back(r.id);
  return ids;
}

QueryOptions query(std::string text) {
  QueryOptions options;
  options.query = std::move(text);
  return options;
}

TEST(KeywordSearch, WeightsLabelsAndResultFields) {
  QueryRoot root;
  root.node("graph-notes", "graph", "All about the Graph.\nSecond line\n", "", 1'700'000'100)
      .node("linker", "note", "", "links:\n- graph-a\n- a-graph\n- GRAPHS\n- other\n")
      .node("meta", "note", "", "graph: 1\ntopic: graphs\nplain: graph\n")
      .node("unrelated", "note", "nothing here\n");
  GraphIndex index = root.open();
  auto results = search_index(index, query("graph"));
  ASSERT_EQ(ids_of(results), (Ids{"graph-notes", "linker", "meta"}));

  const SearchResult& top = results[0];
  EXPECT_EQ(top.score, 30 + 12 + 6);
  EXPECT_EQ(top.matched, (Labels{"body", "id", "type"}));
  EXPECT_EQ(top.node_type, "graph");
  EXPECT_EQ(top.relative_path, "graph-notes.md");
  EXPECT_EQ(top.summary, "All about the Graph.\nSecond line");
  EXPECT_EQ(top.modified_unix, 1'700'000'100);
  // Three matching links add 10 each; the label is listed once.
  EXPECT_EQ(results[1].score, 30);
  EXPECT_EQ(results[1].matched, Labels{"links"});
  // Key "graph" (4), value "graphs" (4), value "graph" (4).
  EXPECT_EQ(results[2].score, 12);
  EXPECT_EQ(results[2].matched, Labels{"frontmatter"});
}

TEST(KeywordSearch, OnlyAsciiLettersFold) {
  QueryRoot root;
  root.node("a", "note", "Graph caf\xC3\xA9\n");
  GraphIndex index = root.open();
  auto hits = search_index(index, query("GRAPH"));
  ASSERT_EQ(ids_of(hits), Ids{"a"});
  EXPECT_EQ(hits[0].matched, Labels{"body"});
  EXPECT_EQ(hits[0].score, 6);
  EXPECT_TRUE(search_index(index, query("CAF\xC3\x89")).empty());
  EXPECT_TRUE(search_index(index, query("missing")).empty());
  // A single space is a real query: it matches the body only.
  EXPECT_EQ(search_index(index, query(" "))[0].matched, Labels{"body"});
}

TEST(KeywordSearch, EmptyQueryKeepsEveryNodeNewestFirst) {
  QueryRoot root;
  root.node("b", "note", "", "", 200).node("a", "note", "", "", 200).node("c", "note", "", "", 300)
      .node("gone", "note", "", "", 400);
  GraphIndex index = root.open();
  std::filesystem::remove(root.path("gone"));
  for (QueryOptions options : {QueryOptions{}, query("")}) {
    auto results = search_index(index, options);
    ASSERT_EQ(ids_of(results), (Ids{"c", "a", "b", "gone"}));
    for (const SearchResult& r : results) {
      EXPECT_EQ(r.score, 1);
      EXPECT_EQ(r.matched, Labels{"all"});
    }
    EXPECT_EQ(results[3].modified_unix, std::nullopt);
  }
}

TEST(KeywordSearch, EqualScoresOrderByTimeThenId) {
  QueryRoot root;
  root.node("ab", "note", "x", "", 100).node("a", "note", "x", "", 100)
      .node("b", "note", "x", "", 100).node("z", "note", "x", "", 101);
  GraphIndex index = root.open();
  EXPECT_EQ(ids_of(search_index(index, query("x"))), (Ids{"z", "a", "ab", "b"}));
}

TEST(KeywordSearch, FiltersTypeSuppressionAndTags) {
  QueryRoot root;
  root.node("plain", "note", "x")
      .node("task", "task", "x")
      .node("hidden", "note", "x", "suppressed: true\n")
      .node("hidden-tagged", "note", "x", "suppressed: !keep true\n")
      .node("quoted", "note", "x", "suppressed: 'true'\n")
      .node("shown", "note", "x", "suppressed: false\n")
      .node("tagged", "note", "x", "tags: [Research, ops]\n")
      .node("single", "note", "x", "tags: RESEARCH\n")
      .node("number", "note", "x", "tags: [42]\n");
  GraphIndex index = root.open();

  QueryOptions options = query("x");
  EXPECT_EQ(ids_of(search_index(index, options)),
            (Ids{"number", "plain", "quoted", "shown", "single", "tagged", "task"}));
  options.include_suppressed = true;
  EXPECT_EQ(search_index(index, options).size(), 9u);

  options = query("x");
  options.node_type = "task";
  EXPECT_EQ(ids_of(search_index(index, options)), Ids{"task"});
  options.node_type = "";
  EXPECT_TRUE(search_index(index, options).empty());
  options.node_type = "Task";
  EXPECT_TRUE(search_index(index, options).empty());

  options = query("x");
  options.tags = {"research"};
  EXPECT_EQ(ids_of(search_index(index, options)), (Ids{"single", "tagged"}));
  options.tags = {"research", "OPS"};
  EXPECT_EQ(ids_of(search_index(index, options)), Ids{"tagged"});
  options.tags = {"42"};
  EXPECT_TRUE(search_index(index, options).empty());
}

TEST(KeywordSearch, TimeFilterIsStrictAndDropsUnreadableTimes) {
  QueryRoot root;
  root.node("old", "note", "x", "", 1000).node("new", "note", "x", "", 1001)
      .node("gone", "note", "x", "", 5000);
  GraphIndex index = root.open();
  std::filesystem::remove(root.path("gone"));
  QueryOptions options = query("x");
  options.modified_since_unix = 1000;
  EXPECT_EQ(ids_of(search_index(index, options)), Ids{"new"});
  options.modified_since_unix = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(ids_of(search_index(index, options)), (Ids{"new", "old"}));
  options.modified_since_unix = std::numeric_limits<std::int64_t>::max();
  EXPECT_TRUE(search_index(index, options).empty());
  // Without the filter the deleted file is still found, with no time.
  auto all = search_index(index, query("x"));
  ASSERT_EQ(ids_of(all), (Ids{"new", "old", "gone"}));
  EXPECT_EQ(all[2].modified_unix, std::nullopt);
}

TEST(KeywordSearch, TimesBeforeTheEpochAreUnknown) {
  QueryRoot root;
  root.node("epoch", "note", "x", "", 0).node("before", "note", "x", "", 0)
      .node("fraction", "note", "x", "", 0);
  set_mtime(root.path("before"), -100);
  set_mtime(root.path("fraction"), -1, 500'000'000);  // half a second before the epoch
  set_mtime(root.path("epoch"), 0, 999'999'999);
  GraphIndex index = root.open();
  auto results = search_index(index, query("x"));
  ASSERT_EQ(ids_of(results), (Ids{"epoch", "before", "fraction"}));
  EXPECT_EQ(results[0].modified_unix, 0);
  EXPECT_EQ(results[1].modified_unix, std::nullopt);
  EXPECT_EQ(results[2].modified_unix, std::nullopt);
}

TEST(KeywordSearch, Limit) {
  QueryRoot root;
  for (int i = 0; i < 60; ++i) root.node("n" + std::to_string(100 + i), "note", "x", "", 1000 + i);
  GraphIndex index = root.open();
  QueryOptions options = query("x");
  options.limit = 0;
  auto fifty = search_index(index, options);
  ASSERT_EQ(fifty.size(), 50u);
  EXPECT_EQ(fifty.front().id, "n159");
  EXPECT_EQ(fifty.back().id, "n110");
  options.limit = 3;
  EXPECT_EQ(ids_of(search_index(index, options)), (Ids{"n159", "n158", "n157"}));
  options.limit = std::numeric_limits<std::uint64_t>::max();
  auto all = search_index(index, options);
  ASSERT_EQ(all.size(), 60u);
  EXPECT_EQ(all.back().id, "n100");
}

TEST(KeywordSearch, EmptyIndex) {
  QueryRoot root;
  GraphIndex index = root.open();
  EXPECT_TRUE(search_index(index, {}).empty());
  EXPECT_TRUE(search_index(index, query("x")).empty());
}

TEST(KeywordSearch, NonUtf8PathIsShownWithReplacement) {
  QueryRoot root;
  auto path = root.root().write("bad\xFFname.md", "---\nid: odd\ntype: note\n---\nx");
  set_mtime(path, 10);
  GraphIndex index = root.open();
  auto results = search_index(index, query("x"));
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].relative_path, "bad\xEF\xBF\xBDname.md");
  EXPECT_EQ(results[0].modified_unix, 10);
}

}  // namespace
}  // namespace lorewood
