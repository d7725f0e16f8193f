// Recursive walk of a graph root for node files.
#pragma once

#include <filesystem>
#include <vector>

namespace lorewood {

// The `.md` files under `root`, depth-first, each directory in the order the
// operating system lists it. Symbolic links to directories are not followed
// (the root itself is); links to regular files count as files; unreadable or
// vanished entries are skipped; directories named `.lorewood` are not entered.
std::vector<std::filesystem::path> find_node_files(const std::filesystem::path& root);

// Whether the final component has the extension "md" exactly (".md" alone has
// no extension).
bool has_md_extension(const std::filesystem::path& path);

}  // namespace lorewood
