"""Memory methods: recall bundles, typed memory nodes and memory batches."""
from __future__ import annotations

import collections.abc
import inspect
import math

import pytest

import _lorewood


@pytest.fixture
def memory(graph):
    graph.node("a.md", "a", body="First line\nsecond line\n",
               frontmatter="links:\n- b\ncount: 3\nmeta: {k: [1, 2]}\n")
    graph.node("b.md", "b", body="[[a]]\n")
    graph.node("c.md", "c", body="c body\n")
    return graph


def test_recall_bundle_dict(memory):
    index = memory.open()
    bundle = index.recall_bundle("a", reason="asked", body_chars=5)
    assert list(bundle) == ["id", "type", "summary", "body_excerpt", "links", "backlinks",
                            "relevance_reason", "metadata", "markdown"]
    assert bundle["id"] == "a" and bundle["type"] == "note"
    assert bundle["summary"] == "First line\nsecond line"
    assert bundle["body_excerpt"].startswith("First")
    assert bundle["links"] == ["b"] and bundle["backlinks"] == ["b"]
    assert bundle["relevance_reason"] == "asked"
    assert bundle["metadata"] == {"count": 3, "meta": {"k": [1, 2]}}
    assert "asked" in bundle["markdown"]
    assert len(index.recall_bundle("a", body_chars=0)["body_excerpt"]) == 1
    with pytest.raises(_lorewood.LorewoodError, match="^node zz not found$"):
        index.recall_bundle("zz")
    with pytest.raises(OverflowError):
        index.recall_bundle("a", body_chars=-1)


def test_create_memory_node(snapshot, memory):
    index = memory.open()
    before = snapshot(memory.root)
    with pytest.raises(ValueError, match="^unsupported memory kind: Decision$"):
        index.create_memory_node("m", "Decision")
    with pytest.raises(TypeError, match="^argument 'confidence'"):
        index.create_memory_node("m", "decision", confidence="high")
    assert snapshot(memory.root) == before
    node = index.create_memory_node("m", "decision", "Use files.", links=["a"], project="alpha",
                                    confidence=1, valid_from="2026-01-01T00:00:00Z")
    assert node.node_type == "decision" and node.links == ["a"]
    extra = node.to_dict()
    assert extra["project"] == "alpha" and extra["confidence"] == 1.0
    assert extra["valid_from"] == "2026-01-01T00:00:00Z"
    # The file gains a final line feed; everything else reads back as created.
    reread = memory.open().read_node("m").to_dict()
    assert reread.pop("body") == "Use files.\n"
    assert reread == {k: v for k, v in node.to_dict().items() if k != "body"}
    with pytest.raises(_lorewood.LorewoodError, match="^node m already exists at m.md$"):
        index.create_memory_node("m", "task")


def test_apply_memory_batch_applies_in_order(memory):
    index = memory.open()
    result = index.apply_memory_batch([
        {"op": "update", "id": "a", "body": "new a\n"},
        {"op": "suppress", "id": "c", "reason": "stale"},
        {"op": "merge", "target_id": "a", "source_id": "b"},
    ])
    assert list(result) == ["ok", "preview", "applied"]
    assert result["ok"] is True and result["preview"] is False
    assert result["applied"][0] == "update:a" and result["applied"][2] == "merge:b->a"
    assert index.list_nodes() == ["a", "c"]
    assert index.read_node("a").body.startswith("new a\n")
    assert index.read_node("c").to_dict()["suppressed"] is True
    assert not any((memory.root / ".lorewood" / "transactions").iterdir())
    assert index.apply_memory_batch([]) == {"ok": True, "preview": False, "applied": []}


def test_preview_and_failures_change_nothing(snapshot, memory):
    index = memory.open()
    before = snapshot(memory.root)
    ops = [{"op": "update", "id": "a", "body": "x"}, {"op": "update", "id": "missing", "body": "y"}]
    assert index.apply_memory_batch(ops[:1], preview=True) == {
        "ok": True, "preview": True, "operations": 1}
    assert index.apply_memory_batch([], preview=True)["operations"] == 0
    with pytest.raises(_lorewood.LorewoodError, match="^node missing not found$"):
        index.apply_memory_batch(ops, preview=True)
    with pytest.raises(_lorewood.LorewoodError, match="^node missing not found$"):
        index.apply_memory_batch(ops)
    after = {k: v for k, v in snapshot(memory.root).items() if not k.startswith(".lorewood")}
    assert after == before
    assert index.read_node("a").body == "First line\nsecond line\n"


