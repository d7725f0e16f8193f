// The Python class ResolvedContent.
#include "resolved_content_class.h"

#include <string>

#include "errors.h"
#include "quoted_form.h"
#include "to_python.h"

namespace lorewood::python {
namespace {

constexpr char kDoc[] =
    "Content returned when reading a node in Python.\n"
    "\n"
    "`kind` is one of ``\"local\"``, ``\"text\"``, or ``\"external_asset\"``.\n"
    "Use `.to_markdown()` to get a human/agent-friendly string regardless of kind.";

const ResolvedContent& content_of(PyObject* self) { return ResolvedContentClass::value(self); }
const ExternalAsset* asset_of(PyObject* self) { return content_of(self).asset(); }

PyRef text_or_none(const std::string* text) { return text ? to_py_text(*text) : to_py_none(); }

PyObject* to_markdown(PyObject* self, PyObject*) {
  return guarded([&] { return to_py_text(content_of(self).to_markdown()).release(); });
}

PyMethodDef kMethods[] = {
    {"to_markdown", to_markdown, METH_NOARGS,
     "to_markdown($self)\n--\n\nMarkdown-friendly summary suitable for agent consumption."},
    {nullptr, nullptr, 0, nullptr},
};

PyObject* get_kind(PyObject* self, void*) {
  return guarded([&] { return to_py_text(content_of(self).kind_name()).release(); });
}
PyObject* get_body(PyObject* self, void*) {
  return guarded([&] { return text_or_none(content_of(self).body()).release(); });
}
PyObject* get_uri(PyObject* self, void*) {
  return guarded([&] { return text_or_none(content_of(self).uri()).release(); });
}
PyObject* get_format(PyObject* self, void*) {
  return guarded([&] {
    const ExternalAsset* asset = asset_of(self);
    return text_or_none(asset ? &asset->format : nullptr).release();
  });
}
PyObject* get_size_bytes(PyObject* self, void*) {
  return guarded([&] {
    const ExternalAsset* asset = asset_of(self);
    return (asset && asset->size_bytes ? to_py_uint(*asset->size_bytes) : to_py_none()).release();
  });
}
PyObject* get_parquet_magic_valid(PyObject* self, void*) {
  return guarded([&] {
    const ExternalAsset* asset = asset_of(self);
    return (asset && asset->parquet_magic_valid ? to_py_bool(*asset->parquet_magic_valid)
                                                : to_py_none())
        .release();
  });
}
PyObject* get_snippet(PyObject* self, void*) {
  return guarded([&] {
    const ExternalAsset* asset = asset_of(self);
    return (asset && asset->snippet ? to_py_text(*asset->snippet) : to_py_none()).release();
  });
}

PyGetSetDef kGetSets[] = {
    {"kind", get_kind, nullptr,
     "One of ``\"local\"``, ``\"text\"``, or ``\"external_asset\"``.", nullptr},
    {"body", get_body, nullptr,
     "The markdown body for ``\"local\"`` and ``\"text\"`` content; ``None`` for external assets.",
     nullptr},
    {"uri", get_uri, nullptr,
     "The external URI for ``\"text\"`` and ``\"external_asset\"`` content; ``None`` for local.",
     nullptr},
    {"format", get_format, nullptr,
     "The detected format for ``\"external_asset\"`` content (e.g. ``\"parquet\"``); ``None`` "
     "otherwise.",
     nullptr},
    {"size_bytes", get_size_bytes, nullptr, "Size in bytes of the external asset, if known.",
     nullptr},
    {"parquet_magic_valid", get_parquet_magic_valid, nullptr,
     "Whether the Parquet magic header is valid (external Parquet assets only).", nullptr},
    {"snippet", get_snippet, nullptr, "Optional text snippet for external assets.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* content_repr(PyObject* self) {
  return guarded([&]() -> PyObject* {
    const ResolvedContent& content = content_of(self);
    std::string text;
    switch (content.kind()) {
      case ContentKind::Local:
        text = "ResolvedContent(kind='local', body_len=" + std::to_string(content.body()->size()) + ")";
        break;
      case ContentKind::Text:
        text = "ResolvedContent(kind='text', uri=" + quoted_form(*content.uri()) +
               ", body_len=" + std::to_string(content.body()->size()) + ")";
        break;
      case ContentKind::ExternalAsset:
        text = "ResolvedContent(kind='external_asset', uri=" + quoted_form(content.asset()->uri) +
               ", format=" + quoted_form(content.asset()->format) + ")";
        break;
    }
    return to_py_text(text).release();
  });
}

}  // namespace

PyObject* create_resolved_content_class(PyObject* module) {
  return ResolvedContentClass::create(
      module, {.name = "_lorewood.ResolvedContent",
               .doc = kDoc,
               .methods = kMethods,
               .getsets = kGetSets,
               .slots = {{Py_tp_repr, reinterpret_cast<void*>(content_repr)}}});
}

}  // namespace lorewood::python
