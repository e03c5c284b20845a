#!/usr/bin/env bash
# Prints, in one run, the three speed ratios of the Windows module on the
# 3040 x 2024 demo chart, each from module-bench (ReadFileExec beside one
# DIB-sized allocation and copy in the same process, the thread's processor
# time per call, medians of alternating blocks of calls):
#  1. the DLL under Wine over the baseline in its own process (goal <= 1.3);
#  2. the DLL under Wine over the native 64-bit module (goal <= 1.2);
#  3. the DLL built without its AVX2 kernels (RUDI_AVX2_KERNELS=OFF: what a
#     processor without AVX2 runs) over the DLL (goal <= 1.3).
# Usage: bench/wine.sh   BLOCKS (default 7, of 40 calls) and RUNS (default 1) set how often.
set -euo pipefail
cd "$(dirname "$0")/.."

native=build-release
win=build-win-release
noavx2=build-win-noavx2
cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$native" -j2 --target R_UDI module-bench make-erf >/dev/null
for build in "$win:ON" "$noavx2:OFF"; do
  cmake -S . -B "${build%:*}" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
    -DRUDI_AVX2_KERNELS="${build#*:}" >/dev/null
  cmake --build "${build%:*}" -j2 --target R_UDI module-bench >/dev/null
done

work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k 2>/dev/null || true' EXIT
export WINEPREFIX="$PWD/$win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -p 2>/dev/null || true
"$native/bin/make-erf" -o "$work/demo.erf" >/dev/null
blocks=${BLOCKS:-7}
root=$PWD
# Wine's own background processes keep any pipe given to a program open:
# outputs go to files.
bench() {  # OUTPUT BUILD MODULE
  (cd "$work" && wine "$root/$2/bin/module-bench.exe" "$root/$2/bin/$3" demo.erf 3040 2024 "$blocks" >"$1" 2>&1)
}
field() { sed -n "s/.*$1 \([0-9.]*\).*/\1/p" "$2" | tr -d '\r'; }
echo "run  native-ms  dll-ms  baseline-ms  noavx2-ms   dll/baseline  dll/native  noavx2/dll"
for run in $(seq "${RUNS:-1}"); do
  "$native/bin/module-bench" "$native/bin/R_UDI.so" "$work/demo.erf" 3040 2024 "$blocks" >"$work/native.txt"
  bench "$work/dll.txt" "$win" R_UDI.dll
  bench "$work/noavx2.txt" "$noavx2" R_UDI.dll
  awk -v run="$run" -v n="$(field module "$work/native.txt")" -v w="$(field module "$work/dll.txt")" \
      -v b="$(field baseline "$work/dll.txt")" -v s="$(field module "$work/noavx2.txt")" \
      'BEGIN { printf "%-4s %9.2f %7.2f %12.2f %10.2f   %12.2f %11.2f %11.2f\n", run, n, w, b, s, w / b, w / n, s / w }'
done
