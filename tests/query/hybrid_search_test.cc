#include "query/hybrid_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "query_fixture.h"

namespace lorewood {
namespace {

using testing::QueryRoot;
using Ids = std::vector<std::string>;
using Reasons = std::vector<std::string>;

constexpr std::int64_t kNow = 1'700'000'000;
constexpr std::int64_t kDay = 86400;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

Ids ids_of(const std::vector<HybridSearchResult>& results) {
  Ids ids;
  for (const auto& r : results) ids.push_back(r.id);
  return ids;
}

HybridQueryOptions at_now(std::optional<std::string> query = std::nullopt) {
  HybridQueryOptions options;
  options.query = std::move(query);
  options.as_of_unix = kNow;
  return options;
}

HybridSearchResult only(const std::vector<HybridSearchResult>& results) {
  EXPECT_EQ(results.size(), 1u);
  return results.empty() ? HybridSearchResult{} : results.front();
}

TEST(HybridSearch, EmptyQueryNeedsASemanticOrGraphSignal) {
  QueryRoot root;
  root.node("a", "note", "text", "", kNow).node("b", "note", "text", "", kNow);
  GraphIndex index = root.open();
  EXPECT_TRUE(hybrid_search_index(index, HybridQueryOptions{}).empty());
  EXPECT_TRUE(hybrid_search_index(index, at_now("")).empty());

  HybridQueryOptions options = at_now();
  options.semantic_scores = {{"a", 0.8}, {"not-indexed", 1.0}};
  HybridSearchResult a = only(hybrid_search_index(index, options));
  EXPECT_EQ(a.id, "a");
  EXPECT_DOUBLE_EQ(a.score, 0.8 * 0.3 + 0.1 * 1.0);
  EXPECT_EQ(a.signals, (std::map<std::string, double>{
                           {"graph", 0.0}, {"lexical", 0.0}, {"recency", 1.0}, {"semantic", 0.8}}));
  EXPECT_EQ(a.reasons, (Reasons{"semantic match", "recent memory"}));
  EXPECT_EQ(a.canonical_id, "a");
  EXPECT_EQ(a.summary, "text");
  EXPECT_EQ(a.relative_path, "a.md");
  EXPECT_EQ(a.modified_unix, kNow);
}

TEST(HybridSearch, SemanticScoresAreClampedAndNaNIsKept) {
  QueryRoot root;
  for (const char* id : {"high", "low", "nan", "inf", "neginf", "mid"}) root.node(id, "note", "", "", 0);
  GraphIndex index = root.open();
  HybridQueryOptions options = at_now();
  options.semantic_scores = {{"high", 1.7}, {"low", -0.5}, {"nan", kNaN},
                             {"inf", kInf}, {"neginf", -kInf}, {"mid", 0.5}};
  auto results = hybrid_search_index(index, options);
  // NaN sorts first (totalOrder); equal scores (high, inf) by id.
  ASSERT_EQ(ids_of(results), (Ids{"nan", "high", "inf", "mid"}));
  EXPECT_TRUE(std::isnan(results[0].score));
  EXPECT_TRUE(std::isnan(results[0].signals.at("semantic")));
  EXPECT_EQ(results[0].reasons, Reasons{});  // a NaN signal adds no reason
  EXPECT_EQ(results[1].signals.at("semantic"), 1.0);
  EXPECT_EQ(results[2].signals.at("semantic"), 1.0);
  EXPECT_EQ(results[3].reasons, Reasons{"semantic match"});
}

TEST(HybridSearch, QueryRanksEveryNodeThatPassesTheFilters) {
  QueryRoot root;
  root.node("old", "note", "plain", "", kNow - 60 * kDay)
      .node("new", "note", "plain", "", kNow - kDay)
      .node("deploy", "note", "", "", kNow - 90 * kDay)
      .node("body-hit", "note", "how to Deploy", "", kNow - 90 * kDay)
      .node("deploy-type", "deploy", "", "", kNow - 90 * kDay)
      .node("type-only", "deploy", "", "", kNow - 90 * kDay);
  GraphIndex index = root.open();
  auto results = hybrid_search_index(index, at_now("deploy"));
  // Equal scores and times: the shorter id (a prefix of the other) first.
  ASSERT_EQ(ids_of(results), (Ids{"deploy", "deploy-type", "type-only", "body-hit", "new", "old"}));
  EXPECT_EQ(results[0].signals.at("lexical"), 1.0);  // id only: 30 / 30
  EXPECT_EQ(results[1].signals.at("lexical"), 1.0);  // id and type: 42 / 30, clamped
  EXPECT_DOUBLE_EQ(results[2].signals.at("lexical"), 0.4);
  EXPECT_DOUBLE_EQ(results[3].signals.at("lexical"), 0.2);
  EXPECT_EQ(results[3].reasons, Reasons{"lexical match"});
  EXPECT_EQ(results[4].signals.at("lexical"), 0.0);
  EXPECT_EQ(results[4].reasons, Reasons{"recent memory"});
  EXPECT_EQ(results[5].reasons, Reasons{});

  auto none = hybrid_search_index(index, at_now("zzz"));
  EXPECT_EQ(ids_of(none), (Ids{"new", "old", "body-hit", "deploy", "deploy-type", "type-only"}));
}

TEST(HybridSearch, GraphClosenessFromSeeds) {
  QueryRoot root;
  root.node("A", "note", "", "links:\n- B\n", 0)
      .node("B", "note", "", "", 0)
      .node("C", "note", "see [[B]]", "", 0)
      .node("D", "note", "[[C]]", "", 0)
      .node("E", "note", "", "", 0);
  GraphIndex index = root.open();
  HybridQueryOptions options = at_now();
  options.seed_ids = {"A", "ghost", "A"};
  auto results = hybrid_search_index(index, options);
  ASSERT_EQ(ids_of(results), (Ids{"A", "B", "C"}));
  EXPECT_EQ(results[0].signals.at("graph"), 1.0);
  EXPECT_EQ(results[1].signals.at("graph"), 0.75);
  EXPECT_EQ(results[2].signals.at("graph"), 0.4);
  EXPECT_EQ(results[2].reasons, Reasons{"graph relationship"});

  // Seed order does not matter; a seed keeps 1.0 next to another seed.
  options.seed_ids = {"C", "A"};
  results = hybrid_search_index(index, options);
  ASSERT_EQ(ids_of(results), (Ids{"A", "C", "B", "D"}));
  EXPECT_EQ(results[2].signals.at("graph"), 0.75);
  EXPECT_EQ(results[3].signals.at("graph"), 0.75);
  options.seed_ids = {"A", "C"};
  EXPECT_EQ(ids_of(hybrid_search_index(index, options)), (Ids{"A", "C", "B", "D"}));
}

TEST(HybridSearch, RecencyHalfLife) {
  const std::int64_t month = 30 * kDay;
  QueryRoot root;
  root.node("half", "note", "", "", kNow - month)
      .node("older", "note", "", "", kNow - month - 1)
      .node("future", "note", "", "", kNow + 100);
  GraphIndex index = root.open();
  HybridQueryOptions options = at_now("x");
  auto results = hybrid_search_index(index, options);
  ASSERT_EQ(ids_of(results), (Ids{"future", "half", "older"}));
  EXPECT_EQ(results[0].signals.at("recency"), 1.0);
  EXPECT_EQ(results[1].signals.at("recency"), 0.5);
  EXPECT_EQ(results[1].reasons, Reasons{"recent memory"});
  EXPECT_LT(results[2].signals.at("recency"), 0.5);
  EXPECT_EQ(results[2].reasons, Reasons{});

  // Half-lives below 0.01 days, negative or NaN count as 0.01 days (864 s).
  for (double days : {0.0, -3.0, 0.001, kNaN, -kInf}) {
    options.recency_half_life_days = days;
    options.as_of_unix = kNow - month + 864;
    EXPECT_EQ(hybrid_search_index(index, options)[1].signals.at("recency"), 0.5) << days;
  }
  options.recency_half_life_days = kInf;
  EXPECT_EQ(hybrid_search_index(index, options)[2].signals.at("recency"), 1.0);
}

TEST(HybridSearch, ExtremeReferenceTimes) {
  QueryRoot root;
  root.node("a", "note", "", "", 0).node("b", "note", "", "", kNow);
  std::filesystem::remove(root.path("b"));
  GraphIndex index = root.open();
  std::filesystem::remove(root.path("b"));
  HybridQueryOptions options = at_now("x");
  options.as_of_unix = std::numeric_limits<std::int64_t>::min();
  auto results = hybrid_search_index(index, options);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].signals.at("recency"), 1.0);
  options.as_of_unix = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(hybrid_search_index(index, options)[0].signals.at("recency"), 0.0);
}

