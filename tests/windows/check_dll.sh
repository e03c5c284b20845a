#!/usr/bin/env bash
# Checks R_UDI.dll's export table (names and ordinals) and that it imports
# only Windows' own DLLs. Usage: check_dll.sh PATH/R_UDI.dll
set -euo pipefail
dll="$1"
objdump=i686-w64-mingw32-objdump
dump=$("$objdump" -p "$dll")

# "[ index] name" rows of the name table; the ordinal is index + base.
base=$(sed -n 's/.*Ordinal Base \([0-9]*\).*/\1/p' <<<"$dump")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
  sed -n 's/^\s*\[\s*\([0-9]*\)\] \(.*\)$/\1 \2/p' |
  while read -r index name; do echo "$((index + base)) $name"; done | sort -n)
expected="1 ReadFileInfo
2 ReadFileGetSize
3 ReadFileExec
4 ReadFileInit
5 ReadFileDllInfo
12 _DllMainCRTStartup"
echo "export table of $dll:"
echo "$exports" | sed 's/^/  /'
if [ "$exports" != "$expected" ]; then
  echo "FAIL: the export table differs from the expected one:" >&2
  echo "$expected" | sed 's/^/  /' >&2
  exit 1
fi

# Only DLLs that every Windows installation has.
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr 'a-z' 'A-Z' | sort -u)
echo "imports: $(echo $imports)"
for name in $imports; do
  case "$name" in
    KERNEL32.DLL|USER32.DLL|MSVCRT.DLL) ;;
    *) echo "FAIL: $dll imports $name, which is not a system DLL" >&2; exit 1 ;;
  esac
done
echo "PASS: export table and imports"
