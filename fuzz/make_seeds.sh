#!/usr/bin/env bash
# Remakes the committed corpus of every fuzz target, minimised with libFuzzer's
# -merge=1: the corpus as it stands, make-erf files at small sizes in both byte
# orders, the hostile cases of the tests (write-fuzz-seeds), and the TARGET
# folder of every directory given (a long run's finds: build-fuzz/work).
# Inputs named regression-* (findings of earlier runs) are always kept.
#   fuzz/make_seeds.sh [build-fuzz/work ...]
# Needs the native build (build/) and builds what it uses of the fuzz build.
set -euo pipefail
cd "$(dirname "$0")/.."
native=${RUDI_BUILD:-build}
fuzz=${RUDI_FUZZ_BUILD:-build-fuzz}

cmake --build "$native" --target make-erf erf-convert write-fuzz-seeds -j2 >/dev/null
if [ ! -f "$fuzz/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$fuzz" -DRUDI_FUZZ=ON -DRUDI_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT
mkdir -p "$seeds/files"

for size in 1x1 2x2 4x2 10x3 13x5 21x4; do
  for order in II MM; do
    "$native/bin/make-erf" --width "${size%x*}" --height "${size#*x}" --byte-order "$order" \
      -o "$seeds/files/make-erf-$size-$order.erf"
  done
done
"$native/bin/write-fuzz-seeds" "$seeds/files" "$seeds/images" "$seeds"/files/make-erf-*.erf
# Pictures for make-erf's reader: small PNGs as erf-convert writes them, and
# binary PPMs of 8 and 16 bits.
mkdir -p "$seeds/pictures"
for size in 2x2 13x5; do
  "$native/bin/erf-convert" "$seeds/files/make-erf-$size-II.erf" -o "$seeds/pictures/$size.png" >/dev/null
done
printf 'P6\n# two by one\n2 1\n255\n\377\0\0\0\0\377' >"$seeds/pictures/2x1.ppm"
printf 'P6 1 2 65535\n\377\377\200\0\0\0\1\2\3\4\5\6' >"$seeds/pictures/1x2-16-bit.ppm"

for target in plugin parse memory_image writer report picture picture_file; do
  from=$seeds/files
  [ "$target" = memory_image ] && from=$seeds/images
  [ "$target" = picture_file ] && from=$seeds/pictures
  found=()
  for dir in "$@"; do
    if [ -d "$dir/$target" ]; then found+=("$dir/$target"); fi
  done
  merged=$seeds/merged-$target
  mkdir -p "$merged" "fuzz/corpus/$target"
  cmake --build "$fuzz" --target "fuzz_$target" -j2 >/dev/null
  TMPDIR=$seeds "$fuzz/bin/fuzz_$target" -merge=1 "$merged" "fuzz/corpus/$target" "$from" "${found[@]}" \
    >"$seeds/merge-$target.log" 2>&1 || { tail -n 30 "$seeds/merge-$target.log"; exit 1; }
  find "fuzz/corpus/$target" -name 'regression-*' -exec cp {} "$merged/" \;
  rm -rf "fuzz/corpus/$target"
  mv "$merged" "fuzz/corpus/$target"
  echo "fuzz/corpus/$target: $(find "fuzz/corpus/$target" -type f | wc -l) files, $(cat "fuzz/corpus/$target"/* | wc -c) bytes"
done
