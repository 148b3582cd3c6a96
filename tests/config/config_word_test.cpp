#include "config/config_word.h"

#include <gtest/gtest.h>

#include <tuple>

#include "device/catalogue.h"

namespace daxwel {
namespace {

DialogState Manual(FieldValues values = {}) { return {.chkFromFile = false, .values = values}; }

std::string SetConfigWord(int index, const DialogState& dialog) {
  return daxwel::SetConfigWord(ConfigLayoutOf(index), dialog);
}

std::string Config_Detail(std::string_view word, int index) {
  return daxwel::Config_Detail(word, ConfigLayoutOf(index));
}

TEST(SetConfigWord, FromFileUntilTheBoxIsClearedAndNothingWithoutAModel) {
  for (int index = 1; index <= 8; ++index) {
    EXPECT_EQ(SetConfigWord(index, DialogState{}), "fromfile") << index;
    // The box wins over any selection.
    DialogState d{.values = {{"cp", "on"}, {"osc", "rc"}}};
    EXPECT_EQ(SetConfigWord(index, d), "fromfile") << index;
  }
  for (int index : {0, static_cast<int>(Catalogue().size()) + 1, -1}) {
    EXPECT_EQ(SetConfigWord(index, DialogState{}), "") << index;
    EXPECT_EQ(SetConfigWord(index, Manual()), "") << index;
  }
}

TEST(SetConfigWord, WorkedValues) {
  EXPECT_EQ(SetConfigWord(1, Manual()), "11111111110001");

  DialogState d = Manual({{"cp", "on"}, {"pwrte", "on"}, {"wdt", "on"}, {"osc", "rc"}});
  EXPECT_EQ(SetConfigWord(1, d), "00000000000111");

  for (int index : {2, 3, 4}) EXPECT_EQ(SetConfigWord(index, Manual()), "11111100110001");

  d = Manual({{"cp", "half"}});
  for (int index : {5, 6}) EXPECT_EQ(SetConfigWord(index, d), "01111100010001");

  d = Manual({{"cp", "top"}});
  for (int index : {7, 8}) EXPECT_EQ(SetConfigWord(index, d), "10111100100001");
}

// Every field away from its default at once, checked against the values of the assembler's
// header constants for the same choices (_CP_ALL & _WRT_OFF & _CPD_ON & _LVP_ON & _BODEN_ON &
// _PWRTE_OFF & _WDT_ON & _LP_OSC = 0x0CCC; with _CP_UPPER_256 and _HS_OSC instead, 0x2CEE).
TEST(SetConfigWord, EveryFieldInItsPlace) {
  DialogState d = Manual({{"cp", "all"},
                          {"wrt", "off"},
                          {"cpd", "on"},
                          {"lvp", "on"},
                          {"boden", "on"},
                          {"pwrte", "off"},
                          {"wdt", "on"},
                          {"osc", "lp"}});
  EXPECT_EQ(SetConfigWord(7, d), "00110011001100");
  EXPECT_EQ(SetConfigWord(5, d), "00110011001100");
  d.values["cp"] = "on";
  EXPECT_EQ(SetConfigWord(2, d), "00110011001100");
  d.values["cp"] = "top";
  d.values["osc"] = "hs";
  EXPECT_EQ(SetConfigWord(8, d), "10110011101110");

  // The 16F84 layout has none of the 16F87X fields; they change nothing there.
  EXPECT_EQ(SetConfigWord(1, d), "11111111111110");
  d.values["osc"] = "xt";
  d.values["pwrte"] = "on";
  d.values["wdt"] = "off";
  EXPECT_EQ(SetConfigWord(1, d), "11111111110001");
}

TEST(SetConfigWord, LayoutHoldsForEverySelection) {
  for (int index = 1; index <= 8; ++index) {
    for (const char* cp : {"off", "on", "all", "half", "top"}) {
      for (const char* osc : {"rc", "hs", "xt", "lp"}) {
        for (int flags = 0; flags < 64; ++flags) {
          auto onOff = [flags](int bit) { return (flags & bit) != 0 ? "on" : "off"; };
          const DialogState d = Manual({{"cp", cp},
                                        {"osc", osc},
                                        {"wdt", onOff(1)},
                                        {"pwrte", onOff(2)},
                                        {"boden", onOff(4)},
                                        {"lvp", onOff(8)},
                                        {"cpd", onOff(16)},
                                        {"wrt", onOff(32)}});
          const std::string w = SetConfigWord(index, d);
          ASSERT_EQ(w.size(), 14U);
          ASSERT_EQ(w.find_first_not_of("01"), std::string::npos) << w;
          if (index == 1) {
            ASSERT_TRUE(w.substr(0, 10) == "0000000000" || w.substr(0, 10) == "1111111111") << w;
            continue;
          }
          ASSERT_EQ(w.substr(0, 2), w.substr(8, 2)) << w;
          ASSERT_EQ(w.substr(2, 2), "11") << w;
          if (index <= 4) {
            // The 16F870 family has no range protection: never "01" or "10".
            ASSERT_TRUE(w.substr(8, 2) == "00" || w.substr(8, 2) == "11") << w;
          }
        }
      }
    }
  }
}

TEST(ConfigDetail, SixteenF84Family) {
  EXPECT_EQ(Config_Detail("11111111110001", 1),
            "Code Protected: OFF\rPower Up Timer: Enable\rWachdog Timer: Disable\r"
            "Oscilator: XT\r");
  EXPECT_EQ(Config_Detail("00000000001110", 1),
            "Code Protected: ON\rPower Up Timer: Disable\rWachdog Timer: Enable\r"
            "Oscilator: HC\r");
  // Only character 10 decides the protection line.
  EXPECT_EQ(Config_Detail("00000000011100", 1).substr(0, 20), "Code Protected: OFF\r");
  EXPECT_NE(Config_Detail("11111111100011", 1).find("Oscilator: RC\r"), std::string::npos);
}

TEST(ConfigDetail, SixteenF87xFamilies) {
  const std::string defaults870 =
      "Code Protected: OFF\rFlash Program Memory Write: Enable\rEE Data Memory: Unprotected\r"
      "Low Voltage Programming: Disabled\rBrown-Out Reset: Disabled\rPower Up Timer: Enable\r"
      "Wachdog Timer: Disable\rOscilator: XT\r";
  for (int index = 2; index <= 8; ++index) {
    EXPECT_EQ(Config_Detail("11111100110001", index), defaults870) << index;
  }
  EXPECT_EQ(Config_Detail("00110011001100", 8),
            "Code Protected: 0000-1FFF Protected\rFlash Program Memory Write: Disable\r"
            "EE Data Memory: Code Protected\rLow Voltage Programming: Enabled\r"
            "Brown-Out Reset: Enabled\rPower Up Timer: Disable\rWachdog Timer: Enable\r"
            "Oscilator: LP\r");

  const std::string half = "01111100010001";
  for (int index : {5, 6}) {
    EXPECT_EQ(Config_Detail(half, index).substr(0, 36), "Code Protected: 0800-0FFF Protected\r");
  }
  for (int index : {7, 8}) {
    EXPECT_EQ(Config_Detail(half, index).substr(0, 36), "Code Protected: 1000-1FFF Protected\r");
  }
  EXPECT_EQ(Config_Detail(half, 3).substr(0, 34), "Code Protected: (01) No Soportado\r");
  const std::string top = "10111100100001";
  EXPECT_EQ(Config_Detail(top, 5).substr(0, 36), "Code Protected: 0F00-0FFF Protected\r");
  EXPECT_EQ(Config_Detail(top, 7).substr(0, 36), "Code Protected: 1F00-1FFF Protected\r");
  EXPECT_EQ(Config_Detail(top, 2).substr(0, 34), "Code Protected: (10) No Soportado\r");
  EXPECT_EQ(Config_Detail("00111100000001", 4).substr(0, 19), "Code Protected: ON\r");
  EXPECT_EQ(Config_Detail("00111100000001", 6).substr(0, 36),
            "Code Protected: 0000-0FFF Protected\r");

  // A file word whose upper copy disagrees is summarised from bits 5-4 alone.
  EXPECT_EQ(Config_Detail("00111100110001", 8), defaults870);
}

TEST(ConfigDetail, ShortWordsAndNoModel) {
  // Missing characters compare unequal: single bits take their second text, pairs no line.
  EXPECT_EQ(Config_Detail("", 1),
            "Code Protected: ON\rPower Up Timer: Enable\rWachdog Timer: Disable\r");
  EXPECT_EQ(Config_Detail("1111111111111", 1),
            "Code Protected: OFF\rPower Up Timer: Disable\rWachdog Timer: Enable\r");
  EXPECT_EQ(Config_Detail("111111111", 7),
            "Flash Program Memory Write: Enable\rEE Data Memory: Unprotected\r"
            "Low Voltage Programming: Enabled\rBrown-Out Reset: Enabled\r"
            "Power Up Timer: Enable\rWachdog Timer: Disable\r");
  // A pair slice holding something other than digits gives no line either.
  EXPECT_EQ(Config_Detail("1111111111110x", 1),
            "Code Protected: OFF\rPower Up Timer: Disable\rWachdog Timer: Enable\r");

  for (int index : {0, static_cast<int>(Catalogue().size()) + 1, -1}) {
    EXPECT_EQ(Config_Detail("11111111110001", index), "No Detectada !!!") << index;
  }
}

// The 16F87XA (indices 9-12) and 16F62XA (13-15) layouts. Expected words are the option
// constants of the gputils headers (p16f877a.inc, p16f628a.inc) ANDed, as __config does.
std::string Bits(int value) {
  std::string word;
  for (int bit = 13; bit >= 0; --bit) word += (value >> bit & 1) != 0 ? '1' : '0';
  return word;
}

// The dialog defaults are _LVP_OFF & _BOREN_OFF & _PWRTE_ON & _WDT_OFF & _XT_OSC. Each
// button's word alone is checked through the dialogs (tests/ui).
TEST(AFamilies, SetConfigWordGivesTheHeaderConstants) {
  struct Row {
    DialogState dialog;
    int f87xa, f62xa;
  };
  const Row rows[] = {
      {{}, 0x3F31, 0x3F21},
      // Every field away from its default: _CP_ALL & _DEBUG_ON & _WRT_HALF & _CPD_ON & _LVP_ON
      // & _BOREN_ON & _PWRTE_OFF & _WDT_ON & _LP_OSC, and _MCLRE_OFF on the 16F62XA.
      {{.values = {{"osc", "lp"},
                   {"cp", "on"},
                   {"wdt", "on"},
                   {"pwrte", "off"},
                   {"boden", "on"},
                   {"lvp", "on"},
                   {"cpd", "on"},
                   {"debug", "on"},
                   {"wrt", "half"},
                   {"mclre", "off"}}},
       0x10FC,
       0x1ECC},
      // The 16F62XA's own oscillators have no button on the 16F87XA: its default, XT.
      {{.values = {{"osc", "intio"}}}, 0x3F31, 0x3F30},
      {{.values = {{"osc", "rcio"}}}, 0x3F31, 0x3F32},
  };
  for (int index = 9; index <= 15; ++index) {
    for (std::size_t i = 0; i < std::size(rows); ++i) {
      DialogState d = rows[i].dialog;
      d.chkFromFile = false;
      EXPECT_EQ(SetConfigWord(index, d), Bits(index <= 12 ? rows[i].f87xa : rows[i].f62xa))
          << "index " << index << ", row " << i;
    }
  }
}

TEST(AFamilies, ConfigDetailLines) {
  // _CP_ALL & _DEBUG_ON & _WRT_HALF & _CPD_ON & _LVP_ON & _BOREN_ON & _PWRTE_OFF & _WDT_ON &
  // _LP_OSC, then the same choices on the 16F628A with _MCLRE_OFF & _INTOSC_OSC_NOCLKOUT.
  EXPECT_EQ(Config_Detail(Bits(0x10FC), 9),
            "Code Protected: ON\rIn-Circuit Debugger: Enabled\r"
            "Flash Program Memory Write: Lower 1/2 Protected\rEE Data Memory: Code Protected\r"
            "Low Voltage Programming: Enabled\rBrown-Out Reset: Enabled\r"
            "Power Up Timer: Disable\rWachdog Timer: Enable\rOscilator: LP\r");
  EXPECT_EQ(Config_Detail(Bits(0x1EDC), 14),
            "Code Protected: ON\rEE Data Memory: Code Protected\rLow Voltage Programming: "
            "Enabled\rBrown-Out Reset: Enabled\rMaster Clear Reset: Disabled\r"
            "Power Up Timer: Disable\rWachdog Timer: Enable\rOscilator: INTOSC I/O\r");
  // Bit 4 is FOSC2 on the 16F62XA, never code protection: these all read unprotected.
  const std::tuple<int, int, const char*> lines[] = {
      {12, 0x3FFF, "Write: Enable\r"},       {12, 0x3DFF, "Write: 0000-00FF Protected\r"},
      {12, 0x3BFF, "Lower 1/4 Protected\r"}, {15, 0x3FEC, "Oscilator: LP\r"},
      {15, 0x3FED, "Oscilator: XT\r"},       {15, 0x3FEE, "Oscilator: HC\r"},
      {15, 0x3FEF, "Oscilator: EC\r"},       {15, 0x3FFD, "Oscilator: INTOSC CLKOUT\r"},
      {15, 0x3FFE, "Oscilator: RC I/O\r"},   {15, 0x3FFF, "Oscilator: RC CLKOUT\r"},
  };
  for (const auto& [index, word, line] : lines) {
    const std::string detail = Config_Detail(Bits(word), index);
    EXPECT_NE(detail.find(line), std::string::npos) << detail;
    EXPECT_TRUE(detail.starts_with("Code Protected: OFF\r")) << detail;
  }
  // A word cut short before the oscillator bits gives no oscillator line.
  EXPECT_EQ(Config_Detail("111111001", 14).find("Oscilator"), std::string::npos);
}

}  // namespace
}  // namespace daxwel
