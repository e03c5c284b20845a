#!/usr/bin/env bash
# The main job: build the module, its host and the two tools, make the demo
# EPSON RAW file (the built-in test chart at the camera's 3040 x 2024), show
# its verdict with erf-info and convert it to a PNG through the module.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh base
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target R_UDI erf-convert make-erf erf-info
mkdir -p build/demo
build/bin/make-erf -o build/demo/demo.erf
build/bin/erf-info build/demo/demo.erf | tail -n 1
build/bin/erf-convert build/demo/demo.erf -o build/demo/demo.png
echo "The picture: build/demo/demo.png"
