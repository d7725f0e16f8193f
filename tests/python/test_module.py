"""The module frame, its exception, argument rules, GraphIndex and Node."""
from __future__ import annotations

import inspect
import math
import os
import subprocess
import sys
import textwrap
import unicodedata
import weakref
from pathlib import Path

import pytest

import _lorewood

NAMES = [
    "LorewoodError", "ResolvedConfig", "GraphIndex", "Node", "TraversalNode",
    "TraversalResult", "ResolvedContent", "NodeWithContent", "LakehouseReader",
    "load_config", "open_index",
]
CLASSES = [
    _lorewood.GraphIndex, _lorewood.Node, _lorewood.TraversalNode, _lorewood.TraversalResult,
    _lorewood.ResolvedConfig, _lorewood.LakehouseReader, _lorewood.ResolvedContent,
    _lorewood.NodeWithContent,
]


# ---- Module frame ----

def test_module_exports_names_in_order():
    assert _lorewood.__all__ == NAMES
    module_names = [name for name in vars(_lorewood) if name in NAMES]
    assert module_names == NAMES
    assert not hasattr(_lorewood, "PyLorewoodError")
    assert _lorewood.__doc__ == ""


def test_exception_class():
    error = _lorewood.LorewoodError
    assert (error.__name__, error.__qualname__, error.__module__) == (
        "PyLorewoodError", "PyLorewoodError", "_lorewood")
    assert error.__bases__ == (Exception,)
    assert error.__doc__ is None


def test_core_error_carries_only_the_message(tmp_path):
    with pytest.raises(_lorewood.LorewoodError) as caught:
        _lorewood.open_index(str(tmp_path / "missing"))
    message = f"graph index error: graph root {tmp_path / 'missing'} does not exist or is not a directory"
    assert caught.value.args == (message,)
    assert str(caught.value) == message


@pytest.mark.parametrize("cls", CLASSES, ids=lambda c: c.__name__)
def test_classes_cannot_be_instantiated_or_subclassed(cls):
    with pytest.raises(TypeError):
        cls()
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})
    with pytest.raises((TypeError, AttributeError)):
        cls.extra = 1


def test_class_docstrings():
    for cls in (_lorewood.GraphIndex, _lorewood.Node, _lorewood.TraversalNode,
                _lorewood.TraversalResult, _lorewood.ResolvedConfig):
        assert cls.__doc__ is None
    assert _lorewood.LakehouseReader.__doc__.startswith(
        "Reads node content according to the configured storage mode.\n\n")
    assert _lorewood.LakehouseReader.__doc__.endswith("    print(result.content.to_markdown())")
    assert _lorewood.NodeWithContent.__doc__ == (
        "A graph node paired with its resolved external content.\n\n"
        "Access the raw node via `.node` and the resolved content via `.content`.")
    assert _lorewood.ResolvedContent.__doc__.splitlines()[2] == (
        '`kind` is one of ``"local"``, ``"text"``, or ``"external_asset"``.')


@pytest.mark.parametrize("function, signature", [
    (_lorewood.open_index, "(root_path)"),
    (_lorewood.load_config, "(path)"),
    (_lorewood.GraphIndex.open, "(root_path)"),
    (_lorewood.GraphIndex.list_nodes, "(self, /)"),
    (_lorewood.GraphIndex.read_node, "(self, /, node_id)"),
    (_lorewood.Node.to_dict, "(self, /)"),
    (_lorewood.Node.to_markdown, "(self, /)"),
])
def test_text_signatures(function, signature):
    assert str(inspect.signature(function)) == signature


@pytest.mark.parametrize("cls, name", [
    (_lorewood.GraphIndex, "root_path"),
    *[(_lorewood.Node, n) for n in ("id", "node_type", "source", "links", "body", "relative_path")],
])
def test_properties_are_read_only_with_empty_doc(graph, cls, name):
    assert vars(cls)[name].__doc__ == ""
    graph.node("a.md", "a")
    index = graph.open()
    instance = index if cls is _lorewood.GraphIndex else index.read_node("a")
    with pytest.raises(AttributeError):
        setattr(instance, name, "x")


