"""Opening hostile or interrupted graph roots: clear errors, no file touched."""
from __future__ import annotations

from pathlib import Path

import pytest

import _lorewood



NESTED = "[" * 100_000 + "]" * 100_000
ALIAS_BOMB = "a: &a [x, x, x, x, x, x, x, x, x, x]\n" + "".join(
    f"{chr(98 + k)}: &{chr(98 + k)} [*{chr(97 + k)}, *{chr(97 + k)}, *{chr(97 + k)}, "
    f"*{chr(97 + k)}, *{chr(97 + k)}, *{chr(97 + k)}, *{chr(97 + k)}, *{chr(97 + k)}, "
    f"*{chr(97 + k)}, *{chr(97 + k)}]\n" for k in range(8))


@pytest.mark.parametrize("text, message", [
    ("no frontmatter\n", "must start with YAML frontmatter delimited by ---"),
    ("---\nid: a\ntype: note\n", "markdown file is missing closing frontmatter delimiter (---)"),
    ("---\nid: [a\ntype: note\n---\n", "invalid YAML frontmatter in "),
    ("---\nid: 12\ntype: note\n---\n", "invalid node frontmatter schema in "),
    ("---\nid: a\ntype: note\nlinks: b\n---\n", "invalid node frontmatter schema in "),
    ("---\nid: a\nid: b\ntype: note\n---\n", "invalid YAML frontmatter in "),
    ("---\ntype: note\n---\n", "missing field `id`"),
    ("---\nid: '  '\ntype: note\n---\n", "is missing required frontmatter field `id`"),
    ("---\nid: a\ntype: note\nx: " + NESTED + "\n---\n", "invalid YAML frontmatter in "),
    ("---\nid: a\ntype: note\n" + ALIAS_BOMB + "---\n", "invalid YAML frontmatter in "),
], ids=["no-frontmatter", "unclosed", "bad-yaml", "id-number", "links-scalar", "duplicate-key",
        "missing-id", "blank-id", "deep-nesting", "alias-bomb"])
def test_malformed_node_fails_the_open_and_touches_nothing(snapshot, graph, text, message):
    graph.node("good.md", "good")
    bad = graph.file("bad.md", text)
    before = snapshot(graph.root)
    with pytest.raises(_lorewood.LorewoodError) as caught:
        graph.open()
    assert str(caught.value).startswith(f"node parse error at {bad}: ")
    assert message in str(caught.value)
    assert snapshot(graph.root) == before


def test_invalid_utf8_and_duplicate_ids_fail_the_open(snapshot, graph):
    bad = graph.root / "bad.md"
    bad.write_bytes(b"---\nid: a\ntype: note\n---\n\xff\n")
    with pytest.raises(_lorewood.LorewoodError, match="^failed to read node at .*bad.md: "):
        graph.open()
    bad.unlink()
    graph.node("one.md", "same")
    graph.node("two.md", "same")
    before = snapshot(graph.root)
    with pytest.raises(_lorewood.LorewoodError,
                       match=r"^duplicate node id same: (one|two)\.md and (one|two)\.md$"):
        graph.open()
    assert snapshot(graph.root) == before


def batch_dir(root: Path, name: str = "6f1c2f4e-0000-4000-8000-000000000001") -> Path:
    path = root / ".lorewood" / "transactions" / name
    (path / "backups").mkdir(parents=True)
    return path


def test_interrupted_batch_is_rolled_back_at_open(graph):
    graph.node("a.md", "a", body="changed by the batch\n")
    batch = batch_dir(graph.root)
    (batch / "backups" / "0000.md").write_text(graph.node_text("a", body="before\n"))
    (batch / "backups" / "0001.md").write_text(graph.node_text("b", body="deleted by a merge\n"))
    (batch / "manifest.toml").write_text(
        'version = 1\n\n[[snapshots]]\nrelative_path = "a.md"\nbackup = "backups/0000.md"\n\n'
        '[[snapshots]]\nrelative_path = "b.md"\nbackup = "backups/0001.md"\n')
    index = graph.open()
    assert index.list_nodes() == ["a", "b"]
    assert index.read_node("a").body == "before\n"
    assert index.read_node("b").body == "deleted by a merge\n"
    assert not batch.exists()


def test_unprepared_batch_is_discarded_and_nodes_kept(graph):
    graph.node("a.md", "a", body="current\n")
    batch = batch_dir(graph.root)
    (batch / "backups" / "0000.md").write_text(graph.node_text("a", body="old\n"))
    (graph.root / ".lorewood" / "transactions" / "stray.txt").write_text("ignored")
    index = graph.open()
    assert index.read_node("a").body == "current\n"
    assert not batch.exists()


@pytest.mark.parametrize("manifest, message", [
    ("version = 2\nsnapshots = []\n", "graph index error: unsupported batch journal version 2"),
    ("version = 1\n", "graph index error: failed to parse batch journal: "),
    ('version = 1\n[[snapshots]]\nrelative_path = "a.md"\nbackup = "backups/0000.md"\n',
     "graph index error: failed to read batch backup: "),
    ('version = 1\n[[snapshots]]\nrelative_path = "a.md"\nbackup = "backups/../../x.md"\n',
     "graph index error: node relative_path must not contain '..' components"),
], ids=["bad-version", "no-snapshots", "missing-backup", "dotdot-backup"])
def test_broken_journal_fails_the_open_and_stays(graph, manifest, message):
    graph.node("a.md", "a", body="current\n")
    batch = batch_dir(graph.root)
    (batch / "manifest.toml").write_text(manifest)
    with pytest.raises(_lorewood.LorewoodError) as caught:
        graph.open()
    assert str(caught.value).startswith(message)
    assert (batch / "manifest.toml").exists()
    assert (graph.root / "a.md").read_text() == graph.node_text("a", body="current\n")


def test_empty_journal_is_restored_trivially(graph):
    batch = batch_dir(graph.root)
    (batch / "manifest.toml").write_text("version = 1\nsnapshots = []\n")
    assert len(graph.open()) == 0
    assert not batch.exists()
    assert (graph.root / ".lorewood" / "transactions").is_dir()
