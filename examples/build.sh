#!/bin/sh
# Assembles every example into both Intel HEX layouts that assemblers emit for these parts:
# NAME.inhx8m.hex (16-bit addresses only) and NAME.inhx32.hex (with an extended address
# record). Needs gpasm from gputils.
set -eu
cd "$(dirname "$0")"
assemble() {
  src=$1 proc=$2 name=${1%.asm}
  for fmt in inhx8m inhx32; do
    gpasm -q -p "$proc" -a "$fmt" -n -o "$name.$fmt.hex" "$src"
    rm -f "$name.$fmt.lst" "$name.$fmt.cod" "$name.$fmt.err"
  done
}
assemble toggle84a.asm p16f84a
assemble eeprom877.asm p16f877
assemble walk873.asm p16f873
assemble count877a.asm p16f877a
assemble eeprom628a.asm p16f628a
assemble calib675.asm p12f675
assemble count887.asm p16f887
assemble eeprom88.asm p16f88
assemble eeprom628.asm p16f628
assemble count716.asm p16f716