TEST(HybridSearch, UnreadableTimeGivesNoRecency) {
  QueryRoot root;
  root.node("gone", "note", "", "", kNow);
  GraphIndex index = root.open();
  std::filesystem::remove(root.path("gone"));
  HybridSearchResult r = only(hybrid_search_index(index, at_now("x")));
  EXPECT_EQ(r.modified_unix, std::nullopt);
  EXPECT_EQ(r.signals.at("recency"), 0.0);
  EXPECT_EQ(r.score, 0.0);
}

TEST(HybridSearch, ValidityWindowAtTheReferenceTime) {
  const std::string now = std::to_string(kNow);
  QueryRoot root;
  root.node("until-now", "note", "", "valid_until: " + now + "\n")
      .node("until-later", "note", "", "valid_until: '" + std::to_string(kNow + 1) + "'\n")
      .node("from-now", "note", "", "valid_from: " + now + "\n")
      .node("from-later", "note", "", "valid_from: 2023-11-14T22:13:21Z\n")  // kNow + 1
      .node("from-offset", "note", "", "valid_from: 2023-11-15T00:13:20+02:00\n")  // kNow
      .node("date-only", "note", "", "valid_from: 2099-01-01\n")
      .node("no-offset", "note", "", "valid_from: 2099-01-01T00:00:00\n")
      .node("words", "note", "", "valid_until: yesterday\n")
      .node("float", "note", "", "valid_until: 1.0\n");
  GraphIndex index = root.open();
  EXPECT_EQ(ids_of(hybrid_search_index(index, at_now("x"))),
            (Ids{"date-only", "float", "from-now", "from-offset", "no-offset", "until-later",
                 "words"}));
}

