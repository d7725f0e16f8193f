"""Time opening a graph root and measure the index's memory.

    python bench/open_bench.py /tmp/vault100k [--repeat 5]

Generate the root first with ../shared/bench/gen_vault.py. Each run opens the
root in a fresh process (warm page cache after the first) and reports the wall
time of open_index and the growth of the resident set size.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys

CHILD = r"""
import json, sys, time, resource
import _lorewood

def rss_kib():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])

before = rss_kib()
start = time.perf_counter()
index = _lorewood.open_index(sys.argv[1])
elapsed = time.perf_counter() - start
print(json.dumps({"seconds": elapsed, "rss_kib": rss_kib() - before, "nodes": len(index)}))
"""


def tree_bytes(root):
    total = 0
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if d != ".lorewood"]
        total += sum(os.path.getsize(os.path.join(folder, f)) for f in files if f.endswith(".md"))
    return total


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    size = tree_bytes(args.root)
    runs = []
    for _ in range(args.repeat + 1):  # the first run warms the page cache
        out = subprocess.run([sys.executable, "-c", CHILD, args.root], check=True,
                             capture_output=True, text=True).stdout
        runs.append(json.loads(out))
    runs = runs[1:]
    seconds = [r["seconds"] for r in runs]
    rss = max(r["rss_kib"] for r in runs) * 1024
    print(f"nodes: {runs[0]['nodes']}, node file bytes: {size}")
    print(f"open: median {statistics.median(seconds):.3f} s, min {min(seconds):.3f} s "
          f"over {len(seconds)} runs")
    print(f"memory: {rss / 1e6:.1f} MB resident growth, {rss / size:.2f} bytes per node-file byte")


if __name__ == "__main__":
    main()
