// Shared set-up for the batch journal tests: a temporary root with helpers to
// write nodes and look inside the transactions directory.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "batch/journal.h"
#include "platform/file_system.h"
#include "support/temp_root.h"

namespace lorewood::testing {

namespace fs = std::filesystem;

class JournalTest : public ::testing::Test {
 public:
  void TearDown() override { platform::set_fault_injector({}); }

  const fs::path& root() const { return root_.path(); }

  static Node make_node(const std::string& id, const std::string& body, fs::path relative = {}) {
    Node node;
    node.metadata.id = id;
    node.metadata.node_type = "note";
    node.body = body;
    node.relative_path = relative.empty() ? fs::path(id + ".md") : std::move(relative);
    return node;
  }

  // Writes the node file and returns its text.
  std::string put(const Node& node) {
    auto written = node.write_to(root());
    EXPECT_TRUE(written) << written.error().message();
    return root_.read(node.relative_path);
  }

  std::string read(const fs::path& relative) const { return root_.read(relative); }
  bool exists(const fs::path& relative) const { return fs::exists(root() / relative); }
  fs::path write(const fs::path& relative, const std::string& text) const {
    return root_.write(relative, text);
  }

  // Names of the entries of the transactions directory (order-free).
  std::vector<std::string> batch_names() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(transactions_dir(root()), ec))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // A hand-made batch directory inside transactions.
  fs::path batch_dir(const std::string& name = "00000000-0000-4000-8000-000000000000") const {
    fs::path dir = transactions_dir(root()) / name;
    fs::create_directories(dir / "backups");
    return dir;
  }

  static unsigned permission_bits(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return 07777;
    return info.st_mode & 0777;
  }

  std::string recovery_error() {
    auto recovered = recover_incomplete_batches(root());
    return recovered ? "no error" : recovered.error().message();
  }

  TempRoot root_;
};

}  // namespace lorewood::testing
