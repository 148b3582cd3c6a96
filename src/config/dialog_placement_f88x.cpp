// Where the 16F88X, 16F6XX and 16F91X configuration dialogs put their groups and buttons.
#include <array>
#include <iterator>
#include <span>

#include "config/dialog_placement.h"

namespace daxwel {

namespace {

using namespace placement;

constexpr int kTall = 140;   // the top row: the oscillator and the stacks of four
constexpr int kShort = 104;  // the rows of ON/OFF pairs

constexpr Box TopBox(int column) { return {Column(column), kTopRow, 120, kTall}; }
constexpr Box RowBox(int row, int column) {
  return {Column(column), kTopRow + kTall + 8 + row * (kShort + 8), 120, kShort};
}

constexpr Box kOscBox{Column(0), kTopRow, 248, kTall};
constexpr Four kBodenStack =
    Stack("BodenOn", "BodenNoSleep", "BodenSboren", "BodenOff", kUnder1 - 4);
constexpr Four kWrt882Stack =
    Stack("WrtOff", "Wrt0000_007F", "Wrt0000_00FF", "Wrt0000_03FF", kUnder2 - 4);
constexpr Four kWrt883Stack =
    Stack("WrtOff", "Wrt0000_00FF", "Wrt0000_03FF", "Wrt0000_07FF", kUnder2 - 4);
constexpr Four kWrt886Stack =
    Stack("WrtOff", "Wrt0000_00FF", "Wrt0000_07FF", "Wrt0000_0FFF", kUnder2 - 4);
constexpr Pair kBor4vOnOff = OnOff("Bor21", "Bor40", kUnder2);

// 16F88X: the oscillator, the brown-out and write-protect stacks and CP on top; two rows of
// five pairs under them, the second word's brown-out voltage last.
constexpr std::array<GroupPlace, 13> Groups88x(const Four& wrt) {
  return {{
      {"osc", kOscBox, kEightOscillators},
      {"boden", TopBox(2), kBodenStack},
      {"wrt", TopBox(3), wrt},
      {"cp", TopBox(4), kCpOnOff},
      {"cpd", RowBox(0, 0), kCpdOnOff},
      {"mclre", RowBox(0, 1), kMclreOnOff},
      {"pwrte", RowBox(0, 2), kPwrteOnOff},
      {"wdt", RowBox(0, 3), kWdtOnOff},
      {"lvp", RowBox(0, 4), kLvpOnOff},
      {"fcmen", RowBox(1, 0), kFcmenOnOff},
      {"ieso", RowBox(1, 1), kIesoOnOff},
      {"debug", RowBox(1, 2), kDebugOnOff},
      {"bor4v", RowBox(1, 3), kBor4vOnOff},
  }};
}
constexpr auto kGroups882 = Groups88x(kWrt882Stack);
constexpr auto kGroups883 = Groups88x(kWrt883Stack);
constexpr auto kGroups886 = Groups88x(kWrt886Stack);

// 16F6XX and 16F91X: the oscillator, the brown-out stack, CP and CPD on top; the pairs under
// them, the 16F91X's debugger in a third row.
constexpr GroupPlace kGroups6xx[] = {
    {"osc", kOscBox, kEightOscillators},  {"boden", TopBox(2), kBodenStack},
    {"cp", TopBox(3), kCpOnOff},          {"cpd", TopBox(4), kCpdOnOff},
    {"mclre", RowBox(0, 0), kMclreOnOff}, {"pwrte", RowBox(0, 1), kPwrteOnOff},
    {"wdt", RowBox(0, 2), kWdtOnOff},     {"fcmen", RowBox(0, 3), kFcmenOnOff},
    {"ieso", RowBox(0, 4), kIesoOnOff},
};
constexpr GroupPlace kGroups91x[] = {
    {"osc", kOscBox, kEightOscillators},  {"boden", TopBox(2), kBodenStack},
    {"cp", TopBox(3), kCpOnOff},          {"cpd", TopBox(4), kCpdOnOff},
    {"mclre", RowBox(0, 0), kMclreOnOff}, {"pwrte", RowBox(0, 1), kPwrteOnOff},
    {"wdt", RowBox(0, 2), kWdtOnOff},     {"fcmen", RowBox(0, 3), kFcmenOnOff},
    {"ieso", RowBox(0, 4), kIesoOnOff},   {"debug", RowBox(1, 2), kDebugOnOff},
};

constexpr int kWidth = 648;
// The rows, then the "Guardar Configuración" button.
constexpr int Height(int rows) { return kTopRow + kTall + rows * (kShort + 8) + 50; }
constexpr Box kShape = Shape(kWidth);

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

void RegisterPlacements_dialog_placement_f88x(PlacementAdder add) {
  add({std::begin(kPlacements), std::end(kPlacements)});
}

}  // namespace daxwel
