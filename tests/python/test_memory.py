"""Memory methods: recall bundles, typed memory nodes and memory batches."""
from __future__ import annotations


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
    assert index.apply_memory_batch(ops[:1], preview=True) == {"ok": True, "preview": True, "operations": 1}
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
