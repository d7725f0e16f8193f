#include "lakehouse/lakehouse_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/temp_root.h"

namespace lorewood {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::TempRoot;

// A graph under graph/, a remote source directory lake/ and lorewood.toml
// beside them, all in one temporary folder.
class LakehouseReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.write("lake/tables/a.csv", "id,name\n1,first\n");
    temp_.write("lake/t.parquet", "PAR1" + std::string(10, 'p'));
    temp_.write("outside/secret.csv", "secret\n");
    node("plain", "Plain body.\n");
    node("blank", "Blank source body.\n", "source: \"   \"\n");
    node("table", "Table body.\n", "source: \" tables/a.csv \"\n");
    node("parquet", "", "source: " + file_uri("lake/t.parquet") + "\n");
    node("ftp", "", "source: ftp://example.com/a.csv\n");
    node("loopback", "", "source: https://127.0.0.1/a.csv\n");
    node("escape", "", "source: tables/../../outside/secret.csv\n");
    node("upper", "", "source: FILE://" + (temp_.path() / "lake/tables/a.csv").string() + "\n");
    node("bucket", "", "source: s3://bucket/exports/a.csv\n");
    auto index = GraphIndex::open(temp_.path() / "graph");
    ASSERT_TRUE(index) << index.error().message();
    index_ = std::make_unique<GraphIndex>(std::move(*index));
  }

  std::string file_uri(const fs::path& relative) const {
    return "file://" + (temp_.path() / relative).string();
  }

  void node(const std::string& id, const std::string& body, const std::string& more = "") {
    temp_.node("graph/" + id + ".md", id, body, more);
  }

  ResolvedConfig load(const std::string& mode, const std::string& cache = "") {
    std::string text = "[storage]\nmode = \"" + mode + "\"\nroot_path = \"graph\"\n"
                       "[[lakehouse.remote_sources]]\nuri = \"" + file_uri("lake") + "/\"\n"
                       "format = \"csv\"\n" + cache;
    auto config = LorewoodConfig::load(temp_.write("lorewood.toml", text));
    EXPECT_TRUE(config) << config.error().message();
    return *config;
  }

  TempRoot temp_;
  std::unique_ptr<GraphIndex> index_;
};

TEST_F(LakehouseReaderTest, LocalModeAlwaysGivesTheBody) {
  LakehouseReader reader = LakehouseReader::from_config(load("local"));
  EXPECT_EQ(reader.storage_mode(), StorageMode::Local);
  for (const char* id : {"plain", "table", "ftp", "loopback"}) {
    auto item = reader.read_node(*index_, id);
    ASSERT_TRUE(item) << item.error().message();
    EXPECT_EQ(item->node.metadata.id, id);
    EXPECT_EQ(item->content, ResolvedContent::local(item->node.body));
  }
  EXPECT_EQ(reader.cache().size(), 0u);
}

TEST_F(LakehouseReaderTest, NodesWithoutASourceAreLocalInLakehouseMode) {
  LakehouseReader reader = LakehouseReader::from_config(load("lakehouse"));
  EXPECT_EQ(reader.read_node(*index_, "plain")->content, ResolvedContent::local("Plain body.\n"));
  EXPECT_EQ(reader.read_node(*index_, "blank")->content, ResolvedContent::local("Blank source body.\n"));
  EXPECT_EQ(reader.cache().size(), 0u);
  EXPECT_EQ(reader.cache().bytes(), 0u);
}

TEST_F(LakehouseReaderTest, RelativeSourcesAreFetchedOnceWithinTheLifetime) {
  auto now = std::make_shared<ContentCache::Clock::time_point>();
  LakehouseReader reader = LakehouseReader::from_config(load("lakehouse", "[lakehouse.cache]\nttl_secs = 60\n"),
                                                        [now] { return *now; });
  std::string uri = file_uri("lake/tables/a.csv");
  auto first = reader.read_node(*index_, "table");
  ASSERT_TRUE(first) << first.error().message();
  EXPECT_EQ(first->node.body, "Table body.\n");
  EXPECT_EQ(first->content, ResolvedContent::text(uri, "id,name\n1,first\n"));
  EXPECT_EQ(reader.cache().size(), 1u);
  EXPECT_EQ(reader.cache().bytes(), 16u);

  temp_.write("lake/tables/a.csv", "id,name\n2,second\n");
  *now += 60s;
  EXPECT_EQ(*reader.read_node(*index_, "table")->content.body(), "id,name\n1,first\n");
  EXPECT_EQ(reader.cache().size(), 1u);

  *now += 1s;
  EXPECT_EQ(*reader.read_node(*index_, "table")->content.body(), "id,name\n2,second\n");
  EXPECT_EQ(reader.cache().size(), 1u);
  EXPECT_EQ(reader.cache().bytes(), 17u);
}

