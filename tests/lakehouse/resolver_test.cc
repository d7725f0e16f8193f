#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lakehouse/resolver/file_resolver.h"
#include "lakehouse/resolver/http_resolver.h"
#include "lakehouse/resolver/resolver_registry.h"
#include "lakehouse/resolver/s3_stub_resolver.h"
#include "support/temp_root.h"

namespace lorewood {
namespace {

namespace fs = std::filesystem;
using testing::TempRoot;

std::string file_uri(const fs::path& path) { return "file://" + path.string(); }

// A temporary folder holding an allowed directory `lake`, a sibling `lakehouse`
// and an `outside` directory, each with files.
class FileResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.write("lake/a.csv", "id,name\n1,x\n");
    temp_.write("lakehouse/b.csv", "secret\n");
    temp_.write("outside/secret.txt", "do not read\n");
    lake_ = fs::canonical(temp_.path() / "lake");
  }

  FileResolver resolver() const {
    std::vector<std::string> uris{file_uri(temp_.path() / "lake") + "/"};
    return FileResolver(file_allowlist_from_remotes(uris));
  }

  void expect_failure(const Result<ResolvedContent>& result, const std::string& uri,
                      const std::string& text) {
    ASSERT_FALSE(result) << uri;
    EXPECT_EQ(result.error().kind(), ErrorKind::ContentResolve);
    EXPECT_EQ(result.error().message(), "content resolve failed for " + uri + ": " + text);
  }

  TempRoot temp_;
  fs::path lake_;
};

TEST_F(FileResolverTest, AllowlistKeepsExistingFileDirectoriesInCanonicalForm) {
  fs::create_directory_symlink(temp_.path() / "lake", temp_.path() / "alias");
  std::vector<std::string> uris{
      file_uri(temp_.path() / "alias"),       file_uri(temp_.path() / "missing"),
      "s3://bucket/prefix",                   "FILE://" + (temp_.path() / "lake").string(),
      file_uri(temp_.path() / "lake/../outside"),
  };
  EXPECT_EQ(file_allowlist_from_remotes(uris),
            (FileAllowlist{lake_, fs::canonical(temp_.path() / "outside")}));
}

TEST_F(FileResolverTest, ReadsAllowedTextFiles) {
  std::string uri = file_uri(temp_.path() / "lake/a.csv");
  auto content = resolver().fetch(uri, "csv");
  ASSERT_TRUE(content) << content.error().message();
  EXPECT_EQ(*content, ResolvedContent::text(uri, "id,name\n1,x\n"));

  // A path text without the scheme prefix is read the same way.
  auto bare = resolver().fetch((temp_.path() / "lake/a.csv").string(), "unknown");
  ASSERT_TRUE(bare) << bare.error().message();
  EXPECT_EQ(bare->kind(), ContentKind::Text);
}

TEST_F(FileResolverTest, RefusesEveryWayOutOfTheAllowlist) {
  fs::create_symlink(temp_.path() / "outside/secret.txt", temp_.path() / "lake/link.txt");
  fs::create_directory_symlink(temp_.path() / "outside", temp_.path() / "lake/dir");
  fs::path secret = fs::canonical(temp_.path() / "outside/secret.txt");
  for (const std::string& uri : {file_uri(temp_.path() / "lake/link.txt"),
                                 file_uri(temp_.path() / "lake/dir/secret.txt"),
                                 file_uri(temp_.path() / "lake/../outside/secret.txt")}) {
    expect_failure(resolver().fetch(uri, "unknown"), uri,
                   "path " + secret.string() + " is outside configured file allowlist");
  }
  // A directory whose name merely starts with the allowed one is another directory.
  std::string sibling = file_uri(temp_.path() / "lakehouse/b.csv");
  expect_failure(resolver().fetch(sibling, "csv"), sibling,
                 "path " + fs::canonical(temp_.path() / "lakehouse/b.csv").string() +
                     " is outside configured file allowlist");
}

TEST_F(FileResolverTest, MissingFilesAndMissingAllowlist) {
  fs::path missing = temp_.path() / "lake/none.csv";
  expect_failure(resolver().fetch(file_uri(missing), "csv"), file_uri(missing),
                 "failed to read file " + missing.string() + ": No such file or directory (os error 2)");

  FileResolver unconfigured(file_allowlist_from_remotes(std::vector<std::string>{
      file_uri(temp_.path() / "not-there")}));
  EXPECT_TRUE(unconfigured.allowlist().empty());
  expect_failure(unconfigured.fetch(file_uri(missing), "csv"), file_uri(missing),
                 "failed to read file " + missing.string() + ": No such file or directory (os error 2)");
  std::string existing = file_uri(temp_.path() / "lake/a.csv");
  expect_failure(unconfigured.fetch(existing, "csv"), existing,
                 "file:// reads require a configured file allowlist");
}

TEST_F(FileResolverTest, InvalidUtf8TextAndDirectoriesFailToRead) {
  temp_.write("lake/bad.txt", "ok \xc3\x28 no");
  std::string bad = file_uri(temp_.path() / "lake/bad.txt");
  expect_failure(resolver().fetch(bad, "unknown"), bad, "read: stream did not contain valid UTF-8");
  std::string dir = file_uri(temp_.path() / "lake");
  expect_failure(resolver().fetch(dir, "unknown"), dir, "read: Is a directory (os error 21)");
}

