#!/usr/bin/env bash
# hostile_layouts.sh BUILD WORK: the converter on layouts that once cost time
# growing with the square of the input, generated here (not committed):
#   total.csv   =SUM(A2:A1000001) above 1,000,000 numbers
#   chain.csv   1,000,000 formulas each reading the cell below (=A2+1 ...)
#   cols.xlsx   3,000,000 repeated <col min="1" max="16384"> elements
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
import zipfile
ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
rel = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
with zipfile.ZipFile(os.path.join(out, "cols.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
               '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
               '<Default Extension="xml" ContentType="application/xml"/></Types>')
    z.writestr("_rels/.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="r1" Type="%s/officeDocument" Target="xl/workbook.xml"/></Relationships>' % rel)
    z.writestr("xl/workbook.xml", '<workbook %s xmlns:r="%s"><sheets><sheet name="S" sheetId="1" r:id="r1"/></sheets></workbook>' % (ns, rel))
    z.writestr("xl/_rels/workbook.xml.rels", '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="r1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/></Relationships>' % rel)
    z.writestr("xl/worksheets/sheet1.xml", '<worksheet %s><cols>' % ns + '<col min="1" max="16384" width="12" customWidth="1"/>' * 3000000
               + '</cols><sheetData><row r="1"><c r="A1"><v>5</v></c></row></sheetData></worksheet>')
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
check cols.xlsx 5
exit $status
