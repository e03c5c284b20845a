#!/usr/bin/env bash
# The main job: build the module and its host, then show what the module is.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh base
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target erf-convert R_UDI
build/bin/erf-convert --info
