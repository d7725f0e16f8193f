"""Content through the reader: LakehouseReader, ResolvedContent, NodeWithContent
and GraphIndex.read_node_with_content, over real files, links and remotes."""
from __future__ import annotations

import inspect
import os
import select
import socket
import subprocess
import sys
import textwrap
import time
from pathlib import Path

import pytest

import _lorewood

HTTP_SNIPPET = "HTTP fetch is not enabled in MVP; URI recorded for agent follow-up."
PARQUET = b"PAR1" + b"\x00" * 20 + b"PAR1"


class Lake:
    """A graph root, a file:// remote source `lake/` and a configuration."""

    def __init__(self, graph) -> None:
        self.graph = graph
        self.top = graph.root.parent
        self.remote = self.top / "lake"
        self.remote.mkdir()
        self.config_path = self.top / "lorewood.toml"

    def file(self, relative: str, data: bytes | str) -> Path:
        path = self.remote / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data.encode() if isinstance(data, str) else data)
        return path

    def node(self, node_id: str, source: str | None = None, body: str = "body\n") -> None:
        head = "" if source is None else f"source: {self.graph.yaml_quote(source)}\n"
        self.graph.node(f"{node_id}.md", node_id, body=body, frontmatter=head)

    def configure(self, mode: str = "lakehouse", remotes: list[tuple[str, str]] | None = None,
                  cache: str = "") -> _lorewood.ResolvedConfig:
        if remotes is None:
            remotes = [(f"file://{self.remote}/", "text")]
        text = f'[storage]\nmode = "{mode}"\nroot_path = "graph"\n'
        for uri, fmt in remotes:
            text += f'[[lakehouse.remote_sources]]\nuri = "{uri}"\nformat = "{fmt}"\n'
        if cache:
            text += f"[lakehouse.cache]\n{cache}\n"
        self.config_path.write_text(text)
        return _lorewood.load_config(str(self.config_path))

    def open(self, **configure):
        config = self.configure(**configure)
        return config.open_index(), config.open_lakehouse_reader()

    def read(self, source: str, **configure) -> _lorewood.ResolvedContent:
        """Content of a node whose source is `source`, read by a new reader."""
        self.node("subject", source)
        index, reader = self.open(**configure)
        return reader.read_node(index, "subject").content


@pytest.fixture
def lake(graph) -> Lake:
    return Lake(graph)


def fields(content):
    return (content.kind, content.body, content.uri, content.format, content.size_bytes,
            content.parquet_magic_valid, content.snippet)


# --- local content --------------------------------------------------------------


def test_local_mode_reads_bodies_even_with_a_source(lake):
    lake.file("notes.txt", "remote text")
    lake.node("notes", "notes.txt", body="caf\u00e9\n")
    index, reader = lake.open(mode="local")
    item = reader.read_node(index, "notes")
    assert fields(item.content) == ("local", "caf\u00e9\n", None, None, None, None, None)
    assert item.content.body == item.node.body
    assert item.content.to_markdown() == "caf\u00e9\n"
    assert repr(item.content) == "ResolvedContent(kind='local', body_len=6)"  # bytes, not chars
    assert repr(item) == 'NodeWithContent(id="notes", kind="local")'
    assert repr(reader) == "LakehouseReader()"
    assert (reader.cache_len(), reader.cache_bytes()) == (0, 0)


@pytest.mark.parametrize("source", [None, "", "   ", "\t\u3000\n"])
def test_lakehouse_mode_without_a_usable_source_is_local(lake, source):
    lake.node("plain", source, body="own body\n")
    index, reader = lake.open()
    content = reader.read_node(index, "plain").content
    assert (content.kind, content.body) == ("local", "own body\n")
    assert (reader.cache_len(), reader.cache_bytes()) == (0, 0)


# --- files under the allowlist ----------------------------------------------------


