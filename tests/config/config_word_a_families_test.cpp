// The 16F87XA (indices 9-12) and 16F62XA (13-15) layouts, checked against the option
// constants of the assembler's headers (gputils p16f877a.inc, p16f628a.inc), which AND
// together into the word for the same choices.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "config/config_word.h"

namespace daxwel {
namespace {

DialogState Manual() {
  DialogState d;
  d.chkFromFile = false;
  return d;
}

std::string Bits(int value) {
  std::string word;
  for (int bit = 13; bit >= 0; --bit) word += (value >> bit & 1) != 0 ? '1' : '0';
  return word;
}

// Option constants shared by both headers.
constexpr int kCpOn = 0x1FFF, kCpdOn = 0x3EFF, kLvpOff = 0x3F7F, kBorenOff = 0x3FBF,
              kPwrteOn = 0x3FF7, kWdtOff = 0x3FFB, kOn = 0x3FFF;
// 16F87XA only.
constexpr int kDebugOn = 0x37FF, kWrt256 = 0x3DFF, kWrt1Fourth = 0x3BFF, kWrtHalf = 0x39FF,
              kXtA = 0x3FFD;
// 16F62XA only.
constexpr int kMclreOff = 0x3FDF, kXtB = 0x3FED;
// The dialog defaults but the oscillator.
constexpr int kDefaults = kLvpOff & kBorenOff & kPwrteOn & kWdtOff;

struct Choice {
  const char* what;
  std::function<void(DialogState&)> set;
  int expected;
};

TEST(SetConfigWordAFamilies, EachChoiceIsTheHeaderConstant) {
  const std::vector<Choice> f87xa{
      {"defaults", [](DialogState&) {}, kDefaults & kXtA},
      {"CP", [](DialogState& d) { d.cp = Cp::All; }, kDefaults & kXtA & kCpOn},
      {"DEBUG", [](DialogState& d) { d.debugOn = true; }, kDefaults & kXtA & kDebugOn},
      {"WRT 256", [](DialogState& d) { d.wrtProtect = WrtProtect::First256; },
       kDefaults & kXtA & kWrt256},
      {"WRT 1/4", [](DialogState& d) { d.wrtProtect = WrtProtect::Quarter; },
       kDefaults & kXtA & kWrt1Fourth},
      {"WRT 1/2", [](DialogState& d) { d.wrtProtect = WrtProtect::Half; },
       kDefaults & kXtA & kWrtHalf},
      {"CPD", [](DialogState& d) { d.cpdOn = true; }, kDefaults & kXtA & kCpdOn},
      {"LVP, BOREN, PWRTE off, WDT",
       [](DialogState& d) {
         d.lvpOn = d.bodenOn = d.wdteOn = true;
         d.pwrteOn = false;
       },
       kOn & kXtA},
      {"MCLRE has no bit", [](DialogState& d) { d.mclreOn = false; }, kDefaults & kXtA},
  };
  const std::vector<Choice> f62xa{
      {"defaults", [](DialogState&) {}, kDefaults & kXtB},
      {"CP", [](DialogState& d) { d.cp = Cp::All; }, kDefaults & kXtB & kCpOn},
      {"CPD", [](DialogState& d) { d.cpdOn = true; }, kDefaults & kXtB & kCpdOn},
      {"MCLRE off", [](DialogState& d) { d.mclreOn = false; }, kDefaults & kXtB & kMclreOff},
      {"LVP, BOREN, PWRTE off, WDT",
       [](DialogState& d) {
         d.lvpOn = d.bodenOn = d.wdteOn = true;
         d.pwrteOn = false;
       },
       kOn & kXtB},
      {"DEBUG has no bit", [](DialogState& d) { d.debugOn = true; }, kDefaults & kXtB},
      {"WRT has no bits", [](DialogState& d) { d.wrtProtect = WrtProtect::Half; },
       kDefaults & kXtB},
  };
  for (int index = 9; index <= 15; ++index) {
    SCOPED_TRACE(index);
    for (const Choice& c : index <= 12 ? f87xa : f62xa) {
      DialogState d = Manual();
      c.set(d);
      EXPECT_EQ(SetConfigWord(index, d), Bits(c.expected)) << c.what;
    }
  }
}

TEST(SetConfigWordAFamilies, OscillatorsAreTheHeaderConstants) {
  const std::vector<std::pair<Osc, int>> f62xa{
      {Osc::LP, 0x3FEC},       {Osc::XT, 0x3FED},           {Osc::HS, 0x3FEE},   {Osc::EC, 0x3FEF},
      {Osc::IntoscIO, 0x3FFC}, {Osc::IntoscClkout, 0x3FFD}, {Osc::RcIO, 0x3FFE}, {Osc::RC, 0x3FFF},
  };
  const std::vector<std::pair<Osc, int>> f87xa{
      {Osc::LP, 0x3FFC},
      {Osc::XT, 0x3FFD},
      {Osc::HS, 0x3FFE},
      {Osc::RC, 0x3FFF},
      // The 16F62XA-only modes have no button in the 16F87XA dialog: XT, its default.
      {Osc::EC, 0x3FFD},
      {Osc::IntoscIO, 0x3FFD},
      {Osc::RcIO, 0x3FFD},
  };
  for (const auto& [osc, constant] : f62xa) {
    DialogState d = Manual();
    d.osc = osc;
    EXPECT_EQ(SetConfigWord(14, d), Bits(kDefaults & constant)) << constant;
  }
  for (const auto& [osc, constant] : f87xa) {
    DialogState d = Manual();
    d.osc = osc;
    EXPECT_EQ(SetConfigWord(11, d), Bits(kDefaults & constant)) << constant;
  }
}

TEST(ConfigDetailAFamilies, DefaultsAndEveryFieldTurned) {
  const std::string defaults87xa =
      "Code Protected: OFF\rIn-Circuit Debugger: Disabled\rFlash Program Memory Write: Enable\r"
      "EE Data Memory: Unprotected\rLow Voltage Programming: Disabled\r"
      "Brown-Out Reset: Disabled\rPower Up Timer: Enable\rWachdog Timer: Disable\r"
      "Oscilator: XT\r";
  const std::string defaults62xa =
      "Code Protected: OFF\rEE Data Memory: Unprotected\rLow Voltage Programming: Disabled\r"
      "Brown-Out Reset: Disabled\rMaster Clear Reset: Enabled\rPower Up Timer: Enable\r"
      "Wachdog Timer: Disable\rOscilator: XT\r";
  for (int index = 9; index <= 15; ++index) {
    EXPECT_EQ(Config_Detail(SetConfigWord(index, Manual()), index),
              index <= 12 ? defaults87xa : defaults62xa)
        << index;
  }
  // _CP_ALL & _DEBUG_ON & _WRT_HALF & _CPD_ON & _LVP_ON & _BOREN_ON & _PWRTE_OFF & _WDT_ON &
  // _LP_OSC.
  EXPECT_EQ(Config_Detail(Bits(0x10FC), 12),
            "Code Protected: ON\rIn-Circuit Debugger: Enabled\r"
            "Flash Program Memory Write: Lower 1/2 Protected\rEE Data Memory: Code Protected\r"
            "Low Voltage Programming: Enabled\rBrown-Out Reset: Enabled\r"
            "Power Up Timer: Disable\rWachdog Timer: Enable\rOscilator: LP\r");
  // _CP_ON & _CPD_ON & _LVP_ON & _BOREN_ON & _MCLRE_OFF & _PWRTE_OFF & _WDT_ON &
  // _INTOSC_OSC_NOCLKOUT.
  EXPECT_EQ(Config_Detail(Bits(0x1EDC), 14),
            "Code Protected: ON\rEE Data Memory: Code Protected\r"
            "Low Voltage Programming: Enabled\rBrown-Out Reset: Enabled\r"
            "Master Clear Reset: Disabled\rPower Up Timer: Disable\rWachdog Timer: Enable\r"
            "Oscilator: INTOSC I/O\r");
}

TEST(ConfigDetailAFamilies, RangesAndOscillatorsOfTheirOwn) {
  const std::vector<std::pair<WrtProtect, const char*>> wrt{
      {WrtProtect::Off, "Flash Program Memory Write: Enable\r"},
      {WrtProtect::First256, "Flash Program Memory Write: 0000-00FF Protected\r"},
      {WrtProtect::Quarter, "Flash Program Memory Write: Lower 1/4 Protected\r"},
      {WrtProtect::Half, "Flash Program Memory Write: Lower 1/2 Protected\r"},
  };
  for (const auto& [choice, line] : wrt) {
    DialogState d = Manual();
    d.wrtProtect = choice;
    EXPECT_NE(Config_Detail(SetConfigWord(9, d), 9).find(line), std::string::npos) << line;
  }
  const std::vector<std::pair<Osc, const char*>> osc{
      {Osc::LP, "Oscilator: LP\r"},
      {Osc::XT, "Oscilator: XT\r"},
      {Osc::HS, "Oscilator: HC\r"},
      {Osc::EC, "Oscilator: EC\r"},
      {Osc::IntoscIO, "Oscilator: INTOSC I/O\r"},
      {Osc::IntoscClkout, "Oscilator: INTOSC CLKOUT\r"},
      {Osc::RcIO, "Oscilator: RC I/O\r"},
      {Osc::RC, "Oscilator: RC CLKOUT\r"},
  };
  for (const auto& [choice, line] : osc) {
    DialogState d = Manual();
    d.osc = choice;
    const std::string detail = Config_Detail(SetConfigWord(13, d), 13);
    EXPECT_TRUE(detail.ends_with(line)) << detail;
    // Bit 4 is FOSC2 here, not a code-protection bit.
    EXPECT_TRUE(detail.starts_with("Code Protected: OFF\r")) << detail;
  }
  // A word cut short before the oscillator bits gives no oscillator line.
  EXPECT_EQ(Config_Detail("111111001", 14).find("Oscilator"), std::string::npos);
}

}  // namespace
}  // namespace daxwel
