"""Open a graph root, list its nodes, show one of them, then read a node's
external content in lakehouse mode from a local file:// remote source."""
import json
import sys
import tempfile
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


def show_lakehouse(root: str) -> None:
    graph = Path(root).resolve()
    remote = (graph.parent / "remote").resolve()
    with tempfile.TemporaryDirectory() as folder:
        config_path = Path(folder, "lorewood.toml")
        config_path.write_text(
            '[storage]\nmode = "lakehouse"\n'
            f"root_path = {json.dumps(str(graph))}\n\n"
            f"[[lakehouse.remote_sources]]\nuri = {json.dumps(remote.as_uri() + '/')}\n"
            'format = "text"\n')
        config = lorewood.load_config(str(config_path))
        index = config.open_index()
        reader = config.open_lakehouse_reader()
        result = reader.read_node(index, "release-notes")
        print(repr(config).replace(str(graph), root))
        print(repr(result))
        print(result.content.to_markdown().replace(str(remote), "<remote>"))


if __name__ == "__main__":
    root = sys.argv[1] if len(sys.argv) > 1 else "examples/graph"
    show_graph(root)
    print("## Lakehouse mode\n")
    show_lakehouse(root)
