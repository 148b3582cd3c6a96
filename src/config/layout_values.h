#pragma once

// Field values that several layout tables share.
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

// WRT1:WRT0 at bits 10:9 as the 16F87XA and the 16F88X's second word hold them.
inline constexpr ConfigValue kWrt87xaValues[] = {
    {"off", 0x600, "Enable", "WrtOff", "OFF"},
    {"256", 0x400, "0000-00FF Protected", "Wrt0000_00FF", "0000h a 00FFh"},
    {"quarter", 0x200, "Lower 1/4 Protected", "WrtQuarter", "1/4 inferior"},
    {"half", 0x000, "Lower 1/2 Protected", "WrtHalf", "1/2 inferior"},
};

// MCLRE at bit 5; PWRTE at bit 4 and WDTE at bit 3, as the 12F629/675 and the
// 16F88X/6XX/91X hold them.
inline constexpr ConfigValue kMclreValues[] = {
    {"off", 0x00, "Disabled", "MclreOff", "OFF"},
    {"on", 0x20, "Enabled", "MclreOn", "ON"},
};

inline constexpr ConfigField kMclre{
    .name = "mclre",
    .mask = 0x0020,
    .summaryMask = 0x0020,
    .summaryCaption = "Master Clear Reset",
    .labels = {"Master Clear", "Enable"},
    .values = kMclreValues,
    .defaultValue = "on",
};

inline constexpr ConfigValue kPwrteBit4Values[] = {
    {"off", 0x10, "Disable", "PwrteOff", "OFF"},
    {"on", 0x00, "Enable", "PwrteOn", "ON"},
};

inline constexpr ConfigField kPwrteBit4{
    .name = "pwrte",
    .mask = 0x0010,
    .summaryMask = 0x0010,
    .summaryCaption = "Power Up Timer",
    .labels = {"Power Up Timer"},
    .values = kPwrteBit4Values,
    .defaultValue = "on",
};

inline constexpr ConfigValue kWdtBit3Values[] = {
    {"off", 0x0, "Disable", "WdteOff", "OFF"},
    {"on", 0x8, "Enable", "WdteOn", "ON"},
};

inline constexpr ConfigField kWdtBit3{
    .name = "wdt",
    .mask = 0x0008,
    .summaryMask = 0x0008,
    .summaryCaption = "Wachdog Timer",
    .labels = {"Watchdog Timer"},
    .values = kWdtBit3Values,
    .defaultValue = "off",
};

}  // namespace daxwel
