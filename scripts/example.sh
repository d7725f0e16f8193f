#!/usr/bin/env bash
# Runs the main job on the bundled example graph: open, list, read, report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
.venv/bin/python examples/run_example.py examples/graph
