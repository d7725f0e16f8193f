#include "lakehouse/cache/content_cache.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace lorewood {
namespace {

using namespace std::chrono_literals;

// A clock the test moves by hand.
struct ManualClock {
  std::shared_ptr<ContentCache::Clock::time_point> now =
      std::make_shared<ContentCache::Clock::time_point>(ContentCache::Clock::time_point{} + 1000s);
  ContentCache::NowFunction function() const {
    return [now = now] { return *now; };
  }
  void advance(ContentCache::Clock::duration by) const { *now += by; }
};

ResolvedContent text_of(std::size_t bytes) { return ResolvedContent::text("u", std::string(bytes, 't')); }

ResolvedContent asset(std::optional<std::uint64_t> size, std::optional<std::string> snippet) {
  return ResolvedContent::external(ExternalAsset{"s3://b/k", "parquet", size, false, std::move(snippet)});
}

TEST(AccountedSize, CountsBodiesOrAssetSizePlusSnippet) {
  EXPECT_EQ(accounted_size(ResolvedContent::local("h\xc3\xa9")), 3u);
  EXPECT_EQ(accounted_size(ResolvedContent::text("a-long-uri-not-counted", "abcd")), 4u);
  EXPECT_EQ(accounted_size(asset(std::nullopt, std::nullopt)), 128u);
  EXPECT_EQ(accounted_size(asset(std::nullopt, "12345")), 133u);
  EXPECT_EQ(accounted_size(asset(1000, "12345")), 1005u);
  EXPECT_EQ(accounted_size(asset(UINT64_MAX, "x")), UINT64_MAX);
}

TEST(ContentCache, EntriesGoStaleAfterTtlButStayCounted) {
  ManualClock clock;
  ContentCache cache(60, 0, clock.function());
  cache.insert("a", text_of(10));
  clock.advance(60s);
  ASSERT_NE(cache.get("a"), nullptr);  // exactly the lifetime: still fresh
  EXPECT_EQ(*cache.get("a"), text_of(10));
  clock.advance(1ns);
  EXPECT_EQ(cache.get("a"), nullptr);
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_EQ(cache.bytes(), 10u);

  // Replacing restarts the lifetime and corrects the total.
  cache.insert("a", text_of(4));
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_EQ(cache.bytes(), 4u);
  clock.advance(30s);
  EXPECT_NE(cache.get("a"), nullptr);
  EXPECT_EQ(cache.get("missing"), nullptr);
}

TEST(ContentCache, ZeroTtlNeverStalesAndZeroBudgetNeverEvicts) {
  ManualClock clock;
  ContentCache cache(0, 0, clock.function());
  cache.insert("a", asset(UINT64_MAX / 2, std::nullopt));
  cache.insert("b", asset(UINT64_MAX / 2, std::nullopt));
  cache.insert("c", asset(UINT64_MAX / 2, std::nullopt));
  clock.advance(std::chrono::hours(24 * 365 * 100));
  EXPECT_NE(cache.get("a"), nullptr);
  EXPECT_EQ(cache.size(), 3u);
  EXPECT_EQ(cache.bytes(), UINT64_MAX);  // saturates instead of wrapping

  ContentCache forever(UINT64_MAX, 0, clock.function());
  forever.insert("a", text_of(1));
  clock.advance(std::chrono::hours(24 * 365 * 100));
  EXPECT_NE(forever.get("a"), nullptr);
}

TEST(ContentCache, EvictsOldestInsertedFirstWhateverIsRead) {
  ManualClock clock;
  ContentCache cache(0, 100, clock.function());
  cache.insert("old", text_of(40));
  clock.advance(1s);
  cache.insert("new", text_of(40));
  for (int i = 0; i < 5; ++i) EXPECT_NE(cache.get("old"), nullptr);

  cache.insert("exact", text_of(20));  // 40 + 40 + 20 == budget: nothing goes
  EXPECT_EQ(cache.size(), 3u);
  EXPECT_EQ(cache.bytes(), 100u);

  cache.insert("more", text_of(30));
  EXPECT_EQ(cache.get("old"), nullptr);
  EXPECT_NE(cache.get("new"), nullptr);
  EXPECT_NE(cache.get("exact"), nullptr);
  EXPECT_EQ(cache.bytes(), 90u);

  // Entries inserted at the same instant still leave in insertion order.
  cache.insert("big", text_of(55));
  EXPECT_EQ(cache.get("new"), nullptr);
  EXPECT_EQ(cache.get("exact"), nullptr);
  EXPECT_NE(cache.get("more"), nullptr);
  EXPECT_NE(cache.get("big"), nullptr);
  EXPECT_EQ(cache.size(), 2u);
  EXPECT_EQ(cache.bytes(), 85u);
}

TEST(ContentCache, ContentLargerThanTheBudgetEmptiesTheCacheAndIsNotStored) {
  ContentCache cache(300, 10485760);
  cache.insert("a", text_of(1000));
  cache.insert("b", asset(2000, "snippet"));
  cache.insert("huge", asset(20 * 1024 * 1024, "PAR1"));
  EXPECT_EQ(cache.size(), 0u);
  EXPECT_EQ(cache.bytes(), 0u);
  EXPECT_EQ(cache.get("huge"), nullptr);

  // Replacing an entry by one too large drops the old one too.
  cache.insert("a", text_of(10));
  cache.insert("a", asset(UINT64_MAX, std::nullopt));
  EXPECT_EQ(cache.size(), 0u);
  EXPECT_EQ(cache.bytes(), 0u);
}

}  // namespace
}  // namespace lorewood
