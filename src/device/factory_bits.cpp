#include "device/factory_bits.h"

#include <algorithm>
#include <array>

#include "device/algorithm.h"
#include "device/operations.h"

namespace daxwel::detail {

namespace {

// One word of program or configuration memory, from a fresh entry.
std::uint16_t ReadWordAt(Session& s, int address) {
  s.Reset();
  s.Enter();
  int steps = address;
  if (const int base = s.model->family->configBase; address >= base) {
    s.GoToConfig(kConfigReadWord, 0);
    steps = address - base;
  }
  for (int i = 0; i < steps; ++i) s.Increment();
  s.Command(cmd::kReadDataProgram);
  return WordOf(s.Read());
}

std::string Hex(std::uint16_t value) { return "0x" + AddressText(value); }

// "OSCCAL (0x03FF)" or "BG (bits 13:12 de 0x2007)".
std::string Where(const PreservedBits& p) {
  std::string text = std::string(p.name) + " (";
  if (p.mask != kErasedValue) {
    const int low = std::countr_zero(p.mask);
    const int high = 15 - std::countl_zero(p.mask);
    text += "bits " + std::to_string(high) + ":" + std::to_string(low) + " de ";
  }
  return text + Hex(static_cast<std::uint16_t>(p.address)) + ")";
}

std::string ValueText(const PreservedBits& p, std::uint16_t value) {
  return p.mask == kErasedValue ? Hex(value) : std::to_string(p.Field(value));
}

// Records of the store whose whole-word values (an OSCCAL RETLW) are the chip's: the chip's
// own history, or that of a twin with the same word.
std::vector<CalibrationRecord> SameChip(const CalibrationStore& store, const FactoryBits& bits) {
  std::vector<CalibrationRecord> same;
  for (CalibrationRecord& r : store.Candidates(bits.deviceId)) {
    const bool match = std::all_of(bits.entries.begin(), bits.entries.end(), [&](const auto& e) {
      return e.where->mask != kErasedValue || r.Value(e.where->name) == e.value;
    });
    if (match) same.push_back(std::move(r));
  }
  return same;
}

std::string StoredHint(const CalibrationStore& store, std::uint16_t deviceId) {
  const std::vector<CalibrationRecord> kept = store.Candidates(deviceId);
  if (kept.empty()) return {};
  std::string text = "\r\rCalibraciones guardadas de este modelo:";
  for (const CalibrationRecord& r : kept) text += "\r  " + r.Describe() + " (" + r.savedAt + ")";
  return text;
}

void SaveOrWarn(Operator& op, const CalibrationStore& store, const CalibrationRecord& record) {
  if (const std::string problem = store.Append(record); !problem.empty()) {
    op.Warn("La calibración de fábrica (" + record.Describe() +
            ") no quedó guardada en el registro: " + problem);
  }
}

Outcome Refuse(Session& s, const CalibrationStore& store, const FactoryBits& bits,
               const std::string& reasons) {
  const std::string text = "No se borró ni se escribió nada: el PIC " +
                           std::string(s.model->modelName) +
                           " no muestra su calibración de fábrica." + reasons +
                           "\r\rBorrarlo ahora la perdería para siempre. Si ya la perdió, "
                           "escríbala a mano (daxwel-cli --osccal 0x34NN --bandgap N; la ventana "
                           "la pide al programar o borrar)" +
                           StoredHint(store, bits.deviceId);
  return Outcome::Ended(s.Finish("Error", text, result::kNone));
}

// Takes the values given by hand; the lines of those that cannot be the factory's.
std::string TakeHandValues(Operator& op, FactoryBits& bits) {
  std::string wrong;
  for (FactoryBits::Entry& e : bits.entries) {
    const PreservedBits& p = *e.where;
    const auto given = op.FactoryValue(p.name);
    if (!given) continue;
    const std::uint16_t value = p.InPlace(*given);
    if (p.Field(value) != *given || !p.Plausible(value)) {
      // One line each, started apart: GCC 12 misreads "\r" + std::string as overlapping.
      wrong += '\r';
      wrong += Where(p) + ": el valor dado a mano (" + std::to_string(*given) +
               ") no sirve; se esperaba " + std::string(p.shape);
      continue;
    }
    e.value = value;
    e.byHand = true;
  }
  return wrong;
}

// The lines of the values that show no factory value and were not given by hand.
std::string LostLines(const FactoryBits& bits, const FamilyDescriptor& family) {
  std::string lost;
  for (const FactoryBits::Entry& e : bits.entries) {
    if (e.byHand || !LooksLost(e, family)) continue;
    lost += '\r';
    lost += Where(*e.where) + ": se leyó " + ValueText(*e.where, e.value);
    lost += e.where->Plausible(e.value) ? " en una palabra borrada"
                                        : ", se esperaba " + std::string(e.where->shape);
  }
  return lost;
}

std::string ReadLines(const FactoryBits& read) {
  std::string text;
  for (const FactoryBits::Entry& e : read.entries) {
    text += "\r  " + Where(*e.where) + ": " + ValueText(*e.where, e.value);
  }
  return text;
}

bool AnyByHand(const FactoryBits& bits) {
  return std::any_of(bits.entries.begin(), bits.entries.end(),
                     [](const auto& e) { return e.byHand; });
}

// The host may ask the user for the values (the window's dialog), offering the store's.
bool AskHost(Session& s, const CalibrationStore& store, const FactoryBits& bits,
             const std::string& lost) {
  std::vector<std::string> names;
  for (const FactoryBits::Entry& e : bits.entries) names.emplace_back(e.where->name);
  return s.op.AskFactoryValues("El PIC " + std::string(s.model->modelName) +
                                   " no muestra su calibración de fábrica:" + lost +
                                   "\r\rElija una de las guardadas o escríbala (la que mostró "
                                   "info antes de perderla, o la anotada en el PIC).",
                               names, store.Candidates(bits.deviceId));
}

// A run cut short after an erase left its record: offered, with what the chip shows now.
bool OfferPending(Session& s, const CalibrationStore& store, FactoryBits& bits) {
  const auto pending = store.Pending(bits.deviceId);
  FactoryBits taken = bits;
  if (!pending || !taken.Take(*pending)) return false;
  const std::string text = "Una operación anterior sobre este PIC " +
                           std::string(s.model->modelName) + " (ID " + Hex(bits.deviceId) +
                           ") se interrumpió después de borrarlo.\rAntes de borrar se guardó su "
                           "calibración de fábrica:\r  " +
                           pending->Describe() + " (" + pending->savedAt +
                           ")\rEl PIC muestra ahora:" + ReadLines(bits) +
                           "\r\r¿ Escribir la calibración guardada ?";
  if (!s.op.Confirm("Restaurar calibración", text)) return false;
  bits = taken;
  return true;
}

// Values given by hand: a good value read from the chip is kept in the store first, and only
// replaced on an explicit confirmation.
Outcome ConfirmHandValues(Session& s, const CalibrationStore& store, const FactoryBits& read,
                          FactoryBits& bits) {
  const FamilyDescriptor& family = *s.model->family;
  std::string shown, replaced;
  for (std::size_t i = 0; i < bits.entries.size(); ++i) {
    const FactoryBits::Entry& e = bits.entries[i];
    const FactoryBits::Entry& r = read.entries[i];
    if (!e.byHand) continue;
    shown += '\r';
    shown += Where(*e.where) + ": " + ValueText(*e.where, e.value) + " (se leyó " +
             ValueText(*r.where, r.value) + ")";
    if (!LooksLost(r, family) && r.value != e.value) replaced += "\r  " + Where(*r.where);
  }
  const std::string name(s.model->modelName);
  if (!replaced.empty()) {
    const CalibrationRecord good = read.Record(RecordKind::kRead);
    const auto known = store.Candidates(read.deviceId);
    if (std::none_of(known.begin(), known.end(),
                     [&](const auto& r) { return r.SameValues(good); })) {
      SaveOrWarn(s.op, store, good);
    }
    const std::string text = "El PIC " + name +
                             " muestra una calibración de fábrica válida y "
                             "distinta de la dada a mano en:" +
                             replaced + "\rLa leída quedó guardada en el registro." +
                             "\r\rSe escribirá a mano:" + shown +
                             "\r\r                 ¿ Desea reemplazarla ?";
    if (!s.op.ConfirmOverride("Confirmar", text)) {
      return Outcome::Ended(
          s.Finish("Error",
                   "No se cambió nada: el PIC " + name +
                       " muestra una calibración de fábrica válida; reemplazarla por la dada "
                       "a mano pide una confirmación expresa (daxwel-cli --force)",
                   result::kNone));
    }
  } else if (!s.op.Confirm("Confirmar", "Se escribirá a mano la calibración de fábrica del PIC " +
                                            name + ":" + shown +
                                            "\r\rUn valor equivocado saca de frecuencia al "
                                            "oscilador interno.\r\r                 ¿ Desea "
                                            "continuar ?")) {
    LinesOff(s.link);
    return Outcome::Cancelled();
  }
  SaveOrWarn(s.op, store, bits.Record(RecordKind::kByHand));
  return Outcome::Ok();
}

// Good values read from the chip, set against what the store knows of it: a value that reads
// erased where the store has another is doubtful and the stored one is offered; any other
// difference is another chip with the same word, kept only once the user says so.
Outcome CheckAgainstStore(Session& s, const CalibrationStore& store, FactoryBits& bits) {
  const std::vector<CalibrationRecord> same = SameChip(store, bits);
  const CalibrationRecord read = bits.Record(RecordKind::kRead);
  if (std::any_of(same.begin(), same.end(), [&](const auto& r) { return r.SameValues(read); })) {
    return Outcome::Ok();
  }
  if (same.empty()) {
    SaveOrWarn(s.op, store, read);
    return Outcome::Ok();
  }
  const CalibrationRecord& stored = same.front();
  const bool doubtful = std::any_of(bits.entries.begin(), bits.entries.end(), [&](const auto& e) {
    return e.value == e.where->mask && stored.Value(e.where->name) != e.where->Field(e.value);
  });
  const std::string name(s.model->modelName);
  const std::string head = "El PIC " + name + " muestra " + read.Describe() +
                           ", pero el registro guarda para este chip " + stored.Describe() + " (" +
                           stored.savedAt + ").";
  if (doubtful) {
    if (!s.op.Confirm("Restaurar calibración",
                      head + "\rUn valor con todos los bits a 1 es el de una calibración "
                             "borrada: se escribirá la guardada y no se guardará la leída."
                             "\r\r                 ¿ Desea continuar ?")) {
      LinesOff(s.link);
      return Outcome::Cancelled();
    }
    bits.Take(stored);
    return Outcome::Ok();
  }
  if (!s.op.Confirm("Confirmar", head + "\rSi es otro PIC con el mismo valor, se guardará como "
                                        "otro registro y se conservará lo leído."
                                        "\r\r                 ¿ Desea continuar ?")) {
    LinesOff(s.link);
    return Outcome::Cancelled();
  }
  SaveOrWarn(s.op, store, read);
  return Outcome::Ok();
}

// The record of what is about to be erased, on disk before the erase; an explicit
// confirmation may go on without it.
Outcome WriteAhead(Session& s, const FactoryBits& bits, bool& recorded) {
  const CalibrationStore store(s.op.CalibrationFolder());
  const std::string problem = store.Append(bits.Record(RecordKind::kPending));
  recorded = problem.empty();
  if (recorded) return Outcome::Ok();
  s.Reset();
  const std::string values = DescribeFactoryBits(bits);
  if (!s.op.ConfirmOverride(
          "Aviso", "No se pudo guardar la calibración de fábrica antes de borrar:\r" + problem +
                       "\r\rSi la operación se interrumpe, la calibración (" + values +
                       ") solo quedará en este mensaje: anótela.\r\r"
                       "                 ¿ Desea continuar sin registro ?")) {
    return Outcome::Ended(s.Finish("Error",
                                   "No se borró ni se escribió nada: la calibración de fábrica (" +
                                       values + ") no se pudo guardar antes de borrar: " + problem,
                                   result::kNone));
  }
  s.Enter();
  return Outcome::Ok();
}

// After an erase, from a fresh entry: writes the factory bits back (the program words one by
// one, then the configuration word with every other bit 1, so later writes that only clear
// bits can still set the rest). Ok, or failed with "Dirección 0x..." of the word that did not
// take them.
Outcome RestoreFactoryBits(Session& s, const FactoryBits& bits) {
  const auto at = [](int address) {
    return Outcome::Failed("Dirección 0x" + AddressText(address));
  };
  const FamilyAlgorithm& algorithm = AlgorithmOf(*s.model);
  const int last = bits.LastProgramAddress();
  if (last >= 0) {
    const std::vector<std::uint16_t> have(static_cast<std::size_t>(last) + 1, kErasedValue);
    std::vector<std::uint16_t> want = have;
    for (int a = 0; a <= last; ++a) want[static_cast<std::size_t>(a)] = bits.Apply(a, kErasedValue);
    s.Reset();
    s.Enter();
    if (const int failed = algorithm.WriteProgram(s, want, have, [](int) {}); failed >= 0) {
      return at(failed);
    }
  }
  const ConfigMemory have = ErasedConfigMemory();
  ConfigMemory want = have;
  const int base = s.model->family->configBase;
  for (std::size_t j = 0; j < want.size(); ++j) {
    want[j] = bits.Apply(base + static_cast<int>(j), kErasedValue);
  }
  if (want != have) {
    s.Reset();
    s.Enter();
    algorithm.WriteIdsAndConfig(s, want, have);
    const ConfigMemory read = ReadIdsAndConfig(s);
    for (std::size_t j = 0; j < read.size(); ++j) {
      const int address = base + static_cast<int>(j);
      if (bits.Apply(address, read[j]) != read[j]) return at(address);
    }
  }
  s.Reset();
  s.Enter();
  return Outcome::Ok();
}

// Releases a hold on the yield points however the steps under it end.
class YieldHold {
 public:
  explicit YieldHold(Session& s) : s_(s) { s_.HoldYieldPoints(true); }
  ~YieldHold() { s_.HoldYieldPoints(false); }
  YieldHold(const YieldHold&) = delete;
  YieldHold& operator=(const YieldHold&) = delete;

