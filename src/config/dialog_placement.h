#pragma once

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

// The dialogs of the older parts, of the 16F88X, 16F6XX and 16F91X, and of the 16F627/628,
// 16F716 and 12F61X, each in its own file.
std::span<const DialogPlacement> ClassicPlacements();
std::span<const DialogPlacement> F88xPlacements();
std::span<const DialogPlacement> ReachPlacements();

// nullptr for a layout no dialog places.
const DialogPlacement* FindPlacement(const ConfigLayout& layout);

}  // namespace daxwel
