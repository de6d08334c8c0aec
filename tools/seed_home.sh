#!/usr/bin/env bash
# Makes DIR a program folder for the wizard: the delivered run-time data
# (text tables, shop languages, payment methods, default mapping files, the
# help pages, the shipped tallyport.ini) and the sample catalogue, which tallyport.ini names as the remembered
# delimited-text source.
# Usage: tools/seed_home.sh DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DIR" >&2; exit 2; }
data="$(cd "$(dirname "$0")/../data" && pwd)"
home="$1"
mkdir -p "$home"
home="$(cd "$home" && pwd)"
cp "$data"/tables/*.txt "$data/langlist.ini" "$data"/default_*.cfg "$home/"
cp -r "$data/languages" "$data/payment methods" "$data/Help" "$home/"
cp "$data/samples/garden_catalogue.csv" "$home/"
# The shipped settings (driver names and keys per source kind), with the
# folder and the sample remembered.
sed "s|^\[General ConnStr Info\]\r\?$|&\nDefaultDir=$home|" "$data/tallyport.ini" > "$home/tallyport.ini"
cat >> "$home/tallyport.ini" <<INI

[Select Database Page]
DefaultDir=$home
PlainText_file=$home/garden_catalogue.csv
INI
