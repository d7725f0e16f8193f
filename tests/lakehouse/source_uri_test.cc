#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "lakehouse/uri/infer_format.h"
#include "lakehouse/uri/source_uri.h"
#include "lakehouse/uri/uri_scheme.h"

namespace lorewood {
namespace {

TEST(UriScheme, NeedsAlphanumericNameAndDoubleSlash) {
  struct Case {
    const char* uri;
    std::optional<std::string_view> scheme;
  };
  for (const Case& c : std::vector<Case>{
           {"file:///srv/a.csv", "file"},
           {"S3://bucket/key", "S3"},
           {"h2://x", "h2"},
           {"file:/srv/a.csv", std::nullopt},
           {"mailto:someone@example.com", std::nullopt},
           {"C:\\data\\a.csv", std::nullopt},
           {"git+ssh://host/repo", std::nullopt},
           {"a.b://x", std::nullopt},
           {"://x", std::nullopt},
           {"tables/a.csv", std::nullopt},
           {"", std::nullopt},
       }) {
    EXPECT_EQ(uri_scheme(c.uri), c.scheme) << c.uri;
  }
}

TEST(ValidateScheme, AcceptsExactlyFourLowerCaseNames) {
  for (const char* ok : {"s3", "file", "http", "https"}) EXPECT_TRUE(validate_scheme(ok)) << ok;
  for (const char* refused : {"ftp", "FILE", "Https", "", "s3a"}) {
    auto status = validate_scheme(refused);
    ASSERT_FALSE(status) << refused;
    EXPECT_EQ(status.error().kind(), ErrorKind::SchemeNotAllowed);
    EXPECT_EQ(status.error().message(), std::string("content scheme ") + refused + " is not allowed");
  }
}

TEST(InferFormat, SuffixFirstThenFirstPrefixedRemoteSource) {
  std::vector<RemoteSource> remotes{{"tables/", "avro"}, {"tables/a", "orc"}, {"s3://b/", "json"}};
  struct Case {
    const char* uri;
    const char* format;
  };
  for (const Case& c : std::vector<Case>{
           {"s3://bucket/dir/a.parquet", "parquet"},
           {"file:///x/a.csv", "csv"},
           {"https://example.com/a.json", "json"},
           {"s3://b/a.CSV", "json"},           // case-sensitive suffix; falls to the remote
           {"s3://other/a.CSV", "unknown"},
           {"https://example.com/a.csv?raw=1", "unknown"},
           {"tables/a.bin", "avro"},           // first match wins, not the longest
           {"elsewhere/a.bin", "unknown"},
           {".parquet", "parquet"},
       }) {
    EXPECT_EQ(infer_format(c.uri, remotes), c.format) << c.uri;
  }
  EXPECT_EQ(infer_format("tables/a.bin"), "unknown");
}

TEST(PickRemoteBase, LongestQualifyingUriAndLaterWinsTies) {
  std::vector<RemoteSource> remotes{{"file:///first", "a"},  {"data/", "b"},
                                    {"data/lake///", "c"},   {"data/lake/", "d"},
                                    {"data/lakeX", "e"}};
  EXPECT_EQ(pick_remote_base("data/lake/t.csv", remotes).format, "c");  // longest as written
  EXPECT_EQ(pick_remote_base("data/other.csv", remotes).format, "b");
  EXPECT_EQ(pick_remote_base("nothing/t.csv", remotes).format, "a");

  std::vector<RemoteSource> ties{{"x/", "first"}, {"x//", "longer"}, {"y/", "later"}, {"x/", "tie"}};
  EXPECT_EQ(pick_remote_base("x/a", ties).format, "longer");
  std::vector<RemoteSource> equal{{"x/", "first"}, {"x/", "second"}};
  EXPECT_EQ(pick_remote_base("x/a", equal).format, "second");
  std::vector<RemoteSource> blank{{"file:///a", "first"}, {"///", "blank"}};
  EXPECT_EQ(pick_remote_base("anything", blank).format, "blank");
}

struct ResolveCase {
  const char* source;
  const char* uri;    // nullptr on failure
  const char* error;  // full message on failure
};

class ResolveSourceUri : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveSourceUri, JoinsOrRefuses) {
  std::vector<RemoteSource> remotes{{"file:///data/lake/", "parquet"}};
  auto result = resolve_source_uri(GetParam().source, remotes);
  if (GetParam().uri != nullptr) {
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_EQ(*result, GetParam().uri);
  } else {
    ASSERT_FALSE(result) << *result;
    EXPECT_EQ(result.error().message(), GetParam().error);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolveSourceUri,
    ::testing::Values(
        ResolveCase{"/tables/a.parquet", "file:///data/lake/tables/a.parquet", nullptr},
        ResolveCase{"  ///tables/a.parquet\t", "file:///data/lake/tables/a.parquet", nullptr},
        // Nothing is normalised here; the file allowlist judges the canonical path.
        ResolveCase{"../../etc/passwd", "file:///data/lake/../../etc/passwd", nullptr},
        ResolveCase{"tables/%2e%2e/a", "file:///data/lake/tables/%2e%2e/a", nullptr},
        ResolveCase{" file:///etc/hosts ", "file:///etc/hosts", nullptr},
        ResolveCase{"s3://bucket/key", "s3://bucket/key", nullptr},
        ResolveCase{"\u00a0https://example.com/a.csv\u3000", "https://example.com/a.csv", nullptr},
        ResolveCase{"", nullptr, "lakehouse error: source must not be empty"},
        ResolveCase{" \t\n\u2003", nullptr, "lakehouse error: source must not be empty"},
        ResolveCase{"ftp://host/a", nullptr, "content scheme ftp is not allowed"},
        ResolveCase{"FILE:///etc/passwd", nullptr, "content scheme FILE is not allowed"},
        ResolveCase{"HTTP://127.0.0.1/", nullptr, "content scheme HTTP is not allowed"},
        ResolveCase{"https://LocalHost/a", nullptr,
                    "lakehouse error: HTTP URI host `LocalHost` is not allowed (loopback)"},
        ResolveCase{"http://[::ffff:10.0.0.1]/a", nullptr,
                    "lakehouse error: HTTP URI host `::ffff:10.0.0.1` is not allowed (private or "
                    "loopback address)"}));

TEST(ResolveSourceUriWithoutRemotes, RelativeSourceFails) {
  auto result = resolve_source_uri("tables/a.csv", {});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), ErrorKind::Lakehouse);
  EXPECT_EQ(result.error().message(),
            "lakehouse error: relative source requires at least one [lakehouse].remote_sources entry");
  EXPECT_EQ(resolve_source_uri("s3://b/k", {}).value(), "s3://b/k");
}

}  // namespace
}  // namespace lorewood
