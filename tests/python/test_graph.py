"""Graph reads from Python: traverse, backlinks, TraversalResult, TraversalNode."""
from __future__ import annotations

import inspect

import pytest

import _lorewood


@pytest.fixture
def diamond(graph):
    """a -> b, c; b -> d; c -> d (d is reached first through b)."""
    graph.node("a.md", "a", body="[[c]]\n", frontmatter="links:\n- b\n")
    graph.node("b.md", "b", body="[[d]]\n")
    graph.node("c.md", "c", node_type="task", body="[[d]] [[missing]]\n")
    graph.node("sub/d.md", "d")
    return graph


@pytest.fixture
def chain(diamond):
    return diamond.open()


def walk(result):
    return [(n.id, n.depth, n.path) for n in result.nodes]


def test_traverse_defaults_and_orders(chain):
    default = chain.traverse("a")
    assert walk(default) == walk(chain.traverse("a", 2, "bfs"))
    assert (default.start, default.order, default.max_depth) == ("a", "bfs", 2)
    assert walk(default) == [("a", 0, ["a"]), ("b", 1, ["a", "b"]), ("c", 1, ["a", "c"]),
                             ("d", 2, ["a", "b", "d"])]
    dfs = chain.traverse(from_id="a", order="DFS", depth=3)
    assert (dfs.order, dfs.max_depth) == ("dfs", 3)
    assert [n.id for n in dfs.nodes] == ["a", "b", "d", "c"]
    assert chain.traverse("a", order="bFs").order == "bfs"
    zero = chain.traverse("a", depth=0)
    assert zero.max_depth == 0 and walk(zero) == [("a", 0, ["a"])]
    top = chain.traverse("a", 2**32 - 1, "dfs")
    assert top.max_depth == 2**32 - 1 and len(top.nodes) == 4


def link_graph(graph, edges):
    for source, targets in edges.items():
        links = "".join(f"- {t}\n" for t in targets)
        graph.node(f"{source}.md", source, frontmatter=f"links:\n{links}" if targets else "")
    return graph.open()


@pytest.mark.parametrize("edges, depth, order, expected", [
    # c is first reached at the limit through b, so depth-first never expands it.
    ({"a": ["b", "c"], "b": ["c"], "c": ["d"], "d": []}, 2, "bfs",
     [("a", 0, ["a"]), ("b", 1, ["a", "b"]), ("c", 1, ["a", "c"]), ("d", 2, ["a", "c", "d"])]),
    ({"a": ["b", "c"], "b": ["c"], "c": ["d"], "d": []}, 2, "dfs",
     [("a", 0, ["a"]), ("b", 1, ["a", "b"]), ("c", 2, ["a", "b", "c"])]),
    ({"a": ["b"], "b": ["a"]}, 5, "dfs", [("a", 0, ["a"]), ("b", 1, ["a", "b"])]),
    ({"a": ["b"], "b": ["a"]}, 5, "bfs", [("a", 0, ["a"]), ("b", 1, ["a", "b"])]),
    ({"a": ["a", "nowhere"]}, 3, "bfs", [("a", 0, ["a"])]),
    ({"a": ["b"], "b": ["c"], "c": []}, 1, "dfs", [("a", 0, ["a"]), ("b", 1, ["a", "b"])]),
])
def test_walk_order_and_depth_limit(graph, edges, depth, order, expected):
    assert walk(link_graph(graph, edges).traverse("a", depth, order)) == expected


@pytest.mark.parametrize("kwargs, error, message", [
    ({"depth": -1}, OverflowError, "argument 'depth'"),
    ({"depth": 2**32}, OverflowError, "argument 'depth'"),
    ({"depth": None}, TypeError, "argument 'depth'"),
    ({"depth": 1.0}, TypeError, "argument 'depth'"),
    ({"order": None}, TypeError, "argument 'order'"),
    ({"order": b"bfs"}, TypeError, "argument 'order'"),
])
def test_traverse_argument_refusals(chain, kwargs, error, message):
    with pytest.raises(error) as caught:
        chain.traverse("a", **kwargs)
    assert str(caught.value).startswith(message)
    with pytest.raises(TypeError, match="^argument 'from_id'"):
        chain.traverse(None)


