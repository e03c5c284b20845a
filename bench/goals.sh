#!/usr/bin/env bash
# Prints, in one run, the two speed goals' ratios:
#  1. the decode: ReadFileExec over the baseline (a picture-sized block taken
#     and a filled block copied into it) at 1, 6 and 24 megapixels, medians of
#     repetitions run in random order (decode_bench), and how far the three
#     ratios lie apart;
#  2. the conversion: `erf-convert X.erf -o X.FORMAT` for PNG, JPEG, TIFF and
#     BMP over `dcraw -q 0 -T -c X.erf` (decode and bilinear interpolation to
#     a TIFF), whole processes, run in turn A B A B ..., the median of the
#     pairs' ratios; each PNG's size beside the size zlib's fastest level
#     makes of the same filtered rows (Python's zlib); on the demo chart, a
#     photo-like picture (ImageMagick's plasma fractal) and a noisy one
#     (ImageMagick's random noise), both put through make-erf --input.
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
echo "== conversion: erf-convert / dcraw -q 0 -T (whole processes, wall time, ${PAIRS:-11} pairs run in turn)"
"$bin/make-erf" -o "$work/demo.erf" >/dev/null
convert -seed 1 -size 3040x2024 plasma:fractal "$work/plasma.png"
"$bin/make-erf" -o "$work/plasma.erf" --input "$work/plasma.png" >/dev/null
convert -size 3040x2024 xc:gray +noise Random "$work/noisy.png"
"$bin/make-erf" -o "$work/noisy.erf" --input "$work/noisy.png" >/dev/null
for name in demo plasma noisy; do
  python3 - "$name" "$bin/erf-convert" "$work/$name.erf" "$work/out-$name" "${PAIRS:-11}" <<'PY'
import os, statistics, subprocess, sys, time, zlib
name, convert, erf, out, pairs = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
peer = ["dcraw", "-q", "0", "-T", "-c", erf]
goals = {"png": 0.3 if name == "demo" else 0.5, "jpg": 0.5, "tif": 0.4, "bmp": None}

def wall(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start

def zlib1_size(png):
    # The PNG's image data inflated (its filtered rows) and deflated again at zlib's level 1.
    data, at, idat = open(png, "rb").read(), 8, b""
    while at < len(data):
        length = int.from_bytes(data[at:at + 4], "big")
        if data[at + 4:at + 8] == b"IDAT":
            idat += data[at + 8:at + 8 + length]
        at += 12 + length
    rows = zlib.decompress(idat)
    return len(data) - len(idat) + len(zlib.compress(rows, 1))

medians = {}
for ext, goal in goals.items():
    ours = [convert, erf, "-o", f"{out}.{ext}"]
    wall(ours), wall(peer)  # once each unmeasured: the files and programs in the page cache
    times = [(wall(ours), wall(peer)) for _ in range(pairs)]
    a = statistics.median(t[0] for t in times)
    b = statistics.median(t[1] for t in times)
    ratios = sorted(t[0] / t[1] for t in times)
    medians[ext] = statistics.median(ratios)
    line = (f"{name:6} {ext:3} erf-convert {a * 1e3:7.1f} ms   dcraw {b * 1e3:7.1f} ms   ratio {medians[ext]:.2f} "
            f"(pairs {ratios[0]:.2f} to {ratios[-1]:.2f}" + (f"; goal <= {goal})" if goal else ")"))
    if ext == "png":
        size, reference = os.path.getsize(f"{out}.png"), zlib1_size(f"{out}.png")
        line += f"   PNG {size:,} bytes, zlib level 1 {reference:,} ({(size / reference - 1) * 100:+.1f} %; goal <= +10 %)"
    print(line, flush=True)
fastest = min(medians, key=medians.get)
print(f"{name:6} fastest: {fastest}" + (" (goal: bmp)" if fastest != "bmp" else ""), flush=True)
PY
done