 private:
  Session& s_;
};

}  // namespace

std::uint16_t FactoryBits::Apply(int address, std::uint16_t word) const {
  for (const Entry& e : entries) {
    if (e.where->address == address) {
      word = static_cast<std::uint16_t>((word & ~e.where->mask) | (e.value & e.where->mask));
    }
  }
  return word;
}

int FactoryBits::LastProgramAddress() const {
  int last = -1;
  for (const Entry& e : entries) {
    if (e.where->address < configBase) last = std::max(last, e.where->address);
  }
  return last;
}

CalibrationRecord FactoryBits::Record(RecordKind kind) const {
  CalibrationRecord record;
  record.deviceId = deviceId;
  record.kind = kind;
  for (const Entry& e : entries) {
    record.values.push_back({std::string(e.where->name), e.where->Field(e.value)});
  }
  return record;
}

bool FactoryBits::Take(const CalibrationRecord& record) {
  std::vector<std::uint16_t> values;
  for (const Entry& e : entries) {
    const auto value = record.Value(e.where->name);
    if (!value) return false;
    const std::uint16_t inPlace = e.where->InPlace(*value);
    if (e.where->Field(inPlace) != *value || !e.where->Plausible(inPlace)) return false;
    values.push_back(inPlace);
  }
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i].value = values[i];
  return true;
}

