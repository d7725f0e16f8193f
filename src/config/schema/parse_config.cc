#include "config/schema/parse_config.h"

#include <toml++/toml.h>

#include <array>
#include <cstdint>
#include <exception>
#include <optional>
#include <utility>

namespace lorewood {
namespace {

using ParseResult = std::expected<void, std::string>;
template <typename T>
using Parsed = std::expected<T, std::string>;

// " (line L, column C)" for a known position, nothing otherwise.
std::string position_suffix(const toml::source_position& at) {
  if (at.line == 0) return {};
  return " (line " + std::to_string(at.line) + ", column " + std::to_string(at.column) + ")";
}

std::unexpected<std::string> problem(std::string text, const toml::node& where) {
  return std::unexpected(std::move(text) + position_suffix(where.source().begin));
}

std::string_view type_name(toml::node_type type) {
  switch (type) {
    case toml::node_type::table: return "table";
    case toml::node_type::array: return "array";
    case toml::node_type::string: return "string";
    case toml::node_type::integer: return "integer";
    case toml::node_type::floating_point: return "float";
    case toml::node_type::boolean: return "boolean";
    case toml::node_type::date: return "date";
    case toml::node_type::time: return "time";
    case toml::node_type::date_time: return "date-time";
    case toml::node_type::none: break;
  }
  return "nothing";
}

// One table being read, with the dotted name it has in the document.
class TableReader {
 public:
  TableReader(const toml::table& table, std::string name) : table_(table), name_(std::move(name)) {}

  const toml::table& table() const { return table_; }

  std::string key_name(std::string_view key) const {
    return name_.empty() ? std::string(key) : name_ + "." + std::string(key);
  }

  const toml::node* find(std::string_view key) const { return table_.get(key); }

  Parsed<const toml::node*> require(std::string_view key) const {
    const toml::node* node = find(key);
    if (node == nullptr) {
      std::string text = "missing required key `" + std::string(key) + "`";
      if (!name_.empty()) text += " in `" + name_ + "`";
      return problem(std::move(text), table_);
    }
    return node;
  }

  std::unexpected<std::string> wrong_type(std::string_view key, const toml::node& node,
                                          std::string_view expected) const {
    return problem("key `" + key_name(key) + "` must be " + std::string(expected) + ", found " +
                       std::string(type_name(node.type())),
                   node);
  }

  Parsed<std::string> required_string(std::string_view key) const {
    auto node = require(key);
    if (!node) return std::unexpected(std::move(node.error()));
    const toml::value<std::string>* value = (*node)->as_string();
    if (value == nullptr) return wrong_type(key, **node, "a string");
    return value->get();
  }

  // Absent keys give nullopt; present ones must be non-negative integers.
  Parsed<std::optional<std::uint64_t>> optional_unsigned(std::string_view key) const {
    const toml::node* node = find(key);
    if (node == nullptr) return std::nullopt;
    const toml::value<std::int64_t>* value = node->as_integer();
    if (value == nullptr) return wrong_type(key, *node, "an unsigned integer");
    if (value->get() < 0)
      return problem("key `" + key_name(key) + "` must be an unsigned integer, found " +
                         std::to_string(value->get()),
                     *node);
    return static_cast<std::uint64_t>(value->get());
  }

  // nullptr when absent; a present key must hold a table.
  Parsed<const toml::table*> optional_table(std::string_view key) const {
    const toml::node* node = find(key);
    if (node == nullptr) return nullptr;
    const toml::table* table = node->as_table();
    if (table == nullptr) return wrong_type(key, *node, "a table");
    return table;
  }

  Parsed<const toml::table*> required_table(std::string_view key) const {
    auto node = require(key);
    if (!node) return std::unexpected(std::move(node.error()));
    const toml::table* table = (*node)->as_table();
    if (table == nullptr) return wrong_type(key, **node, "a table");
    return table;
  }

  // The value of `key` among `names` (exact, case-sensitive), as its position.
  template <std::size_t N>
  Parsed<std::size_t> required_choice(std::string_view key,
                                      const std::array<std::string_view, N>& names) const {
    auto node = require(key);
    if (!node) return std::unexpected(std::move(node.error()));
    const toml::value<std::string>* value = (*node)->as_string();
    if (value == nullptr) return wrong_type(key, **node, "a string");
    for (std::size_t i = 0; i < N; ++i)
      if (value->get() == names[i]) return i;
    std::string expected;
    for (std::size_t i = 0; i < N; ++i) {
      if (i != 0) expected += i + 1 == N ? " or " : ", ";
      expected += "\"" + std::string(names[i]) + "\"";
    }
    return problem("key `" + key_name(key) + "` has unknown value \"" + value->get() +
                       "\", expected " + expected,
                   **node);
  }

