#!/usr/bin/env bash
# Makes DIR a program folder for the wizard: the delivered run-time data
# (text tables, shop languages, payment methods, default mapping files) and
# the sample catalogue, with tallyport.ini naming the sample as the
# delimited-text source.
# Usage: tools/seed_home.sh DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DIR" >&2; exit 2; }
data="$(cd "$(dirname "$0")/../data" && pwd)"
home="$1"
mkdir -p "$home"
home="$(cd "$home" && pwd)"
cp "$data"/tables/*.txt "$data/langlist.ini" "$data"/default_*.cfg "$home/"
cp -r "$data/languages" "$data/payment methods" "$home/"
cp "$data/samples/garden_catalogue.csv" "$home/"
cat > "$home/tallyport.ini" <<INI
[Select Database Page]
DefaultDir=$home
PlainText_file=$home/garden_catalogue.csv

[General ConnStr Info]
DefaultDir=$home

[Plain Text]
Format=CSVDelimited
INI
