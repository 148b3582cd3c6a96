#pragma once

#include <string>
#include <string_view>

#include "config/family.h"

namespace daxwel {

// State of one family's configuration dialog: the check box and which option button of each
// exclusive group is selected. Defaults are the dialogs' design-time state.
//
// Oscillator. RC is the RC oscillator with CLKOUT on OSC2, as on the 16F84 and 16F87X; the
// 16F62XA also has EC, the internal oscillator with RA6 as I/O or as CLKOUT, and RC with RA6 as
// I/O. A two-bit layout has no button for those four and writes its default, XT.
enum class Osc { RC, HS, XT, LP, EC, IntoscIO, IntoscClkout, RcIO };
// Code-protection choice. 16F84, 16F870, 16F87XA and 16F62XA families use Off/All only; the
// 16F873 and 16F876 families also have Half (0800h/1000h to the end, pair "01") and Top
// (0F00h/1F00h, pair "10"). Half and Top given for the others count as Off there (no such
// button).
enum class Cp { Off, All, Half, Top };
// 16F87XA self-write protection through EECON (WRT1:WRT0): none, 0000h-00FFh, the lower
// quarter or the lower half of program memory. It does not stop the programmer.
enum class WrtProtect { Off, First256, Quarter, Half };

struct DialogState {
  bool chkFromFile = true;
  Osc osc = Osc::XT;
  Cp cp = Cp::Off;
  bool wdteOn = false;
  bool pwrteOn = true;
  // Every family but the 16F84.
  bool bodenOn = false;
  bool lvpOn = false;
  bool cpdOn = false;
  // 16F870, 16F873 and 16F876 families only.
  bool wrtOn = true;
  // 16F87XA only.
  bool debugOn = false;
  WrtProtect wrtProtect = WrtProtect::Off;
  // 16F62XA only.
  bool mclreOn = true;
};

inline constexpr std::string_view kFromFile = "fromfile";

// "fromfile", the empty text (index outside 1..15), or the 14-character word composed from
// the dialog of the index's family.
std::string SetConfigWord(int modelIndex, const DialogState& dialog);

// Summary lines of a configuration word for the index's family, each ended by "\r";
// "No Detectada !!!" for an index outside 1..15.
std::string Config_Detail(std::string_view word, int modelIndex);

}  // namespace daxwel
