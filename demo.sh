#!/usr/bin/env bash
# The main job: build the module, its host and make-erf, make the demo EPSON
# RAW file (the built-in test chart at the camera's 3040 x 2024) and convert it
# to a PNG through the module.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh base
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target R_UDI erf-convert make-erf
mkdir -p build/demo
build/bin/make-erf -o build/demo/demo.erf
build/bin/erf-convert build/demo/demo.erf -o build/demo/demo.png
echo "The picture: build/demo/demo.png"
