"""Open a graph root, list its nodes, show one of them, then read a node's
external content in lakehouse mode from a local file:// remote source."""
import os
import sys
from pathlib import Path

import lorewood


def show_graph(root: str) -> None:
    index = lorewood.open_index(root)
    print(repr(index))
    for node_id in index.list_nodes():
        node = index.read_node(node_id)
        print(f"- {node.id} ({node.node_type}) at {node.relative_path}")
    print()
    print(index.traverse("welcome", depth=1).to_markdown(index), end="")


def show_lakehouse() -> None:
    # lorewood.toml names its remote source relative to the current directory.
    examples = Path(__file__).resolve().parent
    previous = os.getcwd()
    os.chdir(examples)
    try:
        config = lorewood.load_config("lorewood.toml")
        index = config.open_index()
        reader = config.open_lakehouse_reader()
        result = reader.read_node(index, "release-notes")
        print(repr(config))
        print(repr(result))
        print(result.content.to_markdown())
    finally:
        os.chdir(previous)


if __name__ == "__main__":
    root = sys.argv[1] if len(sys.argv) > 1 else "examples/graph"
    show_graph(root)
    print("## Lakehouse mode\n")
    show_lakehouse()
