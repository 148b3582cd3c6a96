#!/usr/bin/env bash
# The 12F675 example and its factory calibration, checked in gpsim (an independent peer).
#
# Usage: gpsim_calibration.sh EXAMPLE_HEX [DAXWEL_CLI SIM_MODEL]
#   With the example alone: the example with a RETLW at 0x3FF runs into its main loop and
#   plays its EEPROM patterns on GPIO; the example as assembled (0x3FF erased, ADDLW 0xFF)
#   never gets past its call to 0x3FF and restarts for ever, writing neither OSCCAL nor GPIO.
#   With daxwel-cli and a simulated model as well: the example is programmed into a simulated
#   chip, read back, erased, programmed and read back again, then programmed from a copy with
#   another RETLW at 0x3FF; each read-back file must hold the chip's factory RETLW at 0x3FF,
#   the chip its factory band-gap bits, and gpsim must run the read-back files as it runs the
#   example with the factory RETLW.
set -euo pipefail

example=$1 cli=${2:-} model=${3:-}
cycles=3000
# The patterns the example plays, after the clrf GPIO of its start.
patterns="00 15 22 37 00 15 22 37 00 15 22 37 00"

if ! command -v gpsim >/dev/null 2>&1; then
  echo "gpsim is not installed: skipping (apt-get install gpsim)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# The 14-bit word at a word address of an INHX8M file; empty when no record holds it.
word_at() {
  local file=$1 want=$(($2 * 2)) line count addr type i lo hi found=
  while IFS= read -r line; do
    line=${line%$'\r'}
    [[ $line == :* ]] || continue
    count=$((16#${line:1:2})) addr=$((16#${line:3:4})) type=$((16#${line:7:2}))
    ((type == 0)) || continue
    for ((i = 0; i + 1 < count; i += 2)); do
      if ((addr + i == want)); then
        lo=$((16#${line:$((9 + 2 * i)):2})) hi=$((16#${line:$((11 + 2 * i)):2}))
        found=$(((hi * 256 + lo) & 0x3FFF))
      fi
    done
  done <"$file"
  echo "$found"
}

# A copy of an INHX8M file with `word` at 0x3FF, in a record just before the end record.
with_word_at_3ff() {
  local in=$1 out=$2 word=$3
  local lo=$((word & 0xFF)) hi=$((word >> 8))
  local sum=$(((2 + 0x07 + 0xFE + lo + hi) & 0xFF))
  local record
  record=$(printf ':0207FE00%02X%02X%02X' "$lo" "$hi" $(((0x100 - sum) & 0xFF)))
  grep -v '^:00000001FF' "$in" | tr -d '\r' >"$out"
  printf '%s\n:00000001FF\n' "$record" >>"$out"
}

# "<port> <value>" per write to GPIO or OSCCAL in `cycles` cycles, values as two upper-case
# hex digits.
writes() {
  local hex=$1 name=$2
  {
    echo "log on $work/$name.log"
    echo "log w gpio"
    echo "log w osccal"
    echo "break c $cycles"
    echo run
    echo quit
  } >"$work/$name.stc"
  if ! gpsim -i -S disable -p p12f675 -c "$work/$name.stc" "$hex" >"$work/$name.out" 2>&1; then
    cat "$work/$name.out" >&2
    echo "gpsim failed on $hex" >&2
    exit 1
  fi
  grep -q "cycle break" "$work/$name.out" || {
    cat "$work/$name.out" >&2
    echo "gpsim did not run $cycles cycles of $hex" >&2
    exit 1
  }
  awk '/ Wrote: 0x[0-9A-Fa-f]+ to (gpio|osccal)\(/ {
         reg = $4; sub(/\(.*/, "", reg); v = toupper($2); print reg, substr(v, length(v) - 1)
       }' "$work/$name.log"
}

sequence() { awk -v reg="$2" '$1 == reg {print $2}' "$1" | tr '\n' ' '; }

expect() {
  local what=$1 got=$2 want=$3
  if [[ "$got" != "$want"* ]]; then
    echo "FAIL: $what"
    echo "  want (prefix): ${want:-(nothing)}"
    echo "  got:           ${got:0:200}"
    fail=1
  else
    echo "ok: $what: ${want:-(nothing)}"
  fi
}

# A calibrated image: OSCCAL set from the RETLW, then the patterns.
check_runs() {
  local hex=$1 name=$2 osccal=$3
  writes "$hex" "$name" >"$work/$name.writes"
  expect "$name OSCCAL" "$(sequence "$work/$name.writes" osccal)" \
    "$(printf '%02X ' $((osccal & 0xFC)))"
  expect "$name GPIO" "$(sequence "$work/$name.writes" gpio)" "$patterns"
}

with_word_at_3ff "$example" "$work/calibrated.hex" $((0x3448))
check_runs "$work/calibrated.hex" calibrated $((0x48))

# Lost calibration: not one write in all those cycles.
writes "$example" lost >"$work/lost.writes"
if [[ -s "$work/lost.writes" ]]; then
  echo "FAIL: the example without 0x3FF wrote to GPIO or OSCCAL:"
  head -5 "$work/lost.writes"
  fail=1
else
  echo "ok: without 0x3FF the example never gets past its call in $cycles cycles"
fi

[[ -n "$cli" ]] || exit $fail

state=$work/chip.hex
run_cli() {
  echo "+ daxwel-cli $*"
  "$cli" --sim "$model:$state" --sim-time virtual "$@"
}
# The simulator keeps the chip's factory calibration at words 0x20F0 (OSCCAL) and 0x20F1
# (band gap in bits 13:12) of its state file.
run_cli info >"$work/info.out" || {
  cat "$work/info.out"
  exit 1
}
factory=$(word_at "$state" $((0x20F0)))
factory_bg=$(($(word_at "$state" $((0x20F1))) & 0x3000))
[[ -n "$factory" ]] || {
  echo "FAIL: the state file holds no factory calibration"
  exit 1
}
with_word_at_3ff "$example" "$work/factory.hex" "$factory"
writes "$work/factory.hex" factory >"$work/factory.writes"

check_readback() {
  local name=$1 back=$work/$1.hex
  run_cli -q read "$back"
  expect "$name 0x3FF" "$(printf '0x%04X' "$(word_at "$back" $((0x3FF)))")" \
    "$(printf '0x%04X' "$factory")"
  expect "$name band gap" "$(printf '0x%04X' $(($(word_at "$state" $((0x2007))) & 0x3000)))" \
    "$(printf '0x%04X' "$factory_bg")"
  check_runs "$back" "$name" $((factory & 0xFF))
  if ! diff -u "$work/factory.writes" "$work/$name.writes" >"$work/$name.diff"; then
    echo "FAIL: gpsim runs $name differently from the example with the factory RETLW:"
    head -20 "$work/$name.diff"
    fail=1
  fi
}

run_cli -q -y program "$example"
run_cli -q -y verify "$example"
check_readback programmed
run_cli -q -y erase
run_cli -q -y program "$example"
check_readback reprogrammed
# A file with its own value at 0x3FF (and, as every gpasm file, band gap 11) changes neither.
with_word_at_3ff "$example" "$work/foreign-in.hex" $((0x3401))
run_cli -q -y program "$work/foreign-in.hex"
check_readback foreign
exit $fail