def test_instances_have_no_dict_or_weakref_and_compare_by_identity(graph):
    graph.node("a.md", "a")
    index = graph.open()
    first, second = index.read_node("a"), index.read_node("a")
    for instance in (index, first):
        assert not hasattr(instance, "__dict__")
        with pytest.raises(AttributeError):
            instance.anything = 1
        with pytest.raises(TypeError):
            weakref.ref(instance)
    assert first != second and first == first
    assert hash(first) != hash(second)


def test_load_config_takes_text_only():
    with pytest.raises(TypeError, match="^argument 'path'"):
        _lorewood.load_config(1)


def run_python(code: str) -> subprocess.CompletedProcess:
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True,
                          text=True, env=os.environ.copy(), check=False)


def test_repeated_init_returns_the_first_module():
    result = run_python("""
        import importlib, sys
        import _lorewood as first
        del sys.modules["_lorewood"]
        second = importlib.import_module("_lorewood")
        assert second is first and second.GraphIndex is first.GraphIndex
        print("ok")
    """)
    assert result.stdout.strip() == "ok", result.stderr


def test_import_in_a_second_interpreter_fails_with_import_error(tmp_path):
    pytest.importorskip("_testcapi")
    out = tmp_path / "out.txt"
    inner = tmp_path / "inner.py"
    inner.write_text(textwrap.dedent(f"""\
        try:
            import _lorewood
            result = "imported"
        except ImportError as error:
            result = "ImportError: " + str(error)
        open({str(out)!r}, "w").write(result)
    """))
    result = run_python(f"""
        import _testcapi
        import _lorewood
        _testcapi.run_in_subinterp(open({str(inner)!r}).read())
    """)
    assert result.returncode == 0, result.stderr
    assert out.read_text().startswith("ImportError: ")


# ---- Arguments ----

def test_text_argument_accepts_only_str(graph):
    with pytest.raises(TypeError, match="^argument 'root_path'"):
        _lorewood.open_index(graph.root)  # a path object
    with pytest.raises(TypeError, match="^argument 'root_path'"):
        _lorewood.open_index(os.fsencode(graph.root))
    with pytest.raises(TypeError, match="^argument 'root_path'"):
        _lorewood.open_index(None)

    class Text(str):
        pass

    assert len(_lorewood.open_index(Text(graph.root))) == 0
    assert len(_lorewood.GraphIndex.open(root_path=str(graph.root))) == 0


def test_text_with_lone_surrogate_raises_unicode_encode_error(graph):
    with pytest.raises(UnicodeEncodeError):
        _lorewood.open_index(str(graph.root) + "\udcff")
    index = graph.open()
    with pytest.raises(UnicodeEncodeError):
        index.read_node("\ud800")


@pytest.mark.parametrize("call, message", [
    (lambda: _lorewood.open_index(), "open_index() missing 1 required positional argument: 'root_path'"),
    (lambda: _lorewood.open_index("a", "b"), "open_index() takes 1 positional argument but 2 were given"),
    (lambda: _lorewood.open_index(root="a"), "open_index() got an unexpected keyword argument 'root'"),
    (lambda: _lorewood.open_index("a", root_path="a"),
     "open_index() got multiple values for argument 'root_path'"),
    (lambda: _lorewood.GraphIndex.open(), "GraphIndex.open() missing 1 required positional argument: 'root_path'"),
])
def test_argument_count_errors(call, message):
    with pytest.raises(TypeError) as caught:
        call()
    assert str(caught.value) == message


def test_method_argument_errors_run_no_core_work(graph):
    index = graph.open()
    with pytest.raises(TypeError, match="^argument 'node_id'"):
        index.read_node(1)
    with pytest.raises(TypeError):
        index.read_node()
    with pytest.raises(TypeError):
        index.list_nodes(1)
    assert index.read_node.__self__ is index


# ---- GraphIndex ----

