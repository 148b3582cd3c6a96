// The configuration layouts of the 16F88X (two words), the 16F6XX with the 12F683, and the
// 16F91X, and the placement of their dialogs. Their bits differ from every older part's: CP is
// bit 6, CPD bit 7, PWRTE bit 4, WDTE bit 3, and the oscillator takes bits 2-0.
#include <array>
#include <span>

#include "config/layout.h"
#include "config/layout_values.h"

namespace daxwel {

namespace {

constexpr ConfigField kOsc{
    .name = "osc",
    .mask = 0x0007,
    .summaryMask = 0x0007,
    .summaryCaption = "Oscilator",
    .labels = {"Oscilador"},
    .values = kOscBits2To0Values,
    .defaultValue = "xt",
};

// Power-up timer enable is active low.

// Program memory protection, active low.
constexpr ConfigValue kCpValues[] = {
    {"off", 0x40, "OFF", "CpOff", "OFF"},
    {"on", 0x00, "ON", "CpOn", "ON"},
};
constexpr ConfigField kCp{
    .name = "cp",
    .mask = 0x0040,
    .summaryMask = 0x0040,
    .summaryCaption = "Code Protected",
    .labels = {"Code Protect"},
    .values = kCpValues,
    .defaultValue = "off",
};

constexpr ConfigValue kCpdValues[] = {
    {"off", 0x80, "Unprotected", "CpdOff", "OFF"},
    {"on", 0x00, "Code Protected", "CpdOn", "ON"},
};
constexpr ConfigField kCpd{
    .name = "cpd",
    .mask = 0x0080,
    .summaryMask = 0x0080,
    .summaryCaption = "EE Data Memory",
    .labels = {"EE Memory", "Code Protection"},
    .values = kCpdValues,
    .defaultValue = "off",
};

// BOREN1:BOREN0: on, on except in SLEEP, under SBOREN's control, off.
constexpr ConfigValue kBodenValues[] = {
    {"on", 0x300, "Enabled", "BodenOn", "ON"},
    {"nsleep", 0x200, "Enabled, Disabled in Sleep", "BodenNoSleep", "ON (no SLEEP)"},
    {"sbor", 0x100, "SBOREN Controlled", "BodenSboren", "Bit SBOREN"},
    {"off", 0x000, "Disabled", "BodenOff", "OFF"},
};
constexpr ConfigField kBoden{
    .name = "boden",
    .mask = 0x0300,
    .summaryMask = 0x0300,
    .summaryCaption = "Brown-Out Reset",
    .labels = {"Brown-Out Reset"},
    .values = kBodenValues,
    .defaultValue = "off",
};

constexpr ConfigValue kIesoValues[] = {
    {"off", 0x000, "Disabled", "IesoOff", "OFF"},
    {"on", 0x400, "Enabled", "IesoOn", "ON"},
};
constexpr ConfigField kIeso{
    .name = "ieso",
    .mask = 0x0400,
    .summaryMask = 0x0400,
    .summaryCaption = "Internal External Switchover",
    .labels = {"Internal External", "Switchover"},
    .values = kIesoValues,
    .defaultValue = "off",
};

constexpr ConfigValue kFcmenValues[] = {
    {"off", 0x000, "Disabled", "FcmenOff", "OFF"},
    {"on", 0x800, "Enabled", "FcmenOn", "ON"},
};
constexpr ConfigField kFcmen{
    .name = "fcmen",
    .mask = 0x0800,
    .summaryMask = 0x0800,
    .summaryCaption = "Fail-Safe Clock Monitor",
    .labels = {"Fail-Safe Clock", "Monitor"},
    .values = kFcmenValues,
    .defaultValue = "off",
};

// The in-circuit debugger is bit 12 on the 16F91X and bit 13 on the 16F88X, active low.
constexpr ConfigValue kDebug91xValues[] = {
    {"off", 0x1000, "Disabled", "DebugOff", "OFF"},
    {"on", 0x0000, "Enabled", "DebugOn", "ON"},
};
constexpr ConfigValue kDebug88xValues[] = {
    {"off", 0x2000, "Disabled", "DebugOff", "OFF"},
    {"on", 0x0000, "Enabled", "DebugOn", "ON"},
};
constexpr ConfigField Debug(std::uint16_t mask, std::span<const ConfigValue> values) {
  return {.name = "debug",
          .mask = mask,
          .summaryMask = mask,
          .summaryCaption = "In-Circuit Debugger",
          .labels = {"In-Circuit", "Debugger"},
          .values = values,
          .defaultValue = "off"};
}

constexpr ConfigValue kLvpValues[] = {
    {"off", 0x0000, "Disabled", "LvpOff", "OFF"},
    {"on", 0x1000, "Enabled", "LvpOn", "ON"},
};
constexpr ConfigField kLvp{
    .name = "lvp",
    .mask = 0x1000,
    .summaryMask = 0x1000,
    .summaryCaption = "Low Voltage Programming",
    .labels = {"Low Voltage", "Programming"},
    .values = kLvpValues,
    .defaultValue = "off",
};

// The second word (0x2008): WRT1:WRT0 protect the lowest addresses from self-write, a range
// that depends on the part's size (the data sheets; Microchip's assembler headers). For the
// 16F882 the programming document (DS41287C Register 4-2) gives the 16F883/884's ranges
// instead; the headers and the data sheet agree on these. BOR4V chooses the brown-out voltage.
constexpr ConfigValue kWrt882Values[] = {
    {"off", 0x600, "Enable", "WrtOff", "OFF"},
    {"128", 0x400, "0000-007F Protected", "Wrt0000_007F", "0000h a 007Fh"},
    {"256", 0x200, "0000-00FF Protected", "Wrt0000_00FF", "0000h a 00FFh"},
    {"half", 0x000, "0000-03FF Protected", "Wrt0000_03FF", "0000h a 03FFh"},
};
constexpr ConfigValue kWrt883Values[] = {
    {"off", 0x600, "Enable", "WrtOff", "OFF"},
    {"256", 0x400, "0000-00FF Protected", "Wrt0000_00FF", "0000h a 00FFh"},
    {"quarter", 0x200, "0000-03FF Protected", "Wrt0000_03FF", "0000h a 03FFh"},
    {"half", 0x000, "0000-07FF Protected", "Wrt0000_07FF", "0000h a 07FFh"},
};
constexpr ConfigValue kWrt886Values[] = {
    {"off", 0x600, "Enable", "WrtOff", "OFF"},
    {"256", 0x400, "0000-00FF Protected", "Wrt0000_00FF", "0000h a 00FFh"},
    {"quarter", 0x200, "0000-07FF Protected", "Wrt0000_07FF", "0000h a 07FFh"},
    {"half", 0x000, "0000-0FFF Protected", "Wrt0000_0FFF", "0000h a 0FFFh"},
};
constexpr ConfigField Wrt(std::span<const ConfigValue> values) {
  return {.name = "wrt",
          .mask = 0x0600,
          .summaryMask = 0x0600,
          .summaryCaption = "Flash Program Memory Write",
          .labels = {"Flash Program", "Write Protect"},
          .values = values,
          .defaultValue = "off",
          .word = 1};
}

constexpr ConfigValue kBor4vValues[] = {
    {"21", 0x000, "2.1 V", "Bor21", "2,1 V"},
    {"40", 0x100, "4.0 V", "Bor40", "4,0 V"},
};
constexpr ConfigField kBor4v{
    .name = "bor4v",
    .mask = 0x0100,
    .summaryMask = 0x0100,
    .summaryCaption = "Brown-Out Reset Voltage",
    .labels = {"Brown-Out Reset", "Voltage"},
    .values = kBor4vValues,
    .defaultValue = "40",
    .word = 1,
};

// The 16F88X's fields, by part size: only the write-protect ranges differ.
constexpr std::array<ConfigField, 13> Fields88x(std::span<const ConfigValue> wrt) {
  return {kCp,      kCpd,   Debug(0x2000, kDebug88xValues),
          kLvp,     kFcmen, kIeso,
          kBoden,   kMclre, kPwrteBit4,
          kWdtBit3, kOsc,   Wrt(wrt),
          kBor4v};
}
constexpr auto kFields882 = Fields88x(kWrt882Values);
constexpr auto kFields883 = Fields88x(kWrt883Values);
constexpr auto kFields886 = Fields88x(kWrt886Values);
constexpr ConfigField kFields6xx[] = {kCp,    kCpd,       kFcmen,   kIeso, kBoden,
                                      kMclre, kPwrteBit4, kWdtBit3, kOsc};
constexpr ConfigField kFields91x[] = {
    kCp,      kCpd, Debug(0x1000, kDebug91xValues), kFcmen, kIeso, kBoden, kMclre, kPwrteBit4,
    kWdtBit3, kOsc};

// ---- Dialog placement: five columns of groups 120 wide on a 128 pitch ----

using Pair = std::array<ButtonPlace, 2>;
using Four = std::array<ButtonPlace, 4>;

constexpr int kUnder1 = 30;
constexpr int kUnder2 = 46;
constexpr int kTop = 84;
constexpr int kTall = 140;   // the top row: the oscillator and the stacks of four
constexpr int kShort = 104;  // the rows of ON/OFF pairs

constexpr Pair OnOff(std::string_view off, std::string_view on, int y) {
  return {{{off, {10, y, 48, 22}}, {on, {64, y, 52, 22}}}};
}
constexpr Four Stack(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                     int y) {
  return {{{a, {6, y, 112, 22}},
           {b, {6, y + 23, 112, 22}},
           {c, {6, y + 46, 112, 22}},
           {d, {6, y + 69, 112, 22}}}};
}
constexpr int Column(int i) { return 8 + i * 128; }
constexpr Box TopBox(int column) { return {Column(column), kTop, 120, kTall}; }
constexpr Box RowBox(int row, int column) {
  return {Column(column), kTop + kTall + 8 + row * (kShort + 8), 120, kShort};
}

// Crystal and external clock modes on the left, the internal oscillator and RC on the right.
constexpr ButtonPlace kOscButtons[] = {
    {"LP", {10, 26, 112, 22}},  {"IntoscIO", {128, 26, 116, 22}},
    {"XT", {10, 52, 112, 22}},  {"IntoscClkout", {128, 52, 116, 22}},
    {"HS", {10, 78, 112, 22}},  {"RcIO", {128, 78, 116, 22}},
    {"EC", {10, 104, 112, 22}}, {"RcClkout", {128, 104, 116, 22}},
};
constexpr Box kOscBox{Column(0), kTop, 248, kTall};
constexpr Four kBodenStack =
    Stack("BodenOn", "BodenNoSleep", "BodenSboren", "BodenOff", kUnder1 - 4);
constexpr Four kWrt882Stack =
    Stack("WrtOff", "Wrt0000_007F", "Wrt0000_00FF", "Wrt0000_03FF", kUnder2 - 4);
constexpr Four kWrt883Stack =
    Stack("WrtOff", "Wrt0000_00FF", "Wrt0000_03FF", "Wrt0000_07FF", kUnder2 - 4);
constexpr Four kWrt886Stack =
    Stack("WrtOff", "Wrt0000_00FF", "Wrt0000_07FF", "Wrt0000_0FFF", kUnder2 - 4);
constexpr Pair kCpPair = OnOff("CpOff", "CpOn", kUnder1);
constexpr Pair kCpdPair = OnOff("CpdOff", "CpdOn", kUnder2);
constexpr Pair kMclrePair = OnOff("MclreOff", "MclreOn", kUnder2);
constexpr Pair kPwrtePair = OnOff("PwrteOff", "PwrteOn", kUnder1);
constexpr Pair kWdtPair = OnOff("WdteOff", "WdteOn", kUnder1);
constexpr Pair kFcmenPair = OnOff("FcmenOff", "FcmenOn", kUnder2);
constexpr Pair kIesoPair = OnOff("IesoOff", "IesoOn", kUnder2);
constexpr Pair kDebugPair = OnOff("DebugOff", "DebugOn", kUnder2);
constexpr Pair kLvpPair = OnOff("LvpOff", "LvpOn", kUnder2);
constexpr Pair kBor4vPair = OnOff("Bor21", "Bor40", kUnder2);

// 16F88X: the oscillator, the brown-out and write-protect stacks and CP on top; two rows of
// five pairs under them, the second word's brown-out voltage last.
constexpr std::array<GroupPlace, 13> Groups88x(const Four& wrt) {
  return {{
      {"osc", kOscBox, kOscButtons},
      {"boden", TopBox(2), kBodenStack},
      {"wrt", TopBox(3), wrt},
      {"cp", TopBox(4), kCpPair},
      {"cpd", RowBox(0, 0), kCpdPair},
      {"mclre", RowBox(0, 1), kMclrePair},
      {"pwrte", RowBox(0, 2), kPwrtePair},
      {"wdt", RowBox(0, 3), kWdtPair},
      {"lvp", RowBox(0, 4), kLvpPair},
      {"fcmen", RowBox(1, 0), kFcmenPair},
      {"ieso", RowBox(1, 1), kIesoPair},
      {"debug", RowBox(1, 2), kDebugPair},
      {"bor4v", RowBox(1, 3), kBor4vPair},
  }};
}
constexpr auto kGroups882 = Groups88x(kWrt882Stack);
constexpr auto kGroups883 = Groups88x(kWrt883Stack);
constexpr auto kGroups886 = Groups88x(kWrt886Stack);

// 16F6XX and 16F91X: the oscillator, the brown-out stack, CP and CPD on top; the pairs under
// them, the 16F91X's debugger in a third row.
constexpr GroupPlace kGroups6xx[] = {
    {"osc", kOscBox, kOscButtons},       {"boden", TopBox(2), kBodenStack},
    {"cp", TopBox(3), kCpPair},          {"cpd", TopBox(4), kCpdPair},
    {"mclre", RowBox(0, 0), kMclrePair}, {"pwrte", RowBox(0, 1), kPwrtePair},
    {"wdt", RowBox(0, 2), kWdtPair},     {"fcmen", RowBox(0, 3), kFcmenPair},
    {"ieso", RowBox(0, 4), kIesoPair},
};
constexpr GroupPlace kGroups91x[] = {
    {"osc", kOscBox, kOscButtons},       {"boden", TopBox(2), kBodenStack},
    {"cp", TopBox(3), kCpPair},          {"cpd", TopBox(4), kCpdPair},
    {"mclre", RowBox(0, 0), kMclrePair}, {"pwrte", RowBox(0, 1), kPwrtePair},
    {"wdt", RowBox(0, 2), kWdtPair},     {"fcmen", RowBox(0, 3), kFcmenPair},
    {"ieso", RowBox(0, 4), kIesoPair},   {"debug", RowBox(1, 2), kDebugPair},
};

constexpr int kWidth = 648;
// The rows, then the "Guardar Configuración" button.
constexpr int Height(int rows) { return kTop + kTall + rows * (kShort + 8) + 50; }
constexpr Box kShape{(kWidth - 340) / 2, 42, 340, 32};

}  // namespace

constexpr ConfigLayout kLayout16F882{
    kFields882, {"frmConfigPic16F882", "PIC 16F882", kWidth, Height(2), kShape, kGroups882}};
constexpr ConfigLayout kLayout16F883{
    kFields883, {"frmConfigPic16F883_4", "PIC 16F883 / 84", kWidth, Height(2), kShape, kGroups883}};
constexpr ConfigLayout kLayout16F886{
    kFields886, {"frmConfigPic16F886_7", "PIC 16F886 / 87", kWidth, Height(2), kShape, kGroups886}};
constexpr ConfigLayout kLayout16F6XX{
    kFields6xx,
    {"frmConfigPic16F6XX", "PIC 16F631 / 77 / 84 / 85 / 87 / 88 / 89 / 90, 12F683", kWidth,
     Height(1), kShape, kGroups6xx}};
constexpr ConfigLayout kLayout16F91X{
    kFields91x,
    {"frmConfigPic16F91X", "PIC 16F913 / 14 / 16 / 17", kWidth, Height(2), kShape, kGroups91x}};

}  // namespace daxwel
