#pragma once

#include <optional>

namespace daxwel {

// Models that share one configuration dialog and one configuration-word layout.
enum class Family { F84, F870, F873, F876, F87XA, F62XA };

// Model index (1..15 of the model list) to family; 0 and anything else have none.
std::optional<Family> FamilyOfIndex(int modelIndex);

}  // namespace daxwel