def test_empty_index(graph):
    index = graph.open()
    assert len(index) == 0
    assert not index
    assert index.list_nodes() == []
    assert repr(index) == f'GraphIndex(root_path="{graph.root}", nodes=0)'
    assert index.root_path == str(graph.root)
    with pytest.raises(TypeError):
        iter(index)


def test_open_and_open_index_agree(graph):
    graph.node("a.md", "a")
    via_class = _lorewood.GraphIndex.open(str(graph.root))
    via_function = _lorewood.open_index(str(graph.root))
    assert type(via_class) is type(via_function) is _lorewood.GraphIndex
    assert via_class.list_nodes() == via_function.list_nodes() == ["a"]
    assert via_class is not via_function


def test_open_failures(graph, tmp_path):
    file_root = graph.file("plain.txt", "x")
    with pytest.raises(_lorewood.LorewoodError) as caught:
        _lorewood.open_index(str(file_root))
    assert str(caught.value) == (
        f"graph index error: graph root {file_root} does not exist or is not a directory")

    first = graph.node("a.md", "same")
    graph.node("b.md", "same")
    with pytest.raises(_lorewood.LorewoodError, match="^duplicate node id same: ") as caught:
        graph.open()
    assert sorted(str(caught.value).split(": ", 1)[1].split(" and ")) == ["a.md", "b.md"]
    first.unlink()

    bad = graph.file("bad.md", "no frontmatter\n")
    with pytest.raises(_lorewood.LorewoodError) as caught:
        graph.open()
    assert str(caught.value) == (
        f"node parse error at {bad}: node at {bad} must start with YAML frontmatter delimited by ---")


def test_list_nodes_sorted_by_bytes(graph):
    ids = ["b", "a", "B", "\u00e9", "z", "a b", "\U0001f600", "\uff21"]
    for number, node_id in enumerate(ids):
        graph.node(f"n{number}.md", node_id)
    index = graph.open()
    assert len(index) == len(ids) and bool(index)
    listed = index.list_nodes()
    assert listed == sorted(ids, key=lambda s: s.encode())
    listed.append("extra")
    assert len(index.list_nodes()) == len(ids)


def test_read_node_missing_raises_node_not_found(graph):
    index = graph.open()
    with pytest.raises(_lorewood.LorewoodError) as caught:
        index.read_node("missing")
    assert str(caught.value) == "node missing not found"


def test_read_node_reads_the_current_file_and_returns_a_snapshot(graph):
    path = graph.node("sub/dir/a.md", "a", body="first\n")
    index = graph.open()
    node = index.read_node("a")
    assert (node.id, node.node_type, node.body, node.relative_path) == (
        "a", "note", "first\n", "sub/dir/a.md")
    path.write_text(graph.node_text("a", body="second\n"))
    assert index.read_node("a").body == "second\n"
    assert node.body == "first\n"
    path.unlink()
    with pytest.raises(_lorewood.LorewoodError, match="^failed to read node at "):
        index.read_node("a")


def test_paths_are_shown_in_display_form(graph):
    graph.node(b"bad-\xff.md", "a")
    node = graph.open().read_node("a")
    assert node.relative_path == "bad-\ufffd.md"
    assert node.to_dict()["relative_path"] == "bad-\ufffd.md"


def test_repr_uses_quoted_form(graph, tmp_path):
    root = tmp_path / 'odd "root" \\ dir'
    root.mkdir()
    (root / "a.md").write_text(graph.node_text("line\nbreak", node_type="it's"))
    index = _lorewood.open_index(str(root))
    quoted_root = str(root).replace("\\", "\\\\").replace('"', '\\"')
    assert repr(index) == f'GraphIndex(root_path="{quoted_root}", nodes=1)'
    assert repr(index.read_node("line\nbreak")) == 'Node(id="line\\nbreak", type="it\'s")'


# ---- Quoted form ----

