#include "config/family.h"

namespace daxwel {

namespace {

// Position k holds the family of model list index k + 1.
constexpr std::array kFamilyOfIndex{
    Family::F84,                                                 // 16F84/84A
    Family::F870,  Family::F870,  Family::F870,                  // 16F870, 871, 872
    Family::F873,  Family::F873,                                 // 16F873, 874
    Family::F876,  Family::F876,                                 // 16F876, 877
    Family::F87XA, Family::F87XA, Family::F87XA, Family::F87XA,  // 16F873A, 874A, 876A, 877A
    Family::F62XA, Family::F62XA, Family::F62XA,                 // 16F627A, 628A, 648A
};

}  // namespace

std::optional<Family> FamilyOfIndex(int modelIndex) {
  if (modelIndex < 1 || modelIndex > static_cast<int>(kFamilyOfIndex.size())) return std::nullopt;
  return kFamilyOfIndex[static_cast<std::size_t>(modelIndex - 1)];
}

}  // namespace daxwel
