#!/usr/bin/env bash
# The Linux adapter is a 32-bit ELF shared library exporting every entry point.
set -euo pipefail
so=$1
file -L "$so" | grep -q 'ELF 32-bit LSB shared object, Intel 80386' || { file -L "$so"; exit 1; }
exports=$(nm -D --defined-only "$so" | awk '$2 == "T" {print $3}')
fail=0
for name in INITDLL DONEDLL InitDevice Done GetStatus Printing PrintingWithRes CancelPrint OpenDrawer \
    OpenDrawerNum IsDrawerNumOpen FiscDocument FiscGetExtID NewGetFlags ProgramPrinter InitCustDispPort Print \
    GetZReportData PrintersStarted ExtPrintData; do
  grep -qx "$name" <<<"$exports" || { echo "missing export $name"; fail=1; }
done
extra=$(grep -cvxE 'INITDLL|DONEDLL|InitDevice|Done|GetStatus|Printing|PrintingWithRes|CancelPrint|OpenDrawer|OpenDrawerNum|IsDrawerNumOpen|FiscDocument|FiscGetExtID|NewGetFlags|ProgramPrinter|InitCustDispPort|Print|GetZReportData|PrintersStarted|ExtPrintData' <<<"$exports" || true)
[ "$extra" -eq 0 ] || { echo "unexpected exported functions:"; grep -vxE 'INITDLL|DONEDLL|InitDevice|Done|GetStatus|Printing|PrintingWithRes|CancelPrint|OpenDrawer|OpenDrawerNum|IsDrawerNumOpen|FiscDocument|FiscGetExtID|NewGetFlags|ProgramPrinter|InitCustDispPort|Print|GetZReportData|PrintersStarted|ExtPrintData' <<<"$exports"; fail=1; }
exit $fail
