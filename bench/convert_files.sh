#!/usr/bin/env bash
# convert_files.sh RELEASE_DIR WORKLOAD_DIR: whole-process time and peak memory of
# quadrell-convert reading and writing XLSX and writing PDF.
set -euo pipefail
dir=$1
work=$2
convert=$dir/app/quadrell-convert
[ -x "$convert" ] || convert=$dir/app/convert/quadrell-convert
[ -x "$convert" ] || { echo "convert_files: no $convert" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# A 10,000-row, 8-column sheet for the PDF export: numbers and short texts.
awk 'BEGIN { srand(3); for (r = 1; r <= 10000; r++) {
  printf "%d;%.2f;%.3f;item %d;%d;north;%.1f;row %d\r\n", r, rand() * 1000, rand(), r % 500, int(rand() * 1e6), rand() * 100, r } }' \
  > "$out/pdf10k.csv"

run() {
  local label=$1
  shift
  /usr/bin/time -f "$label: %e s (user %U s, system %S s), %M KB peak" "$convert" "$@" >/dev/null
}
run "numbers.xlsx -> csv" "$work/numbers.xlsx" "$out/numbers.csv"
run "mixed.xlsx -> csv" "$work/mixed.xlsx" "$out/mixed.csv"
run "mixed.xlsx -> xlsx" "$work/mixed.xlsx" "$out/mixed-again.xlsx"
run "mixed-again.xlsx -> csv" "$out/mixed-again.xlsx" "$out/mixed-again.csv"
if cmp -s "$out/mixed.csv" "$out/mixed-again.csv"; then
  echo "mixed.xlsx -> xlsx reopens with the same values"
else
  echo "mixed.xlsx -> xlsx: values differ after reopening" >&2
  exit 1
fi
run "pdf10k.csv -> pdf" "$out/pdf10k.csv" "$out/pdf10k.pdf"
run "numbers.xlsx -> pdf" "$work/numbers.xlsx" "$out/numbers.pdf"
