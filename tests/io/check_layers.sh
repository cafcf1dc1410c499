#!/bin/sh
# The device layers include only what they link: the printer device no
# fiscal register, discount distribution or universal register; the
# distribution no device at all; the fiscal register core no universal
# register, and none of them the exports.
src=${1:?source folder}
status=0
forbid() {
  found=$(grep -rnE "#include \"($2)" "$src/$1" --include='*.h' --include='*.cpp')
  [ -z "$found" ] && return
  echo "$1 includes a higher layer:"
  echo "$found"
  status=1
}
count=$(find "$src/io/printer/device" "$src/io/printer/discounts" "$src/io/printer/fiscreg" -name '*.cpp' | wc -l)
[ "$count" -gt 20 ] || { echo "only $count sources found under $src/io/printer"; exit 1; }
forbid io/printer/device 'io/printer/(fiscreg|discounts|zefor|markup)/|entry/'
forbid io/printer/discounts 'io/printer/(device|fiscreg|zefor|markup)/|entry/|xml/'
forbid io/printer/fiscreg 'io/printer/(zefor|markup)/|entry/'
exit $status