@pytest.mark.parametrize("source", ["notes.txt", "/notes.txt", "//sub/../notes.txt", "  notes.txt\t"])
def test_relative_sources_join_the_remote_base(lake, source):
    lake.file("notes.txt", "remote text")
    (lake.remote / "sub").mkdir()
    content = lake.read(source)
    joined = source.strip().lstrip("/")
    uri = f"file://{lake.remote}/{joined}"
    assert fields(content) == ("text", "remote text", uri, None, None, None, None)
    assert content.to_markdown() == f"## Resolved content\n\n**URI:** `{uri}`\n\nremote text"
    assert repr(content) == f"ResolvedContent(kind='text', uri=\"{uri}\", body_len=11)"


def test_text_content_details(lake):
    lake.file("empty.txt", "")
    lake.file('we"ird.txt', "\u00e9")
    assert lake.read(f"file://{lake.remote}/empty.txt").to_markdown().endswith("empty.txt`\n\n")
    odd = lake.read('we"ird.txt')
    assert repr(odd) == (
        f"ResolvedContent(kind='text', uri=\"file://{lake.remote}/we\\\"ird.txt\", body_len=2)")


@pytest.mark.parametrize("name, data, hint, expected", [
    ("t.parquet", PARQUET, "text", (28, True, PARQUET.decode())),
    ("short.parquet", b"PAR", "text", (3, False, "PAR")),
    ("head.parquet", b"PAR1" + b"x" * 300, "csv", (304, True, "PAR1" + "x" * 252)),
    ("bad.parquet", b"PAR1\xff\xfe", "text", (6, True, "PAR1\ufffd\ufffd")),
    ("blob.bin", b"XXXX", "parquet", (4, False, "XXXX")),  # format from the remote source
])
def test_parquet_files_are_described_not_read(lake, name, data, hint, expected):
    lake.file(f"data/{name}", data)
    content = lake.read(f"data/{name}", remotes=[(f"file://{lake.remote}", hint)])
    uri = f"file://{lake.remote}/data/{name}"
    assert fields(content) == ("external_asset", None, uri, "parquet", *expected)
    size, magic, snippet = expected
    assert content.to_markdown() == (
        f"## External asset\n\n**URI:** `{uri}`\n\n**Format:** `parquet`\n\n**Size:** {size} bytes"
        f"\n\n**Parquet magic valid:** {str(magic).lower()}\n\n### Snippet\n\n{snippet}")
    assert repr(content) == f"ResolvedContent(kind='external_asset', uri=\"{uri}\", format=\"parquet\")"


def test_format_hint_comes_from_the_first_matching_remote(lake):
    lake.file("tables/x.bin", "plain words")
    remotes = [(f"file://{lake.remote}/", "csv"), (f"file://{lake.remote}/tables/", "parquet")]
    source = f"file://{lake.remote}/tables/x.bin"
    assert lake.read(source, remotes=remotes).kind == "text"  # first match, not longest
    assert lake.read(source, remotes=remotes[::-1]).format == "parquet"
    # A relative source that starts with no base joins the first remote.
    assert lake.read("x.bin", remotes=remotes[::-1]).uri == source


@pytest.mark.parametrize("name, data, problem", [
    ("bad.txt", b"ok\xffno", "read: stream did not contain valid UTF-8"),
    ("missing.txt", None, "failed to read file {path}: No such file or directory (os error 2)"),
])
def test_file_read_errors(lake, name, data, problem):
    if data is not None:
        lake.file(name, data)
    path = lake.remote / name
    with pytest.raises(_lorewood.LorewoodError) as caught:
        lake.read(name)
    assert str(caught.value) == f"content resolve failed for file://{path}: " + problem.format(path=path)


# --- HTTP and S3: recorded, never contacted -------------------------------------------


