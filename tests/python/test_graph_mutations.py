"""Node mutations from Python: create, update, delete, merge, suppress,
re-index one file; failures that must leave disk and index untouched; borrows."""
from __future__ import annotations

import collections.abc
import contextlib
import resource
import shutil
import signal
import tempfile
from pathlib import Path

import pytest
from hypothesis import HealthCheck, given, settings, strategies as st

import _lorewood


def test_create_node_defaults_and_forms(graph):
    index = graph.open()
    node = index.create_node("plain")
    assert (node.id, node.node_type, node.body, node.links, node.source, node.relative_path) == (
        "plain", "note", "", [], None, "plain.md")
    assert (graph.root / "plain.md").read_text() == "---\nid: plain\ntype: note\n---\n"
    nested = index.create_node("sub dir/Caf\u00e9", "task", "body", links=("plain", "x"))
    assert nested.relative_path == "sub dir/Caf\u00e9.md" and nested.links == ["plain", "x"]
    assert (graph.root / "sub dir" / "Caf\u00e9.md").is_file()
    by_keyword = index.create_node(node_id="k", body="[[plain]]\n", node_type="t", links=None)
    assert (by_keyword.node_type, by_keyword.links) == ("t", [])
    assert index.backlinks("plain") == ["k", "sub dir/Caf\u00e9"]
    with pytest.raises(TypeError, match="^argument 'links'"):
        index.create_node("y", links="plain")
    with pytest.raises(TypeError, match="^argument 'links'"):
        index.create_node("y", links=["ok", 1])
    with pytest.raises(_lorewood.LorewoodError, match="^node plain already exists at plain.md$"):
        index.create_node("plain")
    assert index.list_nodes() == ["k", "plain", "sub dir/Caf\u00e9"]
    assert graph.open().list_nodes() == index.list_nodes()


# Ids drawn from characters that stress file names and YAML scalars.
ID_TEXT = st.text(st.sampled_from(list("ab/ .-_:#~'\"\\\t\n\r[]{}!&*|>%@`,?") +
                                  ["\u00e9", "\u0301", "\u2028", "\u00a0", "\ufeff", "\x85"]),
                  max_size=12)


# What a refusal may say: the id or type would not read back, or the path rule.
REFUSALS = ("is missing required frontmatter field", "must end in a file name of the form",
            "must not live under", "must not contain '..' components",
            "must be relative to the graph root")


@settings(max_examples=80, deadline=None,
          suppress_health_check=[HealthCheck.function_scoped_fixture])
@given(node_id=ID_TEXT, node_type=ID_TEXT, links=st.lists(ID_TEXT, max_size=3),
       body=st.sampled_from(["", "text\n", "---\n", "[[a]]\n"]))
def test_created_nodes_come_back_from_the_next_open(snapshot, node_id, node_type, links, body):
    root = Path(tempfile.mkdtemp())
    try:
        index = _lorewood.open_index(str(root))
        try:
            created = index.create_node(node_id, node_type, body, links)
        except _lorewood.LorewoodError as refusal:
            # A refusal writes nothing and indexes nothing.
            assert any(reason in str(refusal) for reason in REFUSALS), str(refusal)
            assert snapshot(root) == {} and index.list_nodes() == []
            return
        reopened = _lorewood.open_index(str(root))
        assert reopened.list_nodes() == [node_id]
        again = reopened.read_node(node_id)
        assert (again.id, again.node_type, again.links, again.body) == (
            created.id, created.node_type, created.links, created.body)
    finally:
        shutil.rmtree(root)


def test_update_node_keeps_frontmatter(snapshot, graph):
    graph.node("a.md", "a", body="old [[b]]\n",
               frontmatter="source: s3://b/k\nlinks:\n- b\nzeta: 1\nalpha: [x]\n")
    graph.node("b.md", "b")
    index = graph.open()
    assert index.update_node("a", "new\n") is None
    assert (graph.root / "a.md").read_text() == (
        "---\nid: a\ntype: note\nsource: s3://b/k\nlinks:\n- b\nalpha:\n- x\nzeta: 1\n---\nnew\n")
    node = index.read_node("a")
    assert node.to_dict() == {"id": "a", "type": "note", "source": "s3://b/k", "links": ["b"],
                              "alpha": ["x"], "zeta": 1, "body": "new\n", "relative_path": "a.md"}
    # The entry was refreshed: the body link is gone, the frontmatter link stays.
    assert index.backlinks("b") == ["a"]
    index.update_node(body="[[a]]\n", node_id="b")
    assert index.backlinks("a") == ["b"]


