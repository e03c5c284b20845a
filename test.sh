#!/usr/bin/env bash
# Builds everything and runs every test: the native tests, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows module under
# Wine against the native build. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

tools/install-deps.sh base test windows

echo "== native build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRUDI_SANITIZE=address,undefined >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== Windows module under Wine"
tests/windows/run.sh build build-win

echo "== fuzz targets under AddressSanitizer and UBSan, 60 seconds each"
# The corpus itself already ran as tests in both builds above.
tools/install-deps.sh fuzz
for target in plugin parse memory_image writer; do
  fuzz/run.sh "$target" 60
done