@pytest.mark.parametrize("order, shown", [
    ("XY", '"xy"'),
    (" bfs", '" bfs"'),
    ("bfs ", '"bfs "'),
    ("", '""'),
    # Only A to Z are lowered; the rest is shown in quoted form.
    ("\u00c9B\tS", '"\u00c9b\\ts"'),
    ('D"F\u0301', '"d\\"f\\u{301}"'),
])
def test_bad_order_message(chain, order, shown):
    with pytest.raises(ValueError) as caught:
        chain.traverse("a", order=order)
    assert str(caught.value) == "order must be 'bfs' or 'dfs', got " + shown


def test_unknown_start_and_order_precedence(chain):
    for order in ("bfs", "dfs"):
        with pytest.raises(_lorewood.LorewoodError, match="^node zz not found$"):
            chain.traverse("zz", 0, order)
    with pytest.raises(_lorewood.LorewoodError, match="^node  a not found$"):
        chain.traverse(" a")
    # The order is parsed before the start is looked up.
    with pytest.raises(ValueError):
        chain.traverse("zz", order="no")


def test_report_text(chain):
    assert chain.traverse("a", depth=1).to_markdown(chain) == (
        "# Lorewood Traversal Report\n\n"
        "- **Start:** `a`\n- **Max depth:** 1\n- **Order:** BFS\n- **Nodes reached:** 3\n\n"
        "## Nodes\n\n"
        "### a (depth 0)\n\n- **Type:** note\n- **Path:** a\n- **File:** `a.md`\n\n"
        "### b (depth 1)\n\n- **Type:** note\n- **Path:** a \u2192 b\n- **File:** `b.md`\n\n"
        "### c (depth 1)\n\n- **Type:** task\n- **Path:** a \u2192 c\n- **File:** `c.md`\n\n")
    assert chain.traverse("b", depth=0).to_markdown(index=chain) == (
        "# Lorewood Traversal Report\n\n"
        "- **Start:** `b`\n- **Max depth:** 0\n- **Order:** BFS\n- **Nodes reached:** 1\n\n"
        "## Nodes\n\n"
        "### b (depth 0)\n\n- **Type:** note\n- **Path:** b\n- **File:** `b.md`\n\n")
    result = chain.traverse("a")
    for bad in ("not an index", None, result):
        with pytest.raises(TypeError, match="^argument 'index'"):
            result.to_markdown(bad)
    with pytest.raises(TypeError):
        result.to_markdown()


def test_result_is_a_snapshot_rendered_against_the_given_index(diamond):
    first = diamond.open()
    result = first.traverse("a", 3, "dfs")
    second = diamond.open()
    second.delete_node("b")
    second.update_node("c", "no links now\n")
    # The result still holds the walk it made.
    assert walk(result) == [("a", 0, ["a"]), ("b", 1, ["a", "b"]), ("d", 2, ["a", "b", "d"]),
                            ("c", 1, ["a", "c"])]
    head = ("# Lorewood Traversal Report\n\n"
            "- **Start:** `a`\n- **Max depth:** 3\n- **Order:** DFS\n- **Nodes reached:** 4\n\n"
            "## Nodes\n\n"
            "### a (depth 0)\n\n- **Type:** note\n- **Path:** a\n- **File:** `a.md`\n\n")
    tail = ("### d (depth 2)\n\n- **Type:** note\n- **Path:** a \u2192 b \u2192 d\n"
            "- **File:** `sub/d.md`\n\n"
            "### c (depth 1)\n\n- **Type:** task\n- **Path:** a \u2192 c\n- **File:** `c.md`\n\n")
    # The index it ran on still holds b; the other one no longer does.
    assert result.to_markdown(first) == (
        head + "### b (depth 1)\n\n- **Type:** note\n- **Path:** a \u2192 b\n- **File:** `b.md`\n\n"
        + tail)
    assert result.to_markdown(second) == (
        head + "### b (depth 1)\n\n- **Type:** unknown\n- **Path:** a \u2192 b\n\n" + tail)


