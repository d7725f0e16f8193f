// The node path rule: every node file path relative to the graph root is
// non-empty, relative, free of "..", and outside the state directory.
#pragma once

#include <filesystem>
#include <string>

#include "error/lorewood_error.h"

namespace lorewood {

// Name of the state directory inside a graph root.
inline constexpr const char* kStateDirName = ".lorewood";

// Returns the path unchanged, or an Index error naming the rule broken.
Result<std::filesystem::path> validate_relative_node_path(const std::filesystem::path& relative);

// Key for comparing relative paths component by component: the ordinary
// components joined by "/", with "." components and repeated separators dropped.
std::string relative_path_key(const std::filesystem::path& relative);

}  // namespace lorewood
