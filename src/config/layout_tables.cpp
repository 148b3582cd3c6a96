// The configuration layouts of the older parts.
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

constexpr ConfigField kPwrte = Pwrte(0x0008);
constexpr ConfigField kWdt = Wdt(0x0004);
constexpr ConfigField kCpd = Cpd(0x0100);
constexpr ConfigField kLvp = Lvp(0x0080);
constexpr ConfigField kBoden = ActiveHigh("boden", 0x0040, "Brown-Out Reset", {"Brown-Out Reset"},
                                          kDisabled, {"BodenOff", "BodenOn"});

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
constexpr ConfigField kWrt87x =
    ActiveHigh("wrt", 0x0200, "Flash Program Memory Write",
               {"Flash Program", "Memory Write", "Enable"}, kDisable, {"WrtOff", "WrtOn"}, "on");

constexpr ConfigField kFields870[] = {kCp870, kWrt87x, kCpd, kLvp, kBoden, kPwrte, kWdt, kOsc2};
constexpr ConfigField kFields873[] = {kCp873, kWrt87x, kCpd, kLvp, kBoden, kPwrte, kWdt, kOsc2};
constexpr ConfigField kFields876[] = {kCp876, kWrt87x, kCpd, kLvp, kBoden, kPwrte, kWdt, kOsc2};

// ---- 16F87XA and 16F62XA: one CP bit covers all program memory ----

constexpr ConfigField kCpWhole = Cp(0x2000);
constexpr ConfigField kDebug = Debug(0x0800);

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

constexpr ConfigField kCpBit7 = Cp(0x0080);

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
constexpr ConfigField kIeso =
    ActiveHigh("ieso", 0x0002, "Internal External Switchover", {"Int/Ext", "Switchover"}, kDisabled,
               {"IesoOff", "IesoOn"}, "on", 1);
constexpr ConfigField kFcmen =
    ActiveHigh("fcmen", 0x0001, "Fail-Safe Clock Monitor", {"Fail-Safe", "Clock Monitor"},
               kDisabled, {"FcmenOff", "FcmenOn"}, "on", 1);

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

}  // namespace

constexpr ConfigLayout kLayout16F84{kFields84};
constexpr ConfigLayout kLayout16F870{kFields870};
constexpr ConfigLayout kLayout16F873{kFields873};
constexpr ConfigLayout kLayout16F876{kFields876};
constexpr ConfigLayout kLayout16F87XA{kFields87xa};
constexpr ConfigLayout kLayout16F62XA{kFields62xa};
constexpr ConfigLayout kLayout16F88{kFields88};
constexpr ConfigLayout kLayout16F818{kFields818};
constexpr ConfigLayout kLayout16F819{kFields819};
constexpr ConfigLayout kLayout12F675{kFields675};

}  // namespace daxwel
