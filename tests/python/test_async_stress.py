"""Many awaitables in flight on one loop while another thread mutates the index."""
from __future__ import annotations

import asyncio
import random
import threading
from pathlib import Path

import _lorewood

N = 60
TOTAL = 1000


def walk(result):
    return (result.start, result.order, result.max_depth,
            [(n.id, n.depth, list(n.path)) for n in result.nodes])


def node_view(node):
    return (node.to_dict(), node.relative_path, node.to_markdown())


def item_view(item):
    return (node_view(item.node), item.content.kind, item.content.body, item.content.uri,
            item.content.to_markdown())


def test_mixed_awaitables_match_the_synchronous_call_on_the_same_snapshot(tmp_path: Path, graph):
    # The n-nodes' files never change; their links to m-nodes resolve or not
    # as the mutator creates and deletes those.
    data = tmp_path / "data"
    data.mkdir()
    (data / "t.csv").write_text("a,b\n1,2\n", encoding="utf-8")
    source = graph.yaml_quote((data / "t.csv").as_uri())
    for k in range(N):
        graph.node(f"n{k}.md", f"n{k}", body=f"[[n{(k + 1) % N}]] [[m{k}]] [[m{(k * 7) % N}]]",
                   frontmatter=f"source: {source}\n" if k % 5 == 0 else "")
    config_path = tmp_path / "lorewood.toml"
    config_path.write_text(
        '[storage]\nmode = "lakehouse"\nroot_path = "graph"\n'
        f'[lakehouse]\n[[lakehouse.remote_sources]]\nuri = "{data.as_uri()}"\nformat = "csv"\n',
        encoding="utf-8")
    config = _lorewood.load_config(str(config_path))
    index = config.open_index()
    reader = config.open_lakehouse_reader()

    # Held by the mutator around each change and by the loop around each pair
    # of synchronous and awaitable calls, so both see the same index.
    snapshot_lock = threading.Lock()
    stop = threading.Event()
    mutations = []

    def mutate():
        rng = random.Random(7)
        live = set()
        while not stop.is_set():
            k = rng.randrange(N)
            with snapshot_lock:
                if k in live:
                    index.delete_node(f"m{k}")
                    live.discard(k)
                else:
                    index.create_node(f"m{k}", body=f"[[n{(k * 3) % N}]] [[m{(k + 1) % N}]]")
                    live.add(k)
            mutations.append(k)

    async def main():
        rng = random.Random(11)
        calls = []
        for i in range(TOTAL):
            k = rng.randrange(N)
            with snapshot_lock:
                if i % 3 == 0:
                    depth, order = rng.randrange(6), rng.choice(["bfs", "dfs"])
                    expected = walk(index.traverse(f"n{k}", depth, order))
                    calls.append((walk, expected, index.traverse_async(f"n{k}", depth, order)))
                elif i % 3 == 1:
                    expected = node_view(index.read_node(f"n{k}"))
                    calls.append((node_view, expected, index.read_node_async(f"n{k}")))
                else:
                    # The direct read waits for the reader's lock while holding
                    # the interpreter lock; worker-side reads never need it.
                    expected = item_view(reader.read_node(index, f"n{k}"))
                    calls.append((item_view, expected, reader.read_node_async(index, f"n{k}")))
            if i % 50 == 0:
                await asyncio.sleep(0)
        results = await asyncio.wait_for(asyncio.gather(*(c[2] for c in calls)), timeout=60)
        return calls, results

    mutator = threading.Thread(target=mutate)
    mutator.start()
    try:
        calls, results = asyncio.run(main())
    finally:
        stop.set()
        mutator.join()

    assert len(mutations) > 10  # the index really changed under the calls
    for (view, expected, _), result in zip(calls, results):
        assert view(result) == expected
