#!/usr/bin/env bash
# convert_csv.sh BUILD WORK: the whole converter process on mixed.csv (100,000
# rows of 5 numbers and 3 texts) written back as CSV: wall time and peak
# resident memory, against 0.8 s and 120 MB.
set -euo pipefail
build=$1
work=$2
convert="$build/app/quadrell-convert"
[ -x "$convert" ] || { echo "convert_csv: $convert not built" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
best_seconds=""
peak_kb=0
for run in 1 2 3; do
  /usr/bin/time -f '%e %M' -o "$out/time" "$convert" "$work/mixed.csv" "$out/out.csv"
  read -r seconds kb < "$out/time"
  if [ -z "$best_seconds" ] || awk "BEGIN{exit !($seconds < $best_seconds)}"; then best_seconds=$seconds; fi
  [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb
done
lines=$(wc -l < "$out/out.csv")
mb=$(awk "BEGIN{printf \"%.1f\", $peak_kb / 1024}")
echo "quadrell-convert mixed.csv out.csv: best of 3 ${best_seconds} s (limit 0.8 s), peak RSS ${mb} MB (limit 120 MB), ${lines} lines"
awk "BEGIN{exit !($best_seconds <= 0.8 && $peak_kb <= 120 * 1024)}" || { echo "convert_csv: over the limit" >&2; exit 1; }
