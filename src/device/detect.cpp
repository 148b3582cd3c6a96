#include "device/algorithm.h"
#include "device/operations.h"
#include "device/session.h"

namespace daxwel {

namespace {

std::string LockoutHint() {
  return "\r\rSi el PIC tiene MCLR deshabilitado (MCLRE = 0) y el oscilador interno, puede "
         "negarse a entrar en modo de programación en este programador, que mantiene VDD "
         "conectado (se lee 0x0000): hará falta uno que conmute VDD y aplique VPP antes que "
         "VDD";
}

// For parts whose silicon shows one ID: both names, and that the model chosen decides.
std::string SharedIdNote(std::uint16_t read) {
  const std::vector<int> rows = ModelIndicesById(read);
  if (rows.size() < 2) return {};
  std::string names;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    names += i == 0 ? "" : i + 1 == rows.size() ? " y " : ", ";
    names += ModelByIndex(rows[i])->modelName;
  }
  return "El ID 0x" + detail::AddressText(read & ModelByIndex(rows[0])->deviceIdMask) +
         " es el de los PIC " + names + ", que no se distinguen: se toma el " +
         std::string(ModelByIndex(rows[0])->modelName) +
         ". Si el suyo es otro, elíjalo en la lista de modelos.";
}

}  // namespace

int DetectModel(Link& link, Operator& op) {
  // Bits 11..5 name the original parts, bits 13..5 the later ones; the revision is ignored.
  int index = 0;
  std::uint16_t read = detail::kErasedValue;
  // VDD first, as most families document; where the adapter switches VDD, a part that did
  // not answer gets a VPP-first entry too (a 16F62XA whose own program holds its pins).
  for (Entry entry : {Entry::kVddFirst, Entry::kVppFirst}) {
    if (index != 0 || (entry == Entry::kVppFirst && !link.GetWiring().SwitchesVdd())) break;
    try {
      detail::Session s(link, op);
      s.entry = entry;
      s.Reset();
      s.Enter();
      // Every family keeps its device ID as far past Load Configuration's address.
      s.GoToConfig(detail::kConfigReadWord, ConfigMemoryMap::kDeviceIdOffset);
      s.Command(cmd::kReadDataProgram);
      const std::string word = s.Read();
      s.Reset();
      read = detail::WordOf(word);
      index = ModelIndexById(read);
    } catch (...) {
      detail::SafeLinesOff(link);
      throw;
    }
  }
  if (index != 0) {
    if (const std::string note = SharedIdNote(read); !note.empty()) op.Warn(note);
    // The detection itself could not know; nothing more enters until the user agrees.
    if (!detail::ConfirmVppLimit(op, *ModelByIndex(index), link.GetWiring())) index = 0;
    op.SetModelIndex(index);
    return index;
  }
  std::string text = "   No fue posible detectar el PIC\r\rDeberá seleccionarlo manualmente";
  // Zeros: something holds the data line low, as a part running its own code does.
  if (read == 0x0000 && !link.GetWiring().SwitchesVdd()) text += LockoutHint();
  op.Message("Error", text);
  op.SetModelIndex(0);
  return 0;
}

}  // namespace daxwel
