"""Awaitables whose caller goes away: interpreter shutdown, a closed loop, a
dropped reader. Each scenario runs in a child process, which must exit cleanly
and quietly."""
from __future__ import annotations

import os
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

CHAIN = 300  # nodes in a chain, so that a deep traversal takes a while


@pytest.fixture
def setup(tmp_path: Path, graph):
    for k in range(CHAIN):
        graph.node(f"n{k}.md", f"n{k}", body=f"next [[n{k + 1}]] and [[n{(k * 7) % CHAIN}]]")
    data = tmp_path / "data"
    data.mkdir()
    (data / "t.csv").write_text("a,b\n" + "1,2\n" * 1000, encoding="utf-8")
    for k in range(20):
        graph.node(f"asset{k}.md", f"asset{k}",
                   frontmatter=f"source: {graph.yaml_quote((data / 't.csv').as_uri())}\n")
    config = tmp_path / "lorewood.toml"
    config.write_text(
        '[storage]\nmode = "lakehouse"\nroot_path = "graph"\n'
        f'[lakehouse]\n[[lakehouse.remote_sources]]\nuri = "{data.as_uri()}"\nformat = "csv"\n'
        '[lakehouse.cache]\nttl_secs = 0\nmax_bytes = 1\n',  # nothing fits: every read resolves
        encoding="utf-8")
    return config


PRELUDE = """
import asyncio, gc, sys, threading, time
import _lorewood
config = _lorewood.load_config(sys.argv[1])
index = config.open_index()
CHAIN = {chain}

def start_work(reader=None, count=60):
    futures = []
    for k in range(count):
        futures.append(index.traverse_async("n0", depth=CHAIN, order="dfs" if k % 2 else "bfs"))
        futures.append(index.read_node_async(f"n{{k % CHAIN}}"))
        if reader is not None:
            futures.append(reader.read_node_async(index, f"asset{{k % 20}}"))
    return futures
"""


def run_child(script: str, config: Path) -> subprocess.CompletedProcess:
    code = PRELUDE.format(chain=CHAIN) + textwrap.dedent(script)
    env = dict(os.environ, PYTHONDEVMODE="1", PYTHONFAULTHANDLER="1")
    return subprocess.run([sys.executable, "-c", code, str(config)], capture_output=True,
                          text=True, timeout=60, env=env)


SCENARIOS = {
    # The main thread returns from the interpreter while results are on their
    # way; a daemon thread with its own loop keeps starting work until the end.
    "shutdown with work in flight": """
        def churn():
            async def forever():
                reader = config.open_lakehouse_reader()
                while True:
                    start_work(reader, count=5)
                    await asyncio.sleep(0)
            asyncio.run(forever())

        threading.Thread(target=churn, daemon=True).start()

        async def main():
            return start_work(config.open_lakehouse_reader())

        loop = asyncio.new_event_loop()
        pending = loop.run_until_complete(main())
        time.sleep(0.05)
        import warnings
        warnings.simplefilter("ignore", ResourceWarning)  # the loop stays open on purpose
        print("exiting", len(pending))
    """,
    # The loop is closed while the workers still run; their hand-back meets a
    # closed loop. The pool stays usable for a later loop.
    "loop closed before the work finishes": """
        for _ in range(3):
            async def main():
                return start_work(config.open_lakehouse_reader())

            loop = asyncio.new_event_loop()
            pending = loop.run_until_complete(main())
            loop.close()
            del pending
        time.sleep(0.5)

        async def later():
            result = await index.traverse_async("n0", depth=2)
            assert result.start == "n0"
        asyncio.run(later())
        print("ok")
    """,
    # The Python reader goes away while its reads run; the reads keep it alive,
    # finish, and the last one frees it off the interpreter's threads.
    "reader dropped while its read runs": """
        async def main():
            reader = config.open_lakehouse_reader()
            futures = [reader.read_node_async(index, f"asset{k % 20}") for k in range(100)]
            del reader
            gc.collect()
            items = await asyncio.gather(*futures)
            assert all(item.content.kind == "text" for item in items)

            reader = config.open_lakehouse_reader()
            start_work(reader)
            del reader
        asyncio.run(main())
        print("ok")
    """,
}


@pytest.mark.parametrize("scenario", SCENARIOS)
def test_child_process_exits_cleanly(setup, scenario):
    done = run_child(SCENARIOS[scenario], setup)
    assert done.returncode == 0, done.stderr
    # Development mode checks that Python is never entered without the
    # interpreter lock; asyncio's debug notes about slow steps are harmless.
    for word in ("Fatal", "Traceback", "Exception ignored", "Error", "Warning"):
        assert word not in done.stderr, done.stderr
    assert done.stdout.strip() in ("ok", "exiting 180")
