"""Awaitable methods: traverse_async, read_node_async, LakehouseReader.read_node_async."""
from __future__ import annotations

import asyncio
import contextvars
from pathlib import Path

import pytest

import _lorewood


# ---- Fixtures and views ----

def walk(result):
    """Everything a TraversalResult says, as plain values."""
    return (result.start, result.order, result.max_depth,
            [(n.id, n.depth, list(n.path)) for n in result.nodes])


def node_view(node):
    return (node.to_dict(), node.relative_path, node.to_markdown())


def item_view(item):
    content = item.content
    return (node_view(item.node), content.kind, content.body, content.uri,
            content.format, content.to_markdown())


@pytest.fixture
def index(graph):
    graph.node("a.md", "a", body="to [[b]] and [[c]]")
    graph.node("b.md", "b", body="to [[d]]")
    graph.node("c.md", "c", body="plain")
    graph.node("d.md", "d", body="back to [[a]]")
    return graph.open()


@pytest.fixture
def lakehouse(tmp_path: Path, graph):
    """(config, index) in lakehouse mode: node "asset" has a csv file as source."""
    data = tmp_path / "data"
    data.mkdir()
    (data / "t.csv").write_text("a,b\n1,2\n", encoding="utf-8")
    graph.node("asset.md", "asset", body="asset body",
               frontmatter=f"source: {graph.yaml_quote((data / 't.csv').as_uri())}\n")
    graph.node("plain.md", "plain", body="local body")
    config_path = tmp_path / "lorewood.toml"
    config_path.write_text(
        '[storage]\nmode = "lakehouse"\nroot_path = "graph"\n'
        f'[lakehouse]\n[[lakehouse.remote_sources]]\nuri = "{data.as_uri()}"\nformat = "csv"\n',
        encoding="utf-8")
    config = _lorewood.load_config(str(config_path))
    return config, config.open_index()


async def wait_until(condition, timeout=5.0):
    """Polls `condition` on the loop until it holds; fails after `timeout` seconds."""
    loop = asyncio.get_running_loop()
    deadline = loop.time() + timeout
    while not condition():
        assert loop.time() < deadline, "condition not reached in time"
        await asyncio.sleep(0.005)


# ---- Call-time checks ----

def awaitable_calls(index, reader):
    return {
        "traverse_async": lambda: index.traverse_async("a"),
        "read_node_async": lambda: index.read_node_async("a"),
        "reader.read_node_async": lambda: reader.read_node_async(index, "asset"),
    }


@pytest.mark.parametrize("method", ["traverse_async", "read_node_async", "reader.read_node_async"])
def test_without_running_loop_raises_runtime_error_and_starts_nothing(lakehouse, method):
    config, index = lakehouse
    reader = config.open_lakehouse_reader()
    with pytest.raises(RuntimeError, match="no running event loop"):
        awaitable_calls(index, reader)[method]()
    # A loop that exists but is not running does not count either.
    loop = asyncio.new_event_loop()
    try:
        asyncio.set_event_loop(loop)
        with pytest.raises(RuntimeError):
            awaitable_calls(index, reader)[method]()
    finally:
        asyncio.set_event_loop(None)
        loop.close()
    assert reader.cache_len() == 0


@pytest.mark.parametrize("call, error", [
    (lambda i, r: i.traverse_async("a", order="x"), ValueError),
    (lambda i, r: i.traverse_async("a", depth=-1), OverflowError),
    (lambda i, r: i.traverse_async("a", depth=2**32), OverflowError),
    (lambda i, r: i.traverse_async(1), TypeError),
    (lambda i, r: i.read_node_async(), TypeError),
    (lambda i, r: i.read_node_async(b"a"), TypeError),
    (lambda i, r: r.read_node_async("a", "asset"), TypeError),
    (lambda i, r: r.read_node_async(i, None), TypeError),
    (lambda i, r: r.read_node_async(i, "asset", "extra"), TypeError),
])
def test_argument_errors_raise_at_the_call(lakehouse, call, error):
    config, index = lakehouse
    reader = config.open_lakehouse_reader()
    # Outside a loop the argument error wins over the missing loop ...
    with pytest.raises(error):
        call(index, reader)

    async def main():
        # ... and inside one it is raised before any future exists.
        with pytest.raises(error):
            call(index, reader)

    asyncio.run(main())


