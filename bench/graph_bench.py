"""Median latency of backlinks and depth-3 traversals on a generated graph.

    python bench/graph_bench.py /tmp/vault100k [--repeat 20] [--probes 5]

The graph comes from gen_vault.py; run against a Release build of the module.
Each figure is the median over `repeat` calls of one Python call, conversion of
the result included.
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


def spread(ids, count):
    """`count` ids evenly spread over the sorted list, first and last included."""
    if count <= 1 or len(ids) <= 1:
        return ids[:1]
    step = (len(ids) - 1) / (count - 1)
    return [ids[round(k * step)] for k in range(count)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--repeat", type=int, default=20)
    parser.add_argument("--probes", type=int, default=5)
    args = parser.parse_args()

    start = time.perf_counter()
    index = _lorewood.open_index(args.root)
    print(f"open: {time.perf_counter() - start:.2f} s, {len(index)} nodes")
    probes = spread(index.list_nodes(), args.probes)

    for node_id in probes:
        count = len(index.backlinks(node_id))
        ms = median_ms(lambda: index.backlinks(node_id), args.repeat)
        print(f"backlinks({node_id!r}): {ms:.2f} ms median, {count} ids")
    for node_id in probes:
        for order in ("bfs", "dfs"):
            reached = len(index.traverse(node_id, 3, order).nodes)
            ms = median_ms(lambda: index.traverse(node_id, 3, order), args.repeat)
            print(f"traverse({node_id!r}, 3, {order!r}): {ms:.2f} ms median, {reached} nodes")


if __name__ == "__main__":
    main()
