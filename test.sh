#!/usr/bin/env bash
# Checks the sources' format, builds everything and runs every test: the native tests, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, in 64 and in 32 bits, the
# Windows module under Wine against the native build, and the fuzz targets.
# Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

tools/install-deps.sh base test windows
# Every build here treats a warning as an error; tests/windows/run.sh and fuzz/run.sh take it from here.
export RUDI_WERROR=ON

echo "== every source formatted as .clang-format says"
tools/check-format.sh

echo "== native build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUDI_WERROR=ON -DRUDI_REQUIRE_ALL_FORMATS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRUDI_SANITIZE=address,undefined -DRUDI_WERROR=ON \
  -DRUDI_REQUIRE_ALL_FORMATS=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== 32-bit build (clang -m32) under AddressSanitizer and UBSan"
# long, size_t, max_size() and ftell are as narrow here as in the DLL.
tools/install-deps.sh i386
cmake -S . -B build-i386 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DCMAKE_BUILD_TYPE=Debug \
  -DRUDI_SANITIZE=address,undefined -DRUDI_WERROR=ON >/dev/null
cmake --build build-i386 -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-i386 --output-on-failure -j"$jobs"

echo "== Windows module under Wine"
tests/windows/run.sh build build-win

echo "== fuzz targets under AddressSanitizer and UBSan, 60 seconds each"
# The corpus itself already ran as tests in the three builds above.
tools/install-deps.sh fuzz
for target in plugin parse memory_image writer report picture picture_file; do
  fuzz/run.sh "$target" 60
done
# The two that take files, where the narrow file offsets matter, in 32 bits too.
for target in plugin parse; do
  fuzz/run.sh --32 "$target" 60
done
