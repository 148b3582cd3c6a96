#pragma once

// Field values that several layout tables share.
#include <array>
#include <cstdint>
#include <string_view>

#include "config/layout.h"

namespace daxwel {

// FOSC2:0 in bits 2:0, as the 12F629/675 and the 16F88X/6XX/91X hold them. "rc" is what the
// older parts call RC CLKOUT.
inline constexpr ConfigValue kOscBits2To0Values[] = {
    {"lp", 0x0, "LP", "LP", "LP"},
    {"xt", 0x1, "XT", "XT", "XT"},
    {"hs", 0x2, "HC", "HS", "HS"},
    {"ec", 0x3, "EC", "EC", "EC"},
    {"intio", 0x4, "INTOSC I/O", "IntoscIO", "INTOSC I/O"},
    {"intclk", 0x5, "INTOSC CLKOUT", "IntoscClkout", "INTOSC CLKOUT"},
    {"rcio", 0x6, "RC I/O", "RcIO", "RC I/O"},
    {"rcclk", 0x7, "RC CLKOUT", "RcClkout", "RC CLKOUT", "rc"},
};

// FOSC2 in bit 4, apart from FOSC1:FOSC0, as the 16F62XA, 16F87/88, 16F818/819 and 16F627/628
// hold them. "rc" is what the other parts call RC CLKOUT.
inline constexpr ConfigValue kOsc62xaValues[] = {
    {"lp", 0x00, "LP", "LP", "LP"},
    {"xt", 0x01, "XT", "XT", "XT"},
    {"hs", 0x02, "HC", "HS", "HS"},
    {"ec", 0x03, "EC", "EC", "EC"},
    {"intio", 0x10, "INTOSC I/O", "IntoscIO", "INTOSC I/O"},
    {"intclk", 0x11, "INTOSC CLKOUT", "IntoscClkout", "INTOSC CLKOUT"},
    {"rcio", 0x12, "RC I/O", "RcIO", "RC I/O"},
    {"rcclk", 0x13, "RC CLKOUT", "RcClkout", "RC CLKOUT", "rc"},
};
// WRT1:WRT0 at bits 10:9 as the 16F87XA and the 16F88X's second word hold them.
inline constexpr ConfigValue kWrt87xaValues[] = {
    {"off", 0x600, "Enable", "WrtOff", "OFF"},
    {"256", 0x400, "0000-00FF Protected", "Wrt0000_00FF", "0000h a 00FFh"},
    {"quarter", 0x200, "Lower 1/4 Protected", "WrtQuarter", "1/4 inferior"},
    {"half", 0x000, "Lower 1/2 Protected", "WrtHalf", "1/2 inferior"},
};

// What a one-bit field's summary says for OFF and for ON.
struct OnOffWords {
  std::string_view off, on;
};
inline constexpr OnOffWords kDisable{"Disable", "Enable"};
inline constexpr OnOffWords kDisabled{"Disabled", "Enabled"};
inline constexpr OnOffWords kOffOn{"OFF", "ON"};
inline constexpr OnOffWords kUnprotected{"Unprotected", "Code Protected"};

// A one-bit field whose values are "off" then "on", on buttons captioned OFF and ON; `setIsOn`
// tells which of them the bit's 1 means.
constexpr ConfigField OnOffBit(bool setIsOn, std::string_view name, std::uint16_t bit,
                               std::string_view caption, std::array<std::string_view, 3> labels,
                               OnOffWords words, std::array<std::string_view, 2> buttons,
                               std::string_view usual, int word) {
  const auto off = static_cast<std::uint16_t>(setIsOn ? 0 : bit);
  const auto on = static_cast<std::uint16_t>(setIsOn ? bit : 0);
  return {.name = name,
          .mask = bit,
          .summaryMask = bit,
          .summaryCaption = caption,
          .labels = labels,
          .values = {{"off", off, words.off, buttons[0], "OFF"},
                     {"on", on, words.on, buttons[1], "ON"}},
          .defaultValue = usual,
          .word = word};
}
// ON when the bit is 1.
constexpr ConfigField ActiveHigh(std::string_view name, std::uint16_t bit, std::string_view caption,
                                 std::array<std::string_view, 3> labels, OnOffWords words,
                                 std::array<std::string_view, 2> buttons,
                                 std::string_view usual = "off", int word = 0) {
  return OnOffBit(true, name, bit, caption, labels, words, buttons, usual, word);
}
// ON when the bit is 0, as the protection and power-up timer bits are.
constexpr ConfigField ActiveLow(std::string_view name, std::uint16_t bit, std::string_view caption,
                                std::array<std::string_view, 3> labels, OnOffWords words,
                                std::array<std::string_view, 2> buttons,
                                std::string_view usual = "off", int word = 0) {
  return OnOffBit(false, name, bit, caption, labels, words, buttons, usual, word);
}

// The fields that families place on different bits.
constexpr ConfigField Cp(std::uint16_t bit) {
  return ActiveLow("cp", bit, "Code Protected", {"Code Protect"}, kOffOn, {"CpOff", "CpOn"});
}
// Data EEPROM protection.
constexpr ConfigField Cpd(std::uint16_t bit) {
  return ActiveLow("cpd", bit, "EE Data Memory", {"EE Memory", "Code Protection"}, kUnprotected,
                   {"CpdOff", "CpdOn"});
}
constexpr ConfigField Pwrte(std::uint16_t bit) {
  return ActiveLow("pwrte", bit, "Power Up Timer", {"Power Up Timer"}, kDisable,
                   {"PwrteOff", "PwrteOn"}, "on");
}
constexpr ConfigField Wdt(std::uint16_t bit) {
  return ActiveHigh("wdt", bit, "Wachdog Timer", {"Watchdog Timer"}, kDisable,
                    {"WdteOff", "WdteOn"});
}
constexpr ConfigField Lvp(std::uint16_t bit) {
  return ActiveHigh("lvp", bit, "Low Voltage Programming", {"Low Voltage", "Programming"},
                    kDisabled, {"LvpOff", "LvpOn"});
}
constexpr ConfigField Debug(std::uint16_t bit) {
  return ActiveLow("debug", bit, "In-Circuit Debugger", {"In-Circuit", "Debugger"}, kDisabled,
                   {"DebugOff", "DebugOn"});
}

// MCLRE at bit 5; PWRTE at bit 4 and WDTE at bit 3, as the 12F629/675 and the
// 16F88X/6XX/91X hold them.
inline constexpr ConfigField kMclre =
    ActiveHigh("mclre", 0x0020, "Master Clear Reset", {"Master Clear", "Enable"}, kDisabled,
               {"MclreOff", "MclreOn"}, "on");
inline constexpr ConfigField kPwrteBit4 = Pwrte(0x0010);
inline constexpr ConfigField kWdtBit3 = Wdt(0x0008);

}  // namespace daxwel
