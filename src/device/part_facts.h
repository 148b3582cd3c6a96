#pragma once

// What the parts table says of one part, as `parts` lists it and the window's model list
// shows it: one source for both.

#include <string>
#include <vector>

#include "device/catalogue.h"

namespace daxwel {

// The column names of `parts`, and one part's columns in that order ("?" where unknown).
const std::vector<std::string>& PartFactHeader();
std::vector<std::string> PartFactFields(const DeviceModel& model);

// The same facts as labelled Spanish lines, for a tooltip.
std::string PartFactsText(const DeviceModel& model);

}  // namespace daxwel
