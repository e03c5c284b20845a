#!/usr/bin/env bash
# Prints, in one run, the two speed goals' ratios:
#  1. the decode: ReadFileExec over the baseline (a picture-sized block taken
#     and a filled block copied into it) at 1, 6 and 24 megapixels, medians of
#     repetitions run in random order (decode_bench), and how far the three
#     ratios lie apart;
#  2. the conversion: `erf-convert X.erf -o X.png` over `dcraw -q 0 -T -c
#     X.erf` (decode and bilinear interpolation to a TIFF), whole processes,
#     run in turn A B A B ..., the median of the pairs' ratios, with the PNG's
#     size; on the demo chart and on a photo-like picture (ImageMagick's plasma
#     fractal put through make-erf --input).
# Usage: bench/goals.sh   REPETITIONS (default 15) and PAIRS (default 11) set how often.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh base bench
build=build-release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target decode_bench erf-convert make-erf >/dev/null
bin=$build/bin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== decode: ReadFileExec / baseline (processor time, medians of ${REPETITIONS:-15} repetitions in random order)"
"$bin/decode_bench" --benchmark_filter='^(Baseline|ReadFileExec)/' \
  --benchmark_repetitions="${REPETITIONS:-15}" --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true >"$work/decode.txt"
# The table at the end of decode_bench's report: size, ReadFileExec, baseline, ratio, MP/s.
sed -n '/^size /,$p' "$work/decode.txt"
awk '/^[0-9]+x[0-9]+ / && NF >= 7 { ratio[$1] = $6; if (min == "" || $6 < min) min = $6; if ($6 > max) max = $6 }
     END { printf "goal 1: ratio at 6 MP %s (goal <= 1.4); highest of the three ratios %.1f %% above the lowest (goal <= 10 %%)\n",
                  ratio["3040x2024"], (max / min - 1) * 100 }' "$work/decode.txt"

echo
echo "== conversion: erf-convert to PNG / dcraw -q 0 -T (whole processes, wall time, ${PAIRS:-11} pairs run in turn)"
"$bin/make-erf" -o "$work/demo.erf" >/dev/null
convert -seed 1 -size 3040x2024 plasma:fractal "$work/plasma.png"
"$bin/make-erf" -o "$work/photo.erf" --input "$work/plasma.png" >/dev/null
for name in demo photo; do
  python3 - "$name" "$bin/erf-convert" "$work/$name.erf" "$work/$name.png" "${PAIRS:-11}" <<'PY'
import os, statistics, subprocess, sys, time
name, convert, erf, png, pairs = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
ours = [convert, erf, "-o", png]
peer = ["dcraw", "-q", "0", "-T", "-c", erf]

def wall(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start

wall(ours), wall(peer)  # once each unmeasured: the files and programs in the page cache
times = [(wall(ours), wall(peer)) for _ in range(pairs)]
a = statistics.median(t[0] for t in times)
b = statistics.median(t[1] for t in times)
ratios = sorted(t[0] / t[1] for t in times)
print(f"{name:6} erf-convert {a * 1e3:7.1f} ms   dcraw {b * 1e3:7.1f} ms   ratio {statistics.median(ratios):.2f} "
      f"(pairs {ratios[0]:.2f} to {ratios[-1]:.2f}; goal <= 0.5)   PNG {os.path.getsize(png):,} bytes")
PY
done
