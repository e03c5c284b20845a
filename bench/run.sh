#!/usr/bin/env bash
# Builds the Release configuration into build-release and measures the decode:
#  1. the benchmark of each step and of ReadFileExec at 1, 6 and 24 megapixels,
#     ending with the ratio of ReadFileExec to copying the picture once;
#  2. the peak memory of erf-convert converting the 6-megapixel file, and the
#     module's own share of it beside the picture (valgrind's massif);
#  3. the instructions of one ReadFileExec of that file, counted by callgrind.
# Extra arguments go to the benchmark, for example --benchmark_filter=3040.
# REPETITIONS (default 10) sets how often each benchmark is repeated.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh base bench
build=build-release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target decode_bench decode-once erf-convert make-erf R_UDI >/dev/null
bin=$build/bin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== benchmark (Release; processor times, medians of ${REPETITIONS:-10} repetitions run in random order)"
"$bin/decode_bench" --benchmark_repetitions="${REPETITIONS:-10}" --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true "$@"

width=3040 height=2024
six=$work/chart-${width}x${height}.erf
tiny=$work/chart-1x1.erf
"$bin/make-erf" -o "$six" --width $width --height $height >/dev/null
"$bin/make-erf" -o "$tiny" --width 1 --height 1 >/dev/null

# Maximum resident set size of a command, in KiB.
peak_kib() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'
}

dib_bytes=$(( 40 + (3 * width + 3) / 4 * 4 * height ))
echo
echo "== peak memory, ${width}x${height} (the picture, as a DIB, is $(( dib_bytes / 1024 )) KiB)"
echo "erf-convert, whole process: $(peak_kib "$bin/erf-convert" "$six" -o "$work/out.bmp") KiB resident" \
  "(the module's DIB and the host's own copy of the picture)"
echo "ReadFileExec alone:         $(peak_kib "$bin/decode-once" "$six") KiB resident" \
  "(a program that drops the rows; $(peak_kib "$bin/decode-once" "$tiny") KiB for a 1x1 file)"
# The heap at its peak, counted exactly: the DIB and everything else the module
# (and the C++ runtime) holds at that moment.
valgrind --tool=massif --massif-out-file="$work/massif.out" "$bin/decode-once" "$six" 2>/dev/null
heap=$(awk -F= '/^mem_heap_B/ { heap = $2 } /^mem_heap_extra_B/ { if (heap + $2 > peak) peak = heap + $2 }
                END { print peak }' "$work/massif.out")
echo "heap at its peak (massif):  $heap bytes = the DIB + $(( heap - dib_bytes )) bytes"

echo
echo "== instructions of one ReadFileExec, ${width}x${height} (callgrind)"
valgrind --tool=callgrind --toggle-collect=ReadFileExec --callgrind-out-file="$work/callgrind.out" \
  "$bin/decode-once" "$six" 2>/dev/null
awk '/^(summary|totals):/ { printf "%'"'"'d instructions\n", $2; exit }' "$work/callgrind.out"
