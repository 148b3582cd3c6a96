// The 16F882-887, the 16F631-690 with the 12F683, and the 16F913-917: one algorithm. Begin
// Programming (001000) times itself and programs without erasing, through four write latches
// in program memory and one word at a time elsewhere; Row Erase (010001) clears a 16-word row;
// Bulk Erase Program Memory clears what the address counter reaches, so it is only ever sent
// with the counter at 0 or 0x2000, never on a factory calibration word. There is no Chip
// Erase, and End Programming is 001010, which this algorithm never needs. A data byte write
// erases the byte first on the 16F88X and 16F91X; the 16F6XX and 12F683 document says it does
// not.
#include <algorithm>
#include <array>
#include <vector>

#include "device/algorithm.h"
#include "device/family.h"

namespace daxwel::detail {

namespace {

constexpr std::string_view kRowErase = "010001";
constexpr int kLatches = 4;  // four-word writes: every one of these parts takes them
constexpr int kRow = 16;     // words a Row Erase clears
// The documents take Row Erase's row from PC<11:4>: on the 8K-word parts a row of the upper
// 4K would name one of the lower, so no Row Erase is sent from this address up.
constexpr int kRowEraseReach = 0x1000;
constexpr std::uint16_t kCodeProtect = 0x0040;
constexpr std::uint16_t kDataProtect = 0x0080;
constexpr std::uint16_t kMclre = 0x0020;
constexpr std::uint16_t kOscillator = 0x0007;
// The documents give 6 ms at least for a data byte; 10 ms leaves room.
constexpr std::chrono::milliseconds kDataWrite{10};

// 001000 programs without erasing. Over an erased word that is all it needs; what it does to
// a word that already holds data no document says, so such a word is only changed in a row
// erased first.
bool NeedsErase(std::uint16_t have, std::uint16_t want) {
  return have != want && have != kErasedValue;
}

std::uint8_t FileByte(const HexImage& image, int i) {
  return static_cast<std::uint8_t>(image.EepromWords[static_cast<std::size_t>(i)] & 0xFF);
}

// Load Data for Data Memory, Begin Programming and its wait, then the byte read back.
bool WriteByte(Session& s, std::uint8_t byte) {
  s.Command(cmd::kLoadDataData);
  s.Data(ToBitString(byte));
  s.Cycle(cmd::kBeginEraseProgram, kDataWrite);
  s.Command(cmd::kReadDataData);
  return (WordOf(s.Read()) & 0xFF) == byte;
}

// Data memory bulk-erased and written whole: the file's bytes, and the chip's own past the
// file's end, read first. -1 or the first byte that does not take.
int EraseAndWriteData(Session& s, const HexImage& image, const ShowAddress& show) {
  const int size = s.model->eepromBytes;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size), 0xFF);
  s.Reset();
  s.Enter();
  s.Walk(size - 1, [&](int i) {
    if (i <= image.EepromEnd) {
      bytes[static_cast<std::size_t>(i)] = FileByte(image, i);
    } else {
      s.Command(cmd::kReadDataData);
      bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(WordOf(s.Read()) & 0xFF);
    }
    return true;
  });
  s.Reset();
  s.Enter();
  // No stop between the erase and the write-back: the bytes past the file are only in memory.
  s.HoldYieldPoints(true);
  s.Cycle(cmd::kBulkEraseData, s.cycles.bulkErase);
  const int failed = s.Walk(size - 1, [&](int i) {
    show(std::min(i, static_cast<int>(image.EepromEnd)));
    const std::uint8_t byte = bytes[static_cast<std::size_t>(i)];
    return byte == 0xFF || WriteByte(s, byte);
  });
  s.HoldYieldPoints(false);
  return failed;
}

