// The parts the simulator knows: every row of the parts table whose family has a chip model,
// each family's model registered from its own chip_*.cpp.

#include <cctype>
#include <map>
#include <stdexcept>
#include <string>

#include "sim/chip.h"

namespace daxwel::sim {

void RegisterEveryChip(ChipAdder add);

namespace {

std::map<std::string, ChipFamily, std::less<>>& Registered() {
  static std::map<std::string, ChipFamily, std::less<>> families;
  return families;
}

void AddChipFamily(std::string_view key, const ChipFamily& family) {
  Registered().emplace(std::string(key), family);
}

const ChipFamily* ChipFamilyOf(const DeviceModel& row) {
  static const bool registered = [] {
    RegisterEveryChip(AddChipFamily);
    return true;
  }();
  (void)registered;
  const auto found = Registered().find(row.familyKey);
  return found == Registered().end() ? nullptr : &found->second;
}

// A silicon revision in the bits the device ID leaves to it (bits 3:0 are that on every
// part), never 0, as real parts carry one.
std::uint16_t Revision(const DeviceModel& row) {
  return static_cast<std::uint16_t>(1 + (row.deviceId >> 5) % 15);
}

}  // namespace

PartInfo PartFromRow(const DeviceModel& row, std::string_view name) {
  PartInfo part;
  part.name = name;
  part.familyKey = row.familyKey;
  part.programWords = row.programWords;
  part.eepromBytes = row.eepromBytes;
  part.deviceId =
      name == row.noIdName ? 0 : static_cast<std::uint16_t>(row.deviceId | Revision(row));
  return part;
}

const PartInfo& PartOf(const SimModel& model) {
  static std::map<std::string, PartInfo, std::less<>> parts;
  auto found = parts.find(model.Name());
  if (found == parts.end()) {
    const ChipFamily* family = ChipFamilyOf(model.Row());
    found = parts.emplace(std::string(model.Name()), family->part(model.Row(), model.Name())).first;
  }
  return found->second;
}

std::unique_ptr<Chip> MakeChip(const SimModel& model, Faults& faults, SimStats& stats,
                               ViolationLog& log) {
  return ChipFamilyOf(model.Row())->make(PartOf(model), faults, stats, log);
}

SimModel::SimModel(std::string_view name) : row_(nullptr) {
  const auto model = ParseSimModel(name);
  if (!model) throw std::invalid_argument("no simulated part " + std::string(name));
  *this = *model;
}

std::optional<SimModel> ParseSimModel(std::string_view text) {
  std::string upper;
  for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string_view name = upper;
  if (name.substr(0, 3) == "PIC") name.remove_prefix(3);
  for (const DeviceModel& row : Catalogue()) {
    if (ChipFamilyOf(row) == nullptr) continue;
    if (name == row.modelName) return SimModel(&row, row.modelName);
    for (std::string_view alias : row.aliases) {
      if (name == alias) return SimModel(&row, alias);
    }
  }
  return std::nullopt;
}

std::string_view SimModelName(const SimModel& model) { return model.Name(); }

std::vector<std::string_view> SimModelNames() {
  std::vector<std::string_view> names;
  for (const DeviceModel& row : Catalogue()) {
    if (ChipFamilyOf(row) == nullptr) continue;
    names.push_back(row.modelName);
    names.insert(names.end(), row.aliases.begin(), row.aliases.end());
  }
  return names;
}

bool KeepsConfigFault(const SimModel& model) { return ChipFamilyOf(model.Row())->keepsConfig; }

std::string ChipFaultProblem(const SimModel& model, const Faults& faults) {
  const ChipFamily* family = ChipFamilyOf(model.Row());
  return family->faultProblem == nullptr ? std::string() : family->faultProblem(faults);
}

}  // namespace daxwel::sim
