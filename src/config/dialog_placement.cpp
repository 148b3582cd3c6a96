// Where the older parts' configuration dialogs put their groups and buttons.
#include "config/dialog_placement.h"

#include <array>
#include <iterator>
#include <span>
#include <vector>

namespace daxwel {

namespace {

using namespace placement;

// Buttons under three label lines.
constexpr int kUnder3 = 62;

// RC and XT above HS and LP.
constexpr Four kOsc4{{{"RC", {10, 30, 48, 22}},
                      {"XT", {64, 30, 52, 22}},
                      {"HS", {10, 58, 48, 22}},
                      {"LP", {64, 58, 52, 22}}}};
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

// 16F87X: a 2 x 4 grid, groups 130 high on top and 104 below.
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

constexpr GroupPlace kGroups62xa[] = {
    {"osc", {Column(0), kTopRow, 248, 140}, kEightOscillators},
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
    {"osc", {Column(0), kTopRow, 248, 140}, kEightOscillators},
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

// The nine groups every one of these layouts has, then its own bottom row.
template <std::size_t N>
constexpr std::array<GroupPlace, 9 + N> Grid81x(std::span<const ButtonPlace> wrt,
                                                const std::array<GroupPlace, N>& bottom) {
  std::array<GroupPlace, 9 + N> groups{{{"osc", {Column(0), kTopRow, 248, 140}, kEightOscillators},
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

// Client areas are the design's twips / 15: 5160 x 5610 and 7800 x 5565.
constexpr DialogPlacement kPlacements[] = {
    {&kLayout16F84, "frmConfigPic16F84", "PIC 16F84", 344, 374, {16, 42, 312, 32}, kGroups84},
    {&kLayout16F870, "frmConfigPic16F870_1_2", "PIC 16F870 / 71 / 72", 520, 371, Shape(520),
     kGroups870},
    {&kLayout16F873, "frmConfigPic16F873_4", "PIC 16F873 / 74", 520, 371, Shape(520), kGroups873},
    {&kLayout16F876, "frmConfigPic16F876_7", "PIC 16F876 / 77", 520, 371, Shape(520), kGroups876},
    {&kLayout16F87XA, "frmConfigPic16F87XA", "PIC 16F873A / 74A / 76A / 77A", 648, 381, Shape(648),
     kGroups87xa},
    {&kLayout16F62XA, "frmConfigPic16F62XA", "PIC 16F627A / 28A / 48A", 648, 381, Shape(648),
     kGroups62xa},
    {&kLayout16F88, "frmConfigPic16F87_88", "PIC 16F87 / 88", 648, kHeight81x, Shape(648),
     kGroups88},
    {&kLayout16F818, "frmConfigPic16F818", "PIC 16F818", 648, kHeight81x, Shape(648), kGroups818},
    {&kLayout16F819, "frmConfigPic16F819", "PIC 16F819", 648, kHeight81x, Shape(648), kGroups819},
    {&kLayout12F675, "frmConfigPic12F675", "PIC 12F629 / 75, 16F630 / 76", 520, 381, Shape(520),
     kGroups675},
};

}  // namespace

void RegisterPlacements_dialog_placement(PlacementAdder add) {
  add({std::begin(kPlacements), std::end(kPlacements)});
}

const DialogPlacement* FindPlacement(const ConfigLayout& layout) {
  static const std::vector<std::span<const DialogPlacement>> every = [] {
    static std::vector<std::span<const DialogPlacement>> found;
    RegisterEveryPlacement([](std::span<const DialogPlacement> p) { found.push_back(p); });
    return found;
  }();
  for (const auto placements : every) {
    for (const DialogPlacement& placement : placements) {
      if (placement.layout == &layout) return &placement;
    }
  }
  return nullptr;
}

}  // namespace daxwel
