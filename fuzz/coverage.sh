#!/usr/bin/env bash
# Line coverage that the committed corpus reaches in tiff/, develop/ and
# plugin/: the replay programs built by clang with coverage mapping, run over
# fuzz/corpus/TARGET each, their profiles merged and reported by llvm-cov.
#   fuzz/coverage.sh            the summary per file and in total
#   fuzz/coverage.sh --html DIR the annotated sources as HTML as well
set -euo pipefail
cd "$(dirname "$0")/.."
build=${RUDI_COVERAGE_BUILD:-build-cov}
targets=(plugin parse memory_image writer report picture)

flags="-fprofile-instr-generate -fcoverage-mapping"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}" >/dev/null

rm -rf "$build/profiles"
mkdir -p "$build/profiles"
objects=()
for target in "${targets[@]}"; do
  LLVM_PROFILE_FILE="$build/profiles/$target.profraw" "$build/bin/fuzz_$target" "fuzz/corpus/$target" \
    >/dev/null 2>&1
  objects+=(${objects[0]+-object} "$build/bin/fuzz_$target")
done
llvm-profdata merge -sparse "$build"/profiles/*.profraw -o "$build/corpus.profdata"

sources=("$PWD/tiff" "$PWD/develop" "$PWD/plugin")
llvm-cov report "${objects[@]}" -instr-profile="$build/corpus.profdata" "${sources[@]}" | tee "$build/report.txt"
# Lines per folder (columns 8 and 9 of the report: lines, missed lines).
awk '$1 ~ /^(tiff|develop|plugin)\// { split($1, p, "/"); n[p[1]] += $8; m[p[1]] += $9 }
     END { for (d in n) printf "%s/: %d of %d lines, %.1f%%\n", d, n[d] - m[d], n[d], 100 * (n[d] - m[d]) / n[d] }' \
  "$build/report.txt" | sort
if [ "${1:-}" = --html ] && [ -n "${2:-}" ]; then
  llvm-cov show "${objects[@]}" -instr-profile="$build/corpus.profdata" -format=html -output-dir="$2" \
    "${sources[@]}"
  echo "annotated sources: $2/index.html"
fi
