#!/usr/bin/env bash
# Builds R_UDI.dll, the host and the Windows test programs for 32-bit Windows,
# checks the DLL's export table and version resource, runs the Windows host
# under Wine on a set of files, the hostile cases and the plugin fuzz corpus
# (every picture byte-identical to the native build's, every failure failing
# alike), and calls each export many times on each failure path, watching
# Windows' own counters.
# Usage: tests/windows/run.sh [--emulated] NATIVE_BUILD_DIR WINDOWS_BUILD_DIR
#
# --emulated: Wine runs under qemu-i386 (tools/emulate-i386.sh), where each
# Wine program takes a minute or more. The checks that run no Windows
# program all run, and so do the first Wine checks (the version resource,
# the module's identity, a few conversions); the others run while
# RUDI_EMULATED_WINE_SECONDS (default 300) last since Wine's start, and each
# one left is named on a line "not run on this machine: ...", also written
# to WINDOWS_BUILD_DIR/not-run.txt.
# RUDI_WINDOWS_CHECKS="console metadata" runs only the checks named (by hand).
set -uo pipefail
emulated=0
if [ "${1:-}" = --emulated ]; then
  emulated=1
  shift
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$1" && pwd)
win="$2"

cmake -S "$root" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release -DRUDI_WERROR="${RUDI_WERROR:-OFF}" >/dev/null || exit 1
cmake --build "$win" -j"$(nproc)" --target R_UDI erf-convert export-counters version-info concurrent-calls module-call || exit 1
win=$(cd "$win" && pwd)

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS: $*"; }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

if "$root/tests/windows/check_dll.sh" "$win/bin/R_UDI.dll"; then pass "DLL export table and imports"; else fail "DLL export table and imports"; fi

# The shipped files: no debug sections (they are in FILE.debug, which each
# names), and the same bytes from a clean build in another folder.
for shipped in R_UDI.dll erf-convert.exe; do
  sections=$(i686-w64-mingw32-objdump -h "$win/bin/$shipped")
  if grep -q '\.debug_' <<<"$sections" || ! grep -q '\.gnu_debuglink' <<<"$sections" || [ ! -s "$win/bin/$shipped.debug" ]; then
    fail "$shipped stripped, its debug information in $shipped.debug"
  else
    pass "$shipped stripped ($(stat -c %s "$win/bin/$shipped") bytes), its debug information in $shipped.debug"
  fi
done
rebuild="$win/rebuild"
rm -rf "$rebuild"
cmake -S "$root" -B "$rebuild" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DRUDI_WERROR="${RUDI_WERROR:-OFF}" >/dev/null && cmake --build "$rebuild" -j"$(nproc)" --target R_UDI erf-convert >/dev/null
for shipped in R_UDI.dll erf-convert.exe; do
  digest=$(sha256sum <"$win/bin/$shipped")
  if [ "$digest" = "$(sha256sum <"$rebuild/bin/$shipped" 2>/dev/null)" ] &&
     cmp -s "$win/bin/$shipped.debug" "$rebuild/bin/$shipped.debug"; then
    pass "reproducible: a clean build elsewhere gives the same $shipped (SHA-256 ${digest%% *}) and debug file"
  else
    fail "a clean build elsewhere gives a different $shipped or debug file"
  fi
done

