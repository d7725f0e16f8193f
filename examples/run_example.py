"""Open a graph root, list its nodes and show one of them."""
import sys

import lorewood


def main(root: str) -> None:
    index = lorewood.open_index(root)
    print(repr(index))
    for node_id in index.list_nodes():
        node = index.read_node(node_id)
        print(f"- {node.id} ({node.node_type}) at {node.relative_path}")
    first = index.read_node(index.list_nodes()[0])
    print()
    print(first.to_markdown(), end="")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/graph")
