// The configuration layouts of the supported parts and the placement of their dialogs.
#include "config/layout.h"
#include "config/layout_values.h"

namespace daxwel {

namespace {

// ---- Fields shared by several layouts ----

// RC is the RC oscillator with CLKOUT on OSC2.
constexpr ConfigValue kOsc2Values[] = {
    {"rc", 0x3, "RC", "RC", "RC"},
    {"hs", 0x2, "HC", "HS", "HS"},
    {"xt", 0x1, "XT", "XT", "XT"},
    {"lp", 0x0, "LP", "LP", "LP"},
};
constexpr ConfigField kOsc2{
    .name = "osc",
    .mask = 0x0003,
    .summaryMask = 0x0003,
    .summaryCaption = "Oscilator",
    .labels = {"Oscilador"},
    .values = kOsc2Values,
    .defaultValue = "xt",
};

// Power-up timer enable is active low.
constexpr ConfigValue kPwrteValues[] = {
    {"off", 0x8, "Disable", "PwrteOff", "OFF"},
    {"on", 0x0, "Enable", "PwrteOn", "ON"},
};
constexpr ConfigField kPwrte{
    .name = "pwrte",
    .mask = 0x0008,
    .summaryMask = 0x0008,
    .summaryCaption = "Power Up Timer",
    .labels = {"Power Up Timer"},
    .values = kPwrteValues,
    .defaultValue = "on",
};

constexpr ConfigValue kWdtValues[] = {
    {"off", 0x0, "Disable", "WdteOff", "OFF"},
    {"on", 0x4, "Enable", "WdteOn", "ON"},
};
constexpr ConfigField kWdt{
    .name = "wdt",
    .mask = 0x0004,
    .summaryMask = 0x0004,
    .summaryCaption = "Wachdog Timer",
    .labels = {"Watchdog Timer"},
    .values = kWdtValues,
    .defaultValue = "off",
};

// Data EEPROM protection is active low.
constexpr ConfigValue kCpdValues[] = {
    {"off", 0x100, "Unprotected", "CpdOff", "OFF"},
    {"on", 0x000, "Code Protected", "CpdOn", "ON"},
};
constexpr ConfigField kCpd{
    .name = "cpd",
    .mask = 0x0100,
    .summaryMask = 0x0100,
    .summaryCaption = "EE Data Memory",
    .labels = {"EE Memory", "Code Protection"},
    .values = kCpdValues,
    .defaultValue = "off",
};

constexpr ConfigValue kLvpValues[] = {
    {"off", 0x00, "Disabled", "LvpOff", "OFF"},
    {"on", 0x80, "Enabled", "LvpOn", "ON"},
};
constexpr ConfigField kLvp{
    .name = "lvp",
    .mask = 0x0080,
    .summaryMask = 0x0080,
    .summaryCaption = "Low Voltage Programming",
    .labels = {"Low Voltage", "Programming"},
    .values = kLvpValues,
    .defaultValue = "off",
};

constexpr ConfigValue kBodenValues[] = {
    {"off", 0x00, "Disabled", "BodenOff", "OFF"},
    {"on", 0x40, "Enabled", "BodenOn", "ON"},
};
constexpr ConfigField kBoden{
    .name = "boden",
    .mask = 0x0040,
    .summaryMask = 0x0040,
    .summaryCaption = "Brown-Out Reset",
    .labels = {"Brown-Out Reset"},
    .values = kBodenValues,
    .defaultValue = "off",
};

// ---- 16F84: ten code-protection bits written alike, bit 4 summarised ----

constexpr ConfigValue kCp84Values[] = {
    {"off", 0x3FF0, "OFF", "CpOff", "OFF"},
    {"on", 0x0000, "ON", "CpOn", "ON"},
};
constexpr ConfigField kCp84{
    .name = "cp",
    .mask = 0x3FF0,
    .summaryMask = 0x0010,
    .summaryCaption = "Code Protected",
    .labels = {"Code Protect"},
    .values = kCp84Values,
    .defaultValue = "off",
};

constexpr ConfigField kFields84[] = {kCp84, kPwrte, kWdt, kOsc2};

// ---- 16F87X: the code-protection pair written to bits 13-12 and 5-4, read from 5-4 ----

constexpr ConfigValue kCp870Values[] = {
    {"off", 0x3030, "OFF", "CpOff", "OFF"},
    {"on", 0x0000, "ON", "CpOn", "ON"},
    // Pairs these parts do not have, only ever read from a file.
    {"", 0x2020, "(10) No Soportado", "", ""},
    {"", 0x1010, "(01) No Soportado", "", ""},
};
constexpr ConfigField kCp870{
    .name = "cp",
    .mask = 0x3030,
    .summaryMask = 0x0030,
    .summaryCaption = "Code Protected",
    .labels = {"Code Protect"},
    .values = kCp870Values,
    .defaultValue = "off",
};

constexpr ConfigValue kCp873Values[] = {
    {"off", 0x3030, "OFF", "CpOff", "OFF"},
    {"all", 0x0000, "0000-0FFF Protected", "Cp0000_0FFF", "0000h a 0FFFh"},
    {"half", 0x1010, "0800-0FFF Protected", "Cp0800_0FFF", "0800h a 0FFFh"},
    {"top", 0x2020, "0F00-0FFF Protected", "Cp0F00_0FFF", "0F00h a 0FFFh"},
};
constexpr ConfigField kCp873{
    .name = "cp",
    .mask = 0x3030,
    .summaryMask = 0x0030,
    .summaryCaption = "Code Protected",
    .labels = {"Code Protect"},
    .values = kCp873Values,
    .defaultValue = "off",
};

constexpr ConfigValue kCp876Values[] = {
    {"off", 0x3030, "OFF", "CpOff", "OFF"},
    {"all", 0x0000, "0000-1FFF Protected", "Cp0000_1FFF", "0000h a 1FFFh"},
    {"half", 0x1010, "1000-1FFF Protected", "Cp1000_1FFF", "1000h a 1FFFh"},
    {"top", 0x2020, "1F00-1FFF Protected", "Cp1F00_1FFF", "1F00h a 1FFFh"},
};
constexpr ConfigField kCp876{
    .name = "cp",
    .mask = 0x3030,
    .summaryMask = 0x0030,
    .summaryCaption = "Code Protected",
    .labels = {"Code Protect"},
    .values = kCp876Values,
    .defaultValue = "off",
};

// Flash self-write through EECON.
constexpr ConfigValue kWrt87xValues[] = {
    {"off", 0x000, "Disable", "WrtOff", "OFF"},
    {"on", 0x200, "Enable", "WrtOn", "ON"},
};
constexpr ConfigField kWrt87x{
    .name = "wrt",
    .mask = 0x0200,
    .summaryMask = 0x0200,
    .summaryCaption = "Flash Program Memory Write",
    .labels = {"Flash Program", "Memory Write", "Enable"},
    .values = kWrt87xValues,
    .defaultValue = "on",
};

constexpr ConfigField kFields870[] = {kCp870, kWrt87x, kCpd, kLvp, kBoden, kPwrte, kWdt, kOsc2};
constexpr ConfigField kFields873[] = {kCp873, kWrt87x, kCpd, kLvp, kBoden, kPwrte, kWdt, kOsc2};
constexpr ConfigField kFields876[] = {kCp876, kWrt87x, kCpd, kLvp, kBoden, kPwrte, kWdt, kOsc2};

// ---- 16F87XA and 16F62XA: one CP bit covers all program memory ----

constexpr ConfigValue kCpWholeValues[] = {
    {"off", 0x2000, "OFF", "CpOff", "OFF"},
    {"on", 0x0000, "ON", "CpOn", "ON"},
};
constexpr ConfigField kCpWhole{
    .name = "cp",
    .mask = 0x2000,
    .summaryMask = 0x2000,
    .summaryCaption = "Code Protected",
    .labels = {"Code Protect"},
    .values = kCpWholeValues,
    .defaultValue = "off",
};

constexpr ConfigValue kDebugValues[] = {
    {"off", 0x800, "Disabled", "DebugOff", "OFF"},
    {"on", 0x000, "Enabled", "DebugOn", "ON"},
};
constexpr ConfigField kDebug{
    .name = "debug",
    .mask = 0x0800,
    .summaryMask = 0x0800,
    .summaryCaption = "In-Circuit Debugger",
    .labels = {"In-Circuit", "Debugger"},
    .values = kDebugValues,
    .defaultValue = "off",
};

// WRT1:WRT0 protect a range from self-write; it does not stop the programmer. The quarter and
// the half are 0000-03FF and 0000-07FF on the 4K parts, twice that on 8K: the captions name
// the share, not the addresses.
constexpr ConfigField kWrt87xa{
    .name = "wrt",
    .mask = 0x0600,
    .summaryMask = 0x0600,
    .summaryCaption = "Flash Program Memory Write",
    .labels = {"Flash Program", "Write Protect"},
    .values = kWrt87xaValues,
    .defaultValue = "off",
};

constexpr ConfigField kFields87xa[] = {kCpWhole, kDebug, kWrt87xa, kCpd, kLvp,
                                       kBoden,   kPwrte, kWdt,     kOsc2};

// FOSC2 is bit 4, apart from FOSC1:FOSC0. "rc" is what the other parts call RC CLKOUT.
constexpr ConfigValue kOsc62xaValues[] = {
    {"lp", 0x00, "LP", "LP", "LP"},
    {"xt", 0x01, "XT", "XT", "XT"},
    {"hs", 0x02, "HC", "HS", "HS"},
    {"ec", 0x03, "EC", "EC", "EC"},
    {"intio", 0x10, "INTOSC I/O", "IntoscIO", "INTOSC I/O"},
    {"intclk", 0x11, "INTOSC CLKOUT", "IntoscClkout", "INTOSC CLKOUT"},
    {"rcio", 0x12, "RC I/O", "RcIO", "RC I/O"},
    {"rcclk", 0x13, "RC CLKOUT", "RcClkout", "RC CLKOUT", "rc"},
};
constexpr ConfigField kOsc62xa{
    .name = "osc",
    .mask = 0x0013,
    .summaryMask = 0x0013,
    .summaryCaption = "Oscilator",
    .labels = {"Oscilador"},
    .values = kOsc62xaValues,
    .defaultValue = "xt",
};

constexpr ConfigField kFields62xa[] = {kCpWhole, kCpd,   kLvp, kBoden,
                                       kMclre,   kPwrte, kWdt, kOsc62xa};

// ---- 12F629/675 and 16F630/676: CP and CPD on bits 7 and 8, PWRTE bit 4, WDTE bit 3, FOSC2:0
// in bits 2:0. Bits 13:12 are the factory's band-gap calibration, never the user's. ----

constexpr ConfigValue kCpBit7Values[] = {
    {"off", 0x80, "OFF", "CpOff", "OFF"},
    {"on", 0x00, "ON", "CpOn", "ON"},
};
constexpr ConfigField kCpBit7{
    .name = "cp",
    .mask = 0x0080,
    .summaryMask = 0x0080,
    .summaryCaption = "Code Protected",
    .labels = {"Code Protect"},
    .values = kCpBit7Values,
    .defaultValue = "off",
};

// "intio" is what these parts' users pick most.
constexpr ConfigField kOsc675{
    .name = "osc",
    .mask = 0x0007,
    .summaryMask = 0x0007,
    .summaryCaption = "Oscilator",
    .labels = {"Oscilador"},
    .values = kOscBits2To0Values,
    .defaultValue = "intio",
};

constexpr ConfigField kFields675[] = {kCpBit7, kCpd, kBoden, kMclre, kPwrteBit4, kWdtBit3, kOsc675};

// ---- 16F87/88 and 16F818/819: the 16F62XA's oscillator bits, with CCP1's pin (bit 12) and
// self-write protection (WRT1:WRT0, 10:9) whose ranges depend on the memory size ----

constexpr ConfigValue kCcpRb0Values[] = {
    {"rb0", 0x1000, "RB0", "CcpRb0", "RB0"},
    {"rb3", 0x0000, "RB3", "CcpRb3", "RB3"},
};
constexpr ConfigValue kCcpRb2Values[] = {
    {"rb2", 0x1000, "RB2", "CcpRb2", "RB2"},
    {"rb3", 0x0000, "RB3", "CcpRb3", "RB3"},
};
constexpr ConfigField CcpPin(std::span<const ConfigValue> values, std::string_view usual) {
  return {.name = "ccpmx",
          .mask = 0x1000,
          .summaryMask = 0x1000,
          .summaryCaption = "CCP1 Pin",
          .labels = {"CCP1"},
          .values = values,
          .defaultValue = usual};
}
constexpr ConfigField WriteProtect(std::span<const ConfigValue> values) {
  return {.name = "wrt",
          .mask = 0x0600,
          .summaryMask = 0x0600,
          .summaryCaption = "Flash Program Memory Write",
          .labels = {"Flash Program", "Write Protect"},
          .values = values,
          .defaultValue = "off"};
}
constexpr ConfigValue kWrt88Values[] = {
    {"off", 0x600, "Enable", "WrtOff", "OFF"},
    {"256", 0x400, "0000-00FF Protected", "Wrt0000_00FF", "0000h a 00FFh"},
    {"2048", 0x200, "0000-07FF Protected", "Wrt0000_07FF", "0000h a 07FFh", "half"},
    {"all", 0x000, "0000-0FFF Protected", "Wrt0000_0FFF", "0000h a 0FFFh"},
};
// WRT1:WRT0 = 00 is given no meaning for the 16F818.
constexpr ConfigValue kWrt818Values[] = {
    {"off", 0x600, "Enable", "WrtOff", "OFF"},
    {"512", 0x400, "0000-01FF Protected", "Wrt0000_01FF", "0000h a 01FFh", "half"},
    {"1024", 0x200, "0000-03FF Protected", "Wrt0000_03FF", "0000h a 03FFh", "all"},
};
constexpr ConfigValue kWrt819Values[] = {
    {"off", 0x600, "Enable", "WrtOff", "OFF"},
    {"512", 0x400, "0000-01FF Protected", "Wrt0000_01FF", "0000h a 01FFh"},
    {"1024", 0x200, "0000-03FF Protected", "Wrt0000_03FF", "0000h a 03FFh", "half"},
    {"1536", 0x000, "0000-05FF Protected", "Wrt0000_05FF", "0000h a 05FFh"},
};

// The 16F87/88's second word (0x2008): two-speed start-up and the fail-safe clock monitor.
constexpr ConfigValue kIesoValues[] = {
    {"off", 0x0, "Disabled", "IesoOff", "OFF"},
    {"on", 0x2, "Enabled", "IesoOn", "ON"},
};
constexpr ConfigField kIeso{
    .name = "ieso",
    .mask = 0x0002,
    .summaryMask = 0x0002,
    .summaryCaption = "Internal External Switchover",
    .labels = {"Int/Ext", "Switchover"},
    .values = kIesoValues,
    .defaultValue = "on",
    .word = 1,
};
constexpr ConfigValue kFcmenValues[] = {
    {"off", 0x0, "Disabled", "FcmenOff", "OFF"},
    {"on", 0x1, "Enabled", "FcmenOn", "ON"},
};
constexpr ConfigField kFcmen{
    .name = "fcmen",
    .mask = 0x0001,
    .summaryMask = 0x0001,
    .summaryCaption = "Fail-Safe Clock Monitor",
    .labels = {"Fail-Safe", "Clock Monitor"},
    .values = kFcmenValues,
    .defaultValue = "on",
    .word = 1,
};

constexpr ConfigField kFields88[] = {kCpWhole, CcpPin(kCcpRb0Values, "rb0"),
                                     kDebug,   WriteProtect(kWrt88Values),
                                     kCpd,     kLvp,
                                     kBoden,   kMclre,
                                     kPwrte,   kWdt,
                                     kOsc62xa, kIeso,
                                     kFcmen};
constexpr ConfigField kFields818[] = {kCpWhole, CcpPin(kCcpRb2Values, "rb2"),
                                      kDebug,   WriteProtect(kWrt818Values),
                                      kCpd,     kLvp,
                                      kBoden,   kMclre,
                                      kPwrte,   kWdt,
                                      kOsc62xa};
constexpr ConfigField kFields819[] = {kCpWhole, CcpPin(kCcpRb2Values, "rb2"),
                                      kDebug,   WriteProtect(kWrt819Values),
                                      kCpd,     kLvp,
                                      kBoden,   kMclre,
                                      kPwrte,   kWdt,
                                      kOsc62xa};

// ---- Dialog placement ----

using Pair = std::array<ButtonPlace, 2>;
using Four = std::array<ButtonPlace, 4>;

// OFF on the left, ON on the right, `y` under the labels.
constexpr Pair OnOff(std::string_view off, std::string_view on, int y) {
  return {{{off, {10, y, 48, 22}}, {on, {64, y, 52, 22}}}};
}
// One button per line, top to bottom, in a group 120 wide.
constexpr Four Stack(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                     int y) {
  return {{{a, {6, y, 112, 22}},
           {b, {6, y + 23, 112, 22}},
           {c, {6, y + 46, 112, 22}},
           {d, {6, y + 69, 112, 22}}}};
}

// Buttons start under one, two or three label lines; a stack of four starts 4 higher.
constexpr int kUnder1 = 30;
constexpr int kUnder2 = 46;
constexpr int kUnder3 = 62;

// RC and XT above HS and LP.
constexpr Four kOsc4{{{"RC", {10, 30, 48, 22}},
                      {"XT", {64, 30, 52, 22}},
                      {"HS", {10, 58, 48, 22}},
                      {"LP", {64, 58, 52, 22}}}};
constexpr Pair kCpOnOff = OnOff("CpOff", "CpOn", kUnder1);
constexpr Pair kCpdOnOff = OnOff("CpdOff", "CpdOn", kUnder2);
constexpr Pair kLvpOnOff = OnOff("LvpOff", "LvpOn", kUnder2);
constexpr Pair kWdtOnOff = OnOff("WdteOff", "WdteOn", kUnder1);
constexpr Pair kPwrteOnOff = OnOff("PwrteOff", "PwrteOn", kUnder1);
constexpr Pair kBodenOnOff = OnOff("BodenOff", "BodenOn", kUnder1);

// 16F84: a 2 x 2 grid of groups 152 x 110.
constexpr Four kOsc84{{{"RC", {16, 30, 56, 22}},
                       {"XT", {84, 30, 60, 22}},
                       {"HS", {16, 58, 56, 22}},
                       {"LP", {84, 58, 60, 22}}}};
constexpr Pair OnOff84(std::string_view off, std::string_view on) {
  return {{{off, {16, 30, 56, 22}}, {on, {84, 30, 60, 22}}}};
}
constexpr Pair kCp84OnOff = OnOff84("CpOff", "CpOn");
constexpr Pair kWdt84OnOff = OnOff84("WdteOff", "WdteOn");
constexpr Pair kPwrte84OnOff = OnOff84("PwrteOff", "PwrteOn");
constexpr GroupPlace kGroups84[] = {
    {"osc", {16, 86, 152, 110}, kOsc84},
    {"cp", {176, 86, 152, 110}, kCp84OnOff},
    {"wdt", {16, 206, 152, 110}, kWdt84OnOff},
    {"pwrte", {176, 206, 152, 110}, kPwrte84OnOff},
};

// 16F87X: a 2 x 4 grid, groups 120 wide on a 128 pitch, 130 high on top and 104 below.
constexpr int Column(int i) { return 8 + i * 128; }
constexpr int kTopRow = 84;
constexpr int kBottomRow87x = kTopRow + 130 + 8;
constexpr Box Top87x(int column) { return {Column(column), kTopRow, 120, 130}; }
constexpr Box Bottom87x(int column) { return {Column(column), kBottomRow87x, 120, 104}; }
constexpr Pair kWrt87xOnOff = OnOff("WrtOff", "WrtOn", kUnder3);
constexpr Four kCp873Stack =
    Stack("CpOff", "Cp0000_0FFF", "Cp0800_0FFF", "Cp0F00_0FFF", kUnder1 - 4);
constexpr Four kCp876Stack =
    Stack("CpOff", "Cp0000_1FFF", "Cp1000_1FFF", "Cp1F00_1FFF", kUnder1 - 4);

constexpr std::array<GroupPlace, 8> Grid87x(std::span<const ButtonPlace> cpButtons) {
  return {{{"osc", Top87x(0), kOsc4},
           {"cp", Top87x(1), cpButtons},
           {"cpd", Top87x(2), kCpdOnOff},
           {"lvp", Top87x(3), kLvpOnOff},
           {"wdt", Bottom87x(0), kWdtOnOff},
           {"pwrte", Bottom87x(1), kPwrteOnOff},
           {"boden", Bottom87x(2), kBodenOnOff},
           {"wrt", Bottom87x(3), kWrt87xOnOff}}};
}
constexpr auto kGroups870 = Grid87x(kCpOnOff);
constexpr auto kGroups873 = Grid87x(kCp873Stack);
constexpr auto kGroups876 = Grid87x(kCp876Stack);

// The A families: nine groups, a top row of five 140 high and a bottom row of four centred
// under it, the family's own group last.
constexpr int kBottomRowA = kTopRow + 140 + 8;
constexpr Box TopA(int column) { return {Column(column), kTopRow, 120, 140}; }
constexpr Box BottomA(int i) { return {Column(i) + 64, kBottomRowA, 120, 104}; }
constexpr Pair kDebugOnOff = OnOff("DebugOff", "DebugOn", kUnder2);
constexpr Pair kMclreOnOff = OnOff("MclreOff", "MclreOn", kUnder2);
constexpr Four kWrt87xaStack =
    Stack("WrtOff", "Wrt0000_00FF", "WrtQuarter", "WrtHalf", kUnder2 - 4);

constexpr GroupPlace kGroups87xa[] = {
    {"osc", TopA(0), kOsc4},
    {"cp", TopA(1), kCpOnOff},
    {"cpd", TopA(2), kCpdOnOff},
    {"lvp", TopA(3), kLvpOnOff},
    {"wdt", BottomA(0), kWdtOnOff},
    {"pwrte", BottomA(1), kPwrteOnOff},
    {"boden", BottomA(2), kBodenOnOff},
    {"debug", BottomA(3), kDebugOnOff},
    {"wrt", TopA(4), kWrt87xaStack},
};

// Eight oscillators two columns wide: crystal and external clock modes on the left, the
// internal oscillator and RC on the right, made row by row.
constexpr ButtonPlace kOsc62xaButtons[] = {
    {"LP", {10, 26, 112, 22}},  {"IntoscIO", {128, 26, 116, 22}},
    {"XT", {10, 52, 112, 22}},  {"IntoscClkout", {128, 52, 116, 22}},
    {"HS", {10, 78, 112, 22}},  {"RcIO", {128, 78, 116, 22}},
    {"EC", {10, 104, 112, 22}}, {"RcClkout", {128, 104, 116, 22}},
};
constexpr GroupPlace kGroups62xa[] = {
    {"osc", {Column(0), kTopRow, 248, 140}, kOsc62xaButtons},
    {"cp", TopA(2), kCpOnOff},
    {"cpd", TopA(3), kCpdOnOff},
    {"lvp", TopA(4), kLvpOnOff},
    {"wdt", BottomA(0), kWdtOnOff},
    {"pwrte", BottomA(1), kPwrteOnOff},
    {"boden", BottomA(2), kBodenOnOff},
    {"mclre", BottomA(3), kMclreOnOff},
};

// The 62XA's groups without LVP, in the 87X's narrower window: the oscillators, CP and CPD on
// top, four groups under them.
constexpr Box Bottom675(int column) { return {Column(column), kBottomRowA, 120, 104}; }
constexpr GroupPlace kGroups675[] = {
    {"osc", {Column(0), kTopRow, 248, 140}, kOsc62xaButtons},
    {"cp", TopA(2), kCpOnOff},
    {"cpd", TopA(3), kCpdOnOff},
    {"wdt", Bottom675(0), kWdtOnOff},
    {"pwrte", Bottom675(1), kPwrteOnOff},
    {"boden", Bottom675(2), kBodenOnOff},
    {"mclre", Bottom675(3), kMclreOnOff},
};

// 16F87/88 and 16F818/819: the 16F62XA's top row with write protection in the place of LVP,
// then five groups, then the debugger and CCP1 centred under them (with the second word's two
// groups on the 16F87/88).
constexpr int kMiddleRow81x = kTopRow + 140 + 8;
constexpr int kBottomRow81x = kMiddleRow81x + 104 + 8;
constexpr Box Middle81x(int column) { return {Column(column), kMiddleRow81x, 120, 104}; }
constexpr Box Bottom81x(int i) { return {Column(i) + 64, kBottomRow81x, 120, 104}; }
constexpr Pair kCcpRb0 = OnOff("CcpRb0", "CcpRb3", kUnder1);
constexpr Pair kCcpRb2 = OnOff("CcpRb2", "CcpRb3", kUnder1);
constexpr Four kWrt88Stack =
    Stack("WrtOff", "Wrt0000_00FF", "Wrt0000_07FF", "Wrt0000_0FFF", kUnder2 - 4);
constexpr std::array<ButtonPlace, 3> kWrt818Stack{{{"WrtOff", {6, kUnder2 - 4, 112, 22}},
                                                   {"Wrt0000_01FF", {6, kUnder2 + 19, 112, 22}},
                                                   {"Wrt0000_03FF", {6, kUnder2 + 42, 112, 22}}}};
constexpr Four kWrt819Stack =
    Stack("WrtOff", "Wrt0000_01FF", "Wrt0000_03FF", "Wrt0000_05FF", kUnder2 - 4);

constexpr Pair kIesoOnOff = OnOff("IesoOff", "IesoOn", kUnder2);
constexpr Pair kFcmenOnOff = OnOff("FcmenOff", "FcmenOn", kUnder2);

// The nine groups every one of these layouts has, then its own bottom row.
template <std::size_t N>
constexpr std::array<GroupPlace, 9 + N> Grid81x(std::span<const ButtonPlace> wrt,
                                                const std::array<GroupPlace, N>& bottom) {
  std::array<GroupPlace, 9 + N> groups{{{"osc", {Column(0), kTopRow, 248, 140}, kOsc62xaButtons},
                                        {"wrt", TopA(2), wrt},
                                        {"cp", TopA(3), kCpOnOff},
                                        {"cpd", TopA(4), kCpdOnOff},
                                        {"lvp", Middle81x(0), kLvpOnOff},
                                        {"mclre", Middle81x(1), kMclreOnOff},
                                        {"boden", Middle81x(2), kBodenOnOff},
                                        {"pwrte", Middle81x(3), kPwrteOnOff},
                                        {"wdt", Middle81x(4), kWdtOnOff}}};
  for (std::size_t i = 0; i < N; ++i) groups[9 + i] = bottom[i];
  return groups;
}
constexpr std::array<GroupPlace, 2> kBottom818{
    {{"debug", Bottom81x(1), kDebugOnOff}, {"ccpmx", Bottom81x(2), kCcpRb2}}};
constexpr auto kGroups88 =
    Grid81x(kWrt88Stack, std::array<GroupPlace, 4>{{{"debug", Bottom81x(0), kDebugOnOff},
                                                    {"ccpmx", Bottom81x(1), kCcpRb0},
                                                    {"ieso", Bottom81x(2), kIesoOnOff},
                                                    {"fcmen", Bottom81x(3), kFcmenOnOff}}});
constexpr auto kGroups818 = Grid81x(kWrt818Stack, kBottom818);
constexpr auto kGroups819 = Grid81x(kWrt819Stack, kBottom818);
constexpr int kHeight81x = kBottomRow81x + 104 + 48;

// The check box's rectangle, centred in the wider windows.
constexpr Box Shape(int width) { return {(width - 340) / 2, 42, 340, 32}; }

}  // namespace

// Client areas are the design's twips / 15: 5160 x 5610 and 7800 x 5565.
constexpr ConfigLayout kLayout16F84{
    kFields84, {"frmConfigPic16F84", "PIC 16F84", 344, 374, {16, 42, 312, 32}, kGroups84}};
constexpr ConfigLayout kLayout16F870{
    kFields870,
    {"frmConfigPic16F870_1_2", "PIC 16F870 / 71 / 72", 520, 371, Shape(520), kGroups870}};
constexpr ConfigLayout kLayout16F873{
    kFields873, {"frmConfigPic16F873_4", "PIC 16F873 / 74", 520, 371, Shape(520), kGroups873}};
constexpr ConfigLayout kLayout16F876{
    kFields876, {"frmConfigPic16F876_7", "PIC 16F876 / 77", 520, 371, Shape(520), kGroups876}};
constexpr ConfigLayout kLayout16F87XA{
    kFields87xa,
    {"frmConfigPic16F87XA", "PIC 16F873A / 74A / 76A / 77A", 648, 381, Shape(648), kGroups87xa}};
constexpr ConfigLayout kLayout16F62XA{
    kFields62xa,
    {"frmConfigPic16F62XA", "PIC 16F627A / 28A / 48A", 648, 381, Shape(648), kGroups62xa}};
constexpr ConfigLayout kLayout16F88{
    kFields88, {"frmConfigPic16F87_88", "PIC 16F87 / 88", 648, kHeight81x, Shape(648), kGroups88}};
constexpr ConfigLayout kLayout16F818{
    kFields818, {"frmConfigPic16F818", "PIC 16F818", 648, kHeight81x, Shape(648), kGroups818}};
constexpr ConfigLayout kLayout16F819{
    kFields819, {"frmConfigPic16F819", "PIC 16F819", 648, kHeight81x, Shape(648), kGroups819}};

constexpr ConfigLayout kLayout12F675{
    kFields675,
    {"frmConfigPic12F675", "PIC 12F629 / 75, 16F630 / 76", 520, 381, Shape(520), kGroups675}};

}  // namespace daxwel
