#!/usr/bin/env bash
# Runs a command on a machine whose kernel cannot execute 32-bit x86
# programs: every 32-bit program it starts, and every program those start in
# turn (a test that runs a tool, Wine's loader), runs under qemu-i386 user
# emulation instead. The kernel takes the emulator as the handler of 32-bit
# programs inside a private user and mount namespace only, so nothing on the
# machine changes. Usage: tools/emulate-i386.sh COMMAND [ARGUMENTS...]
set -euo pipefail
if [ $# -eq 0 ]; then
  echo "usage: tools/emulate-i386.sh COMMAND [ARGUMENTS...]" >&2
  exit 2
fi
if [ "${RUDI_IN_EMULATOR_NAMESPACE:-}" != 1 ]; then
  export RUDI_IN_EMULATOR_NAMESPACE=1
  exec unshare --user --map-root-user --mount --fork "$0" "$@"
fi
qemu=$(command -v qemu-i386-static) || { echo "emulate-i386: qemu-i386-static is missing (tools/install-deps.sh emulator)" >&2; exit 1; }
mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
# The ELF header of an i386 executable or shared object; F: the emulator is
# opened now, so it is found from any mount namespace or root a program uses.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":qemu-i386:M::$magic:$mask:$qemu:F" >/proc/sys/fs/binfmt_misc/register
unset RUDI_IN_EMULATOR_NAMESPACE
# Tests that measure a program's own time or memory read this.
export RUDI_EMULATED_I386=1
exec "$@"
