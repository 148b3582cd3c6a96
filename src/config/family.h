#pragma once

#include <array>
#include <optional>

namespace daxwel {

// Models that share one configuration dialog and one configuration-word layout. New families
// go at the end so the values of the older ones never change.
enum class Family { F84, F870, F873, F876, F87XA, F62XA };

inline constexpr std::array<Family, 6> kFamilies{Family::F84,  Family::F870,  Family::F873,
                                                 Family::F876, Family::F87XA, Family::F62XA};

// Model index (1..15 of the model list) to family; 0 and anything else have none.
std::optional<Family> FamilyOfIndex(int modelIndex);

}  // namespace daxwel
