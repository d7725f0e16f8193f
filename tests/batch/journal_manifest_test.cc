#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "batch/journal.h"

namespace lorewood {
namespace {

TEST(JournalManifest, RendersFixedLayoutAndReadsItBack) {
  BatchJournal journal;
  journal.snapshots = {{"notes/a.md", "backups/0000.md"},
                       {"we\"ird\\na\tme\n\x7f\x01 \xC3\xA9.md", "backups/0001.md"}};
  auto text = render_batch_journal(journal);
  ASSERT_TRUE(text) << text.error().message();
  EXPECT_EQ(*text,
            "version = 1\n"
            "\n[[snapshots]]\n"
            "relative_path = \"notes/a.md\"\n"
            "backup = \"backups/0000.md\"\n"
            "\n[[snapshots]]\n"
            "relative_path = \"we\\\"ird\\\\na\\tme\\n\\u007F\\u0001 \xC3\xA9.md\"\n"
            "backup = \"backups/0001.md\"\n");
  auto parsed = parse_batch_journal(*text);
  ASSERT_TRUE(parsed) << parsed.error().message();
  EXPECT_EQ(*parsed, journal);
}

TEST(JournalManifest, EmptyListIsWrittenInline) {
  auto text = render_batch_journal(BatchJournal{});
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "version = 1\nsnapshots = []\n");
  auto parsed = parse_batch_journal(*text);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, BatchJournal{});
}

TEST(JournalManifest, PathThatIsNotUtf8CannotBeSerialized) {
  BatchJournal journal;
  journal.snapshots = {{"a\xFF.md", "backups/0000.md"}};
  auto text = render_batch_journal(journal);
  ASSERT_FALSE(text);
  EXPECT_EQ(text.error().kind(), ErrorKind::Index);
  EXPECT_EQ(text.error().message(),
            "graph index error: failed to serialize batch journal: path a\xEF\xBF\xBD.md is not "
            "valid UTF-8");
}

TEST(JournalManifest, ParseRules) {
  const std::string kPrefix = "graph index error: failed to parse batch journal: ";
  struct Case {
    const char* text;
    std::optional<std::string> error;  // nullopt: parses; "" : any TOML syntax error
  };
  const Case cases[] = {
      {"version = 0\nsnapshots = []", std::nullopt},
      {"version = 255\nsnapshots = []", std::nullopt},
      {"snapshots = [{relative_path = \"a.md\", backup = \"backups/0000.md\", note = 3}]\n"
       "version = 1\nextra = \"ignored\"",
       std::nullopt},
      {"version = 256\nsnapshots = []", "field `version` must be an integer from 0 to 255"},
      {"version = -1\nsnapshots = []", "field `version` must be an integer from 0 to 255"},
      {"version = \"1\"\nsnapshots = []", "field `version` must be an integer from 0 to 255"},
      {"version = 1.0\nsnapshots = []", "field `version` must be an integer from 0 to 255"},
      {"snapshots = []", "missing field `version`"},
      {"", "missing field `version`"},
      {"version = 1", "missing field `snapshots`"},
      {"version = 1\nsnapshots = 3", "field `snapshots` must be an array"},
      {"version = 1\nsnapshots = [1]", "every entry of `snapshots` must be a table"},
      {"version = 1\n[[snapshots]]\nbackup = \"backups/0000.md\"", "missing field `relative_path`"},
      {"version = 1\n[[snapshots]]\nrelative_path = \"a.md\"", "missing field `backup`"},
      {"version = 1\n[[snapshots]]\nrelative_path = 5\nbackup = \"b\"",
       "field `relative_path` must be a string"},
      {"version = 1\n[[snapshots]]\nrelative_path = \"a.md\"\nbackup = [\"b\"]",
       "field `backup` must be a string"},
      {"version = 1\nversion = 1\nsnapshots = []", ""},
      {"version = 1\n[[snapshots]]\nrelative_path = \"a.md\"\nrelative_path = \"b.md\"\n"
       "backup = \"b\"",
       ""},
      {"version = \nsnapshots = []", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto parsed = parse_batch_journal(c.text);
    if (!c.error) {
      EXPECT_TRUE(parsed) << parsed.error().message();
      continue;
    }
    ASSERT_FALSE(parsed);
    EXPECT_EQ(parsed.error().kind(), ErrorKind::Index);
    const std::string message = parsed.error().message();
    if (c.error->empty()) {
      EXPECT_TRUE(message.starts_with(kPrefix) && message.size() > kPrefix.size()) << message;
    } else {
      EXPECT_EQ(message, kPrefix + *c.error);
    }
  }
}

TEST(JournalManifest, BackupNamesArePaddedToFourDigits) {
  EXPECT_EQ(backup_name(0), "backups/0000.md");
  EXPECT_EQ(backup_name(3), "backups/0003.md");
  EXPECT_EQ(backup_name(9999), "backups/9999.md");
  EXPECT_EQ(backup_name(10000), "backups/10000.md");
}

}  // namespace
}  // namespace lorewood
