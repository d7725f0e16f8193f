#include "index/tree_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <string>

#include "security/node_path.h"

namespace lorewood {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool is_regular_following_links(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool is_md_name(std::string_view name) {
  std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && dot != 0 && name.substr(dot + 1) == "md";
}

// An explicit stack instead of recursion: deep trees cannot exhaust the stack.
// Each frame keeps its directory stream open so entries come in listing order.
struct Frame {
  std::unique_ptr<DIR, DirCloser> dir;
  std::string path;
};

}  // namespace

bool has_md_extension(const std::filesystem::path& path) {
  return is_md_name(path.filename().native());
}

std::vector<std::filesystem::path> find_node_files(const std::filesystem::path& root) {
  std::vector<std::filesystem::path> files;
  std::vector<Frame> stack;
  if (DIR* top = ::opendir(root.c_str())) stack.push_back({std::unique_ptr<DIR, DirCloser>(top), root.native()});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    struct dirent* entry = ::readdir(frame.dir.get());
    if (entry == nullptr) {
      stack.pop_back();
      continue;
    }
    std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    std::string child = frame.path;
    if (child.empty() || child.back() != '/') child += '/';
    child += name;
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat info;
      if (::lstat(child.c_str(), &info) != 0) continue;
      type = S_ISDIR(info.st_mode)   ? DT_DIR
             : S_ISLNK(info.st_mode) ? DT_LNK
             : S_ISREG(info.st_mode) ? DT_REG
                                     : DT_FIFO;
    }
    if (type == DT_DIR) {
      if (name == kStateDirName) continue;
      if (DIR* sub = ::opendir(child.c_str()))
        stack.push_back({std::unique_ptr<DIR, DirCloser>(sub), std::move(child)});
      continue;
    }
    if (!is_md_name(name)) continue;
    if (type == DT_REG || (type == DT_LNK && is_regular_following_links(child)))
      files.emplace_back(std::move(child));
  }
  return files;
}

}  // namespace lorewood
