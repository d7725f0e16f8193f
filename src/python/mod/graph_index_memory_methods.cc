// GraphIndex methods for agent memory: recall bundles, typed memory nodes and
// journaled memory batches.
#include <cstddef>
#include <string>
#include <vector>

#include "args.h"
#include "batch/memory_batch_apply.h"
#include "batch/memory_batch_parse.h"
#include "batch/memory_batch_validate.h"
#include "graph_index_class.h"
#include "graph_index_methods.h"
#include "memory/create_memory_node.h"
#include "memory/memory_kind.h"
#include "node_class.h"
#include "quoted_form.h"
#include "recall/recall_bundle.h"
#include "to_python.h"

namespace lorewood::python {
namespace {

// Raises ValueError with `message` whole (a NUL inside it included); returns
// the empty reference to hand back.
PyRef raise_value_error(const std::string& message) {
  const auto size = static_cast<Py_ssize_t>(message.size());
  PyRef text = PyRef::steal(PyUnicode_DecodeUTF8(message.data(), size, "replace"));
  if (text) PyErr_SetObject(PyExc_ValueError, text.get());
  return PyRef();
}

constexpr Signature kRecallBundle{"GraphIndex.recall_bundle", arg::text("node_id"),
                                  arg::text("reason", ""), arg::uint64("body_chars", 1200)};
constexpr Signature kCreateMemoryNode{
    "GraphIndex.create_memory_node", arg::text("node_id"), arg::text("kind"), arg::text("body", ""),
    arg::optional_text_list("links"), arg::optional_text("project"),
    arg::optional_text("source_task"), arg::optional_text("source_session"),
    arg::optional_text("source_tool"), arg::optional_text("extraction_method"),
    arg::optional_floating("confidence"), arg::optional_text("valid_from"),
    arg::optional_text("valid_until"), arg::optional_text("supersedes"),
    arg::optional_text("canonical_id")};

PyObject* recall_bundle(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                        PyObject* kwnames) {
  return shared_index_call(
      self, kRecallBundle, args, nargs, kwnames,
      [](const GraphIndex& index, const std::string& node_id, const std::string& reason,
         std::uint64_t body_chars) -> PyRef {
        Result<RecallBundle> bundle = lorewood::recall_bundle(index, node_id, reason, body_chars);
        if (!bundle) return PyRef::steal(map_err(bundle.error()));
        DictBuilder metadata;
        for (const auto& [key, value] : bundle->metadata)
          metadata.set(std::string_view(key), yaml_value_to_py(value));
        DictBuilder dict;
        dict.set("id", to_py_text(bundle->id))
            .set("type", to_py_text(bundle->node_type))
            .set("summary", to_py_text(bundle->summary))
            .set("body_excerpt", to_py_text(bundle->body_excerpt))
            .set("links", to_py_text_list(bundle->links))
            .set("backlinks", to_py_text_list(bundle->backlinks))
            .set("relevance_reason", to_py_text(bundle->relevance_reason))
            .set("metadata", metadata.finish())
            .set("markdown", to_py_text(bundle->to_markdown()));
        return dict.finish();
      });
}

PyObject* create_memory_node(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
  return exclusive_index_call(
      self, kCreateMemoryNode, args, nargs, kwnames,
      [](GraphIndex& index, std::string& node_id, const std::string& kind, std::string& body,
         std::optional<std::vector<std::string>>& links, std::optional<std::string>& project,
         std::optional<std::string>& source_task, std::optional<std::string>& source_session,
         std::optional<std::string>& source_tool, std::optional<std::string>& extraction_method,
         std::optional<double>& confidence, std::optional<std::string>& valid_from,
         std::optional<std::string>& valid_until, std::optional<std::string>& supersedes,
         std::optional<std::string>& canonical_id) -> PyRef {
        std::optional<MemoryKind> memory_kind = memory_kind_from_name(kind);
        if (!memory_kind) return raise_value_error(unsupported_memory_kind_message(kind));
        MemoryContext context{std::move(project),     std::move(source_task),
                              std::move(source_session), std::move(source_tool),
                              std::move(extraction_method), confidence,
                              std::move(valid_from),  std::move(valid_until),
                              std::move(supersedes),  std::move(canonical_id)};
        Result<Node> node =
            lorewood::create_memory_node(index, std::move(node_id), *memory_kind, std::move(body),
                                         links ? std::move(*links) : std::vector<std::string>{},
                                         context);
        if (!node) return PyRef::steal(map_err(node.error()));
        return new_py_node(std::move(*node));
      });
}

// One record from a dict of text to text, in the dict's order; `position` is
// the record's place in the sequence, for messages.
bool record_from_py(PyObject* item, const char* param, std::size_t position,
                    MemoryBatchRecord& record) {
  if (!PyDict_Check(item)) {
    const std::string got = type_name_of(item);
    PyErr_Format(PyExc_TypeError, "argument '%s': item %zu is %s, expected dict", param, position,
                 got.c_str());
    return false;
  }
  Py_ssize_t cursor = 0;
  PyObject* key = nullptr;
  PyObject* value = nullptr;
  while (PyDict_Next(item, &cursor, &key, &value)) {
    if (!PyUnicode_Check(key)) {
      const std::string got = type_name_of(key);
      PyErr_Format(PyExc_TypeError, "argument '%s': item %zu has a key of type %s, expected str",
                   param, position, got.c_str());
      return false;
    }
    auto& pair = record.emplace_back();
    if (!text_from_py(key, param, pair.first)) return false;
    if (!PyUnicode_Check(value)) {
      const std::string got = type_name_of(value);
      const std::string quoted_key = quoted_form(pair.first);
      PyErr_Format(PyExc_TypeError,
                   "argument '%s': item %zu has a %s value for key %s, expected str", param,
                   position, got.c_str(), quoted_key.c_str());
      return false;
    }
    if (!text_from_py(value, param, pair.second)) return false;
  }
  return true;
}

// A sequence (not a str) of dicts of text to text, converted in sequence order.
bool records_from_py(PyObject* operations, const char* param,
                     std::vector<MemoryBatchRecord>& records) {
  const int is_sequence = is_sequence_not_text(operations);
  if (is_sequence < 0) return false;
  if (is_sequence == 0) {
    raise_argument_type_error(param, "a sequence of dict", operations);
    return false;
  }
  PyRef iterator = PyRef::steal(PyObject_GetIter(operations));
  if (!iterator) return false;
  records.clear();
  while (PyRef item = PyRef::steal(PyIter_Next(iterator.get()))) {
    const std::size_t position = records.size();
    if (!record_from_py(item.get(), param, position, records.emplace_back())) return false;
  }
  return !PyErr_Occurred();
}

// The argument form of `operations`, so that it is converted in parameter
// order (before `preview`) and after the borrow is taken, like every other.
struct BatchRecordsForm {
  using value_type = std::vector<MemoryBatchRecord>;
  using default_type = std::nullptr_t;
  static value_type from_default(default_type) { return {}; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    return records_from_py(o, name, out);
  }
};

constexpr Param<BatchRecordsForm> batch_records(const char* name) { return {name, true, nullptr}; }

constexpr Signature kApplyMemoryBatch{"GraphIndex.apply_memory_batch",
                                      batch_records("operations"), arg::boolean("preview", false)};

PyObject* apply_memory_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
  return exclusive_index_call(
      self, kApplyMemoryBatch, args, nargs, kwnames,
      [](GraphIndex& index, const std::vector<MemoryBatchRecord>& records, bool preview) -> PyRef {
        auto parsed = parse_memory_batch(records);
        if (!parsed) {
          return raise_value_error(
              parsed.error().message([](std::string_view text) { return quoted_form(text); }));
        }
        DictBuilder dict;
        dict.set("ok", to_py_bool(true)).set("preview", to_py_bool(preview));
        if (preview) {
          if (Status valid = validate_memory_batch(index, *parsed); !valid)
            return PyRef::steal(map_err(valid.error()));
          dict.set("operations", to_py_uint(parsed->size()));
          return dict.finish();
        }
        Result<std::vector<std::string>> applied = lorewood::apply_memory_batch(index, *parsed);
        if (!applied) return PyRef::steal(map_err(applied.error()));
        dict.set("applied", to_py_text_list(*applied));
        return dict.finish();
      });
}

constexpr int kFast = METH_FASTCALL | METH_KEYWORDS;

const PyMethodDef kMethods[] = {
    {"recall_bundle", fastcall(recall_bundle), kFast,
     "recall_bundle($self, node_id, reason=\"\", body_chars=1200)\n--\n\n"},
    {"create_memory_node", fastcall(create_memory_node), kFast,
     "create_memory_node($self, node_id, kind, body=\"\", links=None, project=None, "
     "source_task=None, source_session=None, source_tool=None, extraction_method=None, "
     "confidence=None, valid_from=None, valid_until=None, supersedes=None, canonical_id=None)"
     "\n--\n\n"},
    {"apply_memory_batch", fastcall(apply_memory_batch), kFast,
     "apply_memory_batch($self, operations, preview=False)\n--\n\n"},
};

}  // namespace

std::span<const PyMethodDef> graph_index_memory_methods() { return kMethods; }

}  // namespace lorewood::python
