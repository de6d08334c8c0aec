#!/usr/bin/env bash
# Installs what the build needs (only what is missing), builds everything for
# 32-bit x86 and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
source tools/build_setup.sh

dv_install_missing
dv_find_emulator
build=${BUILD_DIR:-build}
dv_build "$build"
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
