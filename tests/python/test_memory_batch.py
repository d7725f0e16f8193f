"""Memory batches through Python: record conversion, parse refusals, validation,
preview, application and what each leaves on disk."""
from __future__ import annotations

import collections
import collections.abc
import os

import pytest

import _lorewood


@pytest.fixture
def nodes(graph):
    for name in "abcd":
        graph.node(f"{name}.md", name, body=f"{name} body\n")
    return graph


def transactions(graph):
    folder = graph.root / ".lorewood" / "transactions"
    return sorted(os.listdir(folder)) if folder.is_dir() else []


def test_every_operation_applies_in_order_with_its_label(nodes):
    index = nodes.open()
    result = index.apply_memory_batch((
        {"op": "update", "id": "a", "body": "new a\n", "reason": "ignored", "extra": "x"},
        {"op": "suppress", "id": "c", "reason": ""},
        {"op": "suppress", "id": "d"},
        {"op": "unsuppress", "id": "c"},
        {"op": "suppress", "id": "c", "reason": "stale"},
        collections.OrderedDict([("source_id", "b"), ("target_id", "a"), ("op", "merge")]),
    ))
    assert result == {"ok": True, "preview": False, "applied": [
        "update:a", "suppress:c", "suppress:d", "unsuppress:c", "suppress:c", "merge:b->a"]}
    reopened = nodes.open()
    for view in (index, reopened):
        assert view.list_nodes() == ["a", "c", "d"]
        assert view.read_node("a").body.startswith("new a\n")
        assert view.read_node("c").to_dict()["suppressed_reason"] == "stale"
        d = view.read_node("d").to_dict()
        assert d["suppressed"] is True and "suppressed_reason" not in d
    assert not (nodes.root / "b.md").exists() and transactions(nodes) == []


def test_suppress_reason_empty_is_kept_and_absent_is_none(nodes):
    index = nodes.open()
    index.apply_memory_batch([{"op": "suppress", "id": "a", "reason": ""},
                              {"op": "suppress", "id": "b"}])
    assert "suppressed_reason: ''\n" in (nodes.root / "a.md").read_text()
    assert "suppressed_reason" not in (nodes.root / "b.md").read_text()


class Records(collections.abc.Sequence):
    """A sequence that is neither a list nor a tuple."""

    def __init__(self, *items):
        self.items = items

    def __len__(self):
        return len(self.items)

    def __getitem__(self, k):
        return self.items[k]


class Record(dict):
    pass


def test_any_sequence_of_dicts_is_accepted(nodes):
    index = nodes.open()
    result = index.apply_memory_batch(Records(Record(op="update", id="a", body="x")), False)
    assert result["applied"] == ["update:a"]
    assert index.apply_memory_batch(operations=[], preview=True)["operations"] == 0


@pytest.mark.parametrize("operations, preview, message", [
    ({"op": "update"}, False, "argument 'operations': expected a sequence of dict, got dict"),
    ("update", False, "argument 'operations': expected a sequence of dict, got str"),
    ({"a"}, False, "argument 'operations': expected a sequence of dict, got set"),
    (None, False, "argument 'operations': expected a sequence of dict, got NoneType"),
    (b"x", False, "argument 'operations': item 0 is int, expected dict"),
    ([{"op": "rename"}, ["op", "update"]], False,
     "argument 'operations': item 1 is list, expected dict"),
    ([{"op": "suppress", "id": "a", "reason": None}], False,
     "argument 'operations': item 0 has a NoneType value for key \"reason\", expected str"),
    ([{"op": "update", "id": "a", "body": b"x"}], False,
     "argument 'operations': item 0 has a bytes value for key \"body\", expected str"),
    ([{"op": "unsuppress", 1: "a"}], False,
     "argument 'operations': item 0 has a key of type int, expected str"),
    # A record that would not parse, later records that do not convert: conversion comes first.
    ([{"op": "rename"}, {"op": None}], False,
     "argument 'operations': item 1 has a NoneType value for key \"op\", expected str"),
    # operations is converted before preview.
    ([{"op": None}], "yes", "argument 'operations': item 0 has a NoneType value for key \"op\""),
    ([], None, "argument 'preview'"),
    ([], 1, "argument 'preview'"),
])
def test_argument_refusals_are_type_errors(snapshot, nodes, operations, preview, message):
    index = nodes.open()
    before = snapshot(nodes.root)
    with pytest.raises(TypeError) as caught:
        index.apply_memory_batch(operations, preview=preview)
    assert str(caught.value).startswith(message)
    assert snapshot(nodes.root) == before


