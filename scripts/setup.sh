#!/usr/bin/env bash
# Prepares this checkout: system packages, a virtual environment with the build
# and test tools, and the extension module built and installed into it.
# Idempotent: steps that are already done are skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

SYSTEM_PACKAGES=(g++ pkg-config libyaml-dev libtomlplusplus-dev libgtest-dev)
PYTHON_PACKAGES=(scikit-build-core cmake ninja pytest hypothesis PyYAML)

missing=()
for package in "${SYSTEM_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing system packages: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

if [ ! -x .venv/bin/python ]; then
  python3 -m venv .venv
fi
stamp=".venv/.lorewood-tools"
wanted="${PYTHON_PACKAGES[*]}"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$wanted" ]; then
  .venv/bin/python -m pip install -q --upgrade pip
  .venv/bin/python -m pip install -q "${PYTHON_PACKAGES[@]}"
  echo "$wanted" > "$stamp"
fi

# Build and install the package (incremental: scikit-build-core keeps build/<tag>).
.venv/bin/python -m pip install -q --no-build-isolation .
