#!/bin/bash
# Tries whether this machine can start 32-bit x86 Linux programs, which
# Debian's 32-bit Wine needs: some kernels are built without the 32-bit
# entry, and there every such program fails with "Exec format error".
#
# The try is a 96-byte static i386 ELF program written here, which only
# makes the exit system call with status 32, so it needs no 32-bit library.
# Exits 0 when it ran, 1 when the kernel refused it. With --why it prints
# one line saying what it found.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
probe=$work/probe32
# ELF header (52 bytes), one loadable segment (32 bytes), then the code:
#   mov eax, 1 ; mov ebx, 32 ; int 0x80
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'`
      `'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'`
      `'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'`
      `'\x00\x00\x00\x00'`
      `'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'`
      `'\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'`
      `'\xb8\x01\x00\x00\x00\xbb\x20\x00\x00\x00\xcd\x80' >"$probe"
chmod +x "$probe"
"$probe" 2>"$work/err"
status=$?
if [ "$status" = 32 ]; then
  [ "${1:-}" = --why ] && echo "this machine runs 32-bit x86 programs (a 32-bit probe program ran)"
  exit 0
fi
if [ "${1:-}" = --why ]; then
  reason=$(sed -n '1{s/.*: //;p}' "$work/err")
  echo "this machine cannot run 32-bit x86 programs (a 32-bit probe program failed: ${reason:-exit status $status})"
fi
exit 1
