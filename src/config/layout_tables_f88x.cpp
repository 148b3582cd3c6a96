// The configuration layouts of the 16F88X (two words), the 16F6XX with the 12F683, and the
// 16F91X. Their bits differ from every older part's: CP is bit 6, CPD bit 7, PWRTE bit 4, WDTE
// bit 3, and the oscillator takes bits 2-0.
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

constexpr ConfigField kCp = Cp(0x0040);
constexpr ConfigField kCpd = Cpd(0x0080);
constexpr ConfigField kLvp = Lvp(0x1000);

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

constexpr ConfigField kIeso =
    ActiveHigh("ieso", 0x0400, "Internal External Switchover", {"Internal External", "Switchover"},
               kDisabled, {"IesoOff", "IesoOn"});
constexpr ConfigField kFcmen =
    ActiveHigh("fcmen", 0x0800, "Fail-Safe Clock Monitor", {"Fail-Safe Clock", "Monitor"},
               kDisabled, {"FcmenOff", "FcmenOn"});

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

// The 16F88X's fields, by part size: only the write-protect ranges differ. Their debugger is
// bit 13, the 16F91X's bit 12.
constexpr std::array<ConfigField, 13> Fields88x(std::span<const ConfigValue> wrt) {
  return {kCp,    kCpd,       Debug(0x2000), kLvp, kFcmen,   kIeso, kBoden,
          kMclre, kPwrteBit4, kWdtBit3,      kOsc, Wrt(wrt), kBor4v};
}
constexpr auto kFields882 = Fields88x(kWrt882Values);
constexpr auto kFields883 = Fields88x(kWrt883Values);
constexpr auto kFields886 = Fields88x(kWrt886Values);
constexpr ConfigField kFields6xx[] = {kCp,    kCpd,       kFcmen,   kIeso, kBoden,
                                      kMclre, kPwrteBit4, kWdtBit3, kOsc};
constexpr ConfigField kFields91x[] = {kCp,    kCpd,   Debug(0x1000), kFcmen,   kIeso,
                                      kBoden, kMclre, kPwrteBit4,    kWdtBit3, kOsc};

}  // namespace

constexpr ConfigLayout kLayout16F882{kFields882};
constexpr ConfigLayout kLayout16F883{kFields883};
constexpr ConfigLayout kLayout16F886{kFields886};
constexpr ConfigLayout kLayout16F6XX{kFields6xx};
constexpr ConfigLayout kLayout16F91X{kFields91x};

}  // namespace daxwel