TEST(HybridSearch, ProjectFilter) {
  QueryRoot root;
  root.node("alpha", "note", "", "project: alpha\n")
      .node("beta", "note", "", "project: beta\nproject_id: alpha\n")
      .node("id-alpha", "note", "", "project_id: alpha\n")
      .node("none", "note", "", "")
      .node("number", "note", "", "project: 7\nproject_id: beta\n")
      .node("number-only", "note", "", "project: 7\n")
      .node("tagged", "note", "", "project: !p alpha\n");
  GraphIndex index = root.open();
  HybridQueryOptions options = at_now("x");
  options.project = "alpha";
  EXPECT_EQ(ids_of(hybrid_search_index(index, options)),
            (Ids{"alpha", "id-alpha", "none", "number-only", "tagged"}));
  options.project = "";
  EXPECT_EQ(ids_of(hybrid_search_index(index, options)), (Ids{"none", "number-only"}));
  options.project.reset();
  EXPECT_EQ(hybrid_search_index(index, options).size(), 7u);
}

TEST(HybridSearch, SuppressionSupersessionTypesAndTags) {
  QueryRoot root;
  root.node("new", "decision", "", "supersedes: old\ntags: [ops]\ncanonical_id: decision-1\n")
      .node("old", "decision", "", "tags: [ops]\n")
      .node("hidden", "note", "", "suppressed: true\nsupersedes: victim\n")
      .node("victim", "note", "")
      .node("listed", "task", "", "supersedes: [task]\n")
      .node("task", "task", "")
      .node("self", "note", "", "supersedes: self\n");
  GraphIndex index = root.open();
  EXPECT_EQ(superseded_ids(index), (TextSet{"old", "victim", "self"}));

  HybridQueryOptions options = at_now("x");
  EXPECT_EQ(ids_of(hybrid_search_index(index, options)), (Ids{"listed", "new", "task"}));
  options.include_superseded = true;
  options.include_suppressed = true;
  EXPECT_EQ(hybrid_search_index(index, options).size(), 7u);

  options = at_now("x");
  options.node_types = {"task", "decision"};
  options.include_superseded = true;
  EXPECT_EQ(ids_of(hybrid_search_index(index, options)), (Ids{"listed", "new", "old", "task"}));
  // A long list of types gives the same answer.
  for (int i = 0; i < 50; ++i) options.node_types.push_back("other" + std::to_string(i));
  EXPECT_EQ(ids_of(hybrid_search_index(index, options)), (Ids{"listed", "new", "old", "task"}));
  options.tags = {"OPS"};
  auto tagged = hybrid_search_index(index, options);
  EXPECT_EQ(ids_of(tagged), (Ids{"new", "old"}));
  EXPECT_EQ(tagged[0].canonical_id, "decision-1");
  EXPECT_EQ(tagged[1].canonical_id, "old");
}

TEST(HybridSearch, LimitAndTies) {
  QueryRoot root;
  for (int i = 0; i < 25; ++i) root.node("n" + std::to_string(10 + i), "note", "", "", 1000);
  root.node("fresh", "note", "", "", 2000);
  GraphIndex index = root.open();
  HybridQueryOptions options = at_now("x");
  options.limit = 0;
  auto twenty = hybrid_search_index(index, options);
  ASSERT_EQ(twenty.size(), 20u);
  EXPECT_EQ(twenty[0].id, "fresh");  // equal score (0): newest first, then by id
  EXPECT_EQ(twenty[1].id, "n10");
  EXPECT_EQ(twenty[19].id, "n28");
  options.limit = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(hybrid_search_index(index, options).size(), 26u);
  options.limit = 1;
  EXPECT_EQ(ids_of(hybrid_search_index(index, options)), Ids{"fresh"});
}

}  // namespace
}  // namespace lorewood