@pytest.mark.parametrize("operations, message", [
    ([{"op": "rename"}], 'unknown memory batch operation "rename"'),
    ([{"id": "a"}], 'unknown memory batch operation ""'),
    ([{"op": "Update", "id": "a", "body": ""}], 'unknown memory batch operation "Update"'),
    ([{"op": 'a"b\\\n\u200b'}], 'unknown memory batch operation "a\\"b\\\\\\n\\u{200b}"'),
    ([{"op": "x\x00"}], 'unknown memory batch operation "x\\0"'),
    ([{"op": "update", "body": "x"}], 'memory batch "update" requires "id"'),
    ([{"op": "update", "id": "a"}], 'memory batch "update" requires "body"'),
    ([{"op": "suppress", "reason": "r"}], 'memory batch "suppress" requires "id"'),
    ([{"op": "unsuppress"}], 'memory batch "unsuppress" requires "id"'),
    ([{"op": "merge"}], 'memory batch "merge" requires "target_id"'),
    ([{"op": "merge", "target_id": "a"}], 'memory batch "merge" requires "source_id"'),
    # The first bad record is reported, and parsing comes before validation.
    ([{"op": "update", "id": "missing", "body": ""}, {"op": "x"}, {"op": "y"}],
     'unknown memory batch operation "x"'),
])
@pytest.mark.parametrize("preview", [False, True])
def test_records_that_do_not_parse_are_value_errors(snapshot, nodes, operations, message, preview):
    index = nodes.open()
    before = snapshot(nodes.root)
    with pytest.raises(ValueError) as caught:
        index.apply_memory_batch(operations, preview=preview)
    assert type(caught.value) is ValueError and str(caught.value) == message
    assert snapshot(nodes.root) == before


MERGED_B = {"op": "merge", "target_id": "a", "source_id": "b"}


@pytest.mark.parametrize("operations, message", [
    ([{"op": "update", "id": "a", "body": "x"}, {"op": "unsuppress", "id": "zz"}],
     "node zz not found"),
    ([{"op": "merge", "target_id": "zz", "source_id": "zz"}],
     "graph index error: cannot merge a node into itself"),
    ([{"op": "merge", "target_id": "zz", "source_id": "a"}], "node zz not found"),
    ([{"op": "merge", "target_id": "a", "source_id": "zz"}], "node zz not found"),
    ([MERGED_B, {"op": "update", "id": "b", "body": "x"}], "node b not found"),
    ([MERGED_B, {"op": "suppress", "id": "b"}], "node b not found"),
    ([MERGED_B, {"op": "merge", "target_id": "b", "source_id": "c"}], "node b not found"),
])
def test_validation_failures_change_nothing_in_either_mode(snapshot, nodes, operations, message):
    index = nodes.open()
    before = snapshot(nodes.root)
    for preview in (True, False):
        with pytest.raises(_lorewood.LorewoodError) as caught:
            index.apply_memory_batch(operations, preview=preview)
        assert str(caught.value) == message
    assert snapshot(nodes.root) == before
    assert index.list_nodes() == ["a", "b", "c", "d"]


def test_preview_validates_the_whole_list_and_writes_nothing(snapshot, nodes):
    index = nodes.open()
    index.suppress_node("c", None)
    before = snapshot(nodes.root)
    operations = [MERGED_B, {"op": "merge", "target_id": "d", "source_id": "a"},
                  {"op": "update", "id": "c", "body": "suppressed nodes can be edited"}]
    assert index.apply_memory_batch(operations, preview=True) == {
        "ok": True, "preview": True, "operations": 3}
    assert snapshot(nodes.root) == before and transactions(nodes) == []
    assert index.apply_memory_batch(operations)["applied"] == [
        "merge:b->a", "merge:a->d", "update:c"]
    assert index.list_nodes() == ["c", "d"]


def test_failures_before_the_first_edit_leave_node_files_alone(snapshot, nodes):
    index = nodes.open()
    ops = [{"op": "update", "id": "a", "body": "new"}, {"op": "update", "id": "c", "body": "new"}]
    # A node file removed behind the index: the snapshot read fails.
    (nodes.root / "c.md").unlink()
    before = snapshot(nodes.root)
    with pytest.raises(_lorewood.LorewoodError, match="^failed to read node at .*c.md: "):
        index.apply_memory_batch(ops)
    assert snapshot(nodes.root) == before
    # The journal cannot be prepared: the error is the journal's.
    nodes.node("c.md", "c", body="c body\n")
    (nodes.root / ".lorewood").write_text("not a folder")
    before = snapshot(nodes.root)
    with pytest.raises(_lorewood.LorewoodError,
                       match="^graph index error: failed to create batch journal: "):
        index.apply_memory_batch(ops)
    assert snapshot(nodes.root) == before
    assert index.read_node("a").body == "a body\n"


def test_the_batch_holds_the_exclusive_borrow_while_converting(nodes):
    index = nodes.open()
    seen = []

    def probe():
        for call in (lambda: index.read_node("a"), lambda: index.delete_node("a")):
            try:
                call()
            except RuntimeError as error:
                seen.append(str(error))

    class ProbingRecords(collections.abc.Sequence):
        def __len__(self):
            return 1

        def __getitem__(self, k):
            if k >= 1:
                raise IndexError
            probe()
            return {"op": "update", "id": "a", "body": "x"}

    for preview in (True, False):
        index.apply_memory_batch(ProbingRecords(), preview=preview)
    assert seen == ["Already mutably borrowed", "Already borrowed"] * 2
    assert index.read_node("a").body.startswith("x")
