#include "node/frontmatter/yaml_writer.h"

#include <yaml.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "error/display_path.h"
#include "node/frontmatter/yaml_lookalikes.h"
#include "node/frontmatter/yaml_reader.h"
#include "platform/unicode_text.h"

namespace lorewood {
namespace {

// Line-break characters other than the line feed: a literal block would turn
// them into line feeds and plain or single-quoted text would fold them.
bool has_other_line_break(std::string_view text) {
  return text.find('\r') != std::string_view::npos ||
         text.find("\xC2\x85") != std::string_view::npos ||      // U+0085
         text.find("\xE2\x80\xA8") != std::string_view::npos ||  // U+2028
         text.find("\xE2\x80\xA9") != std::string_view::npos;    // U+2029
}

bool starts_with_whitespace(std::string_view text) {
  if (text.empty()) return false;
  std::size_t i = 0;
  return is_unicode_whitespace(decode_utf8_at(text, i));
}

bool ends_with_whitespace(std::string_view text) {
  if (text.empty()) return false;
  std::size_t start = text.size() - 1;
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  return is_unicode_whitespace(decode_utf8_at(text, start));
}

// A literal block keeps the text exactly wherever it stands in the frontmatter:
// no trailing white space or line break (the frontmatter is trimmed, and the
// last line break of a block is chomped), and no leading space or line break
// (which would need an indentation indicator).
bool literal_keeps(std::string_view text) {
  return text.front() != ' ' && text.front() != '\n' && !ends_with_whitespace(text);
}

yaml_scalar_style_t string_style(std::string_view text, bool is_key) {
  if (has_other_line_break(text)) return YAML_DOUBLE_QUOTED_SCALAR_STYLE;
  if (text.find('\n') != std::string_view::npos)
    return !is_key && literal_keeps(text) ? YAML_LITERAL_SCALAR_STYLE
                                          : YAML_DOUBLE_QUOTED_SCALAR_STYLE;
  if (plain_reads_as_non_string(text) || starts_with_whitespace(text) || ends_with_whitespace(text))
    return YAML_SINGLE_QUOTED_SCALAR_STYLE;
  return YAML_ANY_SCALAR_STYLE;
}

constexpr std::array<std::string_view, 5> kFieldKeys = {"id", "type", "links", "source",
                                                        "source_uri"};

class Emitter {
 public:
  Emitter() {
    ok_ = yaml_emitter_initialize(&emitter_) != 0;
    if (!ok_) {
      error_ = "out of memory";
      return;
    }
    yaml_emitter_set_output(&emitter_, &Emitter::append, &out_);
    yaml_emitter_set_encoding(&emitter_, YAML_UTF8_ENCODING);
    yaml_emitter_set_unicode(&emitter_, 1);
    yaml_emitter_set_width(&emitter_, -1);  // never fold long lines
    yaml_emitter_set_indent(&emitter_, 2);
    yaml_emitter_set_break(&emitter_, YAML_LN_BREAK);
  }
  ~Emitter() {
    if (ok_) yaml_emitter_delete(&emitter_);
  }
  Emitter(const Emitter&) = delete;
  Emitter& operator=(const Emitter&) = delete;

  bool begin() {
    if (!ok_) return false;
    yaml_event_t event;
    if (!yaml_stream_start_event_initialize(&event, YAML_UTF8_ENCODING) || !emit(event))
      return fail_event();
    if (!yaml_document_start_event_initialize(&event, nullptr, nullptr, nullptr, 1) || !emit(event))
      return fail_event();
    return true;
  }

  bool end() {
    yaml_event_t event;
    if (!yaml_document_end_event_initialize(&event, 1) || !emit(event)) return fail_event();
    if (!yaml_stream_end_event_initialize(&event) || !emit(event)) return fail_event();
    if (!yaml_emitter_flush(&emitter_)) return fail_event();
    return true;
  }

  bool mapping_start(const std::string* tag = nullptr) {
    yaml_event_t event;
    if (!yaml_mapping_start_event_initialize(&event, nullptr, tag_ptr(tag), tag == nullptr,
                                             YAML_BLOCK_MAPPING_STYLE))
      return fail_event();
    return emit(event) || fail_event();
  }
  bool mapping_end() {
    yaml_event_t event;
    if (!yaml_mapping_end_event_initialize(&event)) return fail_event();
    return emit(event) || fail_event();
  }
  bool sequence_start(const std::string* tag = nullptr) {
    yaml_event_t event;
    if (!yaml_sequence_start_event_initialize(&event, nullptr, tag_ptr(tag), tag == nullptr,
                                              YAML_BLOCK_SEQUENCE_STYLE))
      return fail_event();
    return emit(event) || fail_event();
  }
  bool sequence_end() {
    yaml_event_t event;
    if (!yaml_sequence_end_event_initialize(&event)) return fail_event();
    return emit(event) || fail_event();
  }

  bool string(std::string_view text, bool is_key, const std::string* tag = nullptr) {
    return scalar(text, string_style(text, is_key), tag);
  }