def test_update_node_reads_the_current_file(graph):
    graph.node("a.md", "a", body="old\n")
    index = graph.open()
    # Changed behind the index's back: the update keeps the file's frontmatter.
    graph.node("a.md", "a", node_type="task", body="changed\n", frontmatter="extra: true\n")
    index.update_node("a", "new\n")
    assert index.read_node("a").to_dict() == {"id": "a", "type": "task", "links": [],
                                              "extra": True, "body": "new\n",
                                              "relative_path": "a.md"}
    assert index.traverse("a", 0).to_markdown(index).count("**Type:** task") == 1


def test_merge_delete_and_suppression(graph):
    graph.node("t.md", "t", body="T", frontmatter="links:\n- x\n")
    graph.node("s.md", "s", body="S\n", frontmatter="links:\n- x\n- t\n- y\n")
    graph.node("x.md", "x", body="[[t]]\n")
    graph.node("y.md", "y")
    index = graph.open()
    assert index.merge_nodes(source_id="s", target_id="t") is None
    target = index.read_node("t")
    assert target.body == "T\n\n---\n\n## Merged from `s`\n\nS\n"
    assert target.links == ["x", "y"]
    assert target.to_dict()["merged_from"] == ["s"]
    assert index.list_nodes() == ["t", "x", "y"] and not (graph.root / "s.md").exists()
    assert index.backlinks("y") == ["t"]

    assert index.suppress_node("x", "dup") is None
    assert index.read_node("x").to_dict()["suppressed_reason"] == "dup"
    assert index.suppress_node("x") is None
    assert (index.read_node("x").to_dict()["suppressed"],
            index.read_node("x").to_dict()["suppressed_reason"]) == (True, "dup")
    index.suppress_node("x", reason="")
    assert index.read_node("x").to_dict()["suppressed_reason"] == ""
    # A suppressed node stays linked and traversable.
    assert [n.id for n in index.traverse("t").nodes] == ["t", "x", "y"]
    assert index.unsuppress_node("x") is None
    assert set(index.read_node("x").to_dict()) == {"id", "type", "links", "body", "relative_path"}
    assert index.unsuppress_node("x") is None

    assert index.backlinks("t") == ["x"]
    assert index.delete_node("x") is None
    assert index.list_nodes() == ["t", "y"] and not (graph.root / "x.md").exists()
    assert index.backlinks("t") == []
    with pytest.raises(_lorewood.LorewoodError, match="^node x not found$"):
        index.delete_node("x")
    # A file removed behind the index's back: the delete still succeeds.
    (graph.root / "y.md").unlink()
    assert index.delete_node("y") is None and index.list_nodes() == ["t"]


def test_update_file(graph):
    graph.node("a.md", "a")
    index = graph.open()
    graph.file("notes.txt", "text")
    assert index.update_file("notes.txt") is None
    graph.node("b.md", "b", body="[[a]]\n")
    assert index.update_file(str(graph.root / "b.md")) == "b"
    graph.node("sub/c.md", "c")
    assert index.update_file("sub/c.md") == "c"
    assert index.list_nodes() == ["a", "b", "c"] and index.backlinks("a") == ["b"]
    (graph.root / "b.md").unlink()
    assert index.update_file("b.md") is None
    assert index.list_nodes() == ["a", "c"] and index.backlinks("a") == []
    assert index.update_file("never-there.md") is None


# ---- Failing mutations leave disk and index exactly as they were ----

LIMIT = 4096
BIG = "B" * 5000 + " [[x]]\n"


@contextlib.contextmanager
def file_size_limit(limit):
    """Writes past `limit` bytes fail with EFBIG (a real write failure, also as root)."""
    soft, hard = resource.getrlimit(resource.RLIMIT_FSIZE)
    if hard != resource.RLIM_INFINITY and hard < limit:
        pytest.skip("file size hard limit too low")
    previous = signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (limit, hard))
    try:
        yield
    finally:
        resource.setrlimit(resource.RLIMIT_FSIZE, (soft, hard))
        signal.signal(signal.SIGXFSZ, previous)


def block_with_directory(name):
    """Replaces a node file by a non-empty directory, so it can be neither read nor removed."""
    def prepare(root):
        (root / name).unlink()
        (root / name).mkdir()
        (root / name / "keep").write_text("k")
    return prepare


def write(name, text):
    def prepare(root):
        (root / name).parent.mkdir(exist_ok=True)
        (root / name).write_text(text)
    return prepare


def create(node_id, node_type="note", body=""):
    return lambda index: index.create_node(node_id, node_type, body)


NO_ID = ("node parse error at {root}/{name}: node at {root}/{name} is missing required "
         "frontmatter field `id`")
NO_TYPE = ("node parse error at {root}/ok.md: node at {root}/ok.md is missing required "
           "frontmatter field `type`")
TOO_LARGE = "failed to write node at {root}/{name}: File too large (os error 27)"

