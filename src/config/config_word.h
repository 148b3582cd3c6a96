#pragma once

#include <string>
#include <string_view>

#include "config/family.h"

namespace daxwel {

// State of one family's configuration dialog: the check box and which option button of each
// exclusive group is selected. Defaults are the dialogs' design-time state.
enum class Osc { RC, HS, XT, LP };
// Code-protection choice. 16F84 and 16F870 families use Off/All only; the 16F873 and 16F876
// families also have Half (0800h/1000h to the end, pair "01") and Top (0F00h/1F00h, pair "10").
// Half and Top given for a 16F84 or 16F870 family count as Off there (no such button).
enum class Cp { Off, All, Half, Top };

struct DialogState {
  bool chkFromFile = true;
  Osc osc = Osc::XT;
  Cp cp = Cp::Off;
  bool wdteOn = false;
  bool pwrteOn = true;
  // 16F87X only.
  bool bodenOn = false;
  bool lvpOn = false;
  bool cpdOn = false;
  bool wrtOn = true;
};

inline constexpr std::string_view kFromFile = "fromfile";

// "fromfile", the empty text (index outside 1..8), or the 14-character word composed from
// the dialog of the index's family.
std::string SetConfigWord(int modelIndex, const DialogState& dialog);

// Summary lines of a configuration word for the index's family, each ended by "\r";
// "No Detectada !!!" for an index outside 1..8.
std::string Config_Detail(std::string_view word, int modelIndex);

}  // namespace daxwel
