#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
# Usage: tools/install-deps.sh [base] [test] [editors] [windows] [fuzz] [i386] [emulator] [bench] [style]
set -euo pipefail

want=()
for group in "${@:-base}"; do
  case "$group" in
    base) want+=(cmake make g++ pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
                 libpng-dev libisal-dev libjpeg62-turbo-dev libtiff-dev libtiff-tools libcli11-dev nlohmann-json3-dev) ;;
    # Independent readers the tests compare with (libraw-bin: LibRaw's
    # unprocessed_raw); groff and bash-completion check the installed man
    # pages and completions; strace kills a conversion half-way.
    test) want+=(dcraw libraw-bin libimage-exiftool-perl groff-base bash-completion strace python3) ;;
    # The raw editors that develop the converter's DNG in the tests: large, a group of their own.
    editors) want+=(darktable rawtherapee) ;;
    # locales: tests/windows/run.sh runs Wine in ja_JP.UTF-8 (code page 932);
    # imagemagick compares the Windows build's PNG, JPEG and TIFF pixels;
    # libz-mingw-w64-dev: zlib's CRC-32 for the chunks the Windows build adds to the system encoder's PNG.
    windows) want+=(g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev wine wine32:i386 locales imagemagick) ;;
    fuzz) want+=(clang libclang-rt-14-dev llvm) ;;
    # The 32-bit build (cmake/linux-i386.cmake): clang -m32 with its i386
    # sanitizer and libFuzzer runtimes, and Debian's i386 multiarch libraries.
    i386) want+=(clang libclang-rt-14-dev libc6-dev:i386 libgcc-12-dev:i386 libstdc++-12-dev:i386
                 libgtest-dev:i386 libgmock-dev:i386 libpng-dev:i386 libjpeg62-turbo-dev:i386 libtiff-dev:i386) ;;
    # Where the machine does not execute 32-bit programs: qemu-i386 runs them
    # (tools/emulate-i386.sh); unshare and mount come with util-linux. wine64
    # brings a native wineserver, which serves the emulated 32-bit Wine.
    emulator) want+=(qemu-user-static util-linux mount wine64) ;;
    bench) want+=(libbenchmark-dev valgrind time dcraw imagemagick python3) ;;
    # The format and lint checks (.clang-format, .clang-tidy).
    style) want+=(clang-format clang-tidy) ;;
    *) echo "install-deps: unknown group '$group' (base, test, editors, windows, fuzz, i386, emulator, bench, style)" >&2; exit 2 ;;
  esac
done

# Wine takes its ANSI code page from the locale, which must exist.
japanese_locale() {
  case " $* " in *" windows "*) locale -a | grep -qix 'ja_JP.utf8' || ${sudo:-} localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 ;; esac
}
trap 'japanese_locale "${@:-base}"' EXIT

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
# On a fresh machine apt's own jobs may hold the package lock for a while:
# wait for it rather than fail.
wait_for_lock=(-o DPkg::Lock::Timeout=900)
$sudo apt-get "${wait_for_lock[@]}" update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get "${wait_for_lock[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
