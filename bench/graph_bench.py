"""Median latency of backlinks and depth-3 traversals on a generated graph.

    python bench/graph_bench.py /tmp/vault100k [--repeat 20]
"""
import argparse
import statistics
import time

import _lorewood


def median_ms(call, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        call()
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--repeat", type=int, default=20)
    args = parser.parse_args()
    index = _lorewood.open_index(args.root)
    ids = index.list_nodes()
    probes = [ids[0], ids[len(ids) // 2], ids[-1]]
    for node_id in probes:
        ms = median_ms(lambda: index.backlinks(node_id), args.repeat)
        print(f"backlinks({node_id!r}): {ms:.2f} ms median, {len(index.backlinks(node_id))} ids")
    for order in ("bfs", "dfs"):
        result = index.traverse(ids[0], 3, order)
        ms = median_ms(lambda: index.traverse(ids[0], 3, order), args.repeat)
        print(f"traverse({ids[0]!r}, 3, {order!r}): {ms:.2f} ms median, {len(result.nodes)} nodes")


if __name__ == "__main__":
    main()
