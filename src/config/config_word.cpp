#include "config/config_word.h"

namespace daxwel {

namespace {

// The two-bit field of the 16F84, 16F87X and 16F87XA layouts.
std::string_view OscBits(Osc osc) {
  switch (osc) {
    case Osc::RC:
      return "11";
    case Osc::HS:
      return "10";
    case Osc::LP:
      return "00";
    default:
      return "01";
  }
}

// FOSC2, FOSC1, FOSC0 of the 16F62XA; FOSC2 is bit 4, apart from the other two.
std::string_view Fosc62xa(Osc osc) {
  switch (osc) {
    case Osc::RC:
      return "111";
    case Osc::RcIO:
      return "110";
    case Osc::IntoscClkout:
      return "101";
    case Osc::IntoscIO:
      return "100";
    case Osc::EC:
      return "011";
    case Osc::HS:
      return "010";
    case Osc::LP:
      return "000";
    case Osc::XT:
      break;
  }
  return "001";
}

// Each field is decided by its ON choice and falls back to the other value, as the dialogs'
// OFF buttons are never read. The 16F84 and 16F870 dialogs offer only OFF and ON, so the
// range choices Half and Top cannot come from them; they fall back to unprotected like any
// other non-ON choice, which also keeps the 16F870 family from ever writing "01" or "10".
std::string_view CpPair(Family family, Cp cp) {
  if (cp == Cp::All) return "00";
  if (family == Family::F873 || family == Family::F876) {
    if (cp == Cp::Half) return "01";
    if (cp == Cp::Top) return "10";
  }
  return "11";
}

std::string_view WrtPair(WrtProtect wrt) {
  switch (wrt) {
    case WrtProtect::First256:
      return "10";
    case WrtProtect::Quarter:
      return "01";
    case WrtProtect::Half:
      return "00";
    case WrtProtect::Off:
      break;
  }
  return "11";
}

const char* Bit(bool one) { return one ? "1" : "0"; }

// Unimplemented bits are written as 1, the erased value.
std::string Compose87xa(const DialogState& d) {
  std::string word;
  word += Bit(d.cp != Cp::All);
  word += "1";
  word += Bit(!d.debugOn);
  word += WrtPair(d.wrtProtect);
  word += Bit(!d.cpdOn);
  word += Bit(d.lvpOn);
  word += Bit(d.bodenOn);
  word += "11";
  word += Bit(!d.pwrteOn);
  word += Bit(d.wdteOn);
  word += OscBits(d.osc);
  return word;
}

std::string Compose62xa(const DialogState& d) {
  const std::string_view fosc = Fosc62xa(d.osc);
  std::string word;
  word += Bit(d.cp != Cp::All);
  word += "1111";
  word += Bit(!d.cpdOn);
  word += Bit(d.lvpOn);
  word += Bit(d.bodenOn);
  word += Bit(d.mclreOn);
  word += fosc.substr(0, 1);
  word += Bit(!d.pwrteOn);
  word += Bit(d.wdteOn);
  word += fosc.substr(1);
  return word;
}

}  // namespace

std::string SetConfigWord(int modelIndex, const DialogState& dialog) {
  const std::optional<Family> family = FamilyOfIndex(modelIndex);
  if (!family) return {};
  if (dialog.chkFromFile) return std::string(kFromFile);
  if (*family == Family::F87XA) return Compose87xa(dialog);
  if (*family == Family::F62XA) return Compose62xa(dialog);

  std::string word;
  if (*family == Family::F84) {
    word += dialog.cp == Cp::All ? "0000000000" : "1111111111";
  } else {
    word += CpPair(*family, dialog.cp);
    word += "11";
    word += dialog.wrtOn ? "1" : "0";
    word += dialog.cpdOn ? "0" : "1";
    word += dialog.lvpOn ? "1" : "0";
    word += dialog.bodenOn ? "1" : "0";
    word += CpPair(*family, dialog.cp);
  }
  word += dialog.pwrteOn ? "0" : "1";
  word += dialog.wdteOn ? "1" : "0";
  word += OscBits(dialog.osc);
  return word;
}

}  // namespace daxwel