// Where a byte write does not erase: bytes that read erased are written in place; a byte that
// holds data, or one that does not take, sends the pass to the bulk erase, and only a byte
// that does not take after it is a failure.
int WriteDataWithoutErase(Session& s, const HexImage& image, const ShowAddress& show) {
  const int stopped = s.Walk(image.EepromEnd, [&](int i) {
    show(i);
    const std::uint8_t want = FileByte(image, i);
    s.Command(cmd::kReadDataData);
    const auto have = static_cast<std::uint8_t>(WordOf(s.Read()) & 0xFF);
    if (have == want) return true;
    return have == 0xFF && WriteByte(s, want);
  });
  if (stopped < 0) return -1;
  return EraseAndWriteData(s, image, show);
}

class F88x final : public FamilyAlgorithm {
 public:
  // `pgm`: what to say of the PGM pin, on the parts that have one. `dataWriteErases`: whether
  // a data byte write erases the byte first.
  F88x(std::string_view pgm, bool dataWriteErases) : pgm_(pgm), dataWriteErases_(dataWriteErases) {}

  // Any configuration may be entered VPP first; the internal oscillator with MCLR off may
  // only be entered that way, which an adapter that keeps VDD on cannot do.
  bool EntersVppFirst() const override { return true; }
  bool ChecksDeviceId() const override { return true; }

  // FOSC 100 and 101: the internal oscillator.
  bool LocksReentry(std::uint16_t config) const override {
    const unsigned osc = config & kOscillator;
    return (config & kMclre) == 0 && (osc == 4 || osc == 5);
  }

  std::string ConfigWarning(std::uint16_t config) const override {
    if (!LocksReentry(config)) return {};
    return "La configuración usa el oscilador interno con MCLR deshabilitado (MCLRE = 0)\r\r"
           "Así el PIC solo vuelve a entrar en modo de programación con VPP aplicada antes que "
           "VDD. Un programador que mantiene VDD conectado ya no podrá reprogramarlo.\r\r"
           "                 ¿ Desea continuar ?";
  }

  std::string NoAnswerHint() const override {
    std::string hint =
        "\r\rSi el PIC tiene MCLR deshabilitado (MCLRE = 0) y el oscilador interno, solo entra "
        "en modo de programación con un programador que aplique VPP antes que VDD.";
    if (!pgm_.empty())
      hint += "\rCon el PIC borrado (LVP habilitado) mantenga " + std::string(pgm_) + " en 0 V";
    return hint;
  }

  // A word that holds data is changed by erasing its row and writing the row again.
  std::optional<std::chrono::microseconds> InPlaceCost(const CycleTimes& t, std::uint16_t have,
                                                       std::uint16_t want) const override {
    if (have == want) return std::chrono::microseconds(0);
    if (!NeedsErase(have, want)) return t.rowProgram / kLatches;
    return (t.bulkErase + t.rowProgram * (kRow / kLatches)) / kRow;
  }

  // In the upper 4K of the 8K-word parts a word that must be erased is only changed by erasing
  // program memory first.
  std::optional<std::chrono::microseconds> InPlaceCostAt(const CycleTimes& t, int address,
                                                         std::uint16_t have,
                                                         std::uint16_t want) const override {
    if (address >= kRowEraseReach && NeedsErase(have, want)) return std::nullopt;
    return InPlaceCost(t, have, want);
  }

  std::chrono::microseconds ErasedCost(const CycleTimes& t, std::uint16_t want) const override {
    return want == kErasedValue ? std::chrono::microseconds(0) : t.rowProgram / kLatches;
  }

  bool ConfigWritesInPlace(std::uint16_t have, std::uint16_t implemented) const override {
    return (have & implemented) == implemented;
  }