TEST_F(LakehouseReaderTest, ExternalAssetsAreDescribedAndRendered) {
  LakehouseReader reader = LakehouseReader::from_config(load("lakehouse"));
  auto parquet = reader.read_node(*index_, "parquet");
  ASSERT_TRUE(parquet) << parquet.error().message();
  std::string uri = file_uri("lake/t.parquet");
  EXPECT_EQ(parquet->content.to_markdown(),
            "## External asset\n\n**URI:** `" + uri + "`\n\n**Format:** `parquet`\n\n"
            "**Size:** 14 bytes\n\n**Parquet magic valid:** true\n\n### Snippet\n\nPAR1pppppppppp");

  auto bucket = reader.read_node(*index_, "bucket");
  ASSERT_TRUE(bucket) << bucket.error().message();
  EXPECT_EQ(bucket->content.to_markdown(),
            "## External asset\n\n**URI:** `s3://bucket/exports/a.csv`\n\n**Format:** `csv`\n\n"
            "### Snippet\n\ns3://bucket/exports/a.csv (stub resolver \u2014 metadata only)");
  EXPECT_EQ(reader.cache().size(), 2u);
  // The Parquet file's size plus its snippet; 128 for the S3 stub plus its snippet.
  EXPECT_EQ(reader.cache().bytes(), (14u + 14u) + (128u + bucket->content.asset()->snippet->size()));
  EXPECT_EQ(bucket->content.asset()->snippet->size(), 59u);
}

TEST_F(LakehouseReaderTest, RefusalsAreReturnedAndNeverCached) {
  LakehouseReader reader = LakehouseReader::from_config(load("lakehouse"));
  struct Case {
    const char* id;
    ErrorKind kind;
    std::string message;
  };
  std::string secret = fs::canonical(temp_.path() / "outside/secret.csv").string();
  for (const Case& c : std::vector<Case>{
           {"ftp", ErrorKind::SchemeNotAllowed, "content scheme ftp is not allowed"},
           {"upper", ErrorKind::SchemeNotAllowed, "content scheme FILE is not allowed"},
           {"loopback", ErrorKind::Lakehouse,
            "lakehouse error: HTTP URI host `127.0.0.1` is not allowed (private or loopback address)"},
           {"escape", ErrorKind::ContentResolve,
            "content resolve failed for " + file_uri("lake") + "/tables/../../outside/secret.csv: path " +
                secret + " is outside configured file allowlist"},
           {"absent", ErrorKind::NodeNotFound, "node absent not found"},
       }) {
    for (int attempt = 0; attempt < 2; ++attempt) {  // a refusal is not remembered either way
      auto item = reader.read_node(*index_, c.id);
      ASSERT_FALSE(item) << c.id;
      EXPECT_EQ(item.error().kind(), c.kind) << c.id;
      EXPECT_EQ(item.error().message(), c.message);
    }
  }
  EXPECT_EQ(reader.cache().size(), 0u);
  EXPECT_TRUE(reader.read_node(*index_, "table")) << "the reader stays usable";
}

TEST_F(LakehouseReaderTest, AllowlistIsFixedWhenTheReaderIsBuilt) {
  fs::rename(temp_.path() / "lake", temp_.path() / "lake-later");
  ResolvedConfig config = load("lakehouse");
  LakehouseReader reader = LakehouseReader::from_config(config);
  fs::rename(temp_.path() / "lake-later", temp_.path() / "lake");
  auto item = reader.read_node(*index_, "table");
  ASSERT_FALSE(item);
  EXPECT_EQ(item.error().message(), "content resolve failed for " + file_uri("lake/tables/a.csv") +
                                        ": file:// reads require a configured file allowlist");
  EXPECT_TRUE(LakehouseReader::from_config(config).read_node(*index_, "table"));
}

TEST_F(LakehouseReaderTest, WithoutLakehouseSectionTheReaderHasDefaults) {
  auto config = LorewoodConfig::load(
      temp_.write("local.toml", "[storage]\nmode = \"local\"\nroot_path = \"graph\"\n"));
  ASSERT_TRUE(config) << config.error().message();
  LakehouseReader reader = LakehouseReader::from_config(*config);
  EXPECT_TRUE(reader.remote_sources().empty());
  EXPECT_EQ(reader.read_node(*index_, "table")->content.kind(), ContentKind::Local);
}

}  // namespace
}  // namespace lorewood