TEST_F(FileResolverTest, DescribesParquetFilesWithoutReadingThem) {
  std::string parquet = "PAR1" + std::string(296, 'x') + "PAR1";
  temp_.write("lake/t.parquet", parquet);
  std::string uri = file_uri(temp_.path() / "lake/t.parquet");
  // The extension wins over a "csv" hint.
  auto content = resolver().fetch(uri, "csv");
  ASSERT_TRUE(content) << content.error().message();
  EXPECT_EQ(*content, ResolvedContent::external(ExternalAsset{uri, "parquet", 304, true,
                                                              parquet.substr(0, 256)}));

  temp_.write("lake/short.parquet", "PA\x80");
  std::string short_uri = file_uri(temp_.path() / "lake/short.parquet");
  auto tiny = resolver().fetch(short_uri, "unknown");
  ASSERT_TRUE(tiny) << tiny.error().message();
  EXPECT_EQ(*tiny, ResolvedContent::external(ExternalAsset{short_uri, "parquet", 3, false,
                                                           std::string("PA\xef\xbf\xbd")}));

  // A "parquet" hint takes the Parquet branch whatever the name; wrong magic is reported.
  temp_.write("lake/data.bin", "ORC!rest");
  std::string bin = file_uri(temp_.path() / "lake/data.bin");
  auto hinted = resolver().fetch(bin, "parquet");
  ASSERT_TRUE(hinted) << hinted.error().message();
  EXPECT_EQ(hinted->asset()->parquet_magic_valid, false);
  EXPECT_EQ(hinted->asset()->size_bytes, 8u);

  // Reached through an allowed symbolic link, the canonical extension counts.
  fs::create_symlink(temp_.path() / "lake/t.parquet", temp_.path() / "lake/alias.dat");
  auto via_link = resolver().fetch(file_uri(temp_.path() / "lake/alias.dat"), "unknown");
  ASSERT_TRUE(via_link) << via_link.error().message();
  EXPECT_EQ(via_link->asset()->format, "parquet");
}

TEST(HttpResolver, RecordsPublicUrisAndNeverFetches) {
  HttpResolver http;
  auto content = http.fetch("https://example.com/data/a.parquet", "");
  ASSERT_TRUE(content) << content.error().message();
  EXPECT_EQ(*content, ResolvedContent::external(ExternalAsset{
                          "https://example.com/data/a.parquet", "", std::nullopt, std::nullopt,
                          "HTTP fetch is not enabled in MVP; URI recorded for agent follow-up."}));
  EXPECT_EQ(http.fetch("http://example.com/x", "unknown")->asset()->format, "unknown");

  auto loopback = http.fetch("http://[::ffff:127.0.0.1]/", "json");
  ASSERT_FALSE(loopback);
  EXPECT_EQ(loopback.error().kind(), ErrorKind::Lakehouse);
  auto scheme = http.fetch("gopher://example.com/", "json");
  ASSERT_FALSE(scheme);
  EXPECT_EQ(scheme.error().message(), "content scheme gopher is not allowed");
}

TEST(S3StubResolver, ParsesBucketAndKeyOnly) {
  S3StubResolver s3;
  auto content = s3.fetch("s3://bucket/dir/a.parquet", "unknown");
  ASSERT_TRUE(content) << content.error().message();
  EXPECT_EQ(*content, ResolvedContent::external(ExternalAsset{
                          "s3://bucket/dir/a.parquet", "parquet", std::nullopt, false,
                          "s3://bucket/dir/a.parquet (stub resolver \u2014 metadata only)"}));
  auto csv = s3.fetch("s3://b/k.parquet", "csv");
  EXPECT_EQ(csv->asset()->format, "csv");
  EXPECT_EQ(csv->asset()->parquet_magic_valid, std::nullopt);

  struct Case {
    const char* uri;
    const char* text;
  };
  for (const Case& c : std::vector<Case>{{"s3://bucket", "s3 URI must be s3://bucket/key"},
                                         {"s3://", "s3 URI must be s3://bucket/key"},
                                         {"s3://bucket/", "s3 bucket and key must not be empty"},
                                         {"s3:///key", "s3 bucket and key must not be empty"},
                                         {"S3://bucket/key", "invalid s3 URI"},
                                         {"s3:/", "invalid s3 URI"}}) {
    auto result = s3.fetch(c.uri, "unknown");
    ASSERT_FALSE(result) << c.uri;
    EXPECT_EQ(result.error().message(), std::string("content resolve failed for ") + c.uri + ": " + c.text);
  }
}

TEST(ResolverRegistry, DispatchesByExactSchemeWithoutFallback) {
  TempRoot temp;
  temp.write("lake/a.txt", "hello");
  std::vector<std::string> uris{file_uri(temp.path() / "lake")};
  ResolverRegistry registry = ResolverRegistry::with_file_allowlist(file_allowlist_from_remotes(uris));
  ASSERT_EQ(registry.resolvers().size(), 3u);

  EXPECT_EQ(registry.fetch(file_uri(temp.path() / "lake/a.txt"), "unknown")->kind(), ContentKind::Text);
  EXPECT_EQ(registry.fetch("https://example.com/", "unknown")->asset()->snippet,
            std::string(kHttpFetchDisabledSnippet));
  EXPECT_EQ(registry.fetch("s3://b/k", "unknown")->asset()->format, "unknown");
  for (const char* uri : {"ftp://example.com/a", "FILE:///etc/passwd", "S3://b/k", "tables/a.csv"}) {
    auto result = registry.fetch(uri, "unknown");
    ASSERT_FALSE(result) << uri;
    EXPECT_EQ(result.error().message(),
              std::string("content resolve failed for ") + uri + ": no resolver registered for URI scheme");
  }
}

}  // namespace
}  // namespace lorewood