@pytest.mark.parametrize("source, uri, fmt", [
    ("https://example.com/a.json", "https://example.com/a.json", "json"),
    ("  http://172.32.0.1/x  ", "http://172.32.0.1/x", "unknown"),
    ("http://192.169.0.1:8080/t.csv", "http://192.169.0.1:8080/t.csv", "csv"),
    ("http://[2001:db8::1]/x.CSV", "http://[2001:db8::1]/x.CSV", "unknown"),
    ("https://a.LOCAL/x", "https://a.LOCAL/x", "unknown"),
    ("http://10.0.0.1@example.com/", "http://10.0.0.1@example.com/", "unknown"),
])
def test_http_sources_with_public_hosts_are_recorded(lake, source, uri, fmt):
    content = lake.read(source)
    assert fields(content) == ("external_asset", None, uri, fmt, None, None, HTTP_SNIPPET)
    assert content.to_markdown() == (f"## External asset\n\n**URI:** `{uri}`\n\n**Format:** `{fmt}`"
                                     f"\n\n### Snippet\n\n{HTTP_SNIPPET}")


def test_s3_sources_are_parsed_only(lake):
    parquet = lake.read("s3://bucket/dir/a.parquet")
    snippet = "s3://bucket/dir/a.parquet (stub resolver \u2014 metadata only)"
    assert fields(parquet) == ("external_asset", None, "s3://bucket/dir/a.parquet", "parquet",
                               None, False, snippet)
    csv = lake.read("s3://b/k.csv")
    assert csv.to_markdown() == ("## External asset\n\n**URI:** `s3://b/k.csv`\n\n**Format:** `csv`"
                                 "\n\n### Snippet\n\ns3://b/k.csv (stub resolver \u2014 metadata only)")


# --- refusals -----------------------------------------------------------------------

REFUSED_HOSTS = [
    ("http://localhost/x", "HTTP URI host `localhost` is not allowed (loopback)"),
    ("https://LocalHost:443/x", "HTTP URI host `LocalHost` is not allowed (loopback)"),
    ("http://127.1.2.3:8080/x", "HTTP URI host `127.1.2.3` is not allowed (private or loopback address)"),
    ("http://[::1]:8080/x", "HTTP URI host `::1` is not allowed (private or loopback address)"),
    ("http://example.com@127.0.0.1/",
     "HTTP URI host `127.0.0.1` is not allowed (private or loopback address)"),
    *[(f"http://{host}/x", f"HTTP URI host `{host.strip('[]')}` is not allowed (private or loopback address)")
      for host in ["127.0.0.1", "127.255.0.9", "10.1.2.3", "172.16.0.1", "172.31.0.1", "192.168.1.1",
                   "169.254.0.1", "0.0.0.0", "255.255.255.255", "[::]", "[::1]", "[fe80::1]", "[fd00::1]",
                   "[fc00::5]", "[::ffff:127.0.0.1]", "[::ffff:7f00:1]", "[::FFFF:10.0.0.1]",
                   "[::ffff:192.168.1.1]", "[::ffff:169.254.1.1]", "[::ffff:0.0.0.0]",
                   "[::ffff:255.255.255.255]", "[0:0:0:0:0:ffff:172.20.0.1]"]],
    ("http://printer.local/x", "HTTP URI host `printer.local` is not allowed"),
    ("http://app.localhost:3000/", "HTTP URI host `app.localhost` is not allowed"),
    ("http:///x", "invalid HTTP URI (missing host): http:///x"),
    ("https://user@/x", "invalid HTTP URI (missing host): https://user@/x"),
]


@pytest.mark.parametrize("source, problem", REFUSED_HOSTS, ids=[s for s, _ in REFUSED_HOSTS])
def test_private_and_loopback_hosts_are_refused(lake, source, problem):
    with pytest.raises(_lorewood.LorewoodError) as caught:
        lake.read(source)
    assert caught.value.args == (f"lakehouse error: {problem}",)


