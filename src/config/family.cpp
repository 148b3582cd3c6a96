#include "config/family.h"

namespace daxwel {

std::optional<Family> FamilyOfIndex(int modelIndex) {
  switch (modelIndex) {
    case 1:
      return Family::F84;
    case 2:
    case 3:
    case 4:
      return Family::F870;
    case 5:
    case 6:
      return Family::F873;
    case 7:
    case 8:
      return Family::F876;
    case 9:
    case 10:
    case 11:
    case 12:
      return Family::F87XA;
    case 13:
    case 14:
    case 15:
      return Family::F62XA;
    default:
      return std::nullopt;
  }
}

}  // namespace daxwel