FactoryBits ReadFactoryBits(Session& s) {
  FactoryBits bits;
  bits.configBase = s.model->family->configBase;
  if (s.model->family->preserved.empty()) return bits;
  for (const PreservedBits& p : s.model->family->preserved) {
    const std::uint16_t word = ReadWordAt(s, p.address);
    bits.entries.push_back({&p, static_cast<std::uint16_t>(word & p.mask), word});
  }
  s.Reset();
  s.Enter();
  bits.deviceId = WordOf(s.ReadDeviceId());
  return bits;
}

bool LooksLost(const FactoryBits::Entry& e, const FamilyDescriptor& family) {
  const PreservedBits& p = *e.where;
  if (!p.Plausible(e.value)) return true;
  const std::uint16_t implemented =
      p.address >= family.configBase ? family.ConfigMaskAt(p.address) : kErasedValue;
  return e.value == p.mask && (e.word & implemented) == implemented;
}

Outcome SecureFactoryBits(Session& s, FactoryBits& bits) {
  bits = ReadFactoryBits(s);
  if (bits.entries.empty()) return Outcome::Ok();
  // Out of programming mode while the user reads and answers.
  s.Reset();
  const CalibrationStore store(s.op.CalibrationFolder());
  const FamilyDescriptor& family = *s.model->family;
  const FactoryBits read = bits;

  if (const std::string wrong = TakeHandValues(s.op, bits); !wrong.empty()) {
    return Refuse(s, store, bits, wrong);
  }
  bool byHand = AnyByHand(bits);
  std::string lost = LostLines(bits, family);
  if (!lost.empty() && !byHand) {
    if (OfferPending(s, store, bits)) {
      s.Enter();
      return Outcome::Ok();
    }
    if (AskHost(s, store, bits, lost)) {
      if (const std::string wrong = TakeHandValues(s.op, bits); !wrong.empty()) {
        return Refuse(s, store, bits, wrong);
      }
      byHand = AnyByHand(bits);
      lost = LostLines(bits, family);
    }
  }
  if (!lost.empty()) {
    return Refuse(s, store, bits,
                  byHand ? lost + "\rDé también a mano los valores que faltan, o ninguno." : lost);
  }
  if (Outcome checked =
          byHand ? ConfirmHandValues(s, store, read, bits) : CheckAgainstStore(s, store, bits);
      !checked.IsOk()) {
    return checked;
  }
  s.Enter();
  return Outcome::Ok();
}

