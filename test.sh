#!/usr/bin/env bash
# Builds everything and runs every test. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh base

echo "== native build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