FAILURES = [
    # Refusals before anything is written.
    pytest.param(None, create(""), NO_ID.replace("{name}", ".md"), id="empty-id"),
    pytest.param(None, create("  \t"), NO_ID.replace("{name}", "  \t.md"), id="blank-id"),
    pytest.param(None, create("ok", ""), NO_TYPE, id="empty-type"),
    pytest.param(None, create("ok", " \n"), NO_TYPE, id="blank-type"),
    pytest.param(None, create("dir/"),
                 "graph index error: node relative_path dir/.md must end in a file name of the "
                 "form <name>.md", id="empty-stem"),
    pytest.param(None, create(".lorewood/x"),
                 "graph index error: node paths must not live under `.lorewood/`", id="state-dir"),
    pytest.param(None, create("sub/.lorewood/x"),
                 "graph index error: node paths must not live under `.lorewood/`",
                 id="nested-state-dir"),
    pytest.param(None, create("../escape"),
                 "graph index error: node relative_path must not contain '..' components",
                 id="dotdot"),
    pytest.param(None, create("/abs"),
                 "graph index error: node relative_path must be relative to the graph root",
                 id="absolute"),
    pytest.param(None, create("taken"), "node taken already exists at taken.md", id="id-taken"),
    pytest.param(None, create("other"),
                 "graph index error: a node already exists at path other.md", id="path-indexed"),
    pytest.param(None, create("dir"), "node dir already exists at dir.md", id="path-occupied"),
    pytest.param(write("stray.md", "not indexed"), create("stray"),
                 "node stray already exists at stray.md", id="unindexed-file"),
    pytest.param(None, lambda i: i.update_node("nope", "b"), "node nope not found",
                 id="update-unknown"),
    pytest.param(None, lambda i: i.delete_node("nope"), "node nope not found", id="delete-unknown"),
    pytest.param(None, lambda i: i.merge_nodes("t", "t"),
                 "graph index error: cannot merge a node into itself", id="merge-self"),
    pytest.param(None, lambda i: i.merge_nodes("t", "nope"), "node nope not found",
                 id="merge-unknown-source"),
    pytest.param(None, lambda i: i.merge_nodes("nope", "t"), "node nope not found",
                 id="merge-unknown-target"),
    pytest.param(None, lambda i: i.suppress_node("nope", "r"), "node nope not found",
                 id="suppress-unknown"),
    pytest.param(None, lambda i: i.unsuppress_node("nope"), "node nope not found",
                 id="unsuppress-unknown"),
    pytest.param(write("bad.md", "no frontmatter"), lambda i: i.update_file("bad.md"),
                 "node parse error at {root}/bad.md: node at {root}/bad.md must start with YAML "
                 "frontmatter delimited by ---", id="update-file-malformed"),
    pytest.param(write("t.md", "---\nid: [\n---\n"), lambda i: i.update_file("t.md"),
                 "node parse error at {root}/t.md: invalid YAML frontmatter in {root}/t.md: ...",
                 id="update-file-broken-indexed"),
    pytest.param(write("dup.md", "---\nid: t\ntype: note\n---\n"),
                 lambda i: i.update_file("dup.md"),
                 "duplicate node id t: t.md and dup.md", id="update-file-duplicate"),
    pytest.param(None, lambda i: i.update_file("/elsewhere/x.md"),
                 "graph index error: path /elsewhere/x.md is not under graph root {root}",
                 id="update-file-outside"),
    pytest.param(write(".lorewood/notes.txt", "state"),
                 lambda i: i.update_file(".lorewood/notes.txt"),
                 "graph index error: node paths must not live under `.lorewood/`",
                 id="update-file-state-dir"),
    # Failures of the file system itself.
    pytest.param(None, create("blocker/x"), "failed to write node at {root}/blocker/x.md: ...",
                 id="mkdir-fails"),
    pytest.param(block_with_directory("x.md"), lambda i: i.delete_node("x"),
                 "failed to delete node at {root}/x.md: Is a directory (os error 21)",
                 id="remove-fails"),
    pytest.param(block_with_directory("x.md"), lambda i: i.suppress_node("x"),
                 "failed to read node at {root}/x.md: Is a directory (os error 21)",
                 id="suppress-read-fails"),
    pytest.param("limit", create("big", body=BIG), TOO_LARGE.replace("{name}", "big.md"),
                 id="create-write-fails"),
    pytest.param("limit", lambda i: i.update_node("t", BIG), TOO_LARGE.replace("{name}", "t.md"),
                 id="update-write-fails"),
    pytest.param("limit", lambda i: i.merge_nodes("t", "s"), TOO_LARGE.replace("{name}", "t.md"),
                 id="merge-write-fails"),
    pytest.param("limit", lambda i: i.suppress_node("near", "r" * 60),
                 TOO_LARGE.replace("{name}", "near.md"), id="suppress-write-fails"),
]


