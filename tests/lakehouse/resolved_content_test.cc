#include "lakehouse/content/resolved_content.h"

#include <gtest/gtest.h>

namespace lorewood {
namespace {

TEST(ResolvedContent, KindsAndAccessors) {
  ResolvedContent local = ResolvedContent::local("body");
  EXPECT_EQ(local.kind_name(), "local");
  EXPECT_EQ(*local.body(), "body");
  EXPECT_EQ(local.uri(), nullptr);
  EXPECT_EQ(local.asset(), nullptr);

  ResolvedContent text = ResolvedContent::text("file:///a", "x");
  EXPECT_EQ(text.kind_name(), "text");
  EXPECT_EQ(*text.uri(), "file:///a");
  EXPECT_EQ(*text.body(), "x");

  ResolvedContent asset = ResolvedContent::external(ExternalAsset{"s3://b/k", "csv"});
  EXPECT_EQ(asset.kind_name(), "external_asset");
  EXPECT_EQ(asset.body(), nullptr);
  EXPECT_EQ(*asset.uri(), "s3://b/k");
}

TEST(ResolvedContentMarkdown, RendersEachKindByteForByte) {
  EXPECT_EQ(ResolvedContent::local("# Title\n\nText\n").to_markdown(), "# Title\n\nText\n");
  EXPECT_EQ(ResolvedContent::text("file:///d/a.csv", "a,b\n").to_markdown(),
            "## Resolved content\n\n**URI:** `file:///d/a.csv`\n\na,b\n");
  EXPECT_EQ(ResolvedContent::text("file:///d/e.txt", "").to_markdown(),
            "## Resolved content\n\n**URI:** `file:///d/e.txt`\n\n");

  EXPECT_EQ(ResolvedContent::external(ExternalAsset{"file:///d/t.parquet", "parquet", 304, true, "PAR1xx"})
                .to_markdown(),
            "## External asset\n\n**URI:** `file:///d/t.parquet`\n\n**Format:** `parquet`\n\n"
            "**Size:** 304 bytes\n\n**Parquet magic valid:** true\n\n### Snippet\n\nPAR1xx");
  EXPECT_EQ(ResolvedContent::external(
                ExternalAsset{"s3://b/k.csv", "csv", std::nullopt, std::nullopt, "s3://b/k.csv (stub)"})
                .to_markdown(),
            "## External asset\n\n**URI:** `s3://b/k.csv`\n\n**Format:** `csv`\n\n"
            "### Snippet\n\ns3://b/k.csv (stub)");
  // Empty format, magic false, nothing escaped.
  EXPECT_EQ(ResolvedContent::external(ExternalAsset{"https://h/`x`", "", 0, false, std::nullopt})
                .to_markdown(),
            "## External asset\n\n**URI:** `https://h/`x``\n\n**Format:** ``\n\n**Size:** 0 bytes\n\n"
            "**Parquet magic valid:** false");
}

}  // namespace
}  // namespace lorewood