 private:
  const toml::table& table_;
  std::string name_;
};

Parsed<StorageConfig> read_storage(const TableReader& reader) {
  StorageConfig storage;
  auto mode = reader.required_choice("mode", std::array<std::string_view, 2>{"local", "lakehouse"});
  if (!mode) return std::unexpected(std::move(mode.error()));
  storage.mode = *mode == 0 ? StorageMode::Local : StorageMode::Lakehouse;
  auto root = reader.required_string("root_path");
  if (!root) return std::unexpected(std::move(root.error()));
  storage.root_path = std::move(*root);
  return storage;
}

Parsed<RemoteSource> read_remote_source(const TableReader& reader) {
  RemoteSource source;
  auto uri = reader.required_string("uri");
  if (!uri) return std::unexpected(std::move(uri.error()));
  source.uri = std::move(*uri);
  auto format = reader.required_string("format");
  if (!format) return std::unexpected(std::move(format.error()));
  source.format = std::move(*format);
  return source;
}

Parsed<std::vector<RemoteSource>> read_remote_sources(const TableReader& lakehouse) {
  auto node = lakehouse.require("remote_sources");
  if (!node) return std::unexpected(std::move(node.error()));
  const toml::array* list = (*node)->as_array();
  if (list == nullptr) return lakehouse.wrong_type("remote_sources", **node, "an array of tables");
  std::vector<RemoteSource> sources;
  sources.reserve(list->size());
  for (std::size_t i = 0; i < list->size(); ++i) {
    const toml::node& entry = *list->get(i);
    std::string name = lakehouse.key_name("remote_sources") + "[" + std::to_string(i) + "]";
    const toml::table* table = entry.as_table();
    if (table == nullptr)
      return problem("`" + name + "` must be a table, found " + std::string(type_name(entry.type())),
                     entry);
    auto source = read_remote_source(TableReader(*table, std::move(name)));
    if (!source) return std::unexpected(std::move(source.error()));
    sources.push_back(std::move(*source));
  }
  return sources;
}

Parsed<LakehouseCacheConfig> read_cache(const TableReader& reader) {
  LakehouseCacheConfig cache;
  auto ttl = reader.optional_unsigned("ttl_secs");
  if (!ttl) return std::unexpected(std::move(ttl.error()));
  if (*ttl) cache.ttl_secs = **ttl;
  auto max_bytes = reader.optional_unsigned("max_bytes");
  if (!max_bytes) return std::unexpected(std::move(max_bytes.error()));
  if (*max_bytes) cache.max_bytes = **max_bytes;
  return cache;
}

Parsed<LakehouseConfig> read_lakehouse(const TableReader& reader) {
  LakehouseConfig lakehouse;
  auto sources = read_remote_sources(reader);
  if (!sources) return std::unexpected(std::move(sources.error()));
  lakehouse.remote_sources = std::move(*sources);
  auto cache_table = reader.optional_table("cache");
  if (!cache_table) return std::unexpected(std::move(cache_table.error()));
  if (*cache_table != nullptr) {
    auto cache = read_cache(TableReader(**cache_table, reader.key_name("cache")));
    if (!cache) return std::unexpected(std::move(cache.error()));
    lakehouse.cache = *cache;
  }
  return lakehouse;
}

Parsed<SyncConfig> read_sync(const TableReader& reader) {
  SyncConfig sync;
  auto role = reader.required_choice("role", std::array<std::string_view, 2>{"leader", "follower"});
  if (!role) return std::unexpected(std::move(role.error()));
  sync.role = *role == 0 ? SyncRole::Leader : SyncRole::Follower;
  auto url = reader.required_string("remote_url");
  if (!url) return std::unexpected(std::move(url.error()));
  sync.remote_url = std::move(*url);
  return sync;
}

Parsed<LorewoodConfig> read_document(const toml::table& document) {
  TableReader root(document, "");
  LorewoodConfig config;

  auto storage_table = root.required_table("storage");
  if (!storage_table) return std::unexpected(std::move(storage_table.error()));
  auto storage = read_storage(TableReader(**storage_table, "storage"));
  if (!storage) return std::unexpected(std::move(storage.error()));
  config.storage = std::move(*storage);

  auto lakehouse_table = root.optional_table("lakehouse");
  if (!lakehouse_table) return std::unexpected(std::move(lakehouse_table.error()));
  if (*lakehouse_table != nullptr) {
    auto lakehouse = read_lakehouse(TableReader(**lakehouse_table, "lakehouse"));
    if (!lakehouse) return std::unexpected(std::move(lakehouse.error()));
    config.lakehouse = std::move(*lakehouse);
  }

  auto sync_table = root.optional_table("sync");
  if (!sync_table) return std::unexpected(std::move(sync_table.error()));
  if (*sync_table != nullptr) {
    auto sync = read_sync(TableReader(**sync_table, "sync"));
    if (!sync) return std::unexpected(std::move(sync.error()));
    config.sync = std::move(*sync);
  }
  return config;
}

}  // namespace

std::expected<LorewoodConfig, std::string> parse_config_text(std::string_view text) {
  try {
    toml::table document = toml::parse(text);
    return read_document(document);
  } catch (const toml::parse_error& error) {
    return std::unexpected(std::string(error.description()) +
                           position_suffix(error.source().begin));
  } catch (const std::exception& error) {
    return std::unexpected(std::string(error.what()));
  }
}

}  // namespace lorewood
