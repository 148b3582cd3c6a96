#pragma once

#include <cstdint>
#include <string>

#include "device/algorithm.h"
#include "device/outcome.h"
#include "device/program_plan.h"
#include "device/session.h"
#include "image/hex_image.h"

namespace daxwel::detail {

// Whether the configuration word a program pass writes keeps this adapter out of programming
// mode once written: the part runs its own code before VPP comes, and an adapter that keeps
// VDD on cannot bring VPP first.
bool LocksOutAdapter(const Session& s, std::uint16_t config);

// The end of a program pass whose configuration locks the adapter out, once program memory
// and the data EEPROM are written: both read back whole, the IDs written and read back, then
// the configuration words written last, in one entry, each read back before programming mode
// is left. Ok (programming mode left), or failed with the message for the first difference
// (still in it, for the message).
Outcome WriteLockingConfigLast(Session& s, const HexImage& image, const ProgramPlan& plan,
                               const ConfigMemoryWant& written);

// What the user is told after such a pass: this adapter will not reach the part again.
std::string LockoutNote();

}  // namespace daxwel::detail
