#!/usr/bin/env bash
# Builds dv_bench when needed and runs it; arguments go to dv_bench
# (bench/run.sh --records 50000). On a kernel that runs no 32-bit programs it
# runs under qemu-i386, as the tests do. ./test.sh installs what the build
# needs (SQLite's i386 development package included).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=${BUILD_DIR:-$root/build}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target dv_bench -j "$(nproc)" -- --no-print-directory >/dev/null

# The same probe as the build's: does this kernel run a 32-bit program?
probe=$(mktemp -d)
printf 'int main(void){return 0;}\n' > "$probe/p.c"
gcc -m32 "$probe/p.c" -o "$probe/p"
emulator=(qemu-i386)
if "$probe/p" 2>/dev/null; then emulator=(); fi
rm -rf "$probe"
exec "${emulator[@]}" "$build/bin/dv_bench" "$@"