def test_bad_order_message_matches_direct_traverse(index):
    with pytest.raises(ValueError) as direct:
        index.traverse("a", order="DFX")
    with pytest.raises(ValueError) as awaitable:
        index.traverse_async("a", order="DFX")
    assert str(awaitable.value) == str(direct.value)


# ---- Results ----

@pytest.mark.parametrize("depth, order", [(0, "bfs"), (2, "bfs"), (5, "dfs"), (1, "DFS")])
def test_traverse_async_matches_traverse(index, depth, order):
    async def main():
        return await index.traverse_async("a", depth, order)

    result = asyncio.run(main())
    assert isinstance(result, _lorewood.TraversalResult)
    assert walk(result) == walk(index.traverse("a", depth, order))


def test_returns_a_future_of_the_running_loop(index):
    async def main():
        future = index.read_node_async("a")
        assert asyncio.isfuture(future)
        assert future.get_loop() is asyncio.get_running_loop()
        node = await future
        assert node_view(node) == node_view(index.read_node("a"))

    asyncio.run(main())


def test_core_errors_surface_from_the_await(lakehouse):
    config, index = lakehouse
    reader = config.open_lakehouse_reader()

    async def main():
        for awaitable in (index.traverse_async("missing"), index.read_node_async("missing"),
                          reader.read_node_async(index, "missing")):
            with pytest.raises(_lorewood.LorewoodError) as caught:
                await awaitable
            assert str(caught.value) == "node missing not found"

    asyncio.run(main())
    assert reader.read_node(index, "plain").content.body == "local body"  # still usable


def test_gathered_traversals_each_get_their_own_result(index):
    starts = ["a", "b", "c", "d"] * 5

    async def main():
        return await asyncio.gather(*(index.traverse_async(s, depth=3) for s in starts))

    results = asyncio.run(main())
    assert len({id(r) for r in results}) == len(starts)
    assert [walk(r) for r in results] == [walk(index.traverse(s, depth=3)) for s in starts]


def test_reader_read_node_async_matches_read_node_and_shares_the_cache(lakehouse):
    config, index = lakehouse
    reader = config.open_lakehouse_reader()

    async def main():
        return await asyncio.gather(reader.read_node_async(index, "asset"),
                                    reader.read_node_async(index=index, node_id="plain"))

    asset, plain = asyncio.run(main())
    assert isinstance(asset, _lorewood.NodeWithContent)
    assert asset.content.kind == "text" and plain.content.kind == "local"
    # The worker-side read filled this reader's own cache ...
    assert reader.cache_len() == 1
    assert item_view(asset) == item_view(reader.read_node(index, "asset"))
    assert item_view(plain) == item_view(reader.read_node(index, "plain"))
    assert reader.cache_len() == 1
    # ... and no other reader's.
    assert config.open_lakehouse_reader().cache_len() == 0


# ---- Snapshots ----

def test_traversal_sees_the_index_as_it_was_at_the_call(index):
    before = walk(index.traverse("a", depth=3))

    async def main():
        pending = [index.traverse_async("a", depth=3) for _ in range(20)]
        index.delete_node("b")
        index.delete_node("a")
        index.create_node("e", body="new")
        return await asyncio.gather(*pending)

    assert [walk(r) for r in asyncio.run(main())] == [before] * 20
    with pytest.raises(_lorewood.LorewoodError):
        index.traverse("a")