@pytest.mark.parametrize("source, scheme", [
    ("ftp://example.com/a.csv", "ftp"), ("FILE:///etc/passwd", "FILE"), ("File://notes.txt", "File"),
    ("Http://example.com/", "Http"), ("HTTPS://127.0.0.1/", "HTTPS"), ("S3://bucket/key", "S3"),
    ("gopher://localhost/", "gopher"),
])
def test_schemes_are_compared_exactly(lake, source, scheme):
    lake.file("notes.txt", "remote text")
    with pytest.raises(_lorewood.LorewoodError) as caught:
        lake.read(source)
    assert caught.value.args == (f"content scheme {scheme} is not allowed",)


@pytest.mark.parametrize("source, escaped", [
    ("../secret.txt", "secret.txt"),
    ("sub/../../secret.txt", "secret.txt"),
    ("file://{remote}/../secret.txt", "secret.txt"),
    ("file://{top}/lakehouse/x.txt", "lakehouse/x.txt"),  # a sibling sharing the prefix
    ("outside.txt", "secret.txt"),                      # a symbolic link leaving the remote
    ("linked/x.txt", "lakehouse/x.txt"),                # a linked directory leaving it
])
def test_paths_leaving_the_allowlist_are_refused(lake, source, escaped):
    (lake.top / "secret.txt").write_text("secret")
    (lake.top / "lakehouse").mkdir()
    (lake.top / "lakehouse" / "x.txt").write_text("x")
    (lake.remote / "sub").mkdir()
    (lake.remote / "outside.txt").symlink_to(lake.top / "secret.txt")
    (lake.remote / "linked").symlink_to(lake.top / "lakehouse", target_is_directory=True)
    source = source.format(remote=lake.remote, top=lake.top)
    uri = source if "://" in source else f"file://{lake.remote}/{source}"
    canonical = os.path.realpath(lake.top / escaped)
    lake.node("subject", source)
    lake.node("plain")
    index, reader = lake.open()
    with pytest.raises(_lorewood.LorewoodError) as caught:
        reader.read_node(index, "subject")
    assert caught.value.args == (
        f"content resolve failed for {uri}: path {canonical} is outside configured file allowlist",)
    assert reader.cache_len() == 0
    assert reader.read_node(index, "plain").content.kind == "local"  # the reader is still usable


def test_symlinked_remote_is_admitted_by_its_canonical_form(lake):
    lake.file("notes.txt", "remote text")
    alias = lake.top / "alias"
    alias.symlink_to(lake.remote, target_is_directory=True)
    content = lake.read("notes.txt", remotes=[(f"file://{alias}/", "text")])
    assert (content.body, content.uri) == ("remote text", f"file://{alias}/notes.txt")


def test_without_a_file_remote_no_file_is_read(lake):
    lake.file("notes.txt", "remote text")
    later = lake.top / "later"
    remotes = [("s3://bucket/", "csv"), (f"file://{later}/", "text")]  # later does not exist yet
    lake.node("subject", f"file://{lake.remote}/notes.txt")
    index, reader = lake.open(remotes=remotes)
    later.mkdir()  # created after the reader: not admitted
    with pytest.raises(_lorewood.LorewoodError) as caught:
        reader.read_node(index, "subject")
    assert caught.value.args == (f"content resolve failed for file://{lake.remote}/notes.txt: "
                                 "file:// reads require a configured file allowlist",)


def test_refused_hosts_never_reach_the_network(lake):
    with socket.socket() as server:
        server.bind(("127.0.0.1", 0))
        server.listen()
        port = server.getsockname()[1]
        for host in ["127.0.0.1", "localhost", "LOCALHOST", "[::ffff:127.0.0.1]", "[::ffff:7f00:1]"]:
            with pytest.raises(_lorewood.LorewoodError, match="^lakehouse error: HTTP URI host"):
                lake.read(f"http://{host}:{port}/x")
        assert select.select([server], [], [], 0.2)[0] == []


