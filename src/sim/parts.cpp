// The parts the simulator knows, one row each, and the chip model of each family.

#include <array>
#include <cctype>
#include <string>

#include "sim/chip.h"

namespace daxwel::sim {

// The chip model of each family, each defined in its own chip_*.cpp.
std::unique_ptr<Chip> MakeClassicChip(const PartInfo&, Faults&, SimStats&, ViolationLog&);
std::unique_ptr<Chip> MakeF87xaChip(const PartInfo&, Faults&, SimStats&, ViolationLog&);
std::unique_ptr<Chip> MakeF62xaChip(const PartInfo&, Faults&, SimStats&, ViolationLog&);
std::unique_ptr<Chip> MakeF675Chip(const PartInfo&, Faults&, SimStats&, ViolationLog&);
std::unique_ptr<Chip> MakeF88xChip(const PartInfo&, Faults&, SimStats&, ViolationLog&);
std::unique_ptr<Chip> MakeF81xChip(const PartInfo&, Faults&, SimStats&, ViolationLog&);

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr nanoseconds kNone{0};

// The published minimum of every wait the parts need, one row per family. These are the
// figures of the parts' programming documents (or, where none was found, the one a peer
// annotates from them), not the programmer's own waits, which keep a margin above them: the
// simulator accepts any wait at or above these and reports a shorter one. The self-timed
// cycles are the documents' worst case, since no programmer polls them. Entry (vppHold,
// vppLow): thld0 is 5 us at the pin on every part (DS39025, DS30262, DS41196E; DS39589 names
// none, so the same 5 us); no document names a VPP-low minimum for the counter to reset, so
// every row takes the shortest a working programmer holds, 10 us (ZEPPP).
//
// 16F84 without A: the older, slower cell needs 20 ms per word, EEPROM byte, bulk and chip
// erase in practice (no figure of its own was found). It has no programming-only cycle.
constexpr CycleTimes kF84{.word = milliseconds(20),
                          .eeprom = milliseconds(20),
                          .row = kNone,
                          .programOnly = kNone,
                          .bulk = milliseconds(20),
                          .chip = milliseconds(20)};
// 16F84A, DS30262: erase + program 8 ms worst case, bulk and chip erase 10 ms. No separate
// programming-only figure is published, so it needs the whole 8 ms.
constexpr CycleTimes kF84A{.word = milliseconds(8),
                           .eeprom = milliseconds(8),
                           .row = kNone,
                           .programOnly = milliseconds(8),
                           .bulk = milliseconds(10),
                           .chip = milliseconds(10)};
// 16F87X, DS39025: tera + tprog = 4 + 4 ms worst case for 001000 (program and data memory),
// tprog 4 ms for programming only, 8 ms for the bulk and chip erase cycles.
constexpr CycleTimes kF87X{.word = milliseconds(8),
                           .eeprom = milliseconds(8),
                           .row = kNone,
                           .programOnly = milliseconds(4),
                           .bulk = milliseconds(8),
                           .chip = milliseconds(8)};
// 16F87XA, DS39589 as pickle annotates it: TPROG2 10 ms for 001000 (a row, an ID, the
// configuration word or an EEPROM byte), TPROG1 1 ms for 011000 before End Programming,
// TPROG3 10 ms for Chip Erase (PICkit 2's script also waits TERA 10 ms), 10 ms for a bulk
// erase run by 001000, TDIS 100 us after End Programming (PICkit 2 and pickle).
constexpr CycleTimes kF87XA{.word = milliseconds(10),
                            .eeprom = milliseconds(10),
                            .row = milliseconds(10),
                            .programOnly = milliseconds(1),
                            .bulk = milliseconds(10),
                            .chip = milliseconds(10),
                            .discharge = microseconds(100)};
// 16F62XA, DS41196: TPROG 2.5 ms in revision E, 4 ms in revision G (the larger is taken),
// TDPROG 6 ms for an EEPROM byte, TERA 6 ms for each self-timed bulk erase. No chip erase.
constexpr CycleTimes kF62XA{.word = milliseconds(4),
                            .eeprom = milliseconds(6),
                            .row = kNone,
                            .programOnly = kNone,
                            .bulk = milliseconds(6),
                            .chip = kNone};
// 12F629/675, 16F630/676 (DS41191D Table 5-1 maxima; the word write takes the 3 ms an earlier
// revision printed): a word 3 ms, an EEPROM byte 6 ms, programming only 2 ms, a bulk erase 8 ms.
constexpr CycleTimes kF675{.word = milliseconds(3),
                           .eeprom = milliseconds(6),
                           .row = kNone,
                           .programOnly = milliseconds(2),
                           .bulk = milliseconds(8),
                           .chip = kNone};
// 16F87/88, DS39607 Table 7-1 at VDD above 4.5 V: TPROG1 (011000 to End Programming) and
// TPROG2 (Begin Erase of a row or a data byte to End Programming) 1 ms; TPROG3 (a bulk erase)
// and TPROG4 (Chip Erase) 10 ms as revision C prints them for the 16F88 (revision B: 2 and
// 8 ms). No wait after End Programming is published.
constexpr CycleTimes kF88{.word = kNone,
                          .eeprom = milliseconds(1),
                          .row = milliseconds(1),
                          .programOnly = milliseconds(1),
                          .bulk = milliseconds(10),
                          .chip = milliseconds(10)};
// 16F818/819, DS39603C Table 6-1: the same, with TPROG3 2 ms and TPROG4 8 ms.
constexpr CycleTimes kF819{.word = kNone,
                           .eeprom = milliseconds(1),
                           .row = milliseconds(1),
                           .programOnly = milliseconds(1),
                           .bulk = milliseconds(2),
                           .chip = milliseconds(8)};

// 16F88X (DS41287C Table 6-1), 16F6XX and 12F683 (DS41204G), 16F91X (DS41244E): TPROG1 3 ms
// for 001000 on program memory (a latch block), an ID or a configuration word, 6 ms on a data
// byte; TERA 6 ms (the maximum) for the bulk and row erases; 011000 up to End Programming at
// least 2 ms on the 16F88X (TPROG2) and 3 ms on the others; TDIS 100 us. No chip erase.
constexpr CycleTimes kF88X{.word = milliseconds(3),
                           .eeprom = milliseconds(6),
                           .row = milliseconds(3),
                           .programOnly = milliseconds(2),
                           .bulk = milliseconds(6),
                           .chip = kNone,
                           .discharge = microseconds(100)};
constexpr CycleTimes kF6XX{.word = milliseconds(3),
                           .eeprom = milliseconds(6),
                           .row = milliseconds(3),
                           .programOnly = milliseconds(3),
                           .bulk = milliseconds(6),
                           .chip = kNone,
                           .discharge = microseconds(100)};

constexpr std::uint16_t kAllBits = 0x3FFF;
constexpr std::uint16_t kF87XBits = 0x3BFF;  // bit 10 unimplemented
constexpr std::uint16_t kF87XABits = 0x2FCF;
constexpr std::uint16_t kF62XABits = 0x21FF;
// Band gap (13:12) and bits 8:0; 11:9 are unimplemented and read 0.
constexpr std::uint16_t kF675Bits = 0x31FF;

constexpr std::optional<Calibration> kNoCalibration;
// A factory calibration per part, each band gap other than the 11 a gpasm file carries, so a
// programmer that writes the file's bits is caught.
constexpr Calibration kCal629{0x3478, 1};
constexpr Calibration kCal675{0x3490, 2};
constexpr Calibration kCal630{0x346C, 0};
constexpr Calibration kCal676{0x34A4, 1};

// In SimModel's order. Device IDs carry a non-zero silicon revision, as real parts do.
// DS41191: configuration bits 11:9 are unimplemented and read 0.
constexpr std::uint16_t kF675ReadsZero = 0x0E00;

// The 16F88X, 16F6XX/12F683 and 16F91X: CONFIG2 (0x0700) on the first, factory calibration
// words in configuration memory (values as a part might carry; none is 0x3FFF), the write
// latches each document gives (8 on the 16F886/887 and 16F916/917, 4 on the others), and the
// 12 V MCLR limit of the 16F88X and 16F91X.
constexpr PartInfo F88x(std::string_view name, int words, int bytes, std::uint16_t id,
                        std::uint16_t calibration, int latches) {
  return {.name = name,
          .family = SimFamily::F88X,
          .programWords = words,
          .eepromBytes = bytes,
          .deviceId = id,
          .configMask = 0x3FFF,
          .allOrNothing = true,
          .times = kF88X,
          .factory = std::nullopt,
          .factoryHigh = {0x3FFF, calibration},
          .latches = latches,
          .config2Mask = 0x0700,
          .vppLimitVolts = 12};
}
constexpr PartInfo F6xx(std::string_view name, int words, int bytes, std::uint16_t id,
                        std::uint16_t calibration) {
  return {.name = name,
          .family = SimFamily::F88X,
          .programWords = words,
          .eepromBytes = bytes,
          .deviceId = id,
          .configMask = 0x0FFF,
          .allOrNothing = true,
          .times = kF6XX,
          .factory = std::nullopt,
          .factoryHigh = {calibration, 0x3FFF},
          .latches = 4,
          .dataWriteErases = false};
}
constexpr PartInfo F91x(std::string_view name, int words, std::uint16_t id,
                        std::uint16_t calibration1, std::uint16_t calibration2, int latches) {
  return {.name = name,
          .family = SimFamily::F88X,
          .programWords = words,
          .eepromBytes = 256,
          .deviceId = id,
          .configMask = 0x1FFF,
          .allOrNothing = true,
          .times = kF6XX,
          .factory = std::nullopt,
          .factoryHigh = {calibration1, calibration2},
          .latches = latches,
          .vppLimitVolts = 12};
}

constexpr std::array<PartInfo, 42> kParts{{
    {"16F84", SimFamily::F84, 1024, 64, 0x0000, kAllBits, false, kF84, kNoCalibration},
    {"16F84A", SimFamily::F84, 1024, 64, 0x0562, kAllBits, false, kF84A, kNoCalibration},
    {"16F870", SimFamily::F87X, 2048, 64, 0x0D03, kF87XBits, true, kF87X, kNoCalibration},
    {"16F871", SimFamily::F87X, 2048, 64, 0x0D23, kF87XBits, true, kF87X, kNoCalibration},
    {"16F872", SimFamily::F87X, 2048, 64, 0x08E4, kF87XBits, true, kF87X, kNoCalibration},
    {"16F873", SimFamily::F87X, 4096, 128, 0x0967, kF87XBits, false, kF87X, kNoCalibration},
    {"16F874", SimFamily::F87X, 4096, 128, 0x0927, kF87XBits, false, kF87X, kNoCalibration},
    {"16F876", SimFamily::F87X, 8192, 256, 0x09E7, kF87XBits, false, kF87X, kNoCalibration},
    {"16F877", SimFamily::F87X, 8192, 256, 0x09A7, kF87XBits, false, kF87X, kNoCalibration},
    {"16F873A", SimFamily::F87XA, 4096, 128, 0x0E41, kF87XABits, true, kF87XA, kNoCalibration},
    {"16F874A", SimFamily::F87XA, 4096, 128, 0x0E62, kF87XABits, true, kF87XA, kNoCalibration},
    {"16F876A", SimFamily::F87XA, 8192, 256, 0x0E01, kF87XABits, true, kF87XA, kNoCalibration},
    {"16F877A", SimFamily::F87XA, 8192, 256, 0x0E23, kF87XABits, true, kF87XA, kNoCalibration},
    {"16F627A", SimFamily::F62XA, 1024, 128, 0x1044, kF62XABits, true, kF62XA, kNoCalibration},
    {"16F628A", SimFamily::F62XA, 2048, 128, 0x1068, kF62XABits, true, kF62XA, kNoCalibration},
    {"16F648A", SimFamily::F62XA, 4096, 256, 0x1103, kF62XABits, true, kF62XA, kNoCalibration},
    {"12F629", SimFamily::F675, 1024, 128, 0x0F82, kF675Bits, true, kF675, kCal629, kF675ReadsZero},
    {"12F675", SimFamily::F675, 1024, 128, 0x0FC5, kF675Bits, true, kF675, kCal675, kF675ReadsZero},
    {"16F630", SimFamily::F675, 1024, 128, 0x10C3, kF675Bits, true, kF675, kCal630, kF675ReadsZero},
    {"16F676", SimFamily::F675, 1024, 128, 0x10E1, kF675Bits, true, kF675, kCal676, kF675ReadsZero},
    F88x("16F882", 2048, 128, 0x2003, 0x2A6C, 4),
    F88x("16F883", 4096, 256, 0x2025, 0x2B41, 4),
    F88x("16F884", 4096, 256, 0x2041, 0x2A98, 4),
    F88x("16F886", 8192, 256, 0x2066, 0x2B07, 8),
    F88x("16F887", 8192, 256, 0x2082, 0x2AD3, 8),
    F6xx("16F631", 1024, 128, 0x1423, 0x2854),
    F6xx("16F677", 2048, 256, 0x1441, 0x27A9),
    F6xx("16F684", 2048, 256, 0x1082, 0x2C16),
    F6xx("16F685", 4096, 256, 0x04A3, 0x2B5E),
    F6xx("16F687", 2048, 256, 0x1324, 0x29C3),
    F6xx("16F688", 4096, 256, 0x1185, 0x2A0F),
    F6xx("16F689", 4096, 256, 0x1342, 0x2873),
    F6xx("16F690", 4096, 256, 0x1405, 0x2B9A),
    F6xx("12F683", 2048, 256, 0x0463, 0x2C4D),
    F91x("16F913", 4096, 0x13E1, 0x2A37, 0x1F42, 4),
    F91x("16F914", 4096, 0x13C2, 0x2B12, 0x1E85, 4),
    F91x("16F916", 8192, 0x13A3, 0x29E8, 0x1F1C, 8),
    F91x("16F917", 8192, 0x1381, 0x2A5D, 0x1EB0, 8),
    {.name = "16F87",
     .family = SimFamily::F81X,
     .programWords = 4096,
     .eepromBytes = 256,
     .deviceId = 0x0723,
     .configMask = kAllBits,
     .allOrNothing = true,
     .times = kF88,
     .factory = kNoCalibration,
     .config2Mask = 0x0003},
    {.name = "16F88",
     .family = SimFamily::F81X,
     .programWords = 4096,
     .eepromBytes = 256,
     .deviceId = 0x0768,
     .configMask = kAllBits,
     .allOrNothing = true,
     .times = kF88,
     .factory = kNoCalibration,
     .config2Mask = 0x0003},
    {"16F818", SimFamily::F81X, 1024, 128, 0x04C4, kAllBits, true, kF819, kNoCalibration},
    {"16F819", SimFamily::F81X, 2048, 256, 0x04E2, kAllBits, true, kF819, kNoCalibration},
}};

using Factory = std::unique_ptr<Chip> (*)(const PartInfo&, Faults&, SimStats&, ViolationLog&);

// In SimFamily's order.
constexpr std::array<Factory, 7> kFactories{MakeClassicChip, MakeClassicChip, MakeF87xaChip,
                                            MakeF62xaChip,   MakeF675Chip,    MakeF88xChip,
                                            MakeF81xChip};

}  // namespace

const PartInfo& PartOf(SimModel model) { return kParts[static_cast<std::size_t>(model)]; }

std::unique_ptr<Chip> MakeChip(SimModel model, Faults& faults, SimStats& stats, ViolationLog& log) {
  const PartInfo& part = PartOf(model);
  return kFactories[static_cast<std::size_t>(part.family)](part, faults, stats, log);
}

std::optional<SimModel> ParseSimModel(std::string_view text) {
  std::string upper;
  for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string_view name = upper;
  if (name.substr(0, 3) == "PIC") name.remove_prefix(3);
  for (std::size_t i = 0; i < kParts.size(); ++i) {
    if (kParts[i].name == name) return static_cast<SimModel>(i);
  }
  return std::nullopt;
}

std::string_view SimModelName(SimModel model) { return PartOf(model).name; }
SimFamily FamilyOf(SimModel model) { return PartOf(model).family; }

std::vector<std::string_view> SimModelNames() {
  std::vector<std::string_view> names;
  for (const PartInfo& part : kParts) names.push_back(part.name);
  return names;
}

}  // namespace daxwel::sim
