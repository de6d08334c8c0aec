#!/usr/bin/env bash
# Installs what the build needs (only what is missing), builds everything for
# 32-bit x86 and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

need_pkgs=(g++-multilib cmake make libgtest-dev:i386 libgmock-dev:i386 libsqlite3-dev:i386 libncurses-dev:i386 tmux
           unixodbc-dev:i386 libsqliteodbc:i386 odbc-mdbtools:i386 sqlite3:i386
           libfreexl-dev:i386 pxlib-dev:i386 python3-xlwt)

missing=()
for p in "${need_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
apt_updated=""
if [ ${#missing[@]} -gt 0 ]; then
  echo "test.sh: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  apt_updated=1
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A kernel without IA-32 support runs the tests under qemu's user-mode emulator.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'int main(void){return 0;}\n' > "$probe/p.c"
gcc -m32 "$probe/p.c" -o "$probe/p"
if ! "$probe/p" 2>/dev/null && ! command -v qemu-i386 >/dev/null; then
  echo "test.sh: this kernel runs no 32-bit programs; installing qemu-user"
  [ -n "${apt_updated:-}" ] || $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends qemu-user >/dev/null
fi

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" -j "$(nproc)" -- --no-print-directory
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