# --- cache ----------------------------------------------------------------------------


def test_cache_keeps_fetched_content_per_reader(lake):
    lake.file("a.txt", "a" * 11)
    lake.file("t.parquet", PARQUET)
    for node_id in "ab":
        lake.node(node_id, "a.txt")
    lake.node("t", "t.parquet")
    lake.node("web", "https://example.com/page")
    lake.node("plain")
    config = lake.configure()
    index, reader = config.open_index(), config.open_lakehouse_reader()
    assert reader.read_node(index, "a").content.body == "a" * 11
    assert (reader.cache_len(), reader.cache_bytes()) == (1, 11)
    lake.file("a.txt", "changed")  # a second read within the lifetime is served from the cache
    assert reader.read_node(index, "b").content.body == "a" * 11
    reader.read_node(index, "plain")
    assert (reader.cache_len(), reader.cache_bytes()) == (1, 11)
    reader.read_node(index, "t")
    reader.read_node(index, "web")
    # Parquet: file size plus snippet; HTTP: 128 plus snippet.
    assert (reader.cache_len(), reader.cache_bytes()) == (3, 11 + 56 + 128 + len(HTTP_SNIPPET))

    other = config.open_lakehouse_reader()
    assert (other.cache_len(), other.cache_bytes()) == (0, 0)
    assert other.read_node(index, "a").content.body == "changed"


def test_failures_are_not_cached(lake):
    lake.node("late", "late.txt")
    index, reader = lake.open()
    with pytest.raises(_lorewood.LorewoodError, match="No such file or directory"):
        reader.read_node(index, "late")
    assert reader.cache_len() == 0
    lake.file("late.txt", "here now")
    assert reader.read_node(index, "late").content.body == "here now"
    assert reader.cache_len() == 1


@pytest.mark.parametrize("max_bytes, sizes, expected", [
    (22, [11, 11], (2, 22)),        # exactly at the budget: nothing evicted
    (15, [11, 11], (1, 11)),        # the older entry goes
    (15, [11, 20], (0, 0)),         # too big alone: everything evicted, nothing stored
    (0, [11, 20, 300], (3, 331)),   # 0 means unlimited
])
def test_cache_budget(lake, max_bytes, sizes, expected):
    for number, size in enumerate(sizes):
        lake.file(f"{number}.txt", "x" * size)
        lake.node(f"n{number}", f"{number}.txt")
    index, reader = lake.open(cache=f"max_bytes = {max_bytes}")
    for number in range(len(sizes)):
        reader.read_node(index, f"n{number}")
    assert (reader.cache_len(), reader.cache_bytes()) == expected


def test_stale_entries_are_fetched_again(lake):
    lake.file("a.txt", "first")
    lake.node("a", "a.txt")
    index, reader = lake.open(cache="ttl_secs = 1")
    reader.read_node(index, "a")
    lake.file("a.txt", "second")
    assert reader.read_node(index, "a").content.body == "first"
    time.sleep(2.1)
    assert reader.read_node(index, "a").content.body == "second"
    assert (reader.cache_len(), reader.cache_bytes()) == (1, 6)  # replaced, not added


# --- the reader object ------------------------------------------------------------------


def test_index_method_and_reader_method_agree(lake):
    lake.file("notes.txt", "remote text")
    lake.node("notes", "notes.txt")
    index, reader = lake.open()
    direct = reader.read_node(index, "notes")
    via_index = index.read_node_with_content(reader, "notes")
    assert fields(direct.content) == fields(via_index.content)
    assert direct.node.to_dict() == via_index.node.to_dict()
    by_keyword = index.read_node_with_content(reader=reader, node_id="notes")
    assert reader.read_node(index=index, node_id="notes").node.id == by_keyword.node.id
    assert reader.cache_len() == 1
    # Each read of a property builds a new object holding equal values.
    assert direct.node is not direct.node and direct.content is not direct.content
    assert direct.node.to_dict() == direct.node.to_dict()


