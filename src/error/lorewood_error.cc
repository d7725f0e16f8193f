#include "error/lorewood_error.h"

#include <cstring>

#include "error/display_path.h"

namespace lorewood {

IoError IoError::from_errno(int error_number) {
  char buffer[256];
  // GNU strerror_r returns the message pointer, which may not be `buffer`.
  const char* text = strerror_r(error_number, buffer, sizeof buffer);
  return IoError{std::string(text) + " (os error " + std::to_string(error_number) + ")"};
}

LorewoodError::Field LorewoodError::path_field(std::filesystem::path p) {
  return Field{true, std::move(p), {}};
}

LorewoodError::Field LorewoodError::text_field(std::string t) {
  return Field{false, {}, std::move(t)};
}

LorewoodError LorewoodError::config_read(std::filesystem::path path, IoError io) {
  return {ErrorKind::ConfigRead, {path_field(std::move(path)), text_field(std::move(io.description))}};
}
LorewoodError LorewoodError::config_parse(std::filesystem::path path, std::string config_error) {
  return {ErrorKind::ConfigParse, {path_field(std::move(path)), text_field(std::move(config_error))}};
}
LorewoodError LorewoodError::config_invalid(std::string text) {
  return {ErrorKind::ConfigInvalid, {text_field(std::move(text))}};
}
LorewoodError LorewoodError::root_init(std::filesystem::path root, IoError io) {
  return {ErrorKind::RootInit, {path_field(std::move(root)), text_field(std::move(io.description))}};
}
LorewoodError LorewoodError::node_read(std::filesystem::path path, IoError io) {
  return {ErrorKind::NodeRead, {path_field(std::move(path)), text_field(std::move(io.description))}};
}
LorewoodError LorewoodError::node_write(std::filesystem::path path, IoError io) {
  return {ErrorKind::NodeWrite, {path_field(std::move(path)), text_field(std::move(io.description))}};
}
LorewoodError LorewoodError::node_delete(std::filesystem::path path, IoError io) {
  return {ErrorKind::NodeDelete, {path_field(std::move(path)), text_field(std::move(io.description))}};
}
LorewoodError LorewoodError::node_parse(std::filesystem::path path, std::string text) {
  return {ErrorKind::NodeParse, {path_field(std::move(path)), text_field(std::move(text))}};
}
LorewoodError LorewoodError::node_not_found(std::string id) {
  return {ErrorKind::NodeNotFound, {text_field(std::move(id))}};
}
LorewoodError LorewoodError::node_exists(std::string id, std::filesystem::path existing) {
  return {ErrorKind::NodeExists, {text_field(std::move(id)), path_field(std::move(existing))}};
}
LorewoodError LorewoodError::duplicate_id(std::string id, std::filesystem::path first,
                                          std::filesystem::path second) {
  return {ErrorKind::DuplicateId,
          {text_field(std::move(id)), path_field(std::move(first)), path_field(std::move(second))}};
}
LorewoodError LorewoodError::index(std::string text) {
  return {ErrorKind::Index, {text_field(std::move(text))}};
}
LorewoodError LorewoodError::lakehouse(std::string text) {
  return {ErrorKind::Lakehouse, {text_field(std::move(text))}};
}
LorewoodError LorewoodError::content_resolve(std::string uri, std::string text) {
  return {ErrorKind::ContentResolve, {text_field(std::move(uri)), text_field(std::move(text))}};
}
LorewoodError LorewoodError::scheme_not_allowed(std::string scheme) {
  return {ErrorKind::SchemeNotAllowed, {text_field(std::move(scheme))}};
}
LorewoodError LorewoodError::no_external_source(std::string id) {
  return {ErrorKind::NoExternalSource, {text_field(std::move(id))}};
}
LorewoodError LorewoodError::sync_not_configured() { return {ErrorKind::SyncNotConfigured, {}}; }
LorewoodError LorewoodError::git(std::string text) {
  return {ErrorKind::Git, {text_field(std::move(text))}};
}
LorewoodError LorewoodError::write_lock_required() { return {ErrorKind::WriteLockRequired, {}}; }
LorewoodError LorewoodError::write_lock_held(std::string holder, std::string since) {
  return {ErrorKind::WriteLockHeld, {text_field(std::move(holder)), text_field(std::move(since))}};
}
LorewoodError LorewoodError::write_lock(std::filesystem::path lock, std::string text) {
  return {ErrorKind::WriteLock, {path_field(std::move(lock)), text_field(std::move(text))}};
}
LorewoodError LorewoodError::read_only_role(std::string role) {
  return {ErrorKind::ReadOnlyRole, {text_field(std::move(role))}};
}

namespace {

const char* message_template(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::ConfigRead: return "failed to read config at {}: {}";
    case ErrorKind::ConfigParse: return "failed to parse config at {}: {}";
    case ErrorKind::ConfigInvalid: return "config validation failed: {}";
    case ErrorKind::RootInit: return "failed to initialize graph root at {}: {}";
    case ErrorKind::NodeRead: return "failed to read node at {}: {}";
    case ErrorKind::NodeWrite: return "failed to write node at {}: {}";
    case ErrorKind::NodeDelete: return "failed to delete node at {}: {}";
    case ErrorKind::NodeParse: return "node parse error at {}: {}";
    case ErrorKind::NodeNotFound: return "node {} not found";
    case ErrorKind::NodeExists: return "node {} already exists at {}";
    case ErrorKind::DuplicateId: return "duplicate node id {}: {} and {}";
    case ErrorKind::Index: return "graph index error: {}";
    case ErrorKind::Lakehouse: return "lakehouse error: {}";
    case ErrorKind::ContentResolve: return "content resolve failed for {}: {}";
    case ErrorKind::SchemeNotAllowed: return "content scheme {} is not allowed";
    case ErrorKind::NoExternalSource: return "node {} has no external source to resolve";
    case ErrorKind::SyncNotConfigured: return "[sync] is not configured";
    case ErrorKind::Git: return "git error: {}";
    case ErrorKind::WriteLockRequired:
      return "write lock required for leader mutations; acquire lock before writing";
    case ErrorKind::WriteLockHeld: return "write lock held by {} since {}";
    case ErrorKind::WriteLock: return "write lock error at {}: {}";
    case ErrorKind::ReadOnlyRole: return "read-only role `{}` cannot perform write operations";
  }
  return "";
}

}  // namespace

std::string LorewoodError::message() const {
  std::string_view pattern = message_template(kind_);
  std::string out;
  out.reserve(pattern.size() + 64);
  std::size_t next_field = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '{' && i + 1 < pattern.size() && pattern[i + 1] == '}' &&
        next_field < fields_.size()) {
      const Field& field = fields_[next_field++];
      out += field.is_path ? display_path(field.path) : field.text;
      ++i;
      continue;
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace lorewood
