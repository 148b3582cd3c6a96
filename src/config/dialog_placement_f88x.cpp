// Where the 16F88X, 16F6XX and 16F91X configuration dialogs put their groups and buttons.
#include <array>
#include <span>

#include "config/dialog_placement.h"

namespace daxwel {

namespace {

// Five columns of groups 120 wide on a 128 pitch.
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

constexpr DialogPlacement kPlacements[] = {
    {&kLayout16F882, "frmConfigPic16F882", "PIC 16F882", kWidth, Height(2), kShape, kGroups882},
    {&kLayout16F883, "frmConfigPic16F883_4", "PIC 16F883 / 84", kWidth, Height(2), kShape,
     kGroups883},
    {&kLayout16F886, "frmConfigPic16F886_7", "PIC 16F886 / 87", kWidth, Height(2), kShape,
     kGroups886},
    {&kLayout16F6XX, "frmConfigPic16F6XX", "PIC 16F631 / 77 / 84 / 85 / 87 / 88 / 89 / 90, 12F683",
     kWidth, Height(1), kShape, kGroups6xx},
    {&kLayout16F91X, "frmConfigPic16F91X", "PIC 16F913 / 14 / 16 / 17", kWidth, Height(2), kShape,
     kGroups91x},
};

}  // namespace

std::span<const DialogPlacement> F88xPlacements() { return kPlacements; }

}  // namespace daxwel
