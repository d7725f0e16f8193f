#include "config/schema/lorewood_config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>

#include "support/temp_root.h"

namespace lorewood {
namespace {

namespace fs = std::filesystem;
using testing::TempRoot;

constexpr const char* kLocalNotes = "[storage]\nmode = \"local\"\nroot_path = \"notes\"\n";

// Runs the body with the process's current directory set to `dir`.
template <typename F>
void in_directory(const fs::path& dir, F body) {
  fs::path previous = fs::current_path();
  fs::current_path(dir);
  body();
  fs::current_path(previous);
}

TEST(LoadConfig, ResolvesRootAgainstTheFilesDirectoryAsWritten) {
  TempRoot temp;
  temp.write("conf/lorewood.toml", kLocalNotes);
  temp.write("lorewood.toml", kLocalNotes);

  in_directory(temp.path(), [] {
    auto nested = LorewoodConfig::load("conf/lorewood.toml");
    ASSERT_TRUE(nested) << nested.error().message();
    EXPECT_EQ(nested->config_path, fs::path("conf/lorewood.toml"));
    EXPECT_EQ(nested->root_path, fs::path("conf/notes"));
    EXPECT_EQ(nested->storage_mode(), StorageMode::Local);
    EXPECT_FALSE(fs::exists(nested->root_path));  // the root is never examined

    auto bare = LorewoodConfig::load("lorewood.toml");
    ASSERT_TRUE(bare) << bare.error().message();
    EXPECT_EQ(bare->root_path, fs::path("notes"));

    // No normalisation of "." or "..".
    auto dotted = LorewoodConfig::load("./conf/../lorewood.toml");
    ASSERT_TRUE(dotted) << dotted.error().message();
    EXPECT_EQ(dotted->root_path, fs::path("./conf/../notes"));
  });

  fs::path absolute = temp.write("elsewhere/x.toml",
                                 "[storage]\nmode = \"local\"\nroot_path = \"/srv/graph\"\n");
  auto fixed = LorewoodConfig::load(absolute);
  ASSERT_TRUE(fixed) << fixed.error().message();
  EXPECT_EQ(fixed->root_path, fs::path("/srv/graph"));
}

TEST(LoadConfig, ReadsEverySectionAndIgnoresUnknownKeys) {
  TempRoot temp;
  fs::path path = temp.write("lorewood.toml", R"(
top_level_extra = 1
[storage]
mode = "lakehouse"
root_path = "graph"
colour = "green"

[lakehouse]
future_option = true

[[lakehouse.remote_sources]]
uri = "file:///data/lake/"
format = "parquet"
weight = 3

[[lakehouse.remote_sources]]
uri = "s3://bucket/prefix"
format = "csv"

[lakehouse.cache]
ttl_secs = 0
max_bytes = 9223372036854775807

[sync]
role = "follower"
remote_url = "git@example.com:notes.git"

[extra]
anything = [1, 2]
)");
  auto loaded = LorewoodConfig::load(path);
  ASSERT_TRUE(loaded) << loaded.error().message();
  const LorewoodConfig& config = loaded->config;
  EXPECT_EQ(config.storage.mode, StorageMode::Lakehouse);
  EXPECT_EQ(config.storage.root_path, "graph");
  ASSERT_TRUE(config.lakehouse);
  EXPECT_EQ(config.lakehouse->remote_sources,
            (std::vector<RemoteSource>{{"file:///data/lake/", "parquet"},
                                       {"s3://bucket/prefix", "csv"}}));
  ASSERT_TRUE(config.lakehouse->cache);
  EXPECT_EQ(config.lakehouse->cache->ttl_secs, 0u);
  EXPECT_EQ(config.lakehouse->cache->max_bytes, 9223372036854775807u);
  ASSERT_TRUE(config.sync);
  EXPECT_EQ(config.sync->role, SyncRole::Follower);
  EXPECT_EQ(config.sync->remote_url, "git@example.com:notes.git");
  EXPECT_EQ(loaded->root_path, temp.path() / "graph");

  // The same structure written with inline tables and dotted keys.
  fs::path compact = temp.write("compact.toml", R"(
storage = { mode = "lakehouse", root_path = "graph" }
lakehouse.remote_sources = [
  { uri = "file:///data/lake/", format = "parquet" },
  { uri = "s3://bucket/prefix", format = "csv" },
]
lakehouse.cache.ttl_secs = 0
lakehouse.cache.max_bytes = 9223372036854775807
sync.role = "follower"
sync.remote_url = "git@example.com:notes.git"
)");
  auto same = LorewoodConfig::load(compact);
  ASSERT_TRUE(same) << same.error().message();
  EXPECT_EQ(same->config, config);
}

TEST(LoadConfig, CacheSettingsDefaultIndividually) {
  TempRoot temp;
  std::string base = "[storage]\nmode = \"lakehouse\"\nroot_path = \"g\"\n"
                     "[[lakehouse.remote_sources]]\nuri = \"file:///l\"\nformat = \"csv\"\n";
  auto absent = LorewoodConfig::load(temp.write("a.toml", base));
  ASSERT_TRUE(absent) << absent.error().message();
  EXPECT_FALSE(absent->config.lakehouse->cache);
  EXPECT_EQ(absent->config.lakehouse->cache_or_default(), (LakehouseCacheConfig{300, 10485760}));

  auto ttl_only = LorewoodConfig::load(temp.write("b.toml", base + "[lakehouse.cache]\nttl_secs = 60\n"));
  ASSERT_TRUE(ttl_only) << ttl_only.error().message();
  EXPECT_EQ(ttl_only->config.lakehouse->cache_or_default(), (LakehouseCacheConfig{60, 10485760}));
}

struct ParseCase {
  const char* name;
  const char* text;
  const char* description;  // a fragment of the reader's description
};

class ConfigParseErrors : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ConfigParseErrors, NameTheProblemWithItsPosition) {
  TempRoot temp;
  fs::path path = temp.write("lorewood.toml", GetParam().text);
  auto loaded = LorewoodConfig::load(path);
  ASSERT_FALSE(loaded);
  EXPECT_EQ(loaded.error().kind(), ErrorKind::ConfigParse);
  std::string message = loaded.error().message();
  std::string prefix = "failed to parse config at " + path.string() + ": ";
  EXPECT_EQ(message.substr(0, prefix.size()), prefix) << message;
  EXPECT_NE(message.find(GetParam().description), std::string::npos) << message;
  EXPECT_TRUE(std::regex_search(message, std::regex(R"(\(line [1-9][0-9]*, column [1-9][0-9]*\)$)")))
      << message;
}

const char* const kStorageHead = "[storage]\nmode = \"local\"\nroot_path = \"n\"\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigParseErrors,
    ::testing::Values(
        ParseCase{"Syntax", "[storage\nmode = 1\n", ""},
        ParseCase{"DuplicateKey", "[storage]\nmode = \"local\"\nmode = \"local\"\nroot_path = \"n\"\n",
                  "mode"},
        ParseCase{"MissingStorage", "[extra]\nx = 1\n", "missing required key `storage`"},
        ParseCase{"MissingRootPath", "[storage]\nmode = \"local\"\n",
                  "missing required key `root_path` in `storage`"},
        ParseCase{"ModeCase", "[storage]\nmode = \"Local\"\nroot_path = \"n\"\n",
                  "key `storage.mode` has unknown value \"Local\", expected \"local\" or \"lakehouse\""},
        ParseCase{"RootPathType", "[storage]\nmode = \"local\"\nroot_path = 5\n",
                  "key `storage.root_path` must be a string, found integer"},
        ParseCase{"StorageNotTable", "storage = \"local\"\n",
                  "key `storage` must be a table, found string"},
        ParseCase{"NegativeTtl",
                  "[storage]\nmode = \"local\"\nroot_path = \"n\"\n[[lakehouse.remote_sources]]\n"
                  "uri = \"u\"\nformat = \"f\"\n[lakehouse.cache]\nttl_secs = -1\n",
                  "key `lakehouse.cache.ttl_secs` must be an unsigned integer, found -1"},
        ParseCase{"FloatBudget",
                  "[storage]\nmode = \"local\"\nroot_path = \"n\"\n[[lakehouse.remote_sources]]\n"
                  "uri = \"u\"\nformat = \"f\"\n[lakehouse.cache]\nmax_bytes = 1.5\n",
                  "key `lakehouse.cache.max_bytes` must be an unsigned integer, found float"},
        ParseCase{"TooLarge",
                  "[storage]\nmode = \"local\"\nroot_path = \"n\"\n[lakehouse.cache]\n"
                  "max_bytes = 18446744073709551615\n",
                  ""},
        ParseCase{"LakehouseWithoutSources", "[storage]\nmode = \"local\"\nroot_path = \"n\"\n[lakehouse]\n",
                  "missing required key `remote_sources` in `lakehouse`"},
        ParseCase{"SourceMissingFormat",
                  "[storage]\nmode = \"local\"\nroot_path = \"n\"\n[[lakehouse.remote_sources]]\n"
                  "uri = \"a\"\nformat = \"f\"\n[[lakehouse.remote_sources]]\nuri = \"b\"\n",
                  "missing required key `format` in `lakehouse.remote_sources[1]`"},
        ParseCase{"SourceNotTable",
                  "[storage]\nmode = \"local\"\nroot_path = \"n\"\n[lakehouse]\nremote_sources = [\"x\"]\n",
                  "`lakehouse.remote_sources[0]` must be a table, found string"},
        ParseCase{"SyncRole", "[storage]\nmode = \"local\"\nroot_path = \"n\"\n[sync]\nrole = \"boss\"\n"
                              "remote_url = \"u\"\n",
                  "key `sync.role` has unknown value \"boss\", expected \"leader\" or \"follower\""}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

struct InvalidCase {
  const char* name;
  const char* text;
  const char* reason;
};

class ConfigValidation : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(ConfigValidation, ReportsTheFirstBrokenRule) {
  TempRoot temp;
  auto loaded = LorewoodConfig::load(temp.write("lorewood.toml", GetParam().text));
  ASSERT_FALSE(loaded);
  EXPECT_EQ(loaded.error().kind(), ErrorKind::ConfigInvalid);
  EXPECT_EQ(loaded.error().message(), std::string("config validation failed: ") + GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigValidation,
    ::testing::Values(
        InvalidCase{"EmptyRootBeforeAnythingElse",
                    "[storage]\nmode = \"lakehouse\"\nroot_path = \"\"\n[sync]\nrole = \"leader\"\n"
                    "remote_url = \"\"\n",
                    "[storage].root_path must not be empty"},
        InvalidCase{"LakehouseModeNeedsSection",
                    "[storage]\nmode = \"lakehouse\"\nroot_path = \"g\"\n[sync]\nrole = \"leader\"\n"
                    "remote_url = \" \"\n",
                    "[lakehouse] section is required when [storage].mode = \"lakehouse\""},
        InvalidCase{"EmptySourcesEvenInLocalMode",
                    "[storage]\nmode = \"local\"\nroot_path = \"g\"\n[lakehouse]\nremote_sources = []\n",
                    "[lakehouse].remote_sources must contain at least one entry"},
        InvalidCase{"BlankUriAtItsIndex",
                    "[storage]\nmode = \"lakehouse\"\nroot_path = \"g\"\n"
                    "[[lakehouse.remote_sources]]\nuri = \"file:///a\"\nformat = \" \"\n"
                    "[[lakehouse.remote_sources]]\nuri = \"   \"\nformat = \"\"\n",
                    "[lakehouse].remote_sources[0].format must not be empty"},
        InvalidCase{"BlankUriSecondEntry",
                    "[storage]\nmode = \"lakehouse\"\nroot_path = \"g\"\n"
                    "[[lakehouse.remote_sources]]\nuri = \"file:///a\"\nformat = \"csv\"\n"
                    "[[lakehouse.remote_sources]]\nuri = \"   \"\nformat = \"\"\n",
                    "[lakehouse].remote_sources[1].uri must not be empty"},
        InvalidCase{"UnicodeBlankFormat",
                    "[storage]\nmode = \"lakehouse\"\nroot_path = \"g\"\n"
                    "[[lakehouse.remote_sources]]\nuri = \"file:///a\"\nformat = \"\\u3000\\t\"\n",
                    "[lakehouse].remote_sources[0].format must not be empty"},
        InvalidCase{"BlankSyncUrl",
                    "[storage]\nmode = \"local\"\nroot_path = \"g\"\n[sync]\nrole = \"leader\"\n"
                    "remote_url = \"\\n\"\n",
                    "[sync].remote_url must not be empty when [sync] is present"}),
    [](const ::testing::TestParamInfo<InvalidCase>& info) { return std::string(info.param.name); });

TEST(LoadConfig, SpacesAreAValidRootAndACompleteSyncSectionLoads) {
  TempRoot temp;
  auto loaded = LorewoodConfig::load(temp.write(
      "c.toml", "[storage]\nmode = \"local\"\nroot_path = \"  \"\n[sync]\nrole = \"leader\"\n"
                "remote_url = \"https://example.com/notes.git\"\n"));
  ASSERT_TRUE(loaded) << loaded.error().message();
  EXPECT_EQ(loaded->root_path, temp.path() / "  ");
  EXPECT_EQ(loaded->config.sync->role, SyncRole::Leader);
}

TEST(LoadConfig, ReadFailuresNameThePathAsPassed) {
  TempRoot temp;
  auto missing = LorewoodConfig::load(temp.path() / "absent.toml");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().kind(), ErrorKind::ConfigRead);
  EXPECT_EQ(missing.error().message(), "failed to read config at " +
                                           (temp.path() / "absent.toml").string() +
                                           ": No such file or directory (os error 2)");

  fs::path binary = temp.write("binary.toml", std::string(kLocalNotes) + "# \xff\xfe\n");
  auto invalid = LorewoodConfig::load(binary);
  ASSERT_FALSE(invalid);
  EXPECT_EQ(invalid.error().message(), "failed to read config at " + binary.string() +
                                           ": stream did not contain valid UTF-8");

  auto directory = LorewoodConfig::load(temp.path());
  ASSERT_FALSE(directory);
  EXPECT_EQ(directory.error().kind(), ErrorKind::ConfigRead);
}

}  // namespace
}  // namespace lorewood
