#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "device/algorithm.h"
#include "device/factory_bits.h"

namespace daxwel::detail {

// What a program pass found on the chip, what it leaves there, and how it gets there.
struct ProgramPlan {
  // Program words from address 0: the file's up to its last address, then (erase first
  // only) what the chip held after it, so nothing outside the file is lost.
  std::vector<std::uint16_t> want;
  std::vector<std::uint16_t> have;
  // Configuration memory (the IDs, configuration and calibration words) as ReadIdsAndConfig
  // reads it; only the IDs and configuration words of `wantConfig` are written.
  ConfigMemory wantConfig = ErasedConfigMemory();
  ConfigMemory haveConfig = ErasedConfigMemory();
  bool eraseFirst = false;
  // Chip time of each path, for the report; nothing when the in-place path would need a
  // write the family cannot make.
  std::optional<std::chrono::microseconds> inPlaceTime;
  std::chrono::microseconds eraseFirstTime{0};
};

// Reads program memory up to the file's last address (or the last with factory bits) and
// configuration memory, puts the factory's bits in place of the file's, keeps the IDs the file
// does not decide, and chooses the cheaper of writing in place and erasing program memory first
// (forced when a word must change that the family cannot rewrite in place). For erase first it also
// reads the rest of program memory. Leaves a fresh entry at 0.
ProgramPlan PlanProgram(Session& s, const HexImage& image, const ConfigMemory& wantConfig,
                        const FactoryBits& factory, const ShowAddress& show);

// Carries out the plan's erase, if any, and marks what it cleared as erased.
void EraseForPlan(Session& s, ProgramPlan& plan);

// "en el lugar" or "borrando primero", with the two times, for a report line.
std::string DescribePlan(const ProgramPlan& plan);

}  // namespace daxwel::detail