@pytest.fixture
def populated(graph):
    graph.node("taken.md", "taken")
    graph.node("other.md", "zz", body="[[taken]]\n")
    graph.file("dir.md/inner.txt", "a directory where a node file would go")
    graph.file("blocker", "a regular file where a directory is needed")
    graph.node("t.md", "t", body="T\n", frontmatter="links:\n- x\n")
    graph.node("s.md", "s", body=BIG, frontmatter="links:\n- taken\n")
    graph.node("x.md", "x", body="[[t]]\n")
    near = graph.node("near.md", "near", body="n" * (LIMIT - 40) + "\n")
    assert LIMIT - 20 < near.stat().st_size < LIMIT
    return graph


def index_state(index):
    """What the index holds for every node: type, file and resolved links (through a
    depth-1 report) and backlinks."""
    return {node_id: (index.traverse(node_id, 1).to_markdown(index), index.backlinks(node_id))
            for node_id in index.list_nodes()}


@pytest.mark.parametrize("prepare, call, message", FAILURES)
def test_failing_mutation_leaves_disk_and_index_unchanged(snapshot, populated, prepare, call,
                                                          message):
    index = populated.open()
    if callable(prepare):
        prepare(populated.root)
    disk, state = snapshot(populated.root), index_state(index)
    limit = file_size_limit(LIMIT) if prepare == "limit" else contextlib.nullcontext()
    with pytest.raises(_lorewood.LorewoodError) as caught, limit:
        call(index)
    text = message.format(root=populated.root)
    if text.endswith("..."):
        assert str(caught.value).startswith(text[:-3])
    else:
        assert str(caught.value) == text
    assert snapshot(populated.root) == disk
    assert index_state(index) == state


def test_failed_merge_keeps_both_nodes_and_a_retry_succeeds(populated):
    index = populated.open()
    with pytest.raises(_lorewood.LorewoodError), file_size_limit(LIMIT):
        index.merge_nodes("t", "s")
    assert index.read_node("t").body == "T\n" and index.read_node("s").body == BIG
    index.merge_nodes("t", "s")
    assert index.read_node("t").links == ["x", "taken"]
    assert "s" not in index.list_nodes() and index.backlinks("x") == ["t"]


# ---- Borrows ----

class ReentrantLinks(collections.abc.Sequence):
    """A list of links whose item access runs `callback` (Python code inside the call)."""

    def __init__(self, callback):
        self.callback = callback

    def __len__(self):
        return 1

    def __getitem__(self, k):
        if k >= 1:
            raise IndexError
        self.callback()
        return "a"


def outcome(call):
    try:
        call()
    except Exception as error:  # noqa: BLE001 - the outcome is what is checked
        return type(error), str(error)
    return None


def test_mutation_holds_the_exclusive_borrow_while_converting(graph):
    graph.node("a.md", "a")
    index = graph.open()
    seen = []

    def probe():
        seen.extend([
            outcome(lambda: index.backlinks()),        # arguments are bound before the borrow
            outcome(lambda: index.backlinks(1)),       # and converted after it
            outcome(lambda: index.list_nodes()),
            outcome(lambda: index.delete_node("a")),
            outcome(lambda: index.traverse("a", order="x")),
        ])

    created = index.create_node("n", links=ReentrantLinks(probe))
    assert created.links == ["a"]
    assert seen[0][0] is TypeError
    assert seen[1:] == [(RuntimeError, "Already mutably borrowed")] * 2 + [
        (RuntimeError, "Already borrowed"), (RuntimeError, "Already mutably borrowed")]
    assert index.list_nodes() == ["a", "n"]

    def escape():
        index.list_nodes()

    with pytest.raises(RuntimeError, match="^Already mutably borrowed$"):
        index.create_node("m", links=ReentrantLinks(escape))
    assert index.list_nodes() == ["a", "n"] and not (graph.root / "m.md").exists()


def test_traverse_holds_a_shared_borrow_while_converting(graph):
    graph.node("a.md", "a", frontmatter="links:\n- b\n")
    graph.node("b.md", "b")
    index = graph.open()
    seen = []

    class Depth:
        def __index__(self):
            seen.append(index.backlinks("b"))               # shared beside shared
            seen.append(outcome(lambda: index.delete_node("b")))
            seen.append(outcome(lambda: index.create_node("c")))
            return 1

    assert [n.id for n in index.traverse("a", Depth()).nodes] == ["a", "b"]
    assert seen == [["a"], (RuntimeError, "Already borrowed"), (RuntimeError, "Already borrowed")]
    assert index.list_nodes() == ["a", "b"]
    # The borrow is released on every path, also after a refused argument.
    with pytest.raises(ValueError):
        index.traverse("a", order="x")
    assert index.delete_node("b") is None
