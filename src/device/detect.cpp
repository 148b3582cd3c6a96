#include "device/operations.h"
#include "device/session.h"

namespace daxwel {

int DetectModel(Link& link, Operator& op) {
  // Bits 11..5 name the original parts, bits 13..5 the later ones; the revision is ignored.
  int index = 0;
  // VDD first, as most families document; where the adapter switches VDD, a part that did
  // not answer gets a VPP-first entry too (a 16F62XA whose own program holds its pins).
  for (Entry entry : {Entry::kVddFirst, Entry::kVppFirst}) {
    if (index != 0 || (entry == Entry::kVppFirst && !link.GetWiring().SwitchesVdd())) break;
    try {
      detail::Session s(link, op);
      s.entry = entry;
      s.Reset();
      s.Enter();
      s.GoToConfig(detail::kConfigReadWord, 6);  // 0x2006, the device ID
      s.Command(cmd::kReadDataProgram);
      const std::string word = s.Read();
      s.Reset();
      index = ModelIndexById(detail::WordOf(word));
    } catch (...) {
      detail::SafeLinesOff(link);
      throw;
    }
  }
  if (index != 0) {
    op.SetModelIndex(index);
    return index;
  }
  op.Message("Error", "   No fue posible detectar el PIC\r\rDeberá seleccionarlo manualmente");
  op.SetModelIndex(0);
  return 0;
}

}  // namespace daxwel
