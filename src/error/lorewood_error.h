// LorewoodError: the single error value of the core.
//
// Every fallible operation returns `Result<T>` (std::expected<T, LorewoodError>).
// An error is one of a fixed set of kinds; each kind carries its own fields and
// renders to exactly one message. Callers pass received errors on unchanged.
//
//   Result<Node> node = Node::from_file(path, root);
//   if (!node) return std::unexpected(std::move(node.error()));
//   std::string text = node.error().message();
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <vector>

namespace lorewood {

enum class ErrorKind : std::uint8_t {
  ConfigRead,
  ConfigParse,
  ConfigInvalid,
  RootInit,
  NodeRead,
  NodeWrite,
  NodeDelete,
  NodeParse,
  NodeNotFound,
  NodeExists,
  DuplicateId,
  Index,
  Lakehouse,
  ContentResolve,
  SchemeNotAllowed,
  NoExternalSource,
  SyncNotConfigured,
  Git,
  WriteLockRequired,
  WriteLockHeld,
  WriteLock,
  ReadOnlyRole,
};

// An operating-system or I/O failure, kept as its rendered description.
struct IoError {
  std::string description;

  // "<strerror text> (os error N)".
  static IoError from_errno(int error_number);
  // A failure that has no error number (for example invalid UTF-8).
  static IoError custom(std::string text) { return IoError{std::move(text)}; }
};

class LorewoodError {
 public:
  static LorewoodError config_read(std::filesystem::path path, IoError io);
  static LorewoodError config_parse(std::filesystem::path path, std::string config_error);
  static LorewoodError config_invalid(std::string text);
  static LorewoodError root_init(std::filesystem::path root, IoError io);
  static LorewoodError node_read(std::filesystem::path path, IoError io);
  static LorewoodError node_write(std::filesystem::path path, IoError io);
  static LorewoodError node_delete(std::filesystem::path path, IoError io);
  static LorewoodError node_parse(std::filesystem::path path, std::string text);
  static LorewoodError node_not_found(std::string id);
  static LorewoodError node_exists(std::string id, std::filesystem::path existing);
  static LorewoodError duplicate_id(std::string id, std::filesystem::path first,
                                    std::filesystem::path second);
  static LorewoodError index(std::string text);
  static LorewoodError lakehouse(std::string text);
  static LorewoodError content_resolve(std::string uri, std::string text);
  static LorewoodError scheme_not_allowed(std::string scheme);
  static LorewoodError no_external_source(std::string id);
  static LorewoodError sync_not_configured();
  static LorewoodError git(std::string text);
  static LorewoodError write_lock_required();
  static LorewoodError write_lock_held(std::string holder, std::string since);
  static LorewoodError write_lock(std::filesystem::path lock, std::string text);
  static LorewoodError read_only_role(std::string role);

  ErrorKind kind() const { return kind_; }

  // The rendered message. Never fails, no side effects.
  std::string message() const;

 private:
  // A field is either a path or a text; paths render in display form.
  struct Field {
    bool is_path = false;
    std::filesystem::path path;
    std::string text;
  };

  LorewoodError(ErrorKind kind, std::vector<Field> fields)
      : kind_(kind), fields_(std::move(fields)) {}
  static Field path_field(std::filesystem::path p);
  static Field text_field(std::string t);

  ErrorKind kind_;
  std::vector<Field> fields_;
};

template <typename T>
using Result = std::expected<T, LorewoodError>;

using Status = Result<void>;

inline std::unexpected<LorewoodError> fail(LorewoodError error) {
  return std::unexpected(std::move(error));
}

}  // namespace lorewood

// Propagation helpers: return the error of a failed Result, otherwise go on.
#define LW_CONCAT_INNER(a, b) a##b
#define LW_CONCAT(a, b) LW_CONCAT_INNER(a, b)

#define LW_RETURN_IF_ERROR(expr)                                \
  do {                                                          \
    auto&& lw_status_ = (expr);                                 \
    if (!lw_status_) return std::unexpected(std::move(lw_status_.error())); \
  } while (0)

#define LW_ASSIGN_OR_RETURN_IMPL(tmp, lhs, expr)                \
  auto tmp = (expr);                                            \
  if (!tmp) return std::unexpected(std::move(tmp.error()));     \
  lhs = std::move(*tmp)

#define LW_ASSIGN_OR_RETURN(lhs, expr) \
  LW_ASSIGN_OR_RETURN_IMPL(LW_CONCAT(lw_result_, __LINE__), lhs, expr)