  // Writes `value` nested inside `depth` collections.
  bool value(const YamlValue& value, bool is_key, std::size_t depth,
             const std::string* tag = nullptr) {
    switch (value.kind()) {
      case YamlValue::Kind::Null:
        return scalar("null", YAML_PLAIN_SCALAR_STYLE, tag);
      case YamlValue::Kind::Bool:
        return scalar(value.as_bool() ? "true" : "false", YAML_PLAIN_SCALAR_STYLE, tag);
      case YamlValue::Kind::Int:
        return scalar(std::to_string(value.as_int()), YAML_PLAIN_SCALAR_STYLE, tag);
      case YamlValue::Kind::UInt:
        return scalar(std::to_string(value.as_uint()), YAML_PLAIN_SCALAR_STYLE, tag);
      case YamlValue::Kind::Float:
        return scalar(format_yaml_float(value.as_float()), YAML_PLAIN_SCALAR_STYLE, tag);
      case YamlValue::Kind::String:
        return string(value.as_string(), is_key, tag);
      case YamlValue::Kind::Sequence:
        if (depth + 1 > kYamlMaxDepth) return fail_depth();
        if (!sequence_start(tag)) return false;
        for (const YamlValue& item : value.as_sequence())
          if (!this->value(item, false, depth + 1)) return false;
        return sequence_end();
      case YamlValue::Kind::Mapping:
        if (depth + 1 > kYamlMaxDepth) return fail_depth();
        if (!mapping_start(tag)) return false;
        for (const auto& [k, v] : value.as_mapping())
          if (!this->value(k, true, depth + 1) || !this->value(v, false, depth + 1)) return false;
        return mapping_end();
      case YamlValue::Kind::Tagged:
        if (tag != nullptr || value.tagged_value().kind() == YamlValue::Kind::Tagged)
          return fail("a value cannot carry two tags");
        return this->value(value.tagged_value(), is_key, depth, &value.tag());
    }
    return fail("unknown value kind");
  }

  std::string take() { return std::move(out_); }
  std::string error() const { return error_; }

  bool fail(std::string text) {
    if (error_.empty()) error_ = std::move(text);
    return false;
  }

 private:
  static int append(void* data, unsigned char* buffer, std::size_t size) {
    static_cast<std::string*>(data)->append(reinterpret_cast<const char*>(buffer), size);
    return 1;
  }

  static yaml_char_t* tag_ptr(const std::string* tag) {
    return tag ? reinterpret_cast<yaml_char_t*>(const_cast<char*>(tag->c_str())) : nullptr;
  }

  bool scalar(std::string_view text, yaml_scalar_style_t style, const std::string* tag) {
    if (!is_valid_text(text)) return fail("string is not valid UTF-8");
    yaml_event_t event;
    int implicit = tag == nullptr;
    if (!yaml_scalar_event_initialize(
            &event, nullptr, tag_ptr(tag),
            reinterpret_cast<yaml_char_t*>(const_cast<char*>(text.data())),
            static_cast<int>(text.size()), implicit, implicit, style))
      return fail_event();
    return emit(event) || fail_event();
  }

  // libyaml refuses text that is not UTF-8 without saying why.
  static bool is_valid_text(std::string_view text) {
    return text.size() <= static_cast<std::size_t>(INT32_MAX) && is_valid_utf8(text);
  }

  bool emit(yaml_event_t& event) { return yaml_emitter_emit(&emitter_, &event) != 0; }

  bool fail_event() {
    if (emitter_.error == YAML_MEMORY_ERROR) return fail("out of memory");
    return fail(emitter_.problem ? emitter_.problem : "the YAML emitter refused the value");
  }

  bool fail_depth() {
    return fail("value nested deeper than " + std::to_string(kYamlMaxDepth) + " levels");
  }

  yaml_emitter_t emitter_;
  bool ok_ = false;
  std::string out_;
  std::string error_;
};

}  // namespace

std::expected<std::string, std::string> write_frontmatter_yaml(const NodeMetadata& metadata) {
  for (std::string_view field : kFieldKeys) {
    if (metadata.extra.contains(std::string(field)))
      return std::unexpected("extra key `" + std::string(field) + "` names a field of the node");
  }
  Emitter emitter;
  bool ok = emitter.begin() && emitter.mapping_start() && emitter.string("id", true) &&
            emitter.string(metadata.id, false) && emitter.string("type", true) &&
            emitter.string(metadata.node_type, false);
  if (ok && metadata.source)
    ok = emitter.string("source", true) && emitter.string(*metadata.source, false);
  if (ok && !metadata.links.empty()) {
    ok = emitter.string("links", true) && emitter.sequence_start();
    for (std::size_t k = 0; ok && k < metadata.links.size(); ++k)
      ok = emitter.string(metadata.links[k], false);
    ok = ok && emitter.sequence_end();
  }
  for (auto it = metadata.extra.begin(); ok && it != metadata.extra.end(); ++it)
    ok = emitter.string(it->first, true) && emitter.value(it->second, false, 1);
  ok = ok && emitter.mapping_end() && emitter.end();
  if (!ok) return std::unexpected(emitter.error());
  std::string text = emitter.take();
  // The frontmatter ends at the first line that starts with "---"; the quoting
  // rules never produce one, and a text that did would be read back wrongly.
  if (text.find("\n---") != std::string::npos)
    return std::unexpected(std::string("a frontmatter line would start with ---"));
  return text;
}

std::expected<std::string, std::string> write_yaml(const YamlValue& value) {
  Emitter emitter;
  if (!(emitter.begin() && emitter.value(value, false, 0) && emitter.end()))
    return std::unexpected(emitter.error());
  return emitter.take();
}

}  // namespace lorewood
