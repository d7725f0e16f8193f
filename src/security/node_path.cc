#include "security/node_path.h"

namespace lorewood {

Result<std::filesystem::path> validate_relative_node_path(const std::filesystem::path& relative) {
  if (relative.empty()) return fail(LorewoodError::index("node relative_path must not be empty"));
  if (relative.is_absolute())
    return fail(LorewoodError::index("node relative_path must be relative to the graph root"));
  for (const auto& component : relative) {
    if (component.has_root_directory() || component.has_root_name())
      return fail(LorewoodError::index("node relative_path must not be absolute"));
    if (component == "..")
      return fail(LorewoodError::index("node relative_path must not contain '..' components"));
  }
  for (const auto& component : relative) {
    if (component == kStateDirName)
      return fail(LorewoodError::index(std::string("node paths must not live under `") +
                                       kStateDirName + "/`"));
  }
  return relative;
}

std::string relative_path_key(const std::filesystem::path& relative) {
  const std::string& text = relative.native();
  std::string key;
  key.reserve(text.size());
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    std::string_view part(text.data() + start, end - start);
    if (!part.empty() && part != ".") {
      if (!key.empty()) key += '/';
      key += part;
    }
    start = end + 1;
  }
  return key;
}

}  // namespace lorewood