  // From 0x2000 the bulk erase clears program memory, the IDs and the configuration words,
  // and keeps the calibration words.
  void EraseProgramMemory(Session& s) const override {
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kBulkEraseProgram, s.cycles.bulkErase);
    s.Reset();
    s.Enter();
  }
  bool EraseFirstClearsConfig() const override { return true; }

  int WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                   const std::vector<std::uint16_t>& have, const ShowAddress& show) const override;

  std::chrono::microseconds DataWriteTime(const CycleTimes& t) const override {
    (void)t;
    return kDataWrite;
  }

  int WriteData(Session& s, const HexImage& image, const ShowAddress& show) const override {
    if (dataWriteErases_) return FamilyAlgorithm::WriteData(s, image, show);
    return WriteDataWithoutErase(s, image, show);
  }

  void WriteIdsAndConfig(Session& s, const ConfigMemory& want, const ConfigMemory& have,
                         const ShowAddress& atConfigWord = {}) const override {
    WriteChangedIdsAndConfig(s, want, have, atConfigWord);
  }

  // The documents' full erase: from 0 program memory and the configuration words (the data
  // memory too while it is protected), from 0x2000 the IDs, then the data memory. The
  // counter never reaches a calibration word.
  void Erase(Session& s) const override {
    s.Cycle(cmd::kBulkEraseProgram, s.cycles.bulkErase);
    s.GoToConfig(kErasedWord, 0);
    s.Cycle(cmd::kBulkEraseProgram, s.cycles.bulkErase);
    s.Cycle(cmd::kBulkEraseData, s.cycles.bulkErase);
  }

  std::string CheckErased(Session& s) const override {
    const std::uint16_t config = WordOf(s.ReadConfigWord());
    s.Reset();
    s.Enter();
    if ((config & (kCodeProtect | kDataProtect)) == (kCodeProtect | kDataProtect)) return {};
    return "La protección de código no pudo ser borrada (configuración 0x" + AddressText(config) +
           ")";
  }

 private:
  std::string_view pgm_;
  bool dataWriteErases_;
};

// Program memory in 16-word rows. A row where a word that holds data must change is erased
// and written whole (the words past the file's end read from the chip first); otherwise only
// its 4-word groups that change are written, with 0x3FFF in the latches of the words that
// stay.
// Every written group is read back in a second pass.
int F88x::WriteProgram(Session& s, const std::vector<std::uint16_t>& want,
                       const std::vector<std::uint16_t>& have, const ShowAddress& show) const {
  const int count = static_cast<int>(want.size());
  const int rows = (count + kRow - 1) / kRow;
  const auto at = [](const std::vector<std::uint16_t>& v, int a) {
    return v[static_cast<std::size_t>(a)];
  };
  std::vector<bool> erase(static_cast<std::size_t>(rows), false);
  for (int a = 0; a < count; ++a) {
    if (NeedsErase(at(have, a), at(want, a))) erase[static_cast<std::size_t>(a / kRow)] = true;
  }

  // The chip's words after the file's end, in the last row, when that row is erased.
  std::vector<std::uint16_t> tail;
  const int end = rows * kRow;
  s.Reset();
  s.Enter();
  if (rows > 0 && count < end && erase.back()) {
    s.Walk(end - 1, [&](int a) {
      if (a >= count) {
        s.Command(cmd::kReadDataProgram);
        tail.push_back(WordOf(s.Read()));
      }
      return true;
    });
    s.Reset();
    s.Enter();
  }
  const auto erased = [&](int a) { return erase[static_cast<std::size_t>(a / kRow)]; };
  // What word `a` ends with, for the words the pass decides: the file's, or after an erase
  // the chip's own beyond the file's end.
  const auto known = [&](int a) { return a < count || erased(a); };
  const auto final = [&](int a) {
    return a < count ? at(want, a) : tail[static_cast<std::size_t>(a - count)];
  };
  const auto changes = [&](int a) {
    return known(a) && final(a) != (erased(a) ? kErasedValue : at(have, a));
  };

  std::vector<bool> written(static_cast<std::size_t>(end / kLatches), false);
  for (int r = 0; r < rows; ++r) {
    const int base = r * kRow;
    if (erase[static_cast<std::size_t>(r)]) s.Cycle(kRowErase, s.cycles.bulkErase);
    for (int g = base; g < base + kRow; g += kLatches) {
      const bool last = g + kLatches >= end;
      bool any = false;
      for (int a = g; a < g + kLatches; ++a) any = any || changes(a);
      for (int a = g; a < g + kLatches; ++a) {
        if (a < count) show(a);
        if (any) {
          // 0x3FFF in the latch of a word that stays: programming it changes nothing.
          s.Command(cmd::kLoadDataProgram);
          s.Data(ToBitString(changes(a) ? final(a) : kErasedValue));
        }
        if (a < g + kLatches - 1) s.Increment();
      }
      if (any) {
        s.Cycle(cmd::kBeginEraseProgram, s.cycles.rowProgram);
        written[static_cast<std::size_t>(g / kLatches)] = true;
      }
      if (!last) s.Increment();
    }
  }

  s.Reset();
  s.Enter();
  return s.Walk(end - 1, [&](int a) {
    if (!written[static_cast<std::size_t>(a / kLatches)] || !known(a)) return true;
    s.Command(cmd::kReadDataProgram);
    return WordOf(s.Read()) == final(a);
  });
}