def test_repr_and_members(graph):
    start = 'say "hi"\t\u0301\u00e9'
    graph.node("q.md", start, frontmatter="links:\n- r\n")
    graph.node("r.md", "r")
    index = graph.open()
    result = index.traverse(start)
    assert repr(result) == 'TraversalResult(start="say \\"hi\\"\\t\\u{301}\u00e9", nodes=2)'
    assert result.start == start
    first, again = result.nodes, result.nodes
    assert first is not again and first[1] is not again[1]
    assert [(n.id, n.depth, n.path) for n in first] == [(n.id, n.depth, n.path) for n in again]
    assert first[1].path is not first[1].path
    node = first[1]
    assert type(node) is _lorewood.TraversalNode
    assert repr(node).startswith("<_lorewood.TraversalNode object at 0x")
    assert (type(result.max_depth), type(node.depth)) == (int, int)


@pytest.mark.parametrize("cls, names", [
    (_lorewood.TraversalResult, ("start", "order", "max_depth", "nodes")),
    (_lorewood.TraversalNode, ("id", "depth", "path")),
])
def test_properties_are_read_only_with_empty_doc(chain, cls, names):
    result = chain.traverse("a")
    instance = result if cls is _lorewood.TraversalResult else result.nodes[0]
    for name in names:
        assert vars(cls)[name].__doc__ == ""
        with pytest.raises(AttributeError):
            setattr(instance, name, None)


@pytest.mark.parametrize("method, signature", [
    (_lorewood.GraphIndex.traverse, "(self, /, from_id, depth=2, order='bfs')"),
    (_lorewood.GraphIndex.backlinks, "(self, /, node_id)"),
    (_lorewood.GraphIndex.create_node, "(self, /, node_id, node_type='note', body='', links=None)"),
    (_lorewood.GraphIndex.delete_node, "(self, /, node_id)"),
    (_lorewood.GraphIndex.merge_nodes, "(self, /, target_id, source_id)"),
    (_lorewood.GraphIndex.update_file, "(self, /, path)"),
    (_lorewood.GraphIndex.update_node, "(self, /, node_id, body)"),
    (_lorewood.GraphIndex.suppress_node, "(self, /, node_id, reason=None)"),
    (_lorewood.GraphIndex.unsuppress_node, "(self, /, node_id)"),
    (_lorewood.TraversalResult.to_markdown, "(self, /, index)"),
])
def test_signatures_and_docstrings(method, signature):
    assert str(inspect.signature(method)) == signature
    assert method.__doc__ is None  # nothing follows the text signature


def test_backlinks(graph):
    graph.node("t.md", "t", frontmatter="links:\n- ' s '\n- my note\n- t\n")
    graph.node("s.md", "s")
    graph.node("notes/my note.md", "my-note", body="[[t]] [[s]] [[t]]\n")
    graph.node("a.md", "a", body="[[t]]\n")
    graph.node("alone.md", "alone")
    index = graph.open()
    # Ascending, each once, a self-link included; trimmed ids and file stems resolve.
    assert index.backlinks("t") == ["a", "my-note", "t"]
    assert index.backlinks("s") == ["my-note", "t"]
    assert index.backlinks("my-note") == ["t"]
    assert index.backlinks("alone") == []
    assert index.backlinks("t") is not index.backlinks("t")
    for missing in ("zz", " t", "my note"):
        with pytest.raises(_lorewood.LorewoodError, match=f"^node {missing} not found$"):
            index.backlinks(missing)
    with pytest.raises(TypeError, match="^argument 'node_id'"):
        index.backlinks(1)