@pytest.mark.parametrize("text, shown", [
    ("plain", "plain"),
    ("tab\there", "tab\\there"),
    ("cr\rlf\n", "cr\\rlf\\n"),
    ("nul\0", "nul\\0"),
    ('q"b\\', 'q\\"b\\\\'),
    ("it's", "it's"),
    ("caf\u00e9 \U0001f600", "caf\u00e9 \U0001f600"),
    ("e\u0301", "e\\u{301}"),          # combining acute accent (Mn)
    ("\u20dd", "\\u{20dd}"),           # enclosing circle (Me)
    ("\uff9e", "\\u{ff9e}"),           # Other_Grapheme_Extend, not a mark
    ("\u09be", "\\u{9be}"),            # spacing mark that extends graphemes
    ("\u0903", "\u0903"),              # spacing mark that does not
    ("\x7f\x85", "\\u{7f}\\u{85}"),    # controls
    ("\u00a0\u3000", "\\u{a0}\\u{3000}"),  # spaces other than U+0020
    ("\u200b\u200d\ufeff", "\\u{200b}\\u{200d}\\u{feff}"),  # format characters
    ("\u2028\u2029", "\\u{2028}\\u{2029}"),
    ("\ue000\U0010fffd", "\\u{e000}\\u{10fffd}"),  # private use
    ("\u0378\U0010ffff", "\\u{378}\\u{10ffff}"),   # unassigned
])
def test_quoted_form_of_node_ids(graph, text, shown):
    graph.node("a.md", "x" + text)
    assert repr(graph.open().read_node("x" + text)) == f'Node(id="x{shown}", type="note")'


OTHER_GRAPHEME_EXTEND = {
    0x9BE, 0x9D7, 0xB3E, 0xB57, 0xBBE, 0xBD7, 0xCC2, 0xCD5, 0xCD6, 0xD3E, 0xD57, 0xDCF, 0xDDF,
    0x1B35, 0x200C, 0x302E, 0x302F, 0xFF9E, 0xFF9F, 0x1133E, 0x11357, 0x114B0, 0x114BD, 0x115AF,
    0x11930, 0x1D165, *range(0x1D16E, 0x1D173), *range(0xE0020, 0xE0080),
}


def reference_quoted(text: str) -> str:
    simple = {"\\": "\\\\", '"': '\\"', "\0": "\\0", "\t": "\\t", "\r": "\\r", "\n": "\\n"}
    out = []
    for ch in text:
        if ch in simple:
            out.append(simple[ch])
        elif (not ch.isprintable() or unicodedata.category(ch) in ("Mn", "Me")
              or ord(ch) in OTHER_GRAPHEME_EXTEND):
            out.append(f"\\u{{{ord(ch):x}}}")
        else:
            out.append(ch)
    return '"' + "".join(out) + '"'


@pytest.mark.skipif(unicodedata.unidata_version != "14.0.0",
                    reason="the escape table is generated from Unicode 14.0.0")
def test_quoted_form_of_every_code_point(graph):
    text = "x" + "".join(chr(c) for c in range(1, 0x110000) if not 0xD800 <= c < 0xE000)
    graph.node("all.md", text)
    shown = repr(graph.open().read_node(text))
    assert shown == f"Node(id={reference_quoted(text)}, type=\"note\")"


# ---- Node ----

def test_node_properties_and_to_dict_without_source(graph):
    graph.node("a.md", "a", node_type="fact", body="Body [[b]]\n",
               frontmatter="links:\n- b\n- c\n")
    node = graph.open().read_node("a")
    assert node.source is None
    assert node.links == ["b", "c"]
    assert node.to_dict() == {"id": "a", "type": "fact", "links": ["b", "c"],
                              "body": "Body [[b]]\n", "relative_path": "a.md"}
    assert "source" not in node.to_dict()


@pytest.mark.parametrize("key", ["source", "source_uri"])
def test_node_source(graph, key):
    graph.node("a.md", "a", frontmatter=f"{key}: s3://bucket/key\n")
    node = graph.open().read_node("a")
    assert node.source == "s3://bucket/key"
    assert list(node.to_dict()) == ["id", "type", "source", "links", "body", "relative_path"]


