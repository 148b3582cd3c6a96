#include "config/config_word.h"

namespace daxwel {

namespace {

// Characters `from` (1-based) onward, at most `length` of them; a word too short yields a
// shorter slice, which then matches none of the literals.
std::string_view Slice(std::string_view word, std::size_t from, std::size_t length) {
  if (from > word.size()) return {};
  return word.substr(from - 1, length);
}

void AddBitLine(std::string& out, std::string_view word, std::size_t pos, const char* ifOne,
                const char* otherwise) {
  out += Slice(word, pos, 1) == "1" ? ifOne : otherwise;
  out += '\r';
}

void AddPairLine(std::string& out, std::string_view pair, const char* p11, const char* p10,
                 const char* p01, const char* p00) {
  const char* line = nullptr;
  if (pair == "11") {
    line = p11;
  } else if (pair == "10") {
    line = p10;
  } else if (pair == "01") {
    line = p01;
  } else if (pair == "00") {
    line = p00;
  }
  if (line == nullptr) return;
  out += line;
  out += '\r';
}

void AddOscillatorLine(std::string& out, std::string_view word) {
  AddPairLine(out, Slice(word, 13, 2), "Oscilator: RC", "Oscilator: HC", "Oscilator: XT",
              "Oscilator: LP");
}

void AddTimerLines(std::string& out, std::string_view word) {
  AddBitLine(out, word, 11, "Power Up Timer: Disable", "Power Up Timer: Enable");
  AddBitLine(out, word, 12, "Wachdog Timer: Enable", "Wachdog Timer: Disable");
}

void AddEepromLvpBorLines(std::string& out, std::string_view word) {
  AddBitLine(out, word, 6, "EE Data Memory: Unprotected", "EE Data Memory: Code Protected");
  AddBitLine(out, word, 7, "Low Voltage Programming: Enabled", "Low Voltage Programming: Disabled");
  AddBitLine(out, word, 8, "Brown-Out Reset: Enabled", "Brown-Out Reset: Disabled");
}

// One CP bit covers all program memory on the A parts.
void AddWholeCpLine(std::string& out, std::string_view word) {
  AddBitLine(out, word, 1, "Code Protected: OFF", "Code Protected: ON");
}

void Detail87xa(std::string& out, std::string_view word) {
  AddWholeCpLine(out, word);
  AddBitLine(out, word, 3, "In-Circuit Debugger: Disabled", "In-Circuit Debugger: Enabled");
  // The quarter and the half are 0000-03FF and 0000-07FF on the 4K parts, twice that on 8K.
  AddPairLine(out, Slice(word, 4, 2), "Flash Program Memory Write: Enable",
              "Flash Program Memory Write: 0000-00FF Protected",
              "Flash Program Memory Write: Lower 1/4 Protected",
              "Flash Program Memory Write: Lower 1/2 Protected");
  AddEepromLvpBorLines(out, word);
  AddTimerLines(out, word);
  AddOscillatorLine(out, word);
}

void Detail62xa(std::string& out, std::string_view word) {
  AddWholeCpLine(out, word);
  AddEepromLvpBorLines(out, word);
  AddBitLine(out, word, 9, "Master Clear Reset: Enabled", "Master Clear Reset: Disabled");
  AddTimerLines(out, word);
  // FOSC2 (bit 4) with FOSC1:FOSC0; a slice that is not three digits gives no line.
  struct Mode {
    std::string_view bits;
    const char* line;
  };
  static constexpr Mode kModes[] = {
      {"111", "Oscilator: RC CLKOUT"},
      {"110", "Oscilator: RC I/O"},
      {"101", "Oscilator: INTOSC CLKOUT"},
      {"100", "Oscilator: INTOSC I/O"},
      {"011", "Oscilator: EC"},
      {"010", "Oscilator: HC"},
      {"001", "Oscilator: XT"},
      {"000", "Oscilator: LP"},
  };
  const std::string fosc = std::string(Slice(word, 10, 1)) + std::string(Slice(word, 13, 2));
  for (const Mode& mode : kModes) {
    if (fosc == mode.bits) {
      out += mode.line;
      out += '\r';
    }
  }
}

}  // namespace

std::string Config_Detail(std::string_view word, int modelIndex) {
  const std::optional<Family> family = FamilyOfIndex(modelIndex);
  if (!family) return "No Detectada !!!";

  std::string out;
  if (*family == Family::F87XA) {
    Detail87xa(out, word);
    return out;
  }
  if (*family == Family::F62XA) {
    Detail62xa(out, word);
    return out;
  }
  if (*family == Family::F84) {
    AddBitLine(out, word, 10, "Code Protected: OFF", "Code Protected: ON");
    AddTimerLines(out, word);
    AddOscillatorLine(out, word);
    return out;
  }

  const std::string_view cp = Slice(word, 9, 2);
  switch (*family) {
    case Family::F870:
      AddPairLine(out, cp, "Code Protected: OFF", "Code Protected: (10) No Soportado",
                  "Code Protected: (01) No Soportado", "Code Protected: ON");
      break;
    case Family::F873:
      AddPairLine(out, cp, "Code Protected: OFF", "Code Protected: 0F00-0FFF Protected",
                  "Code Protected: 0800-0FFF Protected", "Code Protected: 0000-0FFF Protected");
      break;
    default:
      AddPairLine(out, cp, "Code Protected: OFF", "Code Protected: 1F00-1FFF Protected",
                  "Code Protected: 1000-1FFF Protected", "Code Protected: 0000-1FFF Protected");
      break;
  }
  AddBitLine(out, word, 5, "Flash Program Memory Write: Enable",
             "Flash Program Memory Write: Disable");
  AddEepromLvpBorLines(out, word);
  AddTimerLines(out, word);
  AddOscillatorLine(out, word);
  return out;
}

}  // namespace daxwel
