// The manifest's TOML form. Written by hand (the layout is fixed and tiny);
// read with toml++, which reports syntax errors and duplicate keys.
#include <toml++/toml.h>

#include <cstdio>
#include <exception>

#include "batch/journal.h"
#include "error/display_path.h"

namespace lorewood {
namespace {

LorewoodError parse_error(std::string text) {
  return LorewoodError::index("failed to parse batch journal: " + std::move(text));
}

// Appends `text` as a TOML basic string: quotes, backslashes and control
// characters escaped, everything else (valid UTF-8) kept as is.
void append_basic_string(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

Status append_path_line(std::string& out, std::string_view key, const std::filesystem::path& p) {
  if (!is_valid_utf8(p.native()))
    return fail(LorewoodError::index("failed to serialize batch journal: path " +
                                     display_path(p) + " is not valid UTF-8"));
  out += key;
  out += " = ";
  append_basic_string(out, p.native());
  out += '\n';
  return {};
}

Result<std::filesystem::path> required_path(const toml::table& table, std::string_view key) {
  const toml::node* value = table.get(key);
  if (!value) return fail(parse_error("missing field `" + std::string(key) + "`"));
  const auto* text = value->as_string();
  if (!text) return fail(parse_error("field `" + std::string(key) + "` must be a string"));
  return std::filesystem::path(text->get());
}

Result<JournalSnapshot> read_snapshot(const toml::node& node) {
  const toml::table* table = node.as_table();
  if (!table) return fail(parse_error("every entry of `snapshots` must be a table"));
  JournalSnapshot snapshot;
  LW_ASSIGN_OR_RETURN(snapshot.relative_path, required_path(*table, "relative_path"));
  LW_ASSIGN_OR_RETURN(snapshot.backup, required_path(*table, "backup"));
  return snapshot;
}

Result<BatchJournal> read_journal(const toml::table& document) {
  BatchJournal journal;
  const toml::node* version = document.get("version");
  if (!version) return fail(parse_error("missing field `version`"));
  const auto* number = version->as_integer();
  if (!number || number->get() < 0 || number->get() > 255)
    return fail(parse_error("field `version` must be an integer from 0 to 255"));
  journal.version = static_cast<std::uint8_t>(number->get());

  const toml::node* snapshots = document.get("snapshots");
  if (!snapshots) return fail(parse_error("missing field `snapshots`"));
  const toml::array* list = snapshots->as_array();
  if (!list) return fail(parse_error("field `snapshots` must be an array"));
  journal.snapshots.reserve(list->size());
  for (const toml::node& entry : *list) {
    LW_ASSIGN_OR_RETURN(JournalSnapshot snapshot, read_snapshot(entry));
    journal.snapshots.push_back(std::move(snapshot));
  }
  return journal;
}

}  // namespace

Result<std::string> render_batch_journal(const BatchJournal& journal) {
  std::string out = "version = " + std::to_string(journal.version) + "\n";
  if (journal.snapshots.empty()) {
    out += "snapshots = []\n";
    return out;
  }
  for (const JournalSnapshot& snapshot : journal.snapshots) {
    out += "\n[[snapshots]]\n";
    LW_RETURN_IF_ERROR(append_path_line(out, "relative_path", snapshot.relative_path));
    LW_RETURN_IF_ERROR(append_path_line(out, "backup", snapshot.backup));
  }
  return out;
}

Result<BatchJournal> parse_batch_journal(std::string_view text) {
  try {
    toml::table document = toml::parse(text);
    return read_journal(document);
  } catch (const toml::parse_error& error) {
    const toml::source_position& at = error.source().begin;
    return fail(parse_error(std::string(error.description()) + " (line " +
                            std::to_string(at.line) + ", column " + std::to_string(at.column) +
                            ")"));
  } catch (const std::exception& error) {
    return fail(parse_error(error.what()));
  }
}

}  // namespace lorewood
