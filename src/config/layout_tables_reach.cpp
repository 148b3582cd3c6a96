// The configuration layouts of the 16F627/628 (without A), the 16F716, the 16F72/73/74/76/77,
// the 12F609/615/617, 16F610/616 with their HV parts, and the 12F752/12HV752.
#include "config/layout.h"
#include "config/layout_values.h"

namespace daxwel {

extern const ConfigLayout kLayout16F627;
extern const ConfigLayout kLayout16F628;
extern const ConfigLayout kLayout16F716;
extern const ConfigLayout kLayout16F7X;
extern const ConfigLayout kLayout12F61X;
extern const ConfigLayout kLayout12F617;
extern const ConfigLayout kLayout12F752;

namespace {

// ---- 16F627/628: the 16F62XA's bits, with CP1:CP0 written to 13:12 and 11:10 alike ----

constexpr ConfigField Cp627(std::span<const ConfigValue> values) {
  return {.name = "cp",
          .mask = 0x3C00,
          .summaryMask = 0x0C00,
          .summaryCaption = "Code Protected",
          .labels = {"Code Protect"},
          .values = values,
          .defaultValue = "off"};
}
// On the 1K-word chip the value 10 protects nothing, as 11 does.
constexpr ConfigValue kCp627Values[] = {
    {"off", 0x3C00, "OFF", "CpOff", "OFF"},
    {"half", 0x1400, "0200-03FF Protected", "Cp0200_03FF", "0200h a 03FFh"},
    {"all", 0x0000, "0000-03FF Protected", "Cp0000_03FF", "0000h a 03FFh"},
    {"", 0x2800, "(10) OFF", "", ""},
};
constexpr ConfigValue kCp628Values[] = {
    {"off", 0x3C00, "OFF", "CpOff", "OFF"},
    {"half", 0x2800, "0400-07FF Protected", "Cp0400_07FF", "0400h a 07FFh"},
    {"3q", 0x1400, "0200-07FF Protected", "Cp0200_07FF", "0200h a 07FFh"},
    {"all", 0x0000, "0000-07FF Protected", "Cp0000_07FF", "0000h a 07FFh"},
};
constexpr ConfigField kOsc627{
    .name = "osc",
    .mask = 0x0013,
    .summaryMask = 0x0013,
    .summaryCaption = "Oscilator",
    .labels = {"Oscilador"},
    .values = kOsc62xaValues,
    .defaultValue = "xt",
};
constexpr ConfigField kBoden627 = ActiveHigh(
    "boden", 0x0040, "Brown-Out Reset", {"Brown-Out Reset"}, kDisabled, {"BodenOff", "BodenOn"});
constexpr ConfigField kFields627[] = {Cp627(kCp627Values), Cpd(0x0100), Lvp(0x0080),
                                      kBoden627,           kMclre,      Pwrte(0x0008),
                                      Wdt(0x0004),         kOsc627};
constexpr ConfigField kFields628[] = {Cp627(kCp628Values), Cpd(0x0100), Lvp(0x0080),
                                      kBoden627,           kMclre,      Pwrte(0x0008),
                                      Wdt(0x0004),         kOsc627};

// ---- 16F716: CP (13), BORV (7), BOREN (6), PWRTE (3), WDTE (2), FOSC1:0 ----

constexpr ConfigValue kBorv716Values[] = {
    {"40", 0x0080, "4.0 V", "Bor40", "4,0 V"},
    {"25", 0x0000, "2.5 V", "Bor25", "2,5 V"},
};
constexpr ConfigField kBorv716{
    .name = "borv",
    .mask = 0x0080,
    .summaryMask = 0x0080,
    .summaryCaption = "Brown-Out Reset Voltage",
    .labels = {"Brown-Out Reset", "Voltage"},
    .values = kBorv716Values,
    .defaultValue = "40",
};
constexpr ConfigValue kOsc716Values[] = {
    {"rc", 0x3, "RC", "RC", "RC"},
    {"hs", 0x2, "HC", "HS", "HS"},
    {"xt", 0x1, "XT", "XT", "XT"},
    {"lp", 0x0, "LP", "LP", "LP"},
};
constexpr ConfigField kOsc716{
    .name = "osc",
    .mask = 0x0003,
    .summaryMask = 0x0003,
    .summaryCaption = "Oscilator",
    .labels = {"Oscilador"},
    .values = kOsc716Values,
    .defaultValue = "xt",
};
constexpr ConfigField kFields716[] = {Cp(0x2000),    kBorv716,    kBoden627,
                                      Pwrte(0x0008), Wdt(0x0004), kOsc716};

// ---- 16F72/73/74/76/77: BODEN (6), CP (4), PWRTE (3), WDTE (2), FOSC1:0 as the 16F716 ----

constexpr ConfigField kFields7X[] = {Cp(0x0010), kBoden627, Pwrte(0x0008), Wdt(0x0004), kOsc716};

// ---- 12F609/615/617, 16F610/616: BOREN1:0 (9:8), IOSCFS (7), CP (6), MCLRE, PWRTE (4), WDTE
// (3), FOSC2:0; the 12F617 adds WRT1:WRT0 (11:10) ----

constexpr ConfigValue kBoden61xValues[] = {
    {"on", 0x300, "Enabled", "BodenOn", "ON"},
    {"nsleep", 0x200, "Enabled, Disabled in Sleep", "BodenNoSleep", "ON (no SLEEP)"},
    {"off", 0x000, "Disabled", "BodenOff", "OFF"},
    {"", 0x100, "Disabled (01)", "", ""},
};
constexpr ConfigField kBoden61x{
    .name = "boden",
    .mask = 0x0300,
    .summaryMask = 0x0300,
    .summaryCaption = "Brown-Out Reset",
    .labels = {"Brown-Out Reset"},
    .values = kBoden61xValues,
    .defaultValue = "off",
};
constexpr ConfigValue kIoscfsValues[] = {
    {"8", 0x0080, "8 MHz", "Ioscfs8", "8 MHz"},
    {"4", 0x0000, "4 MHz", "Ioscfs4", "4 MHz"},
};
constexpr ConfigField kIoscfs{
    .name = "ioscfs",
    .mask = 0x0080,
    .summaryMask = 0x0080,
    .summaryCaption = "Internal Oscillator Frequency",
    .labels = {"Oscilador", "interno"},
    .values = kIoscfsValues,
    .defaultValue = "8",
};
constexpr ConfigField kOsc61x{
    .name = "osc",
    .mask = 0x0007,
    .summaryMask = 0x0007,
    .summaryCaption = "Oscilator",
    .labels = {"Oscilador"},
    .values = kOscBits2To0Values,
    .defaultValue = "intio",
};
// Only the half is named by the documents we have (Microchip's assembler header).
constexpr ConfigValue kWrt617Values[] = {
    {"off", 0x0C00, "Enable", "WrtOff", "OFF"},
    {"half", 0x0400, "Lower 1/2 Protected", "WrtHalf", "1/2 inferior"},
    {"", 0x0800, "(10) No Soportado", "", ""},
    {"", 0x0000, "(00) No Soportado", "", ""},
};
constexpr ConfigField kWrt617{
    .name = "wrt",
    .mask = 0x0C00,
    .summaryMask = 0x0C00,
    .summaryCaption = "Flash Program Memory Write",
    .labels = {"Flash Program", "Write Protect"},
    .values = kWrt617Values,
    .defaultValue = "off",
};
constexpr ConfigField kFields61x[] = {Cp(0x0040), kBoden61x, kIoscfs, kMclre,
                                      kPwrteBit4, kWdtBit3,  kOsc61x};
constexpr ConfigField kFields617[] = {Cp(0x0040), kWrt617,    kBoden61x, kIoscfs,
                                      kMclre,     kPwrteBit4, kWdtBit3,  kOsc61x};

// ---- 12F752: CLKOUTEN (12), WRT1:WRT0 (11:10), BOREN1:0 (9:8), CP (6), MCLRE, PWRTE (4), WDTE
// (3) and FOSC0 alone in bit 0, as Microchip's assembler header names them ----

constexpr ConfigValue kOsc752Values[] = {
    {"intio", 0x0000, "INTOSC I/O", "IntoscIO", "INTOSC I/O"},
    {"ec", 0x0001, "EC", "EC", "EC"},
};
constexpr ConfigField kOsc752{
    .name = "osc",
    .mask = 0x0001,
    .summaryMask = 0x0001,
    .summaryCaption = "Oscilator",
    .labels = {"Oscilador"},
    .values = kOsc752Values,
    .defaultValue = "intio",
};
constexpr ConfigValue kWrt752Values[] = {
    {"off", 0x0C00, "Enable", "WrtOff", "OFF"},
    {"quarter", 0x0800, "Lower 1/4 Protected", "WrtQuarter", "1/4 inferior"},
    {"half", 0x0400, "Lower 1/2 Protected", "WrtHalf", "1/2 inferior"},
    {"all", 0x0000, "All Protected", "WrtAll", "Toda"},
};
constexpr ConfigField kWrt752{
    .name = "wrt",
    .mask = 0x0C00,
    .summaryMask = 0x0C00,
    .summaryCaption = "Flash Program Memory Write",
    .labels = {"Flash Program", "Write Protect"},
    .values = kWrt752Values,
    .defaultValue = "off",
};
constexpr ConfigField kClkout752 =
    ActiveLow("clkouten", 0x1000, "Clock Out", {"Clock Out"}, kDisabled, {"ClkoutOff", "ClkoutOn"});
constexpr ConfigField kFields752[] = {Cp(0x0040), kWrt752,    kClkout752, kBoden61x,
                                      kMclre,     kPwrteBit4, kWdtBit3,   kOsc752};

}  // namespace

constexpr ConfigLayout kLayout12F61X{kFields61x};
constexpr ConfigLayout kLayout12F617{kFields617};
constexpr ConfigLayout kLayout12F752{kFields752};
constexpr ConfigLayout kLayout16F716{kFields716};
constexpr ConfigLayout kLayout16F7X{kFields7X};
constexpr ConfigLayout kLayout16F627{kFields627};
constexpr ConfigLayout kLayout16F628{kFields628};

}  // namespace daxwel
