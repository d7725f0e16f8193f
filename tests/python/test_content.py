"""Configuration and content classes: load_config, ResolvedConfig, readers."""
from __future__ import annotations

import inspect
from pathlib import Path

import pytest

import _lorewood


def node_text(node_id: str, body: str = "", frontmatter: str = "") -> str:
    return f"---\nid: {node_id}\ntype: note\n{frontmatter}---\n{body}"


@pytest.fixture
def lake(tmp_path: Path):
    """A lakehouse setup: graph/ with nodes, lake/ as a file:// remote source."""
    graph = tmp_path / "graph"
    graph.mkdir()
    (graph / "plain.md").write_text(node_text("plain", body="caf\u00e9\n"))
    (graph / "notes.md").write_text(node_text("notes", body="b\n", frontmatter="source: notes.txt\n"))
    (graph / "table.md").write_text(node_text("table", frontmatter="source: data/t.parquet\n"))
    (graph / "escape.md").write_text(node_text("escape", frontmatter="source: ../secret.txt\n"))
    (graph / "web.md").write_text(node_text("web", frontmatter="source: 'http://127.0.0.1/x'\n"))
    (graph / "mapped.md").write_text(
        node_text("mapped", frontmatter="source: 'http://[::ffff:127.0.0.1]/x'\n"))
    (graph / "link.md").write_text(node_text("link", frontmatter="source: outside.txt\n"))
    lake_dir = tmp_path / "lake"
    (lake_dir / "data").mkdir(parents=True)
    (lake_dir / "notes.txt").write_text("remote text")
    (lake_dir / "data" / "t.parquet").write_bytes(b"PAR1" + b"\x00" * 20 + b"PAR1")
    (tmp_path / "secret.txt").write_text("secret")
    (lake_dir / "outside.txt").symlink_to(tmp_path / "secret.txt")
    config = tmp_path / "lorewood.toml"
    config.write_text('[storage]\nmode = "lakehouse"\nroot_path = "graph"\n\n'
                      f'[[lakehouse.remote_sources]]\nuri = "file://{lake_dir}/"\nformat = "text"\n')
    local = tmp_path / "local.toml"
    local.write_text('[storage]\nmode = "local"\nroot_path = "graph"\n')
    return tmp_path


def test_load_config(lake):
    config = _lorewood.load_config(str(lake / "lorewood.toml"))
    assert config.config_path == str(lake / "lorewood.toml")
    assert config.root_path == str(lake / "graph")
    assert config.storage_mode == "lakehouse"
    assert repr(config) == f'ResolvedConfig(root_path="{lake / "graph"}", storage_mode="lakehouse")'
    local = _lorewood.load_config(str(lake / "local.toml"))
    assert repr(local).endswith('storage_mode="local")')
    index = local.open_index()
    assert index.list_nodes() == sorted(index.list_nodes()) and len(index) == 7
    assert local.open_index() is not index
    with pytest.raises(_lorewood.LorewoodError, match="^failed to read config at "):
        _lorewood.load_config(str(lake / "missing.toml"))
    with pytest.raises(TypeError, match="^argument 'path'"):
        _lorewood.load_config(lake / "lorewood.toml")


def test_local_mode_reads_bodies(lake):
    config = _lorewood.load_config(str(lake / "local.toml"))
    index, reader = config.open_index(), config.open_lakehouse_reader()
    item = reader.read_node(index, "notes")
    content = item.content
    assert content.kind == "local" and content.body == item.node.body == "b\n"
    assert [content.uri, content.format, content.size_bytes, content.parquet_magic_valid,
            content.snippet] == [None] * 5
    assert repr(reader.read_node(index, "plain").content) == "ResolvedContent(kind='local', body_len=6)"
    assert repr(item) == 'NodeWithContent(id="notes", kind="local")'
    assert repr(reader) == "LakehouseReader()"
    assert (reader.cache_len(), reader.cache_bytes()) == (0, 0)
    assert item.node is not item.node and item.content is not item.content


def test_lakehouse_mode_resolves_and_caches(lake):
    config = _lorewood.load_config(str(lake / "lorewood.toml"))
    index, reader = config.open_index(), config.open_lakehouse_reader()
    text = reader.read_node(index, "notes").content
    assert text.kind == "text" and text.body == "remote text"
    assert text.uri == f"file://{lake}/lake/notes.txt"
    assert text.to_markdown() == f"## Resolved content\n\n**URI:** `{text.uri}`\n\nremote text"
    assert repr(text) == f"ResolvedContent(kind='text', uri=\"{text.uri}\", body_len=11)"
    assert reader.cache_len() == 1 and reader.cache_bytes() > 0
    reader.read_node(index, "notes")
    reader.read_node(index, "plain")  # local content never enters the cache
    assert reader.cache_len() == 1

    asset = index.read_node_with_content(reader, "table").content
    assert asset.kind == "external_asset" and asset.format == "parquet"
    assert asset.parquet_magic_valid is True and asset.size_bytes == 28 and asset.body is None
    assert repr(asset) == f"ResolvedContent(kind='external_asset', uri=\"{asset.uri}\", format=\"parquet\")"
    assert asset.to_markdown().startswith(f"## External asset\n\n**URI:** `{asset.uri}`\n\n**Format:** `parquet`")

    other = config.open_lakehouse_reader()
    assert other.cache_len() == 0


@pytest.mark.parametrize("node_id", ["escape", "web", "mapped", "link"])
def test_unsafe_sources_are_refused(lake, node_id):
    config = _lorewood.load_config(str(lake / "lorewood.toml"))
    index, reader = config.open_index(), config.open_lakehouse_reader()
    with pytest.raises(_lorewood.LorewoodError):
        reader.read_node(index, node_id)
    assert reader.cache_len() == 0
    assert reader.read_node(index, "plain").content.kind == "local"  # still usable


def test_reader_argument_errors_and_missing_node(lake):
    config = _lorewood.load_config(str(lake / "lorewood.toml"))
    index, reader = config.open_index(), config.open_lakehouse_reader()
    with pytest.raises(TypeError, match="^argument 'index'"):
        reader.read_node(reader, "plain")
    with pytest.raises(TypeError, match="^argument 'reader'"):
        index.read_node_with_content(index, "plain")
    with pytest.raises(_lorewood.LorewoodError, match="^node nope not found$"):
        reader.read_node(index, "nope")
    assert reader.read_node(index, "plain").node.id == "plain"


def test_docstrings_and_signatures():
    reader_doc = _lorewood.LakehouseReader.__doc__
    assert reader_doc.splitlines()[0] == "Reads node content according to the configured storage mode."
    assert reader_doc.endswith('    print(result.content.to_markdown())')
    assert _lorewood.NodeWithContent.__doc__ == (
        "A graph node paired with its resolved external content.\n\n"
        "Access the raw node via `.node` and the resolved content via `.content`.")
    assert _lorewood.ResolvedConfig.__doc__ is None
    assert _lorewood.ResolvedContent.kind.__doc__ == 'One of ``"local"``, ``"text"``, or ``"external_asset"``.'
    assert _lorewood.LakehouseReader.cache_len.__doc__ == (
        "Number of entries currently in the in-memory content cache.")
    assert str(inspect.signature(_lorewood.LakehouseReader.read_node)) == "(self, /, index, node_id)"
    assert str(inspect.signature(_lorewood.GraphIndex.read_node_with_content)) == "(self, /, reader, node_id)"
    assert str(inspect.signature(_lorewood.load_config)) == "(path)"