def test_reads_work_on_a_copy_of_the_index(index, graph):
    async def main():
        pending = index.read_node_async("c")
        index.delete_node("c")
        # The copy still knows c; the outcome depends on whether the worker
        # read the file before it was removed.
        try:
            node = await pending
        except _lorewood.LorewoodError as error:
            assert "c.md" in str(error)
        else:
            assert node.id == "c" and node.body == "plain"
        assert not (graph.root / "c.md").exists()
        with pytest.raises(_lorewood.LorewoodError, match="node c not found"):
            await index.read_node_async("c")

    asyncio.run(main())


def test_reader_survives_its_python_object(lakehouse):
    config, index = lakehouse

    async def main():
        reader = config.open_lakehouse_reader()
        pending = [reader.read_node_async(index, "asset") for _ in range(10)]
        del reader
        return await asyncio.gather(*pending)

    for item in asyncio.run(main()):
        assert item.content.kind == "text"


# ---- Context and cancellation ----

request = contextvars.ContextVar("request", default="unset")


class RecordingFuture(asyncio.Future):
    """Records the context variable seen when the result or exception arrives."""

    seen: list = []

    def set_result(self, result):
        RecordingFuture.seen.append(request.get())
        super().set_result(result)

    def set_exception(self, exception):
        RecordingFuture.seen.append(request.get())
        super().set_exception(exception)


class RecordingLoop(asyncio.SelectorEventLoop):
    def create_future(self):
        return RecordingFuture(loop=self)


def test_result_is_delivered_in_the_context_copied_at_the_call(index):
    RecordingFuture.seen = []

    async def main():
        request.set("at call")
        pending = [index.traverse_async("a"), index.read_node_async("missing")]
        assert all(isinstance(f, RecordingFuture) for f in pending)
        request.set("after call")
        await asyncio.gather(*pending, return_exceptions=True)
        assert request.get() == "after call"

    loop = RecordingLoop()
    try:
        loop.run_until_complete(main())
    finally:
        loop.close()
    assert RecordingFuture.seen == ["at call", "at call"]


def test_cancelled_future_is_left_alone_while_the_work_finishes(lakehouse):
    config, index = lakehouse
    reader = config.open_lakehouse_reader()
    errors = []

    async def main():
        asyncio.get_running_loop().set_exception_handler(lambda loop, ctx: errors.append(ctx))
        futures = [reader.read_node_async(index, "asset"), index.traverse_async("asset"),
                   index.read_node_async("missing")]
        for future in futures:
            future.cancel()
        for future in futures:
            with pytest.raises(asyncio.CancelledError):
                await future
        # The worker-side read still ran to its end and filled the cache.
        await wait_until(lambda: reader.cache_len() == 1)
        # Later calls are unaffected; the late deliveries changed nothing.
        assert (await index.read_node_async("plain")).body == "local body"
        await asyncio.sleep(0.05)
        assert all(f.cancelled() for f in futures)

    asyncio.run(main())
    assert errors == []



@pytest.mark.parametrize("method, signature", [
    (_lorewood.GraphIndex.traverse_async, "(self, /, from_id, depth=2, order='bfs')"),
    (_lorewood.GraphIndex.read_node_async, "(self, /, node_id)"),
    (_lorewood.LakehouseReader.read_node_async, "(self, /, index, node_id)"),
])
def test_signatures(method, signature):
    import inspect

    assert str(inspect.signature(method)) == signature


def test_docstrings():
    assert _lorewood.GraphIndex.traverse_async.__doc__ in (None, "")
    assert _lorewood.GraphIndex.read_node_async.__doc__ in (None, "")
    lines = _lorewood.LakehouseReader.read_node_async.__doc__.split("\n")
    assert lines[:2] == ["Read a node and resolve its external content asynchronously.", ""]
    assert lines[2].startswith("Returns an awaitable :class:`NodeWithContent`.")
    assert len(lines) == 4 and "worker thread pool" in lines[2] + lines[3]
