#include "graph/link_resolver.h"

#include "error/display_path.h"

namespace lorewood {

std::string_view file_stem(const std::filesystem::path& relative_path) {
  // The last component that is neither empty nor "." is the file name.
  std::string_view text = relative_path.native();
  std::string_view name;
  while (!text.empty()) {
    std::size_t slash = text.rfind('/');
    std::string_view part = slash == std::string_view::npos ? text : text.substr(slash + 1);
    if (!part.empty() && part != ".") {
      name = part;
      break;
    }
    text = slash == std::string_view::npos ? std::string_view() : text.substr(0, slash);
  }
  if (name.empty() || name == "..") return {};
  // A leading dot does not start an extension: ".md" is all stem.
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return name;
  return name.substr(0, dot);
}

LinkResolver::LinkResolver(const GraphIndex& index, const IdTable* ids)
    : index_(index), ids_(ids) {}

const std::string* LinkResolver::resolve(std::string_view trimmed) {
  if (trimmed.empty()) return nullptr;
  if (ids_ != nullptr) {
    if (auto position = ids_->find(trimmed)) return &ids_->id(*position);
  } else if (auto it = index_.entries().find(trimmed); it != index_.entries().end()) {
    return &it->first;
  }
  if (!stems_built_) build_stem_table();
  if (auto it = stems_.find(trimmed); it != stems_.end()) return it->second;
  return nullptr;
}

void LinkResolver::resolve_collected() {
  targets_.assign(trimmed_.size(), nullptr);
  if (ids_ != nullptr) {
    ids_->find_many(trimmed_, positions_);
    for (std::size_t k = 0; k < trimmed_.size(); ++k)
      if (positions_[k] && !trimmed_[k].empty()) targets_[k] = &ids_->id(*positions_[k]);
  }
  for (std::size_t k = 0; k < trimmed_.size(); ++k)
    if (targets_[k] == nullptr) targets_[k] = resolve(trimmed_[k]);
}

void LinkResolver::build_stem_table() {
  stems_built_ = true;
  stems_.reserve(index_.entries().size());
  std::uint32_t position = 0;
  for (const auto& [id, entry] : index_.entries()) {
    const std::string* target = ids_ != nullptr ? &ids_->id(position) : &id;
    ++position;
    std::string_view stem = file_stem(entry.relative_path);
    if (stem.empty() || !is_valid_utf8(stem)) continue;
    // The first node met keeps a shared stem.
    stems_.try_emplace(stem, target);
  }
}

}  // namespace lorewood