Outcome EraseKeepingFactoryBits(Session& s, const FactoryBits& bits,
                                const std::function<void()>& erase, const char* failureWord) {
  if (bits.entries.empty()) {
    erase();
    return Outcome::Ok();
  }
  bool recorded = false;
  if (Outcome refused = WriteAhead(s, bits, recorded); !refused.IsOk()) return refused;
  Outcome restored = Outcome::Ok();
  {
    const YieldHold hold(s);
    erase();
    restored = RestoreFactoryBits(s, bits);
  }
  const CalibrationStore store(s.op.CalibrationFolder());
  if (!restored.IsOk()) {
    const std::string how =
        recorded ? "Quedó guardada en " + store.FilePath() +
                       ": la próxima operación sobre este PIC la ofrecerá para escribirla."
                 : "No hay registro de ella en el disco: anótela y escríbala a mano.";
    return Outcome::Ended(
        s.Finish("Error",
                 restored.Text() + ": no se pudo escribir de nuevo la calibración de fábrica (" +
                     DescribeFactoryBits(bits) + ")\r\r" + how +
                     " Compruebe el adaptador y el PIC y vuelva a intentarlo.",
                 failureWord));
  }
  if (recorded) {
    if (const std::string problem = store.Append(bits.Record(RecordKind::kRestored));
        !problem.empty()) {
      s.op.Warn("La calibración se escribió de nuevo, pero el registro no lo anotó: " + problem);
    }
  }
  s.Checkpoint();
  return Outcome::Ok();
}

