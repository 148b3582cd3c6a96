#pragma once

// The family descriptors the catalogue rows point to; each is defined beside its algorithm.

#include "device/family.h"

namespace daxwel {

extern const FamilyDescriptor kFamily16F84;
extern const FamilyDescriptor kFamily16F870;
extern const FamilyDescriptor kFamily16F873;
extern const FamilyDescriptor kFamily16F876;
extern const FamilyDescriptor kFamily16F87XA;
extern const FamilyDescriptor kFamily16F62XA;

}  // namespace daxwel