@pytest.mark.parametrize("operations, error, message", [
    ({"op": "update"}, TypeError, "argument 'operations'"),
    ("update", TypeError, "argument 'operations'"),
    ([{"op": "suppress", "id": "a", "reason": None}], TypeError, "argument 'operations'"),
    ([["op", "update"]], TypeError, "argument 'operations'"),
    ([{"op": "rename"}], ValueError, 'unknown memory batch operation "rename"'),
    ([{"id": "a"}], ValueError, 'unknown memory batch operation ""'),
    ([{"op": "update", "id": "a"}], ValueError, 'memory batch "update" requires "body"'),
])
def test_batch_refusals(snapshot, memory, operations, error, message):
    index = memory.open()
    before = snapshot(memory.root)
    with pytest.raises(error) as caught:
        index.apply_memory_batch(operations)
    assert str(caught.value).startswith(message)
    assert snapshot(memory.root) == before


@pytest.mark.parametrize("name, signature", [
    ("recall_bundle", "(self, /, node_id, reason='', body_chars=1200)"),
    ("create_memory_node", "(self, /, node_id, kind, body='', links=None, project=None, "
     "source_task=None, source_session=None, source_tool=None, extraction_method=None, "
     "confidence=None, valid_from=None, valid_until=None, supersedes=None, canonical_id=None)"),
    ("apply_memory_batch", "(self, /, operations, preview=False)"),
])
def test_text_signatures(name, signature):
    method = getattr(_lorewood.GraphIndex, name)
    assert str(inspect.signature(method)) == signature and method.__doc__ is None


# ---- Recall bundles ----

def test_recall_markdown_is_rendered_from_the_file_as_it_is_now(memory):
    index = memory.open()
    assert index.recall_bundle("a", "asked", 5)["markdown"] == (
        "## `a` (note)\n\n- **Reason:** asked\n- **Links:** b\n- **Backlinks:** b\n\n"
        "**Summary:** First line\nsecond line\n\n```markdown\nFirst\n```\n")
    # Rewritten behind the index (same id): the bundle shows the new file.
    memory.node("a.md", "a", body="\u00e9" * 6 + " tail",
                frontmatter="flag: true\nratio: 0.5\nnone: null\n")
    bundle = index.recall_bundle("a", body_chars=5)
    assert bundle["body_excerpt"] == "\u00e9" * 5
    assert bundle["links"] == [] and bundle["backlinks"] == ["b"]
    assert list(bundle["metadata"].items()) == [("flag", True), ("none", None), ("ratio", 0.5)]
    memory.node("e.md", "e")
    empty = memory.open().recall_bundle("e")
    assert empty["markdown"] == "## `e` (note)\n\n\n"
    assert (empty["summary"], empty["body_excerpt"], empty["metadata"]) == ("", "", {})


@pytest.mark.parametrize("kwargs, error", [
    ({"reason": None}, TypeError),
    ({"body_chars": None}, TypeError),
    ({"body_chars": 2 ** 64}, OverflowError),
    ({"node_id": 1}, TypeError),
])
def test_recall_bundle_argument_refusals(memory, kwargs, error):
    with pytest.raises(error):
        memory.open().recall_bundle(**{"node_id": "a", **kwargs})


# ---- Memory nodes ----

KINDS = ["preference", "project_fact", "decision", "task", "session_summary", "bookmark",
         "tool_failure"]


@pytest.mark.parametrize("kind", KINDS)
def test_every_memory_kind_is_a_node_type(graph, kind):
    index = graph.open()
    node = index.create_memory_node(f"m-{kind}", kind)
    assert node.node_type == kind and node.relative_path == f"m-{kind}.md"
    assert (graph.root / f"m-{kind}.md").read_text() == f"---\nid: m-{kind}\ntype: {kind}\n---\n"
    assert index.read_node(f"m-{kind}").node_type == kind


@pytest.mark.parametrize("kind", ["Preference", "preference ", " task", "", "project-fact",
                                  "memory", 'a"b\n', "task\x00"])
def test_unknown_kinds_are_refused_verbatim_and_write_nothing(snapshot, graph, kind):
    index = graph.open()
    before = snapshot(graph.root)
    with pytest.raises(ValueError) as caught:
        index.create_memory_node("m", kind, "body")
    assert type(caught.value) is ValueError
    assert str(caught.value) == "unsupported memory kind: " + kind
    assert snapshot(graph.root) == before and index.list_nodes() == []