std::string DescribeFactoryBits(const FactoryBits& bits) {
  std::string text;
  for (const FactoryBits::Entry& e : bits.entries) {
    if (!text.empty()) text += ", ";
    text += std::string(e.where->name) + " " + ValueText(*e.where, e.value);
  }
  return text;
}

std::string StoredDifference(Operator& op, const FactoryBits& bits) {
  const CalibrationStore store(op.CalibrationFolder());
  const CalibrationRecord read = bits.Record(RecordKind::kRead);
  const std::vector<CalibrationRecord> same = SameChip(store, bits);
  if (same.empty() ||
      std::any_of(same.begin(), same.end(), [&](const auto& r) { return r.SameValues(read); })) {
    return {};
  }
  const CalibrationRecord& stored = same.front();
  for (const FactoryBits::Entry& e : bits.entries) {
    if (e.value == e.where->mask && stored.Value(e.where->name) != e.where->Field(e.value)) {
      return "Se leyó " + read.Describe() + "; el registro guarda para este chip " +
             stored.Describe() + " (" + stored.savedAt + ")";
    }
  }
  return {};
}

std::string PendingRestoreLine(Operator& op, const FamilyDescriptor& family,
                               const FactoryBits& bits) {
  const bool lost = std::any_of(bits.entries.begin(), bits.entries.end(),
                                [&](const auto& e) { return LooksLost(e, family); });
  if (!lost) return {};
  const auto pending = CalibrationStore(op.CalibrationFolder()).Pending(bits.deviceId);
  if (!pending) return {};
  return "Restauración pendiente: una operación interrumpida dejó guardada la calibración " +
         pending->Describe() + " (" + pending->savedAt +
         "); program o erase la ofrecerán para escribirla";
}

}  // namespace daxwel::detail