// The RB3 (PGM) pin of the 16F88X; the others have no low-voltage programming.
const F88x kF88x("RB3 (PGM)", true);
const F88x kF6xx("", false);
const F88x kF91x("", true);

// Calibration words: 0x2009 on the 16F88X, 0x2008 on the 16F6XX and 12F683, both on the
// 16F91X.
constexpr int kCalibration88x[] = {0x2009};
constexpr int kCalibration6xx[] = {0x2008};
constexpr int kCalibration91x[] = {0x2008, 0x2009};

}  // namespace

}  // namespace daxwel::detail

namespace daxwel {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Microchip DS41287 (PIC16F88X), DS41204 (PIC12F6XX/16F6XX) and DS41244 (PIC16F91X) memory
// programming: at least 3 ms for a self-timed write of a 4-word group, an ID or a
// configuration word (5 ms here), at most 6 ms for a bulk or row erase (10 ms here).
constexpr CycleTimes k16F88X{.eraseProgram = milliseconds(5),
                             .programOnly = milliseconds(0),
                             .bulkErase = milliseconds(10),
                             .rowProgram = milliseconds(5)};

// CP is bit 6 and CPD bit 7; either stops programming. The 16F88X and 16F91X take at most
// 12 V on MCLR. The 16F88X's sizes differ in their write-protect ranges.
constexpr FamilyDescriptor Family88x(const ConfigLayout* layout) {
  return {.algorithm = detail::kF88x,
          .protection = {0x00C0, 0x00C0},
          .configMask = 0x3FFF,
          .layout = layout,
          .configWords = 2,
          .config2Mask = 0x0700,
          .calibrationWords = detail::kCalibration88x,
          .vppLimitVolts = 12,
          .name = "16F88X",
          .vddRange = "4,5-5,5 V",
          .cycles = k16F88X};
}
extern const FamilyDescriptor kFamily16F882 = Family88x(&kLayout16F882);
extern const FamilyDescriptor kFamily16F883 = Family88x(&kLayout16F883);
extern const FamilyDescriptor kFamily16F886 = Family88x(&kLayout16F886);
extern const FamilyDescriptor kFamily16F6XX{.algorithm = detail::kF6xx,
                                            .protection = {0x00C0, 0x00C0},
                                            .configMask = 0x0FFF,
                                            .layout = &kLayout16F6XX,
                                            .calibrationWords = detail::kCalibration6xx,
                                            .name = "16F6XX",
                                            .vddRange = "4,5-5,5 V",
                                            .cycles = k16F88X};
extern const FamilyDescriptor kFamily16F91X{.algorithm = detail::kF91x,
                                            .protection = {0x00C0, 0x00C0},
                                            .configMask = 0x1FFF,
                                            .layout = &kLayout16F91X,
                                            .calibrationWords = detail::kCalibration91x,
                                            .vppLimitVolts = 12,
                                            .name = "16F91X",
                                            .vddRange = "4,5-5,5 V",
                                            .cycles = k16F88X};

void RegisterFamilies_f88x(FamilyAdder add) {
  add("16F882", kFamily16F882);
  add("16F883", kFamily16F883);
  add("16F886", kFamily16F886);
  add("16F6XX", kFamily16F6XX);
  add("16F91X", kFamily16F91X);
}

}  // namespace daxwel
