# Shared by ./test.sh and ./run.sh (sourced from the repository root):
# installs what the build needs (Debian packages, only what is missing),
# finds how 32-bit programs run here, and configures and builds.
#   dv_install_missing        installs the packages of need_pkgs not installed yet
#   dv_find_emulator          sets DV_RUNNER: "" or qemu-i386 (installed when needed)
#   dv_build DIR [TARGET...]  configures DIR and builds the targets (all by default)

need_pkgs=(g++-multilib cmake make libgtest-dev:i386 libgmock-dev:i386 libsqlite3-dev:i386 libfinal-dev:i386 libgpm-dev:i386 tmux
           unixodbc-dev:i386 libsqliteodbc:i386 odbc-mdbtools:i386 sqlite3:i386
           libfreexl-dev:i386 pxlib-dev:i386 python3-xlwt)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
apt_updated=""

dv_install_missing() {
  local missing=() p
  for p in "${need_pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "$(basename "$0"): installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  apt_updated=1
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# A kernel without IA-32 support runs the programs under qemu's user-mode
# emulator.
dv_find_emulator() {
  local probe
  probe=$(mktemp -d)
  printf 'int main(void){return 0;}\n' > "$probe/p.c"
  gcc -m32 "$probe/p.c" -o "$probe/p"
  DV_RUNNER=""
  if ! "$probe/p" 2>/dev/null; then
    if ! command -v qemu-i386 >/dev/null; then
      echo "$(basename "$0"): this kernel runs no 32-bit programs; installing qemu-user"
      [ -n "$apt_updated" ] || $SUDO apt-get update -qq
      DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends qemu-user >/dev/null
    fi
    DV_RUNNER=qemu-i386
  fi
  rm -rf "$probe"
}

dv_build() {
  local build=$1
  shift
  # An existing build folder keeps its build type unless BUILD_TYPE is set.
  local type=()
  if [ -n "${BUILD_TYPE:-}" ] || [ ! -f "$build/CMakeCache.txt" ]; then
    type=(-DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}")
  fi
  cmake -S . -B "$build" "${type[@]}" >/dev/null
  local targets=()
  local target
  for target in "$@"; do targets+=(--target "$target"); done
  cmake --build "$build" -j "$(nproc)" "${targets[@]}" -- --no-print-directory
}
