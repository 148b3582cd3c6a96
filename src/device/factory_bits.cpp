#include "device/factory_bits.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "device/algorithm.h"
#include "device/calibration_store.h"
#include "device/operations.h"

namespace daxwel::detail {

namespace {

constexpr int kConfigMemory = 0x2000;

// One word of program or configuration memory, from a fresh entry.
std::uint16_t ReadWordAt(Session& s, int address) {
  s.Reset();
  s.Enter();
  int steps = address;
  if (address >= kConfigMemory) {
    s.GoToConfig(kConfigReadWord, 0);
    steps = address - kConfigMemory;
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

// The record the user's store keeps: the chip's program word (its OSCCAL) and the bits of its
// configuration word.
std::optional<CalibrationRecord> RecordOf(const FactoryBits& bits, std::uint16_t deviceId) {
  CalibrationRecord record;
  record.deviceId = deviceId;
  bool word = false;
  for (const FactoryBits::Entry& e : bits.entries) {
    if (e.where->address < kConfigMemory) {
      record.osccal = e.value;
      word = true;
    } else {
      record.bandGap = e.where->Field(e.value);
    }
  }
  if (!word) return std::nullopt;
  return record;
}

std::string StoredHint(const CalibrationStore& store, std::uint16_t deviceId) {
  const std::vector<CalibrationRecord> kept = store.List(deviceId);
  if (kept.empty()) return {};
  std::string text = "\r\rCalibraciones guardadas de este modelo:";
  for (const CalibrationRecord& r : kept) {
    char line[96];
    std::snprintf(line, sizeof line, "\r  OSCCAL 0x%04X, BG %u (%s)", unsigned{r.osccal},
                  unsigned{r.bandGap}, r.savedAt.c_str());
    text += line;
  }
  return text;
}

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
    if (e.where->address < kConfigMemory) last = std::max(last, e.where->address);
  }
  return last;
}

FactoryBits ReadFactoryBits(Session& s) {
  FactoryBits bits;
  if (s.model->family->preserved.empty()) return bits;
  for (const PreservedBits& p : s.model->family->preserved) {
    bits.entries.push_back({&p, static_cast<std::uint16_t>(ReadWordAt(s, p.address) & p.mask)});
  }
  s.Reset();
  s.Enter();
  return bits;
}

std::optional<std::string> SecureFactoryBits(Session& s, FactoryBits& bits) {
  bits = ReadFactoryBits(s);
  if (bits.entries.empty()) return std::nullopt;

  std::string byHand, wrong;
  for (FactoryBits::Entry& e : bits.entries) {
    const PreservedBits& p = *e.where;
    if (const auto given = s.op.FactoryValue(p.name)) {
      const std::uint16_t value = p.InPlace(*given);
      if (p.Field(value) != *given || !p.Plausible(value)) {
        // One line each, started apart: GCC 12 misreads "\r" + std::string as overlapping.
        wrong += '\r';
        wrong += Where(p) + ": el valor dado a mano (" + std::to_string(*given) +
                 ") no sirve; se esperaba " + std::string(p.shape);
        continue;
      }
      byHand += '\r';
      byHand += Where(p) + ": " + ValueText(p, value) + " (se leyó " + ValueText(p, e.value) + ")";
      e.value = value;
      e.byHand = true;
    } else if (!p.Plausible(e.value)) {
      wrong += '\r';
      wrong +=
          Where(p) + ": se leyó " + ValueText(p, e.value) + ", se esperaba " + std::string(p.shape);
    }
  }

  const std::uint16_t deviceId = WordOf(s.ReadDeviceId());
  // Out of programming mode while the user reads and answers.
  s.Reset();
  const std::string folder = s.op.CalibrationFolder();
  const std::string name(s.model->modelName);
  if (!wrong.empty()) {
    std::string text = "No se borró ni se escribió nada: el PIC " + name +
                       " no muestra su calibración de fábrica." + wrong +
                       "\r\rBorrarlo ahora la perdería para siempre. Si ya la perdió, "
                       "escríbala a mano (daxwel-cli --osccal 0x34NN --bandgap N)";
    if (!folder.empty()) text += StoredHint(CalibrationStore(folder), deviceId);
    return s.Finish("Error", text, result::kNone);
  }
  if (!byHand.empty() &&
      !s.op.Confirm("Confirmar", "Se escribirá a mano la calibración de fábrica del PIC " + name +
                                     ":" + byHand +
                                     "\r\rUn valor equivocado saca de frecuencia al oscilador "
                                     "interno.\r\r                 ¿ Desea continuar ?")) {
    LinesOff(s.link);
    return std::string(result::kNone);
  }

  if (!folder.empty()) {
    if (const auto record = RecordOf(bits, deviceId)) {
      if (const std::string problem = CalibrationStore(folder).Save(*record); !problem.empty()) {
        s.op.Report("Aviso: " + problem);
      }
    }
  }
  s.Enter();
  return std::nullopt;
}

int RestoreFactoryBits(Session& s, const FactoryBits& bits) {
  if (bits.entries.empty()) return -1;
  const FamilyAlgorithm& algorithm = AlgorithmOf(*s.model);
  const int last = bits.LastProgramAddress();
  if (last >= 0) {
    const std::vector<std::uint16_t> have(static_cast<std::size_t>(last) + 1, kErasedValue);
    std::vector<std::uint16_t> want = have;
    for (int a = 0; a <= last; ++a) want[static_cast<std::size_t>(a)] = bits.Apply(a, kErasedValue);
    s.Reset();
    s.Enter();
    if (const int failed = algorithm.WriteProgram(s, want, have, [](int) {}); failed >= 0) {
      return failed;
    }
  }
  const ConfigMemory have = ErasedConfigMemory();
  ConfigMemory want = have;
  for (std::size_t j = 0; j < want.size(); ++j) {
    want[j] = bits.Apply(kConfigMemory + static_cast<int>(j), kErasedValue);
  }
  if (want != have) {
    s.Reset();
    s.Enter();
    algorithm.WriteIdsAndConfig(s, want, have);
    const ConfigMemory read = ReadIdsAndConfig(s);
    for (std::size_t j = 0; j < read.size(); ++j) {
      const int address = kConfigMemory + static_cast<int>(j);
      if (bits.Apply(address, read[j]) != read[j]) return address;
    }
  }
  s.Reset();
  s.Enter();
  return -1;
}

std::string DescribeFactoryBits(const FactoryBits& bits) {
  std::string text;
  for (const FactoryBits::Entry& e : bits.entries) {
    if (!text.empty()) text += ", ";
    text += std::string(e.where->name) + " " + ValueText(*e.where, e.value);
  }
  return text;
}

}  // namespace daxwel::detail
