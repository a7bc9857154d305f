#!/usr/bin/env bash
# Tells whether this machine runs 32-bit x86 programs, by running one: a
# static i386 program, built here with the system's assembler and linker,
# that does nothing but exit with status 42 through the kernel's 32-bit system
# call. It needs no C library and no loader, so only the kernel's own 32-bit
# support is tried (a dynamically linked program would also need the i386
# loader, and fail for that reason instead).
# Exit status: 0 it runs; 1 it does not (a kernel built without 32-bit
# support, or no x86 machine at all); 2 this cannot be told here (no
# assembler or linker, or no folder that allows running programs).
set -uo pipefail

command -v as >/dev/null && command -v ld >/dev/null || {
  echo "i386 probe: no assembler or linker (binutils) to build the probe" >&2
  exit 2
}
dir=$(mktemp -d) || exit 2
trap 'rm -rf "$dir"' EXIT

# A program of the machine's own kind first: if even that cannot run from
# here (a folder mounted noexec), the probe proves nothing.
cp /bin/true "$dir/native" && "$dir/native" || {
  echo "i386 probe: programs cannot run from $dir" >&2
  exit 2
}

cat >"$dir/exit42.s" <<'EOF'
        .globl _start
_start: movl $1, %eax           # the exit system call
        movl $42, %ebx          # its status
        int $0x80
EOF
# An assembler or linker that knows no i386 output means no x86 machine.
as --32 -o "$dir/exit42.o" "$dir/exit42.s" 2>/dev/null && ld -m elf_i386 -o "$dir/exit42" "$dir/exit42.o" 2>/dev/null ||
  exit 1
"$dir/exit42" 2>/dev/null
[[ $? -eq 42 ]]
