#!/usr/bin/env bash
# End-to-end check with an independent peer: program an example into a simulated chip with
# daxwel-cli, verify it, read it back into an INHX8M file, then run both the original HEX file
# and the read-back file in gpsim for the same number of cycles. The port writes gpsim logs
# must be the ones the example is written to make, and the same for both files.
#
# Usage: gpsim_roundtrip.sh DAXWEL_CLI EXAMPLE_HEX SIM_MODEL GPSIM_PROCESSOR CHECK
#   CHECK: eeprom877 | toggle84a | count877a | eeprom628a | eeprom88 | eeprom628 | count716 (what the example's port output
#   and the chip's configuration must look like)
set -euo pipefail

cli=$1 example=$2 model=$3 processor=$4 check=$5
cycles=6000

# The ports gpsim logs (the 18-pin parts have no PORTC) and lines `info` must print about the
# configuration word the example sets. Unimplemented configuration bits read 1, as on a real
# blank 16F877A, so the later parts' words show as the examples write them.
case $check in
  eeprom877)
    ports="porta portb portc"
    info=("Configuration Word: 0x3F31" "  Oscilator: XT")
    ;;
  toggle84a)
    ports="porta portb portc"
    info=("Configuration Word: 0x3FF1" "  Code Protected: OFF")
    ;;
  count877a)
    ports="portb portd"
    info=("Configuration Word: 0x3F32" "  In-Circuit Debugger: Disabled"
      "  Flash Program Memory Write: Enable" "  Oscilator: HC")
    ;;
  eeprom628a)
    ports="porta portb"
    info=("Configuration Word: 0x3F30" "  Master Clear Reset: Enabled" "  Oscilator: INTOSC I/O")
    ;;
  eeprom628)
    ports="porta portb"
    info=("Configuration Word: 0x3F30" "  Master Clear Reset: Enabled" "  Oscilator: INTOSC I/O"
      "  Code Protected: OFF")
    ;;
  count716)
    ports="porta portb"
    info=("Configuration Word: 0x3FB1" "  Code Protected: OFF" "  Oscilator: XT")
    ;;
  eeprom88)
    ports="porta portb"
    info=("Configuration Word: 0x3F30" "Configuration Word 2: 0x3FFC" "  CCP1 Pin: RB0"
      "  Master Clear Reset: Enabled" "  Oscilator: INTOSC I/O" "  Fail-Safe Clock Monitor: Disabled")
    ;;
  *)
    echo "unknown check $check" >&2
    exit 2
    ;;
esac

if ! command -v gpsim >/dev/null 2>&1; then
  echo "gpsim is not installed: skipping (apt-get install gpsim)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
state=$work/chip.hex
back=$work/read-back.hex

run_cli() {
  echo "+ daxwel-cli $*"
  "$cli" --sim "$model:$state" --sim-time virtual "$@"
}
run_cli -q -y program "$example"
run_cli -q -y verify "$example"
run_cli -q read "$back"
run_cli info >"$work/info.out"

# One line per port write: "<cycle> <port> <value>", from gpsim's register log.
port_writes() {
  local hex=$1 name=$2
  local log=$work/$name.log
  {
    echo "log on $log"
    for port in $ports; do echo "log w $port"; done
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
    "$log"
}

port_writes "$example" original >"$work/original.writes"
port_writes "$back" readback >"$work/readback.writes"

# Values written to one port, in order, as two upper-case hex digits each.
sequence() {
  awk -v port="$2" '$2 == port {print toupper(substr($3, length($3) - 1))}' "$1" | tr '\n' ' '
}

fail=0
expect_prefix() {
  local what=$1 got=$2 want=$3
  if [[ "$got" != "$want"* ]]; then
    echo "FAIL: $what"
    echo "  want (prefix): $want"
    echo "  got:           ${got:0:200}"
    fail=1
  else
    echo "ok: $what: ${want}..."
  fi
}

for name in original readback; do
  w=$work/$name.writes
  pb=$(sequence "$w" portb)
  pa=$(sequence "$w" porta)
  pc=$(sequence "$w" portc)
  pd=$(sequence "$w" portd)
  case $check in
    eeprom877)
      # The EEPROM's walking one on PORTB, PORTC complemented at every step.
      expect_prefix "$name PORTB" "$pb" "00 01 02 04 08 10 20 40 80 01 02 04 08 10 20 40 80 01"
      expect_prefix "$name PORTC" "$pc" "00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF"
      ;;
    toggle84a)
      # A binary counter on PORTB, RA0 toggled at every step.
      expect_prefix "$name PORTB" "$pb" "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11"
      expect_prefix "$name PORTA" "$pa" "00 01 00 01 00 01 00 01 00 01 00 01 00 01 00 01 00 01"
      ;;
    count877a)
      # A binary count on PORTD, the Gray code of its low nibble (from the EEPROM) on PORTB.
      expect_prefix "$name PORTD" "$pd" "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11"
      expect_prefix "$name PORTB" "$pb" "00 01 03 02 06 07 05 04 0C 0D 0F 0E 0A 0B 09 08 00 01"
      ;;
    eeprom628a | eeprom628)
      # The eight EEPROM patterns on PORTB, RA0 toggled at every step.
      expect_prefix "$name PORTB" "$pb" "00 55 AA 0F F0 3C C3 FF 81 55 AA 0F F0 3C C3 FF 81 55"
      expect_prefix "$name PORTA" "$pa" "00 01 00 01 00 01 00 01 00 01 00 01 00 01 00 01 00 01"
      ;;
    count716)
      # A binary counter on PORTB.
      expect_prefix "$name PORTB" "$pb" "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11"
      ;;
    eeprom88)
      # The eight EEPROM patterns on PORTB, RA0 toggled at every step.
      expect_prefix "$name PORTB" "$pb" "00 18 24 42 81 3C 66 99 E7 18 24 42 81 3C 66 99 E7 18"
      expect_prefix "$name PORTA" "$pa" "00 01 00 01 00 01 00 01 00 01 00 01 00 01 00 01 00 01"
      ;;
  esac
done

# The chip's configuration word, read back and decoded for its family.
for line in "${info[@]}"; do
  if grep -qF -- "$line" "$work/info.out"; then
    echo "ok: info: $line"
  else
    echo "FAIL: info lacks \"$line\":"
    cat "$work/info.out"
    fail=1
  fi
done

# The read-back file behaves exactly like the original, write for write and cycle for cycle.
if ! diff -u "$work/original.writes" "$work/readback.writes" >"$work/diff"; then
  echo "FAIL: gpsim runs the read-back file differently from the original:"
  head -40 "$work/diff"
  fail=1
else
  echo "ok: $(wc -l <"$work/original.writes") port writes in $cycles cycles, identical for both files"
fi
exit $fail