def test_every_context_argument_lands_under_its_own_key(graph):
    index = graph.open()
    # Each value is distinct, so a field passed to the wrong key shows.
    index.create_memory_node(
        "pref-1", "preference", "Prefers tabs.", links=["b", "a", "b"], project="  p  ",
        source_task="   ", source_session="sess", source_tool="tool", extraction_method="llm",
        confidence=1.5, valid_from="0", valid_until="2027-01-01T00:00:00Z", supersedes="old",
        canonical_id="canon")
    assert (graph.root / "pref-1.md").read_text() == (
        "---\nid: pref-1\ntype: preference\nlinks:\n- b\n- a\n- b\ncanonical_id: canon\n"
        "confidence: 1.0\nextraction_method: llm\nproject: '  p  '\nsource_session: sess\n"
        "source_tool: tool\nsupersedes: old\nvalid_from: '0'\n"
        "valid_until: '2027-01-01T00:00:00Z'\n---\nPrefers tabs.\n")


@pytest.mark.parametrize("given, written", [
    (1.5, 1.0), (-2, 0.0), (0.0, 0.0), (1, 1.0), (0.25, 0.25), (float("nan"), None)])
def test_confidence_is_clamped_and_zero_is_kept(graph, given, written):
    node = graph.open().create_memory_node("m", "task", confidence=given).to_dict()
    if written is None:
        assert math.isnan(node["confidence"])
    else:
        assert node["confidence"] == written and type(node["confidence"]) is float


@pytest.mark.parametrize("kwargs, error, message", [
    ({"body": None}, TypeError, "^argument 'body'"),
    ({"kind": None}, TypeError, "^argument 'kind'"),
    ({"links": "a"}, TypeError, "^argument 'links'"),
    ({"links": ["a", None]}, TypeError, "^argument 'links'"),
    ({"project": 1}, TypeError, "^argument 'project'"),
    # Arguments are converted before the kind is checked.
    ({"kind": "nope", "valid_until": 3}, TypeError, "^argument 'valid_until'"),
    ({"node_id": "../out"}, _lorewood.LorewoodError,
     r"^graph index error: node relative_path must not contain '\.\.' components$"),
])
def test_create_memory_node_refusals_write_nothing(snapshot, graph, kwargs, error, message):
    index = graph.open()
    before = snapshot(graph.root.parent)
    with pytest.raises(error, match=message):
        index.create_memory_node(**{"node_id": "m", "kind": "task", **kwargs})
    assert snapshot(graph.root.parent) == before and index.list_nodes() == []


class ReentrantSequence(collections.abc.Sequence):
    """One item; fetching it runs `callback` (Python code inside the call)."""

    def __init__(self, item, callback):
        self.item, self.callback = item, callback

    def __len__(self):
        return 1

    def __getitem__(self, k):
        if k >= 1:
            raise IndexError
        self.callback()
        return self.item


def outcome(call):
    try:
        call()
    except Exception as error:  # noqa: BLE001 - the outcome is what is checked
        return type(error), str(error)
    return None


def test_borrows(memory):
    index = memory.open()
    seen = []

    def probe():
        seen.append(outcome(lambda: index.recall_bundle("a")))
        seen.append(outcome(lambda: index.create_memory_node("x", "task")))
        seen.append(outcome(lambda: index.apply_memory_batch([])))

    node = index.create_memory_node("m", "task", links=ReentrantSequence("a", probe))
    assert node.links == ["a"]
    assert seen == [(RuntimeError, "Already mutably borrowed")] + [
        (RuntimeError, "Already borrowed")] * 2
    assert index.list_nodes() == ["a", "b", "c", "m"]

    # recall_bundle takes a shared borrow: other readers run beside it, writers do not.
    seen.clear()

    class Chars:
        def __index__(self):
            seen.append(index.recall_bundle("c")["id"])
            seen.append(outcome(lambda: index.create_memory_node("y", "task")))
            seen.append(outcome(lambda: index.apply_memory_batch([], preview=True)))
            return 3

    assert index.recall_bundle("a", body_chars=Chars())["body_excerpt"] == "Fir"
    assert seen == ["c"] + [(RuntimeError, "Already borrowed")] * 2
    assert index.list_nodes() == ["a", "b", "c", "m"]
