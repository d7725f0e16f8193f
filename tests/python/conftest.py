"""Fixtures for the Python tests: small graph roots written into tmp_path."""
from __future__ import annotations

import os
from pathlib import Path

import pytest


def write_file(root: Path, relative_path: str | bytes, text: str) -> Path:
    """Writes `text` to root/relative_path, creating directories on the way."""
    if isinstance(relative_path, bytes):
        path = Path(os.fsdecode(os.path.join(os.fsencode(root), relative_path)))
    else:
        path = root / relative_path
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text, encoding="utf-8", newline="")
    return path


def node_text(node_id: str, node_type: str = "note", body: str = "", frontmatter: str = "") -> str:
    """A node file; `frontmatter` holds further YAML lines (raw text)."""
    head = f"id: {yaml_quote(node_id)}\ntype: {yaml_quote(node_type)}\n{frontmatter}"
    return f"---\n{head.rstrip()}\n---\n{body}"


def yaml_quote(text: str) -> str:
    """A YAML double-quoted scalar holding exactly `text` (any code point)."""
    out = []
    for ch in text:
        code = ord(ch)
        if ch == "\\":
            out.append("\\\\")
        elif ch == '"':
            out.append('\\"')
        elif 0x20 <= code < 0x7F:
            out.append(ch)
        elif code <= 0xFFFF:
            out.append(f"\\u{code:04x}")
        else:
            out.append(f"\\U{code:08x}")
    return '"' + "".join(out) + '"'


class Graph:
    """A graph root under construction: write nodes, then open it."""

    def __init__(self, root: Path) -> None:
        self.root = root

    def node(self, relative_path: str | bytes, node_id: str, node_type: str = "note",
             body: str = "", frontmatter: str = "") -> Path:
        return write_file(self.root, relative_path,
                          node_text(node_id, node_type, body, frontmatter))

    def file(self, relative_path: str | bytes, text: str) -> Path:
        return write_file(self.root, relative_path, text)

    node_text = staticmethod(node_text)
    yaml_quote = staticmethod(yaml_quote)

    def open(self):
        import _lorewood

        return _lorewood.open_index(str(self.root))


@pytest.fixture
def graph(tmp_path: Path) -> Graph:
    root = tmp_path / "graph"
    root.mkdir()
    return Graph(root)


def snapshot_files(root: Path) -> dict[str, bytes]:
    """Every file under root with its bytes, to check that nothing changed."""
    files = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = Path(folder, name)
            files[str(path.relative_to(root))] = path.read_bytes()
    return files


@pytest.fixture
def snapshot():
    return snapshot_files
