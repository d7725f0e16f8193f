"""Graph methods: traversal, backlinks and node mutations."""
from __future__ import annotations


import pytest

import _lorewood



@pytest.fixture
def chain(graph):
    """a -> b, c; b -> d; c -> d (d reached first through b)."""
    graph.node("a.md", "a", body="[[c]]\n", frontmatter="links:\n- b\n")
    graph.node("b.md", "b", body="[[d]]\n")
    graph.node("c.md", "c", node_type="task", body="[[d]] [[missing]]\n")
    graph.node("sub/d.md", "d")
    return graph.open()


def walk(result):
    return [(n.id, n.depth, n.path) for n in result.nodes]


def test_traverse_defaults_and_orders(chain):
    default = chain.traverse("a")
    assert walk(default) == walk(chain.traverse("a", 2, "bfs"))
    assert (default.start, default.order, default.max_depth) == ("a", "bfs", 2)
    assert walk(default) == [("a", 0, ["a"]), ("b", 1, ["a", "b"]), ("c", 1, ["a", "c"]),
                             ("d", 2, ["a", "b", "d"])]
    dfs = chain.traverse("a", order="DFS")
    assert dfs.order == "dfs"
    assert [n.id for n in dfs.nodes] == ["a", "b", "d", "c"]
    zero = chain.traverse("a", depth=0)
    assert zero.max_depth == 0 and walk(zero) == [("a", 0, ["a"])]
    assert repr(default) == 'TraversalResult(start="a", nodes=4)'
    assert default.nodes is not default.nodes
    assert type(default.nodes[0]).__name__ == "TraversalNode"


@pytest.mark.parametrize("kwargs, error, message", [
    ({"depth": -1}, OverflowError, "argument 'depth'"),
    ({"depth": 2**32}, OverflowError, "argument 'depth'"),
    ({"depth": None}, TypeError, "argument 'depth'"),
    ({"order": None}, TypeError, "argument 'order'"),
    ({"order": "XY"}, ValueError, "order must be 'bfs' or 'dfs', got \"xy\""),
    ({"order": " bfs"}, ValueError, "order must be 'bfs' or 'dfs', got \" bfs\""),
    ({"order": ""}, ValueError, "order must be 'bfs' or 'dfs', got \"\""),
])
def test_traverse_argument_refusals(chain, kwargs, error, message):
    with pytest.raises(error) as caught:
        chain.traverse("a", **kwargs)
    assert str(caught.value).startswith(message)


def test_traverse_unknown_start_and_order_precedence(chain):
    with pytest.raises(_lorewood.LorewoodError, match="^node zz not found$"):
        chain.traverse("zz")
    with pytest.raises(ValueError):
        chain.traverse("zz", order="no")


def test_report_text(chain):
    report = chain.traverse("a", depth=1).to_markdown(chain)
    assert report == (
        "# Lorewood Traversal Report\n\n"
        "- **Start:** `a`\n- **Max depth:** 1\n- **Order:** BFS\n- **Nodes reached:** 3\n\n"
        "## Nodes\n\n"
        "### a (depth 0)\n\n- **Type:** note\n- **Path:** a\n- **File:** `a.md`\n\n"
        "### b (depth 1)\n\n- **Type:** note\n- **Path:** a \u2192 b\n- **File:** `b.md`\n\n"
        "### c (depth 1)\n\n- **Type:** task\n- **Path:** a \u2192 c\n- **File:** `c.md`\n\n")
    with pytest.raises(TypeError, match="^argument 'index'"):
        chain.traverse("a").to_markdown("not an index")


def test_backlinks(chain):
    assert chain.backlinks("d") == ["b", "c"]
    assert chain.backlinks("a") == []
    with pytest.raises(_lorewood.LorewoodError, match="^node zz not found$"):
        chain.backlinks("zz")


def test_create_node_defaults_and_refusals(graph):
    index = graph.open()
    node = index.create_node("plain")
    assert (node.id, node.node_type, node.body, node.links, node.relative_path) == (
        "plain", "note", "", [], "plain.md")
    assert (graph.root / "plain.md").read_text() == "---\nid: plain\ntype: note\n---\n"
    nested = index.create_node("sub dir/Caf\u00e9", "task", "body", links=("plain", "x"))
    assert nested.relative_path == "sub dir/Caf\u00e9.md" and nested.links == ["plain", "x"]
    with pytest.raises(TypeError, match="^argument 'links'"):
        index.create_node("y", links="plain")
    with pytest.raises(_lorewood.LorewoodError, match="^node plain already exists at plain.md$"):
        index.create_node("plain")
    # Everything created comes back from a fresh open.
    reopened = graph.open()
    assert reopened.list_nodes() == ["plain", "sub dir/Caf\u00e9"]