def test_reader_argument_errors_and_missing_node(lake):
    lake.node("plain")
    index, reader = lake.open()
    with pytest.raises(TypeError, match="^argument 'index'"):
        reader.read_node(reader, "plain")
    with pytest.raises(TypeError, match="^argument 'reader'"):
        index.read_node_with_content(index, "plain")
    with pytest.raises(TypeError, match="^argument 'node_id'"):
        reader.read_node(index, 5)
    with pytest.raises(TypeError):
        reader.read_node(index)
    with pytest.raises(TypeError):
        reader.cache_len(1)
    with pytest.raises(_lorewood.LorewoodError) as caught:
        reader.read_node(index, "nope")
    assert caught.value.args == ("node nope not found",)
    assert reader.read_node(index, "plain").node.id == "plain"


def test_repr_quotes_ids(lake):
    lake.graph.node("odd.md", 'say "hi"\t')
    index, reader = lake.open()
    assert repr(reader.read_node(index, 'say "hi"\t')) == (
        'NodeWithContent(id="say \\"hi\\"\\t", kind="local")')


def test_read_only_snapshots(lake):
    lake.node("plain")
    index, reader = lake.open()
    item = reader.read_node(index, "plain")
    for obj, name in [(item, "node"), (item.content, "body"), (item.content, "kind")]:
        with pytest.raises(AttributeError):
            setattr(obj, name, None)
    (lake.graph.root / "plain.md").unlink()
    assert item.content.body == "body\n"  # no link back to the index or the file


def test_an_internal_fault_poisons_the_reader(lake):
    # A remote text file far larger than the address space left to the process:
    # the read fails while the reader's lock is held.
    with open(lake.remote / "huge.txt", "wb") as huge:
        huge.truncate(8 << 30)
    lake.node("huge", "huge.txt")
    lake.node("plain")
    lake.configure()
    script = textwrap.dedent(f"""
        import resource, _lorewood
        config = _lorewood.load_config({str(lake.config_path)!r})
        index, reader = config.open_index(), config.open_lakehouse_reader()
        with open("/proc/self/status") as status:
            size = next(int(line.split()[1]) * 1024 for line in status if line.startswith("VmSize:"))
        resource.setrlimit(resource.RLIMIT_AS, (size + (1 << 30), resource.RLIM_INFINITY))
        try:
            reader.read_node(index, "huge")
        except MemoryError:
            print("MemoryError")
        for use in (reader.cache_len, reader.cache_bytes, lambda: reader.read_node(index, "plain"),
                    lambda: index.read_node_with_content(reader, "plain")):
            try:
                use()
            except _lorewood.LorewoodError as error:
                print(type(error).__name__, error)
        print(config.open_lakehouse_reader().read_node(index, "plain").content.kind)
    """)
    run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=120,
                         env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path)})
    poisoned = "PyLorewoodError reader lock poisoned: poisoned lock: another task failed inside"
    assert run.stdout.splitlines() == ["MemoryError", *[poisoned] * 4, "local"], run.stderr


# --- docstrings and signatures ----------------------------------------------------------

