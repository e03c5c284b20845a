#!/usr/bin/env bash
# Runs one fuzz target for a while under AddressSanitizer and UBSan:
#   fuzz/run.sh [--32] TARGET SECONDS [libFuzzer options...]
#   fuzz/run.sh [--32] --build   (builds every target and runs none: runs side by side then build nothing)
# TARGET is plugin, parse, memory_image, writer, report, picture or picture_file; --32 runs it in the 32-bit
# build (clang -m32, build-fuzz-i386/), as the Windows module is built. The run
# starts from the committed corpus fuzz/corpus/TARGET, which it leaves alone;
# inputs it finds go to BUILD/work/TARGET, findings to BUILD/findings/TARGET,
# its output to BUILD/fuzz-TARGET.log (BUILD is build-fuzz or
# build-fuzz-i386). Exit status 1 on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

bits=64
if [ "${1:-}" = --32 ]; then
  bits=32
  shift
fi
build_only=0
if [ "${1:-}" = --build ]; then
  build_only=1
  set -- all 0
fi
if [ $# -lt 2 ]; then
  echo "usage: fuzz/run.sh [--32] TARGET SECONDS [libFuzzer options...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
if [ "$build_only" = 0 ] && [ ! -d "fuzz/corpus/$target" ]; then
  echo "fuzz/run.sh: no fuzz target '$target' (plugin, parse, memory_image, writer, report, picture, picture_file)" >&2
  exit 2
fi

if [ "$bits" = 32 ]; then
  build=${RUDI_FUZZ_BUILD:-build-fuzz-i386}
  configure=(-DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake)
else
  build=${RUDI_FUZZ_BUILD:-build-fuzz}
  configure=()
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" "${configure[@]}" -DRUDI_FUZZ=ON -DRUDI_WERROR="${RUDI_WERROR:-OFF}" -DRUDI_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if [ "$build_only" = 1 ]; then
  cmake --build "$build" -j"$(nproc)" --target $(ls fuzz/corpus | sed 's/^/fuzz_/') >/dev/null
  exit
fi
cmake --build "$build" --target "fuzz_$target" -j2 >/dev/null

work=$build/work/$target
findings=$build/findings/$target
log=$build/fuzz-$target.log
mkdir -p "$work" "$findings"
# Every input is written to a scratch file: keep those in memory when
# possible, in a folder of their own (libFuzzer may end without removing them).
base=${TMPDIR:-/tmp}
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then base=/dev/shm; fi
TMPDIR=$(mktemp -d "$base/rudi-fuzz.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

# The module's message boxes go to standard error; they are left out of the
# log. The CPU time is that of the fuzzer (and the filter) alone.
TIMEFORMAT='%U s user, %S s system'
set +e
{
  time {
    "$build/bin/fuzz_$target" "$work" "fuzz/corpus/$target" -dict=fuzz/erf.dict \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$@" 2>&1 |
      grep -av -e '^TIFF endian error: ' -e '^TIFFID error: ' >"$log"
    echo "${PIPESTATUS[0]}" >"$log.status"
  }
} 2>"$log.cpu"
set -e
cpu=$(cat "$log.cpu")
status=$(cat "$log.status")
executions=$(grep -a 'stat::number_of_executed_units' "$log" | tail -n 1 | awk '{print $2}')
echo "fuzz $target ($bits-bit): ${executions:-?} executions in ${seconds}s, CPU $cpu," \
  "$(find "$work" -type f | wc -l) inputs found beyond the corpus"
if [ "$status" -ne 0 ]; then
  tail -n 60 "$log"
  echo "fuzz $target ($bits-bit): FINDING (exit status $status), input kept in $findings/" >&2
  exit 1
fi
