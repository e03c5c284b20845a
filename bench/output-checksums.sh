#!/usr/bin/env bash
# Prints a checksum of the picture the module delivers for each of a set of
# EPSON RAW files: make-erf charts in both byte orders and awkward sizes, the
# same files with random strips (every 12-bit value, the unused nibble and
# byte set), and a strip that ends early. Run it before and after a change to
# the decoder and compare: the output must not change.
# Usage: bench/output-checksums.sh [BUILD_DIR]   (default build-release; needs python3)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
make_erf=$build/bin/make-erf
convert=$build/bin/erf-convert
[ -x "$make_erf" ] && [ -x "$convert" ] || { echo "output-checksums: build $build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Overwrites the last BYTES bytes of FILE (its strip) with random bytes from SEED.
randomize_strip() {
  python3 - "$1" "$2" "$3" <<'PY'
import random, sys
path, count, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with open(path, "r+b") as f:
    f.seek(-count, 2)
    f.write(random.Random(seed).randbytes(count))
PY
}

strip_bytes() { echo $(( ($1 + 9) / 10 * 16 * $2 )); }

files=()
for order in II MM; do
  for size in 1x1 2x2 5x3 3x2 1x5 5x1 2x9 13x7 10x4 301x203 3045x11 6080x6 1216x810 3040x2024; do
    w=${size%x*} h=${size#*x}
    name=$work/chart-$order-$size.erf
    "$make_erf" -o "$name" --width "$w" --height "$h" --byte-order "$order" >/dev/null
    files+=("$name")
    noisy=$work/noise-$order-$size.erf
    cp "$name" "$noisy"
    randomize_strip "$noisy" "$(strip_bytes "$w" "$h")" "$w$h"
    files+=("$noisy")
  done
done
# A strip that stops in the middle of a row: the rest repeats the last bytes read.
short=$work/noise-short.erf
cp "$work/noise-II-301x203.erf" "$short"
truncate -s -12345 "$short"
files+=("$short")

for f in "${files[@]}"; do
  # Exit status 3: converted, from a strip cut short.
  "$convert" "$f" -o "${f%.erf}.bmp" >/dev/null 2>&1 || [ $? -eq 3 ]
  printf '%s  %s\n' "$(sha256sum < "${f%.erf}.bmp" | cut -c1-16)" "$(basename "$f")"
done
