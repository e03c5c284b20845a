#!/usr/bin/env bash
# Installs the build into a temporary prefix as a user would
# (cmake --install BUILD --prefix P) and uses the tools from there: make a
# file, convert it through the installed module, check it; the man pages
# format without a warning; the bash completions complete.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for path in bin/make-erf bin/erf-info bin/erf-convert lib/r_udi/erf-convert lib/r_udi/R_UDI.so \
            share/man/man1/erf-convert.1 share/man/man1/erf-info.1 share/man/man1/make-erf.1 \
            share/bash-completion/completions/erf-convert share/bash-completion/completions/erf-info \
            share/bash-completion/completions/make-erf; do
  [ -e "$prefix/$path" ] || fail "$path is not installed"
done
[ -L "$prefix/bin/erf-convert" ] || fail "bin/erf-convert is not a link to lib/r_udi/erf-convert"

# From the installed tools only, with the build out of reach of PATH.
cd "$prefix"
PATH="$prefix/bin:/usr/bin:/bin"
make-erf --width 40 --height 30 -o chart.erf
erf-info chart.erf | tail -n 1 | grep -qx 'verdict: EPSON RAW, complete' || fail "erf-info gives no verdict"
erf-convert chart.erf -o chart.png || fail "the installed erf-convert cannot convert"
[ "$(head -c 8 chart.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "chart.png is not a PNG"
erf-convert --info | grep -q 'EPSON RAW' || fail "erf-convert --info does not name the format"

version=$(make-erf --version | awk '{print $2}')
for tool in erf-convert erf-info make-erf; do
  page=share/man/man1/$tool.1
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "$page: $warnings"
  groff -man -Tutf8 -P-cbou "$page" 2>/dev/null | grep -q "^NAME" || fail "$page has no NAME section"
  grep -q "R_UDI $version" "$page" || fail "$page does not carry the version $version"
done

# What each completion offers after an option that takes a choice.
complete_after() {
  local tool=$1; shift
  bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    "$(complete -p "$1" | awk "{print \$3}")" "$1" "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
    echo "${COMPREPLY[*]}"
  ' complete "share/bash-completion/completions/$tool" "$tool" "$@"
}
if [ -f /usr/share/bash-completion/bash_completion ]; then
  [ "$(complete_after make-erf --byte-order '')" = "II MM" ] || fail "make-erf --byte-order does not complete"
  [ "$(complete_after erf-convert --format '')" = "png jpeg tiff bmp dng" ] || fail "erf-convert --format does not complete"
  [ "$(complete_after erf-info --j)" = "--json" ] || fail "erf-info --j does not complete"
else
  echo "install test: bash-completion is not installed, the completions are not tried"
fi
echo "installed and converted from $prefix"
