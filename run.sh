#!/usr/bin/env bash
# Starts the import wizard in this terminal: installs what the build needs
# and builds the program when needed (as ./test.sh does), then runs it on a
# scratch program folder seeded from data/, with the sample catalogue
# data/samples/garden_catalogue.csv as the remembered text source. Keeps the
# folder when KEEP_HOME=1 (its path is printed at the end).
set -euo pipefail
cd "$(dirname "$0")"
source tools/build_setup.sh

dv_install_missing
dv_find_emulator
build=${BUILD_DIR:-build}
dv_build "$build" tallyport

home=$(mktemp -d "${TMPDIR:-/tmp}/tallyport.XXXXXX")
[ "${KEEP_HOME:-0}" = 1 ] || trap 'rm -rf "$home"' EXIT
tools/seed_home.sh "$home"
status=0
$DV_RUNNER "$build/bin/tallyport" --home "$home" "$@" || status=$?
[ "${KEEP_HOME:-0}" != 1 ] || echo "run.sh: the program folder was $home"
exit $status
