"""Lorewood: a knowledge-graph engine for agent memory.

The graph is a directory of Markdown notes with YAML frontmatter; this package
re-exports the extension module ``_lorewood``.

    import lorewood
    index = lorewood.open_index("notes")
    for node_id in index.list_nodes():
        print(index.read_node(node_id).to_dict())
"""
import _lorewood
from _lorewood import *  # noqa: F401,F403

__all__ = list(_lorewood.__all__)