def test_results_are_new_objects(graph):
    graph.node("a.md", "a", frontmatter="links: [b]\ntags: [x]\n")
    node = graph.open().read_node("a")
    first = node.links
    first.append("zzz")
    assert node.links == ["b"] and node.links is not node.links
    as_dict = node.to_dict()
    as_dict["tags"].append("y")
    assert node.to_dict()["tags"] == ["x"]


def test_to_dict_converts_frontmatter_values(graph):
    graph.node("a.md", "a", body="text", frontmatter=textwrap.dedent("""\
        zeta: last
        count: 3
        big: 18446744073709551615
        small: -9223372036854775808
        ratio: .inf
        low: -.inf
        nan: .nan
        half: 0.5
        flag: true
        nothing: null
        tags: [a, b]
        meta: {1: one, true: yes, null: none, [1]: seq, {a: 1}: map, !t k: tagged}
        numbers: {1.5: a, .nan: b, -.inf: c, 0x10: d, 1: int, "1": str, false: f}
        secret: !vault [ !inner 7 ]
        nested: {a: [{b: [1, {c: null}]}]}
        body: shadowed
        relative_path: shadowed
        alpha: first
    """))
    result = graph.open().read_node("a").to_dict()
    assert list(result) == [
        "id", "type", "links", "alpha", "big", "body", "count", "flag", "half", "low", "meta",
        "nan", "nested", "nothing", "numbers", "ratio", "relative_path", "secret", "small",
        "tags", "zeta",
    ]
    assert result["count"] == 3 and type(result["count"]) is int
    assert result["big"] == 2**64 - 1
    assert result["small"] == -2**63
    assert result["ratio"] == math.inf and result["low"] == -math.inf
    assert math.isnan(result["nan"]) and result["half"] == 0.5
    assert result["flag"] is True and result["nothing"] is None
    assert result["tags"] == ["a", "b"]
    assert result["meta"] == {"1": "one", "true": "yes"}
    assert result["numbers"] == {"1.5": "a", ".nan": "b", "-.inf": "c", "16": "d", "1": "str",
                                 "false": "f"}
    assert list(result["numbers"]) == ["1.5", ".nan", "-.inf", "16", "1", "false"]
    assert result["secret"] == [7]
    assert result["nested"] == {"a": [{"b": [1, {"c": None}]}]}
    assert result["body"] == "text"
    assert result["relative_path"] == "a.md"


def test_float_keys_use_shortest_round_trip_text(graph):
    graph.node("a.md", "a", frontmatter="m: {0.1: a, 1.0e+20: b, 2.5e-8: c, 3.0: d}\n")
    keys = list(graph.open().read_node("a").to_dict()["m"])
    assert [float(k) for k in keys] == [0.1, 1e20, 2.5e-8, 3.0]
    assert keys[0] == "0.1" and keys[3] == "3"


def test_to_markdown_is_the_node_file_text(graph):
    text = "---\nid: a\ntype: note\nlinks:\n- b\nextra: 1\n---\nBody line\n"
    graph.file("a.md", text)
    node = graph.open().read_node("a")
    assert node.to_markdown() == text
    graph.file("copy.md", node.to_markdown().replace("id: a", "id: copy"))
    copy = graph.open().read_node("copy").to_dict()
    assert {**copy, "id": "a", "relative_path": "a.md"} == node.to_dict()


def test_repr_of_node(graph):
    graph.node("a.md", "a", node_type="memory")
    assert repr(graph.open().read_node("a")) == 'Node(id="a", type="memory")'


def test_yaml_quote_helper_round_trips_every_kind_of_character(graph):
    # Guards the fixture the quoted-form tests rely on.
    text = "a\"\\\x01\u00e9\U0001f600"
    assert graph.yaml_quote(text) == '"a\\"\\\\\\u0001\\u00e9\\U0001f600"'
    graph.node("a.md", text)
    assert graph.open().list_nodes() == [text]
