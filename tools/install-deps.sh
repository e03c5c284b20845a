#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
# Usage: tools/install-deps.sh [base] [test] [windows] [fuzz] [bench]
set -euo pipefail

want=()
for group in "${@:-base}"; do
  case "$group" in
    base) want+=(cmake make g++ pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
                 libpng-dev libtiff-dev libtiff-tools libcli11-dev nlohmann-json3-dev) ;;
    # Independent readers the tests compare with; groff and bash-completion
    # check the installed man pages and completions.
    test) want+=(dcraw libimage-exiftool-perl groff-base bash-completion) ;;
    windows) want+=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386) ;;
    fuzz) want+=(clang libclang-rt-14-dev llvm) ;;
    bench) want+=(libbenchmark-dev valgrind time dcraw imagemagick python3) ;;
    *) echo "install-deps: unknown group '$group' (base, test, windows, fuzz, bench)" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
