#include "device/operations.h"
#include "device/session.h"

namespace daxwel {

int DetectModel(Link& link, Operator& op) {
  std::string word;
  try {
    detail::Session s(link, op);
    s.Reset();
    s.Enter();
    s.GoToConfig("00000000010000", 6);  // 0x2006, the device ID
    s.Command(cmd::kReadDataProgram);
    word = s.Read();
    s.Reset();
  } catch (...) {
    detail::SafeLinesOff(link);
    throw;
  }

  // Bits 11..5 name the original parts, bits 13..5 the later ones; the revision is ignored.
  const int index = ModelIndexById(detail::WordOf(word));
  if (index != 0) {
    op.SetModelIndex(index);
    return index;
  }
  op.Message("Error", "   No fue posible detectar el PIC\r\rDeberá seleccionarlo manualmente");
  op.SetModelIndex(0);
  return 0;
}

}  // namespace daxwel
