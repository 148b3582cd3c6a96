# Writes an INHX8M file: `words` program words, `bytes` EEPROM bytes and a configuration word;
# another `seed` gives an image whose every word and byte differs. `edit` > 0 changes that
# many program words, spread over the memory, of the same seed's image (the everyday edit).
function rec(addr, data,   n, i, sum, line) {
  n = length(data) / 2; sum = n + int(addr / 256) + addr % 256
  for (i = 1; i <= n * 2; i += 2) sum += hex2dec(substr(data, i, 2))
  printf ":%02X%04X00%s%02X\n", n, addr, data, (256 - sum % 256) % 256
}
function hex2dec(h,   d, i) { d = 0; for (i = 1; i <= length(h); i++) d = d * 16 + index("0123456789ABCDEF", substr(h, i, 1)) - 1; return d }
function word(w) { return sprintf("%02X%02X", w % 256, int(w / 256)) }
BEGIN {
  for (a = 0; a < words; a += 8) {
    d = ""; for (k = a; k < a + 8 && k < words; k++) { w = (k * 7919 + 13 + seed) % 16384; if (w == 16383) w = 0; if (edit > 0 && k % int(words / edit) == 5) w = (w + 1) % 16383; d = d word(w) }
    rec(a * 2, d)
  }
  rec(16398, word(config))
  for (b = 0; b < bytes; b += 8) {
    d = ""; for (k = b; k < b + 8 && k < bytes; k++) { v = (k * 37 + 5 + seed) % 256; if (v == 255) v = 0; d = d word(v) }
    rec(16896 + b * 2, d)
  }
  print ":00000001FF"
}