@pytest.mark.parametrize("node_id, node_type, message", [
    ("", "note", "missing required frontmatter field `id`"),
    ("   ", "note", "missing required frontmatter field `id`"),
    ("ok", " ", "missing required frontmatter field `type`"),
    ("dir/", "note", ""),
    (".lorewood/x", "note", "graph index error: node paths must not live under `.lorewood/`"),
    ("../escape", "note", "graph index error: node relative_path must not contain '..' components"),
    ("taken", "note", "node taken already exists at taken.md"),
    ("blocker/x", "note", "failed to write node at "),
])
def test_failing_create_leaves_disk_and_index_unchanged(snapshot, graph, node_id, node_type, message):
    graph.node("taken.md", "taken")
    graph.file("blocker", "a regular file where a directory is needed")
    index = graph.open()
    before = snapshot(graph.root)
    with pytest.raises(_lorewood.LorewoodError) as caught:
        index.create_node(node_id, node_type)
    assert message in str(caught.value)
    assert snapshot(graph.root) == before
    assert index.list_nodes() == ["taken"]
    assert graph.open().list_nodes() == ["taken"]


def test_update_node_keeps_frontmatter(snapshot, graph):
    graph.node("a.md", "a", body="old\n", frontmatter="links:\n- b\nzeta: 1\nalpha: [x]\n")
    index = graph.open()
    assert index.update_node("a", "new\n") is None
    node = index.read_node("a")
    assert node.body == "new\n"
    assert node.to_dict() == {"id": "a", "type": "note", "links": ["b"], "alpha": ["x"],
                              "zeta": 1, "body": "new\n", "relative_path": "a.md"}
    before = snapshot(graph.root)
    with pytest.raises(_lorewood.LorewoodError, match="^node zz not found$"):
        index.update_node("zz", "x")
    assert snapshot(graph.root) == before


def test_delete_merge_and_suppression(graph):
    graph.node("t.md", "t", body="T", frontmatter="links:\n- x\n")
    graph.node("s.md", "s", body="S\n", frontmatter="links:\n- x\n- t\n")
    graph.node("x.md", "x")
    index = graph.open()
    with pytest.raises(_lorewood.LorewoodError, match="^graph index error: cannot merge a node into itself$"):
        index.merge_nodes("t", "t")
    assert index.merge_nodes("t", "s") is None
    target = index.read_node("t")
    assert target.body == "T\n\n---\n\n## Merged from `s`\n\nS\n"
    assert target.links == ["x"]
    assert target.to_dict()["merged_from"] == ["s"]
    assert index.list_nodes() == ["t", "x"] and not (graph.root / "s.md").exists()

    assert index.suppress_node("x", "dup") is None
    assert index.read_node("x").to_dict()["suppressed_reason"] == "dup"
    index.suppress_node("x")
    assert index.read_node("x").to_dict()["suppressed"] is True
    assert index.read_node("x").to_dict()["suppressed_reason"] == "dup"
    assert index.unsuppress_node("x") is None
    assert "suppressed" not in index.read_node("x").to_dict()

    assert index.delete_node("x") is None
    assert index.list_nodes() == ["t"] and not (graph.root / "x.md").exists()
    with pytest.raises(_lorewood.LorewoodError, match="^node x not found$"):
        index.delete_node("x")


def test_update_file(graph):
    graph.node("a.md", "a")
    index = graph.open()
    graph.file("notes.txt", "text")
    assert index.update_file("notes.txt") is None
    graph.node("b.md", "b")
    assert index.update_file(str(graph.root / "b.md")) == "b"
    assert index.list_nodes() == ["a", "b"]
    with pytest.raises(_lorewood.LorewoodError, match="is not under graph root"):
        index.update_file("/elsewhere/x.md")


class ReentrantLinks:
    """A sequence whose iteration calls back into the index being mutated."""

    def __init__(self, index):
        self.index = index

    def __len__(self):
        return 1

    def __getitem__(self, k):
        if k >= 1:
            raise IndexError
        self.index.list_nodes()
        return "x"


def test_reentrant_call_during_a_mutation_is_a_borrow_conflict(graph):
    import collections.abc

    collections.abc.Sequence.register(ReentrantLinks)
    index = graph.open()
    with pytest.raises(RuntimeError, match="Already mutably borrowed"):
        index.create_node("n", links=ReentrantLinks(index))
    assert index.list_nodes() == []
