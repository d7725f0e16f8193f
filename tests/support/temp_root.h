// A temporary graph root for tests, removed when the test ends.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace lorewood::testing {

class TempRoot {
 public:
  TempRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lorewood-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes `text` to root/relative, creating directories.
  std::filesystem::path write(const std::filesystem::path& relative, const std::string& text) const {
    std::filesystem::path target = path_ / relative;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << text;
    return target;
  }

  // Writes a minimal node file.
  std::filesystem::path node(const std::filesystem::path& relative, const std::string& id,
                             const std::string& body = "", const std::string& more = "") const {
    return write(relative, "---\nid: " + id + "\ntype: note\n" + more + "---\n" + body);
  }

  std::string read(const std::filesystem::path& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path path_;
};

}  // namespace lorewood::testing
