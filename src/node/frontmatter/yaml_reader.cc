#include "node/frontmatter/yaml_reader.h"

#include <yaml.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "node/frontmatter/yaml_core_schema.h"
#include "platform/seeded_hash.h"

namespace lorewood {
namespace {

constexpr std::string_view kStandardTagPrefix = "tag:yaml.org,2002:";

// Mappings up to this many entries are checked for duplicate keys by a linear
// scan; larger ones get a hash index.
constexpr std::size_t kLinearKeyScan = 8;

enum class TagClass { None, NonSpecific, Str, Int, Float, Bool, Null, Seq, Map, Other };

TagClass classify_tag(const yaml_char_t* tag) {
  if (tag == nullptr) return TagClass::None;
  std::string_view text(reinterpret_cast<const char*>(tag));
  if (text == "!") return TagClass::NonSpecific;
  if (!text.starts_with(kStandardTagPrefix)) return TagClass::Other;
  std::string_view name = text.substr(kStandardTagPrefix.size());
  if (name == "str") return TagClass::Str;
  if (name == "int") return TagClass::Int;
  if (name == "float") return TagClass::Float;
  if (name == "bool") return TagClass::Bool;
  if (name == "null") return TagClass::Null;
  if (name == "seq") return TagClass::Seq;
  if (name == "map") return TagClass::Map;
  return TagClass::Other;
}

// "!!int" for a standard tag, the tag itself otherwise.
std::string tag_display(const yaml_char_t* tag) {
  std::string_view text(reinterpret_cast<const char*>(tag));
  if (text.starts_with(kStandardTagPrefix))
    return "!!" + std::string(text.substr(kStandardTagPrefix.size()));
  return std::string(text);
}

std::string_view scalar_text(const yaml_event_t& event) {
  return {reinterpret_cast<const char*>(event.data.scalar.value), event.data.scalar.length};
}

// An untagged scalar: plain ones resolve by the core schema, others are strings.
YamlValue untagged_scalar(std::string_view text, yaml_scalar_style_t style) {
  if (style == YAML_PLAIN_SCALAR_STYLE) {
    if (auto resolved = resolve_core_scalar(text)) return std::move(*resolved);
  }
  return YamlValue::string(std::string(text));
}

// Hash of a mapping key, consistent with YamlValue::operator== (0.0 and -0.0
// hash alike). Scalars go through the seeded hash so that crafted keys cannot
// pile into one bucket.
std::uint64_t key_hash(const YamlValue& value) {
  auto bytes_hash = [](char kind, const void* data, std::size_t size) {
    char buffer[1 + sizeof(std::uint64_t)];
    buffer[0] = kind;
    std::memcpy(buffer + 1, data, size);
    return static_cast<std::uint64_t>(SeededHash{}(std::string_view(buffer, 1 + size)));
  };
  auto combine = [](std::uint64_t seed, std::uint64_t h) {
    return seed ^ (h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
  };
  switch (value.kind()) {
    case YamlValue::Kind::Null:
      return bytes_hash('n', nullptr, 0);
    case YamlValue::Kind::Bool: {
      char b = value.as_bool() ? 1 : 0;
      return bytes_hash('b', &b, 1);
    }
    case YamlValue::Kind::Int: {
      std::int64_t i = value.as_int();
      return bytes_hash('i', &i, sizeof i);
    }
    case YamlValue::Kind::UInt: {
      std::uint64_t u = value.as_uint();
      return bytes_hash('u', &u, sizeof u);
    }
    case YamlValue::Kind::Float: {
      double d = value.as_float() == 0 ? 0.0 : value.as_float();
      return bytes_hash('f', &d, sizeof d);
    }
    case YamlValue::Kind::String:
      return SeededHash{}(value.as_string());
    case YamlValue::Kind::Sequence: {
      std::uint64_t h = bytes_hash('s', nullptr, 0);
      for (const YamlValue& item : value.as_sequence()) h = combine(h, key_hash(item));
      return h;
    }
    case YamlValue::Kind::Mapping: {
      std::uint64_t h = bytes_hash('m', nullptr, 0);
      for (const auto& [k, v] : value.as_mapping()) h = combine(combine(h, key_hash(k)), key_hash(v));
      return h;
    }
    case YamlValue::Kind::Tagged:
      return combine(SeededHash{}(value.tag()), key_hash(value.tagged_value()));
  }
  return 0;
}

// Size of a finished value: nodes, scalar and tag bytes, and nesting height
// (0 for a scalar, 1 + the children's height for a collection).
struct Extent {
  std::size_t nodes = 0;
  std::size_t bytes = 0;
  std::size_t height = 0;
};

// A sequence or mapping being built.
struct Frame {
  bool is_mapping = false;
  YamlSequence items;
  YamlMapping entries;
  std::optional<YamlValue> pending_key;
  std::string tag;     // empty when untagged
  std::string anchor;  // empty when not anchored
  Extent children;     // nodes and bytes summed, height the maximum
  yaml_mark_t start{};
  std::unique_ptr<std::unordered_multimap<std::uint64_t, std::size_t>> key_index;
};

struct Anchored {
  YamlValue value;
  Extent extent;
};

class ParserHandle {
 public:
  ParserHandle() { ok_ = yaml_parser_initialize(&parser_) != 0; }
  ~ParserHandle() {
    if (ok_) yaml_parser_delete(&parser_);
  }
  ParserHandle(const ParserHandle&) = delete;
  ParserHandle& operator=(const ParserHandle&) = delete;
  bool ok() const { return ok_; }
  yaml_parser_t* get() { return &parser_; }

 private:
  yaml_parser_t parser_;
  bool ok_ = false;
};

class EventHandle {
 public:
  EventHandle() = default;
  ~EventHandle() { yaml_event_delete(&event_); }
  EventHandle(const EventHandle&) = delete;
  EventHandle& operator=(const EventHandle&) = delete;
  yaml_event_t* get() { return &event_; }
  const yaml_event_t& operator*() const { return event_; }

 private:
  yaml_event_t event_{};
};

class TreeBuilder {
 public:
  TreeBuilder(std::string_view text, YamlTextOrigin origin)
      : text_(text), origin_(origin), aliases_possible_(text.find('*') != std::string_view::npos) {
    frames_.reserve(8);
  }

  std::expected<YamlValue, std::string> run() {
    ParserHandle parser;
    if (!parser.ok()) return std::unexpected(std::string("out of memory while reading YAML"));
    yaml_parser_set_input_string(parser.get(), reinterpret_cast<const unsigned char*>(text_.data()),
                                 text_.size());
    yaml_parser_set_encoding(parser.get(), YAML_UTF8_ENCODING);
    for (;;) {
      EventHandle event;
      if (!yaml_parser_parse(parser.get(), event.get()))
        return std::unexpected(parser_error(*parser.get()));
      if ((*event).type == YAML_STREAM_END_EVENT) break;
      if (!handle(*event)) return std::unexpected(std::move(error_));
    }
    return std::move(root_);
  }

 private:
  bool handle(const yaml_event_t& event) {
    switch (event.type) {
      case YAML_DOCUMENT_START_EVENT:
        if (++documents_ > 1)
          return fail("expected a single YAML document but found another", event.start_mark);
        return true;
      case YAML_SCALAR_EVENT:
        return on_scalar(event);
      case YAML_ALIAS_EVENT:
        return on_alias(event);
      case YAML_SEQUENCE_START_EVENT:
        return on_collection_start(event, false);
      case YAML_MAPPING_START_EVENT:
        return on_collection_start(event, true);
      case YAML_SEQUENCE_END_EVENT:
      case YAML_MAPPING_END_EVENT:
        return on_collection_end();
      default:
        return true;
    }
  }

  bool on_scalar(const yaml_event_t& event) {
    const yaml_char_t* tag = event.data.scalar.tag;
    std::string_view text = scalar_text(event);
    YamlValue value;
    std::optional<YamlValue> converted;
    switch (classify_tag(tag)) {
      case TagClass::None:
        value = untagged_scalar(text, event.data.scalar.style);
        break;
      case TagClass::NonSpecific:
      case TagClass::Str:
        value = YamlValue::string(std::string(text));
        break;
      case TagClass::Int:
        converted = parse_core_int(text);
        if (!converted && is_out_of_range_core_int(text))
          return fail("integer `" + shortened(text) + "` is out of range for !!int", event.start_mark);
        break;
      case TagClass::Float:
        converted = parse_core_float(text);
        break;
      case TagClass::Bool:
        converted = parse_core_bool(text);
        break;
      case TagClass::Null:
        converted = parse_core_null(text);
        break;
      case TagClass::Seq:
      case TagClass::Map:
        return fail("tag " + tag_display(tag) + " cannot be applied to a scalar", event.start_mark);
      case TagClass::Other:
        value = YamlValue::tagged(reinterpret_cast<const char*>(tag),
                                  untagged_scalar(text, event.data.scalar.style));
        break;
    }
    switch (classify_tag(tag)) {
      case TagClass::Int:
      case TagClass::Float:
      case TagClass::Bool:
      case TagClass::Null:
        if (!converted)
          return fail("invalid value `" + shortened(text) + "` for " + tag_display(tag),
                      event.start_mark);
        value = std::move(*converted);
        break;
      default:
        break;
    }
    Extent extent{1, text.size() + (tag ? std::strlen(reinterpret_cast<const char*>(tag)) : 0), 0};
    if (event.data.scalar.anchor &&
        !remember_anchor(event.data.scalar.anchor, value, extent, event.start_mark))
      return false;
    return deliver(std::move(value), extent, event.start_mark);
  }

  bool on_alias(const yaml_event_t& event) {
    std::string_view name(reinterpret_cast<const char*>(event.data.alias.anchor));
    auto found = anchors_.find(name);
    if (found == anchors_.end())
      return fail("found undefined alias `" + shortened(name) + "`", event.start_mark);
    const Anchored& anchored = found->second;
    if (frames_.size() + anchored.extent.height > kYamlMaxDepth) return fail_depth(event.start_mark);
    if (!charge_copy(anchored.extent, event.start_mark)) return false;
    return deliver(YamlValue(anchored.value), anchored.extent, event.start_mark);
  }

  bool on_collection_start(const yaml_event_t& event, bool is_mapping) {
    if (frames_.size() >= kYamlMaxDepth) return fail_depth(event.start_mark);
    const yaml_char_t* tag =
        is_mapping ? event.data.mapping_start.tag : event.data.sequence_start.tag;
    const yaml_char_t* anchor =
        is_mapping ? event.data.mapping_start.anchor : event.data.sequence_start.anchor;
    Frame frame;
    frame.is_mapping = is_mapping;
    frame.start = event.start_mark;
    // One allocation covers typical frontmatter mappings and link lists.
    if (is_mapping)
      frame.entries.reserve(8);
    else
      frame.items.reserve(4);
    switch (classify_tag(tag)) {
      case TagClass::None:
      case TagClass::NonSpecific:
        break;
      case TagClass::Seq:
      case TagClass::Map:
        if ((classify_tag(tag) == TagClass::Map) != is_mapping)
          return fail("tag " + tag_display(tag) + " cannot be applied to a " +
                          (is_mapping ? "mapping" : "sequence"),
                      event.start_mark);
        break;
      case TagClass::Other:
        frame.tag = reinterpret_cast<const char*>(tag);
        break;
      default:
        return fail("tag " + tag_display(tag) + " cannot be applied to a " +
                        (is_mapping ? "mapping" : "sequence"),
                    event.start_mark);
    }
    if (anchor) frame.anchor = reinterpret_cast<const char*>(anchor);
    frames_.push_back(std::move(frame));
    return true;
  }

  bool on_collection_end() {
    Frame frame = std::move(frames_.back());
    frames_.pop_back();
    YamlValue value = frame.is_mapping ? YamlValue::mapping(std::move(frame.entries))
                                       : YamlValue::sequence(std::move(frame.items));
    Extent extent{frame.children.nodes + 1, frame.children.bytes + frame.tag.size(),
                  frame.children.height + 1};
    if (!frame.tag.empty()) value = YamlValue::tagged(std::move(frame.tag), std::move(value));
    if (!frame.anchor.empty() &&
        !remember_anchor(reinterpret_cast<const yaml_char_t*>(frame.anchor.c_str()), value, extent,
                         frame.start))
      return false;
    return deliver(std::move(value), extent, frame.start);
  }

  // Keeps a copy of an anchored value for later aliases. Skipped when the text
  // holds no '*' at all, so that anchors cost nothing in alias-free documents.
  bool remember_anchor(const yaml_char_t* name, const YamlValue& value, Extent extent,
                       const yaml_mark_t& mark) {
    if (!aliases_possible_) return true;
    if (!charge_copy(extent, mark)) return false;
    anchors_.insert_or_assign(std::string(reinterpret_cast<const char*>(name)),
                              Anchored{value, extent});
    return true;
  }

  bool charge_copy(Extent extent, const yaml_mark_t& mark) {
    copied_nodes_ += extent.nodes;
    copied_bytes_ += extent.bytes;
    if (copied_nodes_ > kYamlMaxCopiedNodes)
      return fail("anchors and aliases expand to more than " + std::to_string(kYamlMaxCopiedNodes) +
                      " nodes",
                  mark);
    if (copied_bytes_ > kYamlMaxCopiedBytes)
      return fail("anchors and aliases expand to more than " + std::to_string(kYamlMaxCopiedBytes) +
                      " bytes",
                  mark);
    return true;
  }

  // Hands a finished value to the collection being built, or makes it the root.
  bool deliver(YamlValue value, Extent extent, const yaml_mark_t& mark) {
    if (frames_.empty()) {
      root_ = std::move(value);
      return true;
    }
    Frame& top = frames_.back();
    top.children.nodes += extent.nodes;
    top.children.bytes += extent.bytes;
    top.children.height = std::max(top.children.height, extent.height);
    if (!top.is_mapping) {
      top.items.push_back(std::move(value));
      return true;
    }
    if (!top.pending_key) {
      if (!check_new_key(top, value, mark)) return false;
      top.pending_key = std::move(value);
      return true;
    }
    top.entries.emplace_back(std::move(*top.pending_key), std::move(value));
    top.pending_key.reset();
    return true;
  }

  bool check_new_key(Frame& frame, const YamlValue& key, const yaml_mark_t& mark) {
    const std::size_t index = frame.entries.size();
    if (index < kLinearKeyScan) {
      for (const auto& entry : frame.entries)
        if (entry.first == key) return fail_duplicate(key, mark);
      return true;
    }
    if (!frame.key_index) {
      frame.key_index = std::make_unique<std::unordered_multimap<std::uint64_t, std::size_t>>();
      for (std::size_t k = 0; k < index; ++k) frame.key_index->emplace(key_hash(frame.entries[k].first), k);
    }
    const std::uint64_t hash = key_hash(key);
    auto [first, last] = frame.key_index->equal_range(hash);
    for (auto it = first; it != last; ++it)
      if (frame.entries[it->second].first == key) return fail_duplicate(key, mark);
    frame.key_index->emplace(hash, index);
    return true;
  }

  bool fail_duplicate(const YamlValue& key, const yaml_mark_t& mark) {
    std::string name = key.is_string() ? "`" + shortened(key.as_string()) + "`" : describe_yaml_value(key);
    return fail("duplicate mapping key " + name, mark);
  }

  bool fail_depth(const yaml_mark_t& mark) {
    return fail("nesting deeper than " + std::to_string(kYamlMaxDepth) + " levels", mark);
  }

  bool fail(std::string text, const yaml_mark_t& mark) {
    error_ = std::move(text) + position(mark.line, mark.column);
    return false;
  }

  // " at line L column C" in the coordinates of the original file.
  std::string position(std::size_t line, std::size_t column) const {
    std::size_t file_line = origin_.line + line;
    std::size_t file_column = (line == 0 ? origin_.column : 1) + column;
    return " at line " + std::to_string(file_line) + " column " + std::to_string(file_column);
  }

  // Line and column (0-based, in characters) of a byte offset of the text.
  std::string position_of_offset(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    std::size_t line = 0, column = 0;
    for (std::size_t k = 0; k < offset; ++k) {
      unsigned char c = static_cast<unsigned char>(text_[k]);
      if (c == '\n') {
        ++line;
        column = 0;
      } else if ((c & 0xC0) != 0x80) {
        ++column;
      }
    }
    return position(line, column);
  }

  std::string parser_error(const yaml_parser_t& parser) const {
    const char* problem = parser.problem ? parser.problem : "unknown YAML error";
    switch (parser.error) {
      case YAML_MEMORY_ERROR:
        return "out of memory while reading YAML";
      case YAML_READER_ERROR: {
        std::string text = problem;
        if (parser.problem_value != -1) {
          char code[16];
          std::snprintf(code, sizeof code, " (#x%02X)", static_cast<unsigned>(parser.problem_value));
          text += code;
        }
        return text + position_of_offset(parser.problem_offset);
      }
      default: {
        std::string text = problem + position(parser.problem_mark.line, parser.problem_mark.column);
        if (parser.context)
          text += std::string(" (") + parser.context +
                  position(parser.context_mark.line, parser.context_mark.column) + ")";
        return text;
      }
    }
  }

  static std::string shortened(std::string_view text) {
    constexpr std::size_t kLimit = 64;
    if (text.size() <= kLimit) return std::string(text);
    std::size_t cut = kLimit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return std::string(text.substr(0, cut)) + "...";
  }

  std::string_view text_;
  YamlTextOrigin origin_;
  bool aliases_possible_;
  std::vector<Frame> frames_;
  TextMap<Anchored> anchors_;
  YamlValue root_;
  std::size_t documents_ = 0;
  std::size_t copied_nodes_ = 0;
  std::size_t copied_bytes_ = 0;
  std::string error_;
};

}  // namespace

std::expected<YamlValue, std::string> parse_yaml(std::string_view text, YamlTextOrigin origin) {
  return TreeBuilder(text, origin).run();
}

}  // namespace lorewood