# Wine without a display: message boxes return at once. One server for all runs.
# The prefix is 32-bit, as the module is, whether or not wine64 is there.
export WINEPREFIX="$win/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Emulated, making a prefix takes Wine many minutes: a prefix made once is
# kept outside the build (for this Wine version) and copied for the next run.
if [ "$emulated" = 1 ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
  kept="${XDG_CACHE_HOME:-$(echo ~)/.cache}/rudi/wineprefix-win32-$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n' '-')"
  if [ -f "$kept/system.reg" ]; then
    rm -rf "$WINEPREFIX" && cp -a "$kept" "$WINEPREFIX"
    echo "Wine prefix copied from $kept"
  else
    start=$SECONDS
    timeout 3600 wineboot -i >/dev/null 2>&1
    wineserver -w  # its registry written out
    echo "Wine prefix made in $((SECONDS - start)) s"
    if [ -f "$WINEPREFIX/system.reg" ]; then
      mkdir -p "$(dirname "$kept")" && rm -rf "$kept.new" && cp -a "$WINEPREFIX" "$kept.new" && mv "$kept.new" "$kept"
    fi
  fi
fi
wineserver -p 2>/dev/null
trap 'wineserver -k 2>/dev/null' EXIT
if [ "$emulated" = 1 ]; then
  # Emulated, a Wine program that stops making progress is ended: a check
  # may fail, the stage never hangs.
  wine() { timeout 900 wine "$@"; }
fi

work="$win/compare"
rm -rf "$work" && mkdir -p "$work"
# Wine's own background processes keep any pipe given to a program open:
# outputs go to files.

make_erf="$native/bin/make-erf"
# name width height byte-order
cases="
demo 3040 2024 II
big-endian 3040 2024 MM
odd 3045 2023 II
small 1 1 II
two-by-two 2 2 MM
narrow 5 3 II
not-ten 37 29 MM
wide 6001 4 II
"
while read -r name width height order; do
  [ -n "$name" ] || continue
  "$make_erf" --width "$width" --height "$height" --byte-order "$order" -o "$work/$name.erf" >/dev/null || {
    fail "make-erf $name"; continue; }
done <<<"$cases"
printf 'not a tiff file at all' >"$work/bad-header.erf"
printf 'II\053\000\010\000\000\000' >"$work/bad-magic.erf"

# The native build's picture of each file, or its refusal, to compare with.
for input in "$work"/*.erf "$work/missing.erf"; do
  name=$(basename "$input" .erf)
  "$native/bin/erf-convert" "$input" -o "$work/$name.native.bmp" >/dev/null 2>&1
  echo $? >"$work/$name.native.status"
done

check_version_resource() {
  # The version resource, as Windows reads it for the file's properties.
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt")
  description=$(sed -n 's/^CMAKE_PROJECT_DESCRIPTION:STATIC=//p' "$win/CMakeCache.txt")
  # (Wine's first run in a new prefix reports making it on standard error.)
  wine "$win/bin/version-info.exe" "$win/bin/R_UDI.dll" >"$work/version-info.txt" 2>"$work/version-info.err"
  resource=$(tr -d '\r' <"$work/version-info.txt")
  expected_resource="FILEVERSION: $version.0
PRODUCTVERSION: $version.0
FILETYPE: DLL
CompanyName: Tobrell
FileDescription: $description
FileVersion: $version
LegalCopyright: Copyright (C) 2026 Tobrell
ProductName: R_UDI
ProductVersion: $version
InternalName: R_UDI
OriginalFilename: R_UDI.dll"
  if [ "$resource" = "$expected_resource" ]; then
    pass "version resource: $(tr '\n' ';' <<<"$resource" | sed 's/;/; /g')"
  else
    fail "version resource differs:"
    diff <(echo "$expected_resource") <(echo "$resource")
    cat "$work/version-info.err"
  fi
}

# The module's identity, as the converter's host reads it from the DLL.
check_identity() {
  (cd "$work" && wine "$win/bin/erf-convert.exe" --info >"$work/info.txt" 2>&1)
  local status=$? info
  info=$(tr -d '\r' <"$work/info.txt")
  if [ "$status" -eq 0 ] && grep -q '^description: Velna用のERF読み込みDLL by Tobrell$' <<<"$info" &&
    grep -q '^format: EPSON RAW (\*\.erf)$' <<<"$info"; then
    pass "identity: $(tr '\n' ';' <<<"$info" | sed 's/;/; /g')"
  else
    fail "identity: exit $status, $info"
  fi
}

# Each file through erf-convert.exe: the native build's picture, or refused
# by both.
compare_conversion() {
  local name=$1 windows_status=$2 native_status
  native_status=$(cat "$work/$name.native.status")
  if [ "$native_status" -ne 0 ] || [ "$windows_status" -ne 0 ]; then
    if [ "$native_status" -ne 0 ] && [ "$windows_status" -ne 0 ] && [ ! -e "$work/$name.windows.bmp" ]; then
      pass "$name: both builds refuse it"
    else
      fail "$name: native exit $native_status, Windows exit $windows_status"
    fi
  elif cmp -s "$work/$name.native.bmp" "$work/$name.windows.bmp"; then
    pass "$name: pictures identical ($(stat -c %s "$work/$name.native.bmp") bytes)"
  else
    fail "$name: pictures differ"
  fi
}
check_conversions() {
  local input name
  for input in "$work"/*.erf "$work/missing.erf"; do
    name=$(basename "$input" .erf)
    (cd "$work" && wine "$win/bin/erf-convert.exe" "$(basename "$input")" -o "$name.windows.bmp" >/dev/null 2>"$name.err")
    compare_conversion "$name" $?
  done
  check_module_message
}
# Emulated, where every Wine start is dear: a few files in one process.
check_few_conversions() {
  local name few=(odd not-ten small)
  mkdir -p "$work/few"
  (cd "$work" && wine "$win/bin/erf-convert.exe" --format bmp "${few[@]/%/.erf}" -o 'few\' >/dev/null 2>&1)
  local status=$?
  for name in "${few[@]}"; do
    [ -e "$work/few/$name.bmp" ] && mv "$work/few/$name.bmp" "$work/$name.windows.bmp"
    compare_conversion "$name" $status
  done
  (cd "$work" && wine "$win/bin/erf-convert.exe" bad-header.erf -o bad-header.windows.bmp >/dev/null 2>"bad-header.err")
  compare_conversion bad-header $?
  check_module_message
}
# The module's message box, taken by the host: a line on standard error, as
# on Linux, not a window that waits.
check_module_message() {
  if tr -d '\r' <"$work/bad-header.err" | grep -qx 'erf-convert: TIFF endian error: bad-header.erf'; then
    pass "the module's message on standard error, as the native build writes it"
  else
    fail "the module's message: $(tr -d '\r' <"$work/bad-header.err")"
  fi
}

check_thumbnail() {
  # IFD0's thumbnail, read by the converter itself (the file is opened
  # unshared, so nothing else may hold it open meanwhile).
  "$native/bin/erf-convert" "$work/demo.erf" --thumbnail -o "$work/thumbnail.native.bmp" >/dev/null 2>&1
  (cd "$work" && wine "$win/bin/erf-convert.exe" demo.erf --thumbnail -o thumbnail.windows.bmp >"thumbnail.out" 2>&1)
  if cmp -s "$work/thumbnail.native.bmp" "$work/thumbnail.windows.bmp"; then
    pass "thumbnail: pictures identical ($(stat -c %s "$work/thumbnail.native.bmp") bytes)"
  else
    fail "thumbnail: $(tr -d '\r' <"$work/thumbnail.out")"
  fi
}

check_dng() {
  # The DNG: the same raw samples as the native build's (dcraw reads both),
  # its preview from the system's JPEG encoder.
  "$native/bin/erf-convert" "$work/demo.erf" -o "$work/demo.native.dng" >/dev/null 2>&1
  (cd "$work" && wine "$win/bin/erf-convert.exe" demo.erf -o demo.windows.dng >"dng.out" 2>&1)
  if [ -s "$work/demo.windows.dng" ] &&
     cmp -s <(dcraw -D -4 -c "$work/demo.native.dng") <(dcraw -D -4 -c "$work/demo.windows.dng") &&
     [ "$(exiftool -validate -warning -a -s -s -s "$work/demo.windows.dng")" = OK ]; then
    pass "DNG: the native build's raw samples, and ExifTool finds nothing to warn of"
  else
    fail "DNG: $(tr -d '\r' <"$work/dng.out")"
  fi
}

check_batch() {
  # The hostile cases and the plugin fuzz corpus, many files per process: the
  # same pictures, and the same files refused with the same message.
  batch="$work/batch"
  mkdir -p "$batch/hostile" "$batch/corpus" "$work/images"
  "$native/bin/write-fuzz-seeds" "$batch/hostile" "$work/images" >/dev/null || fail "write-fuzz-seeds"
  cp "$root/fuzz/corpus/plugin/"* "$batch/corpus/"
  # Each side writes its pictures into its own folder; file names are relative
  # to the batch folder, at most 100 to a command line.
  convert_batch() {
    local side=$1
    shift
    (cd "$batch" && find hostile corpus -type f | sort |
      xargs -n 100 "$@" --format bmp -o "$side/" >"$side.out" 2>"$side.err")
  }
  convert_batch native "$native/bin/erf-convert"
  convert_batch windows wine "$win/bin/erf-convert.exe"
  # The host's lines, without the side's output folder (which Windows joins
  # with a backslash); the module's own messages are message boxes on Windows.
  # The module's own messages (on Linux, its message boxes on standard error) are left out.
  refusals() {
    grep -a '^erf-convert: ' "$batch/$1.err" | tr -d '\r' |
      grep -v -e '^erf-convert: TIFF endian error: ' -e '^erf-convert: TIFFID error: ' \
        -e '^erf-convert: Picture too large for memory: ' | sort
  }
  rows() { tr -d '\r' <"$batch/$1.out" | sed "s| -> $1[/\\]| -> |" | sort; }
  files=$(find "$batch/hostile" "$batch/corpus" -type f | wc -l)
  converted=$(find "$batch/native" -type f | wc -l)
  if [ "$files" -lt 100 ]; then
    fail "only $files hostile and corpus files"
  elif ! diff <(refusals native) <(refusals windows) >"$batch/refusals.diff"; then
    fail "hostile and corpus files: the builds refuse different files"
    head -n 20 "$batch/refusals.diff"
  elif ! diff <(rows native) <(rows windows) >"$batch/rows.diff"; then
    fail "hostile and corpus files: the builds convert different files"
    head -n 20 "$batch/rows.diff"
  elif ! diff -r -q "$batch/native" "$batch/windows" >"$batch/pictures.diff"; then
    fail "hostile and corpus files: pictures differ"
    head -n 20 "$batch/pictures.diff"
  else
    pass "hostile and corpus files: $files files, $converted identical pictures, $((files - converted)) refused alike"
  fi
}

check_counters() {
  # Every export, many times, on every failure path and on a good file: no
  # handle, memory or movable global handle may be left behind.
  mkdir -p "$work/counters"
  (cd "$work/counters" && wine "$win/bin/export-counters.exe" "$win/bin/R_UDI.dll" 300 >counters.txt 2>&1)
  counters_status=$?
  tr -d '\r' <"$work/counters/counters.txt"
  if [ "$counters_status" -eq 0 ]; then
    pass "exports leave no handle, memory or movable block behind"
  else
    fail "exports leave something behind (export-counters)"
  fi
}

check_concurrent() {
  # Two threads decoding at once, half of the time the same file: each call delivers its whole picture.
  (cd "$work/counters" && wine "$win/bin/concurrent-calls.exe" "$win/bin/R_UDI.dll" 300 >concurrent.txt 2>&1)
  concurrent_status=$?
  tr -d '\r' <"$work/counters/concurrent.txt"
  if [ "$concurrent_status" -eq 0 ]; then
    pass "two threads at once: every call delivers its whole picture"
  else
    fail "two threads at once (concurrent-calls)"
  fi
}

check_formats() {
  # PNG (by default), JPEG and TIFF through the system's encoders: PNG and
  # TIFF decode to the native build's pixels exactly; a JPEG must come close to
  # them (peak signal to noise against the lossless picture, in dB), whatever
  # quality and colour sampling the system's encoder honours (Wine 8's takes
  # neither, nor the TIFF compression: the lines show what each file got).
  lossless="$work/odd.native.png"
  "$native/bin/erf-convert" --force "$work/odd.erf" -o "$lossless" >/dev/null 2>&1
  (cd "$work" && wine "$win/bin/erf-convert.exe" --force odd.erf >/dev/null 2>"$work/default.err")
  status=$?
  if [ "$status" -eq 0 ] && [ "$(compare -metric AE "$work/odd.png" "$lossless" null: 2>&1)" = 0 ]; then
    pass "default picture: PNG beside the input, the native build's pixels"
  else
    fail "default picture: exit $status, $(tr -d '\r' <"$work/default.err")"
  fi
  min_psnr=20
  # name options
  formats="
  png --format=png
  jpeg --format=jpeg
  jpeg-50 --format=jpeg --quality=50
  tiff --format=tiff
  tiff-deflate --format=tiff --compression=deflate
  tiff-lzw --format=tiff --compression=lzw
  "
  while read -r name options; do
    [ -n "$name" ] || continue
    extension=${name%%-*}
    picture="odd.$name.$extension"
    # shellcheck disable=SC2086  # the options are words
    (cd "$work" && wine "$win/bin/erf-convert.exe" $options odd.erf -o "$picture" >/dev/null 2>"$work/$name.err")
    status=$?
    if [ "$status" -ne 0 ]; then
      fail "$name: exit $status, $(tr -d '\r' <"$work/$name.err")"
      continue
    fi
    got=$(identify -format '%m %wx%h %C' "$work/$picture" 2>&1)
    if [ "$extension" = jpeg ]; then
      got="$got, quality $(identify -format '%Q, sampling %[jpeg:sampling-factor]' "$work/$picture")"
      # The camera's tags in the Exif segment spliced in after the encoder's JFIF.
      exif=$(exiftool -s -s -s -Make -Model -ModifyDate "$work/$picture")
      [ -n "$exif" ] && [ "$exif" = "$(exiftool -s -s -s -Make -Model -ModifyDate "$work/odd.erf")" ] ||
        fail "$name: Exif $exif"
      psnr=$(compare -metric PSNR "$work/$picture" "$lossless" null: 2>&1)
      if awk -v p="$psnr" -v m="$min_psnr" 'BEGIN { exit !(p + 0 >= m) }'; then
        pass "$name ($got): $psnr dB from the native build's pixels (at least $min_psnr)"
      else
        fail "$name ($got): $psnr dB from the native build's pixels, under $min_psnr"
      fi
    elif [ "$(compare -metric AE "$work/$picture" "$lossless" null: 2>&1)" = 0 ]; then
      pass "$name ($got): the native build's pixels"
    else
      fail "$name ($got): pixels differ from the native build's"
    fi
  done <<<"$formats"
  # A picture the system's encoder refuses (Wine's libjpeg takes at most
  # 65500 pixels a side): exit 1 with the encoder's reason, nothing written.
  "$make_erf" --width 65535 --height 2 -o "$work/too-wide.erf" >/dev/null
  (cd "$work" && wine "$win/bin/erf-convert.exe" too-wide.erf -o too-wide.jpg >/dev/null 2>"$work/too-wide.err")
  status=$?
  if [ "$status" -eq 1 ] && grep -q "too-wide.jpg: cannot write the JPEG file (.* failed with 0x" "$work/too-wide.err" &&
    [ -z "$(find "$work" -maxdepth 1 -name '*too-wide.jpg*')" ]; then
    pass "a picture the encoder refuses: exit 1, its reason, nothing written"
  else
    fail "refused by the encoder: exit $status, $(tr -d '\r' <"$work/too-wide.err"); $(find "$work" -maxdepth 1 -name '*too-wide.jpg*')"
  fi
}

check_help() {
  # The help offers what the build writes, and says what the build does.
  (cd "$work" && wine "$win/bin/erf-convert.exe" --help >"$work/help.txt" 2>&1)
  if grep -q "default png" "$work/help.txt" && grep -q "\.png, \.jpg, \.jpeg, \.tif, \.tiff, \.bmp or \.dng" "$work/help.txt" &&
    tr -d '\r\n' <"$work/help.txt" | tr -s ' ' | grep -q "its resolution is the system's encoder's default"; then
    pass "help offers PNG (the default), JPEG, TIFF, BMP and DNG, and says what --strip leaves on Windows"
  else
    fail "help: $(grep -i -E 'png|bmp' "$work/help.txt")"
  fi
}

check_names() {
  # Names: in code page 932 (LANG=ja_JP.UTF-8 makes it Wine's ANSI code page;
  # the locale must exist, or Wine misreads the UTF-8 arguments) with
  # characters whose Shift-JIS second byte is 0x5C, the path separator, in
  # folders named so too; in code page 1252 an accented name. Every picture
  # keeps its name and is the native build's, byte for byte; a name the code
  # page cannot express is refused before anything is written.
  names="$work/names"
  rm -rf "$names" && mkdir -p "$names/ソフト十" "$names/café"
  for name in 表 ソ 能 十 あ; do cp "$work/not-ten.erf" "$names/ソフト十/$name.erf"; done
  cp "$work/not-ten.erf" "$names/café/café.erf"
  cp "$work/not-ten.erf" "$names/ソフト十/한.erf"
  (cd "$names" && LANG=ja_JP.UTF-8 wine "$win/bin/erf-convert.exe" --format bmp 'ソフト十\表.erf' 'ソフト十\ソ.erf' \
    'ソフト十\能.erf' 'ソフト十\十.erf' 'ソフト十\あ.erf' -o 'ソフト十\出力表\' >"$names/932.out" 2>"$names/932.err")
  status=$?
  (cd "$names" && LANG=ja_JP.UTF-8 wine "$win/bin/erf-convert.exe" --format bmp 'ソフト十\能.erf' >>"$names/932.out" 2>>"$names/932.err") ||
    status=$?
  (cd "$names" && LANG=ja_JP.UTF-8 wine "$win/bin/erf-convert.exe" 'ソフト十\表.erf' -o 'ソフト十\出力表\表 one.bmp' \
    >>"$names/932.out" 2>>"$names/932.err") || status=$?
  (cd "$names" && LANG=C.UTF-8 wine "$win/bin/erf-convert.exe" --format bmp 'café\café.erf' >"$names/1252.out" 2>"$names/1252.err") ||
    status=$?
  expected=(ソフト十/出力表/表.bmp ソフト十/出力表/ソ.bmp ソフト十/出力表/能.bmp ソフト十/出力表/十.bmp ソフト十/出力表/あ.bmp
    ソフト十/能.bmp
    "ソフト十/出力表/表 one.bmp" café/café.bmp)
  wrong=""
  for picture in "${expected[@]}"; do
    cmp -s "$names/$picture" "$work/not-ten.native.bmp" || wrong="$wrong $picture"
  done
  made=$(cd "$names" && find . -name '*.bmp' | wc -l)
  if [ "$status" -eq 0 ] && [ -z "$wrong" ] && [ "$made" -eq "${#expected[@]}" ]; then
    pass "Japanese and accented names: $made pictures under their own names, identical to the native build's"
  else
    fail "names: exit $status, wrong or missing:$wrong, $made pictures; $(cat "$names/932.err" "$names/1252.err" | tr -d '\r')"
  fi
  (cd "$names" && LANG=ja_JP.UTF-8 wine "$win/bin/erf-convert.exe" 'ソフト十\한.erf' >"$names/refused.out" 2>"$names/refused.err")
  status=$?
  if [ "$status" -eq 1 ] && grep -q "한.erf: the name has characters that code page 932" "$names/refused.err" &&
    [ ! -e "$names/ソフト十/한.bmp" ]; then
    pass "a name code page 932 cannot express is refused, nothing written"
  else
    fail "unexpressible name: exit $status, $(tr -d '\r' <"$names/refused.err")"
  fi
  # The converter and the module in a folder whose name code page 1252 cannot
  # express: the module beside the program is found and loaded by its wide name.
  mkdir -p "$names/한글"
  cp "$win/bin/erf-convert.exe" "$win/bin/R_UDI.dll" "$names/한글/"
  (cd "$names" && LANG=C.UTF-8 wine '한글\erf-convert.exe' 'café\café.erf' -o 'café\moved.bmp' >/dev/null 2>"$names/moved.err")
  status=$?
  if [ "$status" -eq 0 ] && cmp -s "$names/café/moved.bmp" "$work/not-ten.native.bmp"; then
    pass "the converter and its module in a folder of any name"
  else
    fail "converter in a folder of any name: exit $status, $(tr -d '\r' <"$names/moved.err")"
  fi
}

check_guard() {
  # No picture over an input; a temporary file left by an ended process is
  # removed by the next run into its folder.
  guard="$work/guard"
  rm -rf "$guard" && mkdir -p "$guard"
  cp "$work/not-ten.erf" "$guard/q.bmp"
  printf 'left' >"$guard/.made.bmp.incomplete-4000000-000000"
  (cd "$guard" && wine "$win/bin/erf-convert.exe" q.bmp -o q.bmp >/dev/null 2>"$guard/q.err")
  status=$?
  (cd "$guard" && wine "$win/bin/erf-convert.exe" q.bmp -o made.bmp >/dev/null 2>&1)
  if [ "$status" -eq 1 ] && cmp -s "$guard/q.bmp" "$work/not-ten.erf" && grep -q "would replace the input" "$guard/q.err" &&
    [ ! -e "$guard/.made.bmp.incomplete-4000000-000000" ] && cmp -s "$guard/made.bmp" "$work/not-ten.native.bmp"; then
    pass "an input is never replaced; a stale temporary file is removed"
  else
    fail "input as output: exit $status, $(tr -d '\r' <"$guard/q.err"); $(ls -a "$guard" | tr '\n' ' ')"
  fi
}

check_big_files() {
  # The big sparse files, through the DLL: each size query and decode within the
  # bounds of the native module (Wine's own start for a tiny file not counted).
  if "$native/bin/big-file-bounds" --module "$(command -v wine)" "$win/bin/module-call.exe" "$win/bin/R_UDI.dll" \
    >"$work/big-file-bounds.txt" 2>&1; then
    pass "big sparse files through the DLL within their time and memory bounds"
  else
    fail "big sparse files through the DLL:"
    grep -B1 -A1 FAILED "$work/big-file-bounds.txt"
  fi
}

check_console() {
  # On a console the text goes out as UTF-16, which shows every name: the
  # console's text, captured from the terminal Wine gives the program (in
  # code page 932), holds the Japanese names, the module's message among
  # them, and the batch goes on past the file the module refuses.
  local console="$work/console"
  rm -rf "$console" && mkdir -p "$console/写真"
  cp "$work/not-ten.erf" "$console/写真/ソフト.erf"
  cp "$work/bad-header.erf" "$console/写真/偽物.erf"
  (cd "$console" && LANG=ja_JP.UTF-8 script -qec "timeout 900 wine '$win/bin/erf-convert.exe' --format bmp '写真\偽物.erf' '写真\ソフト.erf' -o '出力\'" \
    /dev/null </dev/null >"$console/console.txt" 2>&1)
  local text
  text=$(tr -d '\r' <"$console/console.txt")
  if grep -qF 'erf-convert: TIFF endian error: 写真\偽物.erf' <<<"$text" &&
    grep -qF '写真\ソフト.erf -> 出力\ソフト.bmp (37 x 29)' <<<"$text" &&
    cmp -s "$console/出力/ソフト.bmp" "$work/not-ten.native.bmp"; then
    pass "the console shows the Japanese names; the batch goes on past the module's message"
  else
    fail "console: $(tr -c '[:print:]\n' '.' <<<"$text")"
  fi
  # Redirected, one line in UTF-8: the name and Windows' own reason alike.
  (cd "$console" && LANG=ja_JP.UTF-8 wine "$win/bin/erf-convert.exe" '写真\ソフト.erf' -o '出力なし\写真001.jpg' \
    >/dev/null 2>"$console/missing.err")
  local status=$?
  if [ "$status" -eq 1 ] && [ "$(tr -d '\r' <"$console/missing.err" | wc -l)" -eq 1 ] &&
    iconv -f UTF-8 -t UTF-8 "$console/missing.err" >/dev/null 2>&1 && grep -qF '出力なし\写真001.jpg: ' "$console/missing.err"; then
    pass "a redirected error for a missing Japanese folder is one UTF-8 line: $(tr -d '\r' <"$console/missing.err")"
  else
    fail "redirected error: exit $status, $(tr -c '[:print:]\n' '.' <"$console/missing.err")"
  fi
}

check_metadata() {
  # The photograph's tags (written into a copy by ExifTool) in the PNG, JPEG
  # and TIFF the system's encoders make, as in the native build's.
  local tagged="$work/tagged.erf" extension tags=(-Make -Model -DateTimeOriginal -ExposureTime -Artist -GPSLatitude -GPSLongitude)
  cp "$work/not-ten.erf" "$tagged"
  exiftool -q -overwrite_original -Artist='山田 太郎' -ExposureTime=1/125 -DateTimeOriginal='2026:05:01 10:20:30' \
    -GPSLatitude=35.681 -GPSLatitudeRef=N -GPSLongitude=139.767 -GPSLongitudeRef=E "$tagged"
  for extension in png jpg tif; do
    "$native/bin/erf-convert" --force "$tagged" -o "$work/tagged.native.$extension" >/dev/null 2>"$work/tagged.native.$extension.err"
    (cd "$work" && wine "$win/bin/erf-convert.exe" tagged.erf -o "tagged.windows.$extension" >/dev/null 2>"$work/tagged.$extension.err")
    local status=$? from_native from_windows
    from_native=$(exiftool -s -s -s "${tags[@]}" "$work/tagged.native.$extension" | paste -sd ';')
    from_windows=$(exiftool -s -s -s "${tags[@]}" "$work/tagged.windows.$extension" 2>&1 | paste -sd ';')
    if [ "$status" -eq 0 ] && [ "$from_windows" = "$from_native" ] && grep -q '1/125;山田 太郎' <<<"$from_windows"; then
      pass "$extension: the photograph's tags as in the native build's ($from_windows)"
    else
      fail "$extension: exit $status, tags '$from_windows', native '$from_native'; $(tr -d '\r' <"$work/tagged.$extension.err") $(cat "$work/tagged.native.$extension.err")"
    fi
  done
}

report_timing() {
  start=$EPOCHREALTIME
  (cd "$work" && wine "$win/bin/erf-convert.exe" demo.erf -o demo.timed.bmp >/dev/null 2>&1)
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "Wine conversion of the 3040 x 2024 file: %.2f s (wall, server running)\n", b - a }'
}

# The checks in order of what they prove; emulated, the first ones always
# run and the rest while the time lasts.
first=(check_version_resource check_identity)
rest=(check_thumbnail check_dng check_formats check_metadata check_console check_help check_guard check_counters check_concurrent check_names check_batch
  check_big_files report_timing)
if [ "$emulated" = 1 ]; then
  first+=(check_few_conversions)
else
  first+=(check_conversions)
fi
: >"$win/not-run.txt"
wine_start=$SECONDS
budget=${RUDI_EMULATED_WINE_SECONDS:-300}
for check in "${first[@]}" "${rest[@]}"; do
  if [ -n "${RUDI_WINDOWS_CHECKS:-}" ] && [[ " $RUDI_WINDOWS_CHECKS " != *" ${check#check_} "* ]]; then
    continue
  fi
  if [ "$emulated" = 1 ] && [[ " ${rest[*]} " == *" $check "* ]] && [ $((SECONDS - wine_start)) -ge "$budget" ]; then
    echo "not run on this machine: Windows check ${check#check_} (Wine under qemu-i386 used its $budget s)" |
      tee -a "$win/not-run.txt"
    continue
  fi
  "$check"
done

echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
