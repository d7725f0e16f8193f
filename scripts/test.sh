#!/usr/bin/env bash
# Runs every test: the C++ unit tests (ctest) and the Python tests (pytest).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

export PATH="$PWD/.venv/bin:$PATH"
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/tests -G Ninja -DCMAKE_BUILD_TYPE=Release -DLOREWOOD_BUILD_TESTS=ON >/dev/null
cmake --build build/tests -j "$jobs"
ctest --test-dir build/tests --output-on-failure -j "$jobs"

# Tests import the installed module (the package sources live under python/,
# which is not on the path).
python -m pytest tests/python
