#!/usr/bin/env bash
# Checks the sources' format, builds everything and runs every test: the native tests, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, in 64 and in 32 bits, the
# Windows module under Wine against the native build, and the fuzz targets.
# Installs what is missing first.
#
# Some machines cannot execute 32-bit x86 programs at all (Wine included).
# There the 32-bit stages run under qemu-i386 user emulation, as far as they
# can, and each stage that cannot run says so in one line. RUDI_EMULATE_I386=1
# takes that path on any machine.
set -uo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

tools/install-deps.sh base test editors windows fuzz i386 || exit 1
# Every build here treats a warning as an error; tests/windows/run.sh and fuzz/run.sh take it from here.
export RUDI_WERROR=ON

passed=0
failed=0
failures=()
not_run=()
# stage NAME COMMAND...: runs one stage; the run goes on after a failed one.
stage() {
  local name=$1
  shift
  local start=$SECONDS
  echo "== $name"
  if "$@"; then
    passed=$((passed + 1))
    echo "-- passed in $((SECONDS - start)) s: $name"
  else
    failed=$((failed + 1))
    failures+=("FAILED: $name")
    echo "FAILED in $((SECONDS - start)) s: $name"
  fi
}
not_run() {
  not_run+=("not run on this machine: $1 ($2)")
  echo "not run on this machine: $1 ($2)"
}

# Does this machine execute 32-bit programs? A tiny one, built as the
# 32-bit build builds, tells.
runs_32bit() {
  [ "${RUDI_EMULATE_I386:-0}" = 1 ] && return 1
  local probe
  probe=$(mktemp -d)
  printf 'int main(void) { return sizeof(long) == 4 ? 0 : 1; }\n' >"$probe/probe.c"
  clang -m32 "$probe/probe.c" -o "$probe/probe" 2>/dev/null && "$probe/probe" 2>/dev/null
  local status=$?
  rm -rf "$probe"
  return $status
}
tools/install-deps.sh i386 || exit 1
if runs_32bit; then
  emulated=0
  echo "== this machine runs 32-bit programs: every stage runs natively"
else
  emulated=1
  why="this machine does not execute 32-bit programs"
  [ "${RUDI_EMULATE_I386:-0}" = 1 ] && why="RUDI_EMULATE_I386=1"
  echo "== 32-bit programs run under qemu-i386 user emulation ($why)"
  tools/install-deps.sh emulator || exit 1
fi

native_tests() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUDI_WERROR=ON -DRUDI_REQUIRE_ALL_FORMATS=ON >/dev/null &&
    cmake --build build -j"$jobs" && ctest --test-dir build --output-on-failure -j"$jobs"
}
sanitized_tests() {
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRUDI_SANITIZE=address,undefined -DRUDI_WERROR=ON \
    -DRUDI_REQUIRE_ALL_FORMATS=ON >/dev/null &&
    cmake --build build-asan -j"$jobs" && ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"
}
# long, size_t, max_size() and ftell are as narrow here as in the DLL.
tests_32bit() {
  cmake -S . -B build-i386 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DCMAKE_BUILD_TYPE=Debug \
    -DRUDI_SANITIZE=address,undefined -DRUDI_WERROR=ON >/dev/null &&
    cmake --build build-i386 -j"$jobs" && ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-i386 --output-on-failure -j"$jobs"
}
# AddressSanitizer does not run under the emulator: UBSan alone. CMake runs
# each test program (and its test discovery) through the emulator; the
# programs the tests start in turn are emulated by tools/emulate-i386.sh.
tests_32bit_emulated() {
  cmake -S . -B build-i386-emulated -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DCMAKE_BUILD_TYPE=Debug \
    -DRUDI_SANITIZE=undefined -DRUDI_WERROR=ON -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v qemu-i386-static)" >/dev/null &&
    cmake --build build-i386-emulated -j"$jobs" &&
    tools/emulate-i386.sh ctest --test-dir build-i386-emulated --output-on-failure -j"$jobs" -E '^fuzz_corpus_'
}
# libFuzzer needs AddressSanitizer; the fuzz targets' corpora replay under UBSan.
fuzz_corpora_32bit_emulated() {
  tools/emulate-i386.sh ctest --test-dir build-i386-emulated --output-on-failure -j"$jobs" -R '^fuzz_corpus_'
}
# The emulated Windows stage, in the background: its output goes to a log
# that windows_emulated_result shows once it ends, with its status.
windows_log=build-win/emulated-stage.log
windows_emulated_start() {
  mkdir -p build-win && rm -f build-win/not-run.txt
  windows_started=$SECONDS
  tools/emulate-i386.sh tests/windows/run.sh --emulated build build-win >"$windows_log" 2>&1 </dev/null &
  windows_pid=$!
  echo "== Windows module under Wine, run by qemu-i386: started beside the fuzz stages (its lines follow theirs)"
}
windows_emulated_result() {
  wait "$windows_pid"
  local status=$?
  cat "$windows_log"
  echo "(the Windows stage took $((SECONDS - windows_started)) s from its start)"
  return $status
}
# fuzz_targets [--32] TARGET...: each for 60 seconds, one on each core
# (libFuzzer runs one thread), built first.
fuzz_targets() {
  local bits=()
  if [ "$1" = --32 ]; then
    bits=(--32)
    shift
  fi
  fuzz/run.sh "${bits[@]}" --build && printf '%s\n' "$@" | xargs -P "$jobs" -I{} fuzz/run.sh "${bits[@]}" {} 60
}
fuzz_64bit() { fuzz_targets plugin parse memory_image writer report picture picture_file; }
# The two that take files, where the narrow file offsets matter.
fuzz_32bit() { fuzz_targets --32 plugin parse; }

stage "every source formatted as .clang-format says" tools/check-format.sh
stage "native build and tests" native_tests
stage "tests under AddressSanitizer and UBSan" sanitized_tests
if [ "$emulated" = 0 ]; then
  stage "32-bit build (clang -m32) under AddressSanitizer and UBSan" tests_32bit
  stage "Windows module under Wine" tests/windows/run.sh build build-win
else
  stage "32-bit build (clang -m32) under UBSan, run by qemu-i386" tests_32bit_emulated
  not_run "the 32-bit tests under AddressSanitizer" "AddressSanitizer does not run under qemu-i386; UBSan ran them"
  # The checks that need no Windows program all run; Wine, emulated, runs
  # the most telling ones within its share of the time, and lists the rest.
  # Emulated Wine keeps about one core busy for many minutes: the fuzz
  # stages run beside it, and its lines follow theirs.
  windows_emulated_start
fi
# The corpus itself already ran as tests in the builds above.
tools/install-deps.sh fuzz || exit 1
stage "fuzz targets under AddressSanitizer and UBSan, 60 seconds each" fuzz_64bit
if [ "$emulated" = 0 ]; then
  stage "32-bit fuzz targets (plugin, parse), 60 seconds each" fuzz_32bit
else
  stage "32-bit fuzz corpora replayed under UBSan, run by qemu-i386" fuzz_corpora_32bit_emulated
  not_run "the 32-bit fuzz targets under libFuzzer" "libFuzzer needs AddressSanitizer, which does not run under qemu-i386"
  stage "Windows module under Wine, run by qemu-i386 (beside the fuzz stages)" windows_emulated_result
  while IFS= read -r line; do
    not_run+=("$line")
  done < <(grep -a '^not run on this machine: ' build-win/not-run.txt 2>/dev/null)
fi

echo
for line in "${failures[@]}" "${not_run[@]}"; do echo "$line"; done
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
