#!/usr/bin/env bash
# The import workload: ROWS rows of a CSV export (item number, name,
# department path of two levels, description, price, one option with two
# choices and their surcharges) imported into a new shop by tallyport run
# from a script on a fresh program folder, beside the same rows written to
# SQLite by the sqlite3 shell (i386, like the program) in the same run: once
# by .import (one transaction), once as INSERT statements committed every
# 100 rows (a transaction per rowset of 100, as the import's default).
# Prints rows per second of each and the import's ratio to the second.
# Usage: bench/import_bench.sh [ROWS]   (default 100000)
# ROWSET=N in the environment sets the rows per rowset (and so per
# transaction), "RowsetSize" in "Wizard Settings"; default 100.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=${BUILD_DIR:-$root/build}
rows=${1:-100000}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target tallyport -j "$(nproc)" -- --no-print-directory >/dev/null

probe=$(mktemp -d)
printf 'int main(void){return 0;}\n' > "$probe/p.c"
gcc -m32 "$probe/p.c" -o "$probe/p"
emulator=(qemu-i386)
if "$probe/p" 2>/dev/null; then emulator=(); fi
rm -rf "$probe"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home="$work/home"
"$root/tools/seed_home.sh" "$home"
if [ -n "${ROWSET:-}" ]; then
  printf '\n[Wizard Settings]\nRowsetSize=%s\n' "$ROWSET" >> "$home/tallyport.ini"
fi
mkdir "$work/src"
awk -v rows="$rows" 'BEGIN {
  print "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price"
  for (i = 0; i < rows; i++)
    printf "Product %d,IT-%d,Range %d/Group %d,Description of product %d,%d.%02d,Size,Small,0.50,Large,1.25\n",
           i, i, i % 20, i % 200, i, 1 + i % 500, i % 100
}' > "$work/src/products.csv"
printf '<Options>=1\n<Choices>=2\n<Tables>=Name,Item,Dept,Notes,,Price,,,,Opt,,Ch1,Ch1Price,,Ch2,Ch2Price,\n' \
  > "$work/src/products_csv.cfg"
cat > "$work/script.txt" <<SCRIPT
pick 1149 Text (*.csv,*.txt)
next
set 21186 $work/src/products.csv
next
next
next
next
set 21135 $work/shop.kvc
next
expect page 20007
tree 21176 My Departments
click 21118
finish
SCRIPT

now() { date +%s.%N; }
rate() { awk -v n="$rows" -v s="$1" -v e="$2" 'BEGIN { printf "%.0f", n / (e - s) }'; }

start=$(now)
LC_ALL=C DV_FRAME_CONFIG_HOME="$work/config" "${emulator[@]}" "$build/bin/tallyport" \
  --home "$home" --script "$work/script.txt" </dev/null >/dev/null
end=$(now)
import_rate=$(rate "$start" "$end")

start=$(now)
"${emulator[@]}" /usr/bin/sqlite3 "$work/sqlite.db" ".mode csv" ".import $work/src/products.csv products"
end=$(now)
sqlite_rate=$(rate "$start" "$end")

# The same rows as INSERT statements, a COMMIT after every 100 rows (the
# CSV's fields hold neither commas nor quotes).
awk -F, 'NR == 1 { print "CREATE TABLE products(" $0 "); BEGIN;"; next }
  { line = "INSERT INTO products VALUES("
    for (i = 1; i <= NF; i++) line = line (i > 1 ? "," : "") "\047" $i "\047"
    print line ");"
    if ((NR - 1) % 100 == 0) print "COMMIT; BEGIN;" }
  END { print "COMMIT;" }' "$work/src/products.csv" > "$work/inserts.sql"
start=$(now)
"${emulator[@]}" /usr/bin/sqlite3 "$work/sqlite100.db" < "$work/inserts.sql"
end=$(now)
sqlite100_rate=$(rate "$start" "$end")

echo "import rows                      $rows (${ROWSET:-100} a rowset)"
echo "tallyport import (rows/s)        $import_rate"
echo "sqlite3 .import (rows/s)         $sqlite_rate"
echo "sqlite3 commit/100 rows (rows/s) $sqlite100_rate"
awk -v a="$import_rate" -v b="$sqlite_rate" 'BEGIN { printf "import / sqlite .import          %.3f\n", a / b }'
awk -v a="$import_rate" -v b="$sqlite100_rate" 'BEGIN { printf "import / sqlite commit/100      %.3f\n", a / b }'
