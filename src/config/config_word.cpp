#include "config/config_word.h"

namespace daxwel {

namespace {

std::string_view OscBits(Osc osc) {
  switch (osc) {
    case Osc::RC:
      return "11";
    case Osc::HS:
      return "10";
    case Osc::XT:
      return "01";
    case Osc::LP:
      return "00";
  }
  return "01";
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

}  // namespace

std::string SetConfigWord(int modelIndex, const DialogState& dialog) {
  const std::optional<Family> family = FamilyOfIndex(modelIndex);
  if (!family) return {};
  if (dialog.chkFromFile) return std::string(kFromFile);

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
