#!/usr/bin/env bash
# hostile_layouts.sh BUILD WORK: the converter on layouts that once cost time
# growing with the square of the input, generated here (not committed):
#   total.csv   =SUM(A2:A1000001) above 1,000,000 numbers
#   chain.csv   1,000,000 formulas each reading the cell below (=A2+1 ...)
# each within 2 s, run under an address-space limit of 4 GiB as sandboxes do.
set -euo pipefail
build=$1
convert="$build/app/quadrell-convert"
[ -x "$convert" ] || { echo "hostile_layouts: $convert not built" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
/usr/bin/python3 - "$out" <<'PY'
import os, sys
out = sys.argv[1]
n = 1000000
with open(os.path.join(out, "total.csv"), "w") as f:
    f.write("=SUM(A2:A%d)\n" % (n + 1))
    f.write("".join("%d\n" % (i % 1000) for i in range(n)))
with open(os.path.join(out, "chain.csv"), "w") as f:
    f.write("".join("=A%d+1\n" % (r + 1) for r in range(1, n)))
    f.write("1\n")
PY
status=0
check() {
  local name=$1 expect=$2
  ( ulimit -v $((4 * 1024 * 1024)); /usr/bin/time -f '%e %M' -o "$out/time" "$convert" "$out/$name" "$out/back.csv" )
  read -r seconds kb < "$out/time"
  first=$(head -n 1 "$out/back.csv" | tr -d '\r' | sed 's/;$//')
  echo "quadrell-convert $name: ${seconds} s (limit 2 s), peak RSS $((kb / 1024)) MB, first line $first"
  [ "$first" = "$expect" ] || { echo "hostile_layouts: $name gave $first, not $expect" >&2; status=1; }
  awk "BEGIN{exit !($seconds <= 2)}" || { echo "hostile_layouts: $name over the limit" >&2; status=1; }
}
check total.csv 499500000
check chain.csv 1000000
exit $status
