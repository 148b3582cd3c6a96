#pragma once

#include <array>
#include <span>
#include <string_view>

#include "config/layout.h"

namespace daxwel {

// Where a layout's dialog puts its title, its check box and a group per field, in
// device-independent pixels.

struct Box {
  int x, y, width, height;
};

struct ButtonPlace {
  std::string_view button;  // a value's button
  Box box;                  // within its group
};

struct GroupPlace {
  std::string_view field;
  Box frame;
  std::span<const ButtonPlace> buttons;  // in the order they are made
};

struct DialogPlacement {
  const ConfigLayout* layout;
  std::string_view objectName;  // "frmConfigPic16F84"
  std::string_view title;       // the bold title label
  int width, height;            // client area
  Box shape;                    // the rectangle around the "from file" check box
  std::span<const GroupPlace> groups;
};

// The shapes both files of placements are made of.
namespace placement {

using Pair = std::array<ButtonPlace, 2>;
using Four = std::array<ButtonPlace, 4>;

// Buttons start under one or two label lines; a stack of four starts 4 higher.
constexpr int kUnder1 = 30;
constexpr int kUnder2 = 46;

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

// Groups 120 wide on a 128 pitch, the first row under the check box.
constexpr int Column(int i) { return 8 + i * 128; }
constexpr int kTopRow = 84;
// The check box's rectangle, centred in the window.
constexpr Box Shape(int width) { return {(width - 340) / 2, 42, 340, 32}; }

// Eight oscillators two columns wide: crystal and external clock modes on the left, the
// internal oscillator and RC on the right, made row by row.
inline constexpr ButtonPlace kEightOscillators[] = {
    {"LP", {10, 26, 112, 22}},  {"IntoscIO", {128, 26, 116, 22}},
    {"XT", {10, 52, 112, 22}},  {"IntoscClkout", {128, 52, 116, 22}},
    {"HS", {10, 78, 112, 22}},  {"RcIO", {128, 78, 116, 22}},
    {"EC", {10, 104, 112, 22}}, {"RcClkout", {128, 104, 116, 22}},
};
inline constexpr Pair kCpOnOff = OnOff("CpOff", "CpOn", kUnder1);
inline constexpr Pair kCpdOnOff = OnOff("CpdOff", "CpdOn", kUnder2);
inline constexpr Pair kLvpOnOff = OnOff("LvpOff", "LvpOn", kUnder2);
inline constexpr Pair kWdtOnOff = OnOff("WdteOff", "WdteOn", kUnder1);
inline constexpr Pair kPwrteOnOff = OnOff("PwrteOff", "PwrteOn", kUnder1);
inline constexpr Pair kMclreOnOff = OnOff("MclreOff", "MclreOn", kUnder2);
inline constexpr Pair kDebugOnOff = OnOff("DebugOff", "DebugOn", kUnder2);
inline constexpr Pair kIesoOnOff = OnOff("IesoOff", "IesoOn", kUnder2);
inline constexpr Pair kFcmenOnOff = OnOff("FcmenOff", "FcmenOn", kUnder2);

}  // namespace placement

// Each dialog_placement*.cpp file hands its dialogs to RegisterPlacements_<file>(); the build
// writes the list of those calls, so a new file of placements is found by being there.
using PlacementAdder = void (*)(std::span<const DialogPlacement> placements);
void RegisterEveryPlacement(PlacementAdder add);

// nullptr for a layout no dialog places.
const DialogPlacement* FindPlacement(const ConfigLayout& layout);

}  // namespace daxwel
