#include "security/node_path.h"

#include <gtest/gtest.h>

#include <ostream>

namespace lorewood {
namespace {

struct Case {
  // Shown in failure output instead of the raw bytes.
  friend void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.path << '"'; }

  const char* path;
  const char* error;  // nullptr when accepted
};

class NodePathRule : public ::testing::TestWithParam<Case> {};

TEST_P(NodePathRule, JudgesPath) {
  auto result = validate_relative_node_path(GetParam().path);
  if (GetParam().error == nullptr) {
    ASSERT_TRUE(result) << result.error().message();
    EXPECT_EQ(*result, std::filesystem::path(GetParam().path));
  } else {
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), std::string("graph index error: ") + GetParam().error);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, NodePathRule,
    ::testing::Values(Case{"a/b.md", nullptr}, Case{"./a.md", nullptr},
                      Case{"notes/.LOREWOOD/x.md", nullptr}, Case{"a//b.md", nullptr},
                      Case{"", "node relative_path must not be empty"},
                      Case{"/a.md", "node relative_path must be relative to the graph root"},
                      Case{"a/../b.md", "node relative_path must not contain '..' components"},
                      Case{".lorewood/x.md", "node paths must not live under `.lorewood/`"},
                      Case{"notes/.lorewood/x.md", "node paths must not live under `.lorewood/`"}));

TEST(RelativePathKey, ComparesComponentByComponent) {
  EXPECT_EQ(relative_path_key("./a//b/./c.md"), "a/b/c.md");
  EXPECT_EQ(relative_path_key("a/b.md"), relative_path_key("a/b.md/"));
  EXPECT_NE(relative_path_key("a/b.md"), relative_path_key("A/b.md"));
}

}  // namespace
}  // namespace lorewood