@pytest.mark.parametrize("obj, doc", [
    (_lorewood.LakehouseReader,
     'Reads node content according to the configured storage mode.\n\n'
     'In ``"local"`` mode, returns the markdown body from disk.\n'
     'In ``"lakehouse"`` mode, resolves the ``source`` / ``source_uri`` field\n'
     'against the configured remote sources and returns the external content.\n\n'
     'Construct via :meth:`ResolvedConfig.open_lakehouse_reader`.\n\n'
     'Example::\n\n'
     '    config = lorewood.load_config("lorewood.toml")\n'
     '    index  = config.open_index()\n'
     '    reader = config.open_lakehouse_reader()\n\n'
     '    result = reader.read_node(index, "my_asset")\n'
     '    print(result.content.to_markdown())'),
    (_lorewood.ResolvedContent,
     'Content returned when reading a node in Python.\n\n'
     '`kind` is one of ``"local"``, ``"text"``, or ``"external_asset"``.\n'
     'Use `.to_markdown()` to get a human/agent-friendly string regardless of kind.'),
    (_lorewood.NodeWithContent,
     "A graph node paired with its resolved external content.\n\n"
     "Access the raw node via `.node` and the resolved content via `.content`."),
    (_lorewood.ResolvedConfig, None),
    (_lorewood.ResolvedConfig.root_path, ""),
    (_lorewood.ResolvedConfig.open_index, None),
    (_lorewood.ResolvedConfig.open_lakehouse_reader,
     'Open a :class:`LakehouseReader` configured from this config.\n\n'
     'In ``"local"`` mode the reader simply returns markdown bodies.\n'
     'In ``"lakehouse"`` mode it resolves ``source`` URIs against remote sources.'),
    (_lorewood.LakehouseReader.read_node,
     "Read a node and resolve its external content synchronously.\n\n"
     "Returns a :class:`NodeWithContent` with both the node metadata/body\n"
     "and the resolved content (local or external)."),
    (_lorewood.LakehouseReader.cache_len, "Number of entries currently in the in-memory content cache."),
    (_lorewood.LakehouseReader.cache_bytes, "Total bytes currently held in the in-memory content cache."),
    (_lorewood.GraphIndex.read_node_with_content,
     "Read a node with external content resolution via a :class:`LakehouseReader`.\n\n"
     "Equivalent to ``reader.read_node(index, node_id)`` but callable directly\n"
     "on the index. Useful when you already have a reader open."),
    (_lorewood.ResolvedContent.to_markdown, "Markdown-friendly summary suitable for agent consumption."),
    (_lorewood.ResolvedContent.kind, 'One of ``"local"``, ``"text"``, or ``"external_asset"``.'),
    (_lorewood.ResolvedContent.body,
     'The markdown body for ``"local"`` and ``"text"`` content; ``None`` for external assets.'),
    (_lorewood.ResolvedContent.uri,
     'The external URI for ``"text"`` and ``"external_asset"`` content; ``None`` for local.'),
    (_lorewood.ResolvedContent.format,
     'The detected format for ``"external_asset"`` content (e.g. ``"parquet"``); ``None`` otherwise.'),
    (_lorewood.ResolvedContent.size_bytes, "Size in bytes of the external asset, if known."),
    (_lorewood.ResolvedContent.parquet_magic_valid,
     "Whether the Parquet magic header is valid (external Parquet assets only)."),
    (_lorewood.ResolvedContent.snippet, "Optional text snippet for external assets."),
    (_lorewood.NodeWithContent.node, "The graph node (metadata + markdown body)."),
    (_lorewood.NodeWithContent.content, "The resolved content (local markdown or external asset)."),
], ids=lambda value: getattr(value, "__qualname__", None) if not isinstance(value, str) else "")
def test_docstrings(obj, doc):
    # For methods, the text signature before "--" moves into __text_signature__.
    assert obj.__doc__ == doc


@pytest.mark.parametrize("function, signature", [
    (_lorewood.ResolvedConfig.open_index, "(self, /)"),
    (_lorewood.ResolvedConfig.open_lakehouse_reader, "(self, /)"),
    (_lorewood.LakehouseReader.read_node, "(self, /, index, node_id)"),
    (_lorewood.LakehouseReader.cache_len, "(self, /)"),
    (_lorewood.LakehouseReader.cache_bytes, "(self, /)"),
    (_lorewood.GraphIndex.read_node_with_content, "(self, /, reader, node_id)"),
    (_lorewood.ResolvedContent.to_markdown, "(self, /)"),
])
def test_text_signatures(function, signature):
    assert str(inspect.signature(function)) == signature
