// The parts the simulator knows, one row each, and the chip model of each family.

#include <array>
#include <cctype>
#include <string>

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr nanoseconds kNone{0};

// 16F84: the older, slower cell; 16F84A and 16F87X: 8 ms erase + write, 4 ms programming only.
constexpr CycleTimes kF84{milliseconds(20), milliseconds(20), kNone, kNone,
                          milliseconds(20), milliseconds(20)};
constexpr CycleTimes kF84A{milliseconds(8), milliseconds(8),  kNone,
                           milliseconds(8), milliseconds(10), milliseconds(10)};
constexpr CycleTimes kF87X{milliseconds(8), milliseconds(8), kNone,
                           milliseconds(4), milliseconds(8), milliseconds(8)};
// 16F87XA: a whole latch row takes longer than one word; programming only is timed by the
// programmer and needs 1 ms at least.
constexpr CycleTimes kF87XA{milliseconds(12), milliseconds(12), milliseconds(16),
                            milliseconds(1),  milliseconds(15), milliseconds(15)};
// 16F62XA: programming without erase; self-timed bulk erases; no chip erase.
constexpr CycleTimes kF62XA{milliseconds(5), milliseconds(10), kNone,
                            kNone,           milliseconds(10), kNone};
// 12F629/675, 16F630/676 (DS41191D Table 5-1 maxima; the word write takes the 3 ms an earlier
// revision printed): a word 3 ms, an EEPROM byte 6 ms, programming only 2 ms, a bulk erase 8 ms.
constexpr CycleTimes kF675{milliseconds(3), milliseconds(6), kNone,
                           milliseconds(2), milliseconds(8), kNone};

constexpr std::uint16_t kAllBits = 0x3FFF;
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
constexpr std::array<PartInfo, 20> kParts{{
    {"16F84", SimFamily::F84, 1024, 64, 0x0000, kAllBits, false, kF84, kNoCalibration},
    {"16F84A", SimFamily::F84, 1024, 64, 0x0562, kAllBits, false, kF84A, kNoCalibration},
    {"16F870", SimFamily::F87X, 2048, 64, 0x0D03, kAllBits, true, kF87X, kNoCalibration},
    {"16F871", SimFamily::F87X, 2048, 64, 0x0D23, kAllBits, true, kF87X, kNoCalibration},
    {"16F872", SimFamily::F87X, 2048, 64, 0x08E4, kAllBits, true, kF87X, kNoCalibration},
    {"16F873", SimFamily::F87X, 4096, 128, 0x0967, kAllBits, false, kF87X, kNoCalibration},
    {"16F874", SimFamily::F87X, 4096, 128, 0x0927, kAllBits, false, kF87X, kNoCalibration},
    {"16F876", SimFamily::F87X, 8192, 256, 0x09E7, kAllBits, false, kF87X, kNoCalibration},
    {"16F877", SimFamily::F87X, 8192, 256, 0x09A7, kAllBits, false, kF87X, kNoCalibration},
    {"16F873A", SimFamily::F87XA, 4096, 128, 0x0E41, kF87XABits, true, kF87XA, kNoCalibration},
    {"16F874A", SimFamily::F87XA, 4096, 128, 0x0E62, kF87XABits, true, kF87XA, kNoCalibration},
    {"16F876A", SimFamily::F87XA, 8192, 256, 0x0E01, kF87XABits, true, kF87XA, kNoCalibration},
    {"16F877A", SimFamily::F87XA, 8192, 256, 0x0E23, kF87XABits, true, kF87XA, kNoCalibration},
    {"16F627A", SimFamily::F62XA, 1024, 128, 0x1044, kF62XABits, true, kF62XA, kNoCalibration},
    {"16F628A", SimFamily::F62XA, 2048, 128, 0x1068, kF62XABits, true, kF62XA, kNoCalibration},
    {"16F648A", SimFamily::F62XA, 4096, 256, 0x1103, kF62XABits, true, kF62XA, kNoCalibration},
    {"12F629", SimFamily::F675, 1024, 128, 0x0F82, kF675Bits, true, kF675, kCal629},
    {"12F675", SimFamily::F675, 1024, 128, 0x0FC5, kF675Bits, true, kF675, kCal675},
    {"16F630", SimFamily::F675, 1024, 128, 0x10C3, kF675Bits, true, kF675, kCal630},
    {"16F676", SimFamily::F675, 1024, 128, 0x10E1, kF675Bits, true, kF675, kCal676},
}};

using Factory = std::unique_ptr<Chip> (*)(const PartInfo&, Faults&, SimStats&, ViolationLog&);

// In SimFamily's order.
constexpr std::array<Factory, 5> kFactories{MakeClassicChip, MakeClassicChip, MakeF87xaChip,
                                            MakeF62xaChip, MakeF675Chip};

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
