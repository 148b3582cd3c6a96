// Where the 16F627/628, 16F716, 16F7X, 12F61X and 12F752 configuration dialogs put their
// groups and buttons.
#include <array>
#include <iterator>
#include <span>

#include "config/dialog_placement.h"

namespace daxwel {

extern const ConfigLayout kLayout16F627;
extern const ConfigLayout kLayout16F628;
extern const ConfigLayout kLayout16F716;
extern const ConfigLayout kLayout16F7X;
extern const ConfigLayout kLayout12F61X;
extern const ConfigLayout kLayout12F617;
extern const ConfigLayout kLayout12F752;

namespace {

// Groups 120 wide on a 128 pitch: a top row 140 high, a row of pairs 104 high under it.
using Pair = std::array<ButtonPlace, 2>;

constexpr int kUnder1 = 30;
constexpr int kUnder2 = 46;
constexpr int kTop = 84;
constexpr int kTall = 140;
constexpr int kShort = 104;
constexpr int kWidth = 648;

constexpr Pair OnOff(std::string_view off, std::string_view on, int y) {
  return {{{off, {10, y, 48, 22}}, {on, {64, y, 52, 22}}}};
}
// One button per line from `y`, 23 apart.
template <std::size_t N>
constexpr std::array<ButtonPlace, N> Stack(const std::array<std::string_view, N>& names, int y) {
  std::array<ButtonPlace, N> buttons{};
  for (std::size_t i = 0; i < N; ++i) {
    buttons[i] = {names[i], {6, y + 23 * static_cast<int>(i), 112, 22}};
  }
  return buttons;
}
constexpr int Column(int i) { return 8 + i * 128; }
constexpr Box TopBox(int column) { return {Column(column), kTop, 120, kTall}; }
// The row under the top one, four groups centred.
constexpr Box RowBox(int column) { return {Column(column) + 64, kTop + kTall + 8, 120, kShort}; }
constexpr int kHeight = kTop + kTall + 8 + kShort + 45;
constexpr Box kShape{(kWidth - 340) / 2, 42, 340, 32};

// Crystal and external clock modes on the left, the internal oscillator and RC on the right.
constexpr ButtonPlace kOsc8Buttons[] = {
    {"LP", {10, 26, 112, 22}},  {"IntoscIO", {128, 26, 116, 22}},
    {"XT", {10, 52, 112, 22}},  {"IntoscClkout", {128, 52, 116, 22}},
    {"HS", {10, 78, 112, 22}},  {"RcIO", {128, 78, 116, 22}},
    {"EC", {10, 104, 112, 22}}, {"RcClkout", {128, 104, 116, 22}},
};
constexpr Box kOsc8Box{Column(0), kTop, 248, kTall};

constexpr Pair kCpdPair = OnOff("CpdOff", "CpdOn", kUnder2);
constexpr Pair kLvpPair = OnOff("LvpOff", "LvpOn", kUnder2);
constexpr Pair kWdtPair = OnOff("WdteOff", "WdteOn", kUnder1);
constexpr Pair kPwrtePair = OnOff("PwrteOff", "PwrteOn", kUnder1);
constexpr Pair kBodenPair = OnOff("BodenOff", "BodenOn", kUnder1);
constexpr Pair kMclrePair = OnOff("MclreOff", "MclreOn", kUnder2);

// 16F627/628: the 16F62XA's window, the code-protection ranges stacked.
constexpr auto kCp627Stack = Stack<3>({"CpOff", "Cp0200_03FF", "Cp0000_03FF"}, kUnder1 - 4);
constexpr auto kCp628Stack =
    Stack<4>({"CpOff", "Cp0400_07FF", "Cp0200_07FF", "Cp0000_07FF"}, kUnder1 - 4);
constexpr std::array<GroupPlace, 8> Groups627(std::span<const ButtonPlace> cp) {
  return {{{"osc", kOsc8Box, kOsc8Buttons},
           {"cp", TopBox(2), cp},
           {"cpd", TopBox(3), kCpdPair},
           {"lvp", TopBox(4), kLvpPair},
           {"wdt", RowBox(0), kWdtPair},
           {"pwrte", RowBox(1), kPwrtePair},
           {"boden", RowBox(2), kBodenPair},
           {"mclre", RowBox(3), kMclrePair}}};
}
constexpr auto kGroups627 = Groups627(kCp627Stack);
constexpr auto kGroups628 = Groups627(kCp628Stack);

// 16F716: the four oscillators, CP and the brown-out voltage on top, three pairs under them.
constexpr std::array<ButtonPlace, 4> kOsc4{{{"RC", {10, 30, 48, 22}},
                                            {"XT", {64, 30, 52, 22}},
                                            {"HS", {10, 58, 48, 22}},
                                            {"LP", {64, 58, 52, 22}}}};
constexpr Pair kCpPair = OnOff("CpOff", "CpOn", kUnder1);
constexpr Pair kBorvPair = OnOff("Bor25", "Bor40", kUnder2);
constexpr Box Row716(int column) { return {Column(column), kTop + kTall + 8, 120, kShort}; }
constexpr GroupPlace kGroups716[] = {
    {"osc", TopBox(0), kOsc4},        {"cp", TopBox(1), kCpPair},
    {"borv", TopBox(2), kBorvPair},   {"boden", Row716(0), kBodenPair},
    {"pwrte", Row716(1), kPwrtePair}, {"wdt", Row716(2), kWdtPair},
};
// 16F7X: the same without the brown-out voltage; CP beside the oscillators.
constexpr GroupPlace kGroups7X[] = {
    {"osc", TopBox(0), kOsc4},        {"cp", TopBox(1), kCpPair},
    {"boden", Row716(0), kBodenPair}, {"pwrte", Row716(1), kPwrtePair},
    {"wdt", Row716(2), kWdtPair},
};
constexpr int kWidth716 = 392;
constexpr Box kShape716{(kWidth716 - 340) / 2, 42, 340, 32};

// 12F61X: the oscillators, the brown-out stack and CP on top, the pairs under them; the
// 12F617's write protection in the last top place.
constexpr auto kBoden61xStack = Stack<3>({"BodenOn", "BodenNoSleep", "BodenOff"}, kUnder1 - 4);
constexpr Pair kIoscfsPair = OnOff("Ioscfs4", "Ioscfs8", kUnder2);
constexpr auto kWrt617Stack = Stack<2>({"WrtOff", "WrtHalf"}, kUnder2 - 4);
constexpr GroupPlace kGroups61x[] = {
    {"osc", kOsc8Box, kOsc8Buttons},  {"boden", TopBox(2), kBoden61xStack},
    {"cp", TopBox(3), kCpPair},       {"ioscfs", TopBox(4), kIoscfsPair},
    {"mclre", RowBox(0), kMclrePair}, {"pwrte", RowBox(1), kPwrtePair},
    {"wdt", RowBox(2), kWdtPair},
};
constexpr GroupPlace kGroups617[] = {
    {"osc", kOsc8Box, kOsc8Buttons},  {"boden", TopBox(2), kBoden61xStack},
    {"cp", TopBox(3), kCpPair},       {"ioscfs", TopBox(4), kIoscfsPair},
    {"mclre", RowBox(0), kMclrePair}, {"pwrte", RowBox(1), kPwrtePair},
    {"wdt", RowBox(2), kWdtPair},     {"wrt", RowBox(3), kWrt617Stack},
};

// 12F752: the two oscillators, brown-out, CP, the write-protection stack and CLKOUT on top,
// the pairs under them.
constexpr auto kOsc752Stack = Stack<2>({"IntoscIO", "EC"}, kUnder1 - 4);
constexpr auto kWrt752Stack = Stack<4>({"WrtOff", "WrtQuarter", "WrtHalf", "WrtAll"}, kUnder1 - 4);
constexpr Pair kClkoutPair = OnOff("ClkoutOff", "ClkoutOn", kUnder1);
constexpr GroupPlace kGroups752[] = {
    {"osc", TopBox(0), kOsc752Stack},     {"boden", TopBox(1), kBoden61xStack},
    {"cp", TopBox(2), kCpPair},           {"wrt", TopBox(3), kWrt752Stack},
    {"clkouten", TopBox(4), kClkoutPair}, {"mclre", RowBox(0), kMclrePair},
    {"pwrte", RowBox(1), kPwrtePair},     {"wdt", RowBox(2), kWdtPair},
};

constexpr DialogPlacement kPlacements[] = {
    {&kLayout16F627, "frmConfigPic16F627", "PIC 16F627", kWidth, kHeight, kShape, kGroups627},
    {&kLayout16F628, "frmConfigPic16F628", "PIC 16F628", kWidth, kHeight, kShape, kGroups628},
    {&kLayout16F716, "frmConfigPic16F716", "PIC 16F716", kWidth716, kHeight, kShape716, kGroups716},
    {&kLayout16F7X, "frmConfigPic16F7X", "PIC 16F72 / 73 / 74 / 76 / 77", kWidth716, kHeight,
     kShape716, kGroups7X},
    {&kLayout12F61X, "frmConfigPic12F61X",
     "PIC 12F609 / 15, 16F610 / 16, 12HV609 / 15, 16HV610 / 16", kWidth, kHeight, kShape,
     kGroups61x},
    {&kLayout12F617, "frmConfigPic12F617", "PIC 12F617", kWidth, kHeight, kShape, kGroups617},
    {&kLayout12F752, "frmConfigPic12F752", "PIC 12F752, 12HV752", kWidth, kHeight, kShape,
     kGroups752},
};

}  // namespace

void RegisterPlacements_dialog_placement_reach(PlacementAdder add) {
  add({std::begin(kPlacements), std::end(kPlacements)});
}

}  // namespace daxwel
