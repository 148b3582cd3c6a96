#!/usr/bin/env bash
# A part with two configuration words and a factory calibration word, checked end to end and
# against gpsim (an independent peer).
#
# Usage: gpsim_config_memory.sh DAXWEL_CLI EXAMPLE_HEX SIM_MODEL GPSIM_PROCESSOR
#   The example is programmed into a simulated chip, verified and read back: the read-back file
#   must hold both configuration words as the example sets them and the chip's own factory
#   calibration word at 0x2009, and gpsim must run it write for write like the example. A copy
#   of the example with its own value at 0x2009 programs with a note and leaves the calibration
#   as it was; so does an erase; `info` shows it. A 13 V adapter on this 12 V part is refused by
#   the simulator.
set -euo pipefail

cli=$1 example=$2 model=$3 processor=$4
cycles=3000
calibration=$((0x2009))

if ! command -v gpsim >/dev/null 2>&1; then
  echo "gpsim is not installed: skipping (apt-get install gpsim)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
state=$work/chip.hex
fail=0

run_cli() {
  echo "+ daxwel-cli $*"
  "$cli" --sim "$model:$state" --sim-time virtual "$@"
}

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
  [[ -n $found ]] && printf '0x%04X' "$found"
  return 0
}

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

# A copy of an INHX8M file with `word` at 0x2009 (byte 0x4012), just before the end record.
with_calibration() {
  local in=$1 out=$2 word=$3
  local lo=$((word & 0xFF)) hi=$((word >> 8))
  local sum=$(((2 + 0x40 + 0x12 + lo + hi) & 0xFF))
  grep -v '^:00000001FF' "$in" | tr -d '\r' >"$out"
  printf ':02401200%02X%02X%02X\n:00000001FF\n' "$lo" "$hi" $(((0x100 - sum) & 0xFF)) >>"$out"
}

# One line per port write, "<cycle> <port> <value>", from gpsim's register log.
port_writes() {
  local hex=$1 name=$2
  {
    echo "log on $work/$name.log"
    echo "log w portb"
    echo "log w portd"
    echo "break c $cycles"
    echo run
    echo quit
  } >"$work/$name.stc"
  if ! gpsim -i -S disable -p "$processor" -c "$work/$name.stc" "$hex" >"$work/$name.out" 2>&1; then
    cat "$work/$name.out" >&2
    echo "gpsim failed on $hex" >&2
    exit 1
  fi
  grep -q "cycle break" "$work/$name.out" || {
    cat "$work/$name.out" >&2
    echo "gpsim did not run $cycles cycles of $hex" >&2
    exit 1
  }
  awk '/^0x[0-9A-Fa-f]+ /{cycle=$1}
       / Wrote: 0x[0-9A-Fa-f]+ to port[a-e]\(/{port=$4; sub(/\(.*/, "", port); print cycle, port, $2}' \
    "$work/$name.log"
}
sequence() {
  awk -v port="$2" '$2 == port {print toupper(substr($3, length($3) - 1))}' "$1" | tr '\n' ' '
}

# A new chip: its state file holds the factory calibration, and info shows the same.
run_cli -y info >"$work/info0.out"
factory=$(word_at "$state" $calibration)
[[ -n $factory && $factory != 0x3FFF ]] || {
  echo "FAIL: the new chip's state file holds no calibration at 0x2009 (\"$factory\")"
  exit 1
}
expect "info on a new chip" "$(grep Calibración "$work/info0.out")" "Calibración 0x2009: $factory"

run_cli -q -y program "$example"
run_cli -q -y verify "$example"
run_cli -q -y read "$work/back.hex"
expect "read-back CONFIG1" "$(word_at "$work/back.hex" $((0x2007)))" \
  "$(word_at "$example" $((0x2007)))"
expect "read-back CONFIG2" "$(word_at "$work/back.hex" $((0x2008)))" \
  "$(word_at "$example" $((0x2008)))"
expect "read-back calibration" "$(word_at "$work/back.hex" $calibration)" "$factory"

port_writes "$example" original >"$work/original.writes"
port_writes "$work/back.hex" readback >"$work/readback.writes"
for name in original readback; do
  expect "$name PORTD" "$(sequence "$work/$name.writes" portd)" "00 01 02 03 04 05 06 07 08 09 0A"
  expect "$name PORTB" "$(sequence "$work/$name.writes" portb)" "00 03 06 0C 18 30 60 C0 81 03 06"
done
if ! diff -u "$work/original.writes" "$work/readback.writes" >"$work/diff"; then
  echo "FAIL: gpsim runs the read-back file differently from the example:"
  head -20 "$work/diff"
  fail=1
else
  echo "ok: $(wc -l <"$work/original.writes") port writes, identical for both files"
fi

# A file's own value at the calibration address: programmed with a note, never written.
with_calibration "$example" "$work/foreign.hex" 0
run_cli -y program "$work/foreign.hex" >"$work/foreign.out" 2>&1 || {
  cat "$work/foreign.out"
  exit 1
}
expect "note on a file value at 0x2009" "$(grep -o 'Nota: .*' "$work/foreign.out")" \
  "Nota: el archivo trae un valor en 0x2009 (calibración de fábrica); no se escribe"
expect "calibration after the foreign file" "$(word_at "$state" $calibration)" "$factory"
run_cli -q -y erase
expect "calibration after erase" "$(word_at "$state" $calibration)" "$factory"
run_cli -y info >"$work/info1.out"
expect "info after erase" "$(grep Calibración "$work/info1.out")" "Calibración 0x2009: $factory"

# The part takes at most 12 V on MCLR: the simulator refuses a 13 V adapter.
if run_cli -q -y --sim-fault vpp=13 verify "$example" >"$work/vpp.out" 2>&1; then
  echo "FAIL: a 13 V entry on the $model went unreported"
  fail=1
else
  expect "13 V entry" "$(grep -o 'violación del protocolo: .*V on MCLR' "$work/vpp.out" | head -1)" \
    "violación del protocolo: "
fi
exit $fail
