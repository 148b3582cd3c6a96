#include "device/catalogue.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>

#include "device/family.h"

namespace daxwel {

// The family descriptors, each defined beside its algorithm in families/.
extern const FamilyDescriptor kFamily16F84;
extern const FamilyDescriptor kFamily16F870;
extern const FamilyDescriptor kFamily16F873;
extern const FamilyDescriptor kFamily16F876;
extern const FamilyDescriptor kFamily16F87XA;
extern const FamilyDescriptor kFamily16F62XA;
extern const FamilyDescriptor kFamily12F675;
extern const FamilyDescriptor kFamily16F882;
extern const FamilyDescriptor kFamily16F883;
extern const FamilyDescriptor kFamily16F886;
extern const FamilyDescriptor kFamily16F6XX;
extern const FamilyDescriptor kFamily16F91X;
extern const FamilyDescriptor kFamily16F88;
extern const FamilyDescriptor kFamily16F818;
extern const FamilyDescriptor kFamily16F819;

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Figures from Microchip's programming documents for the parts: DS30262 (PIC16F8X EEPROM
// memory programming) for the 16F84A and DS39025 (PIC16F87X Flash memory programming) for the
// 16F87X. The 16F84 without A has no device ID and a slower cell, so its row waits 20 ms for
// everything until the part shows a 16F84A ID. We could not confirm a Begin Programming Only
// time of the 16F84A's own, so it keeps the Begin Erase/Programming Cycle.
constexpr CycleTimes k16F84{milliseconds(20), milliseconds(0), milliseconds(20)};
constexpr CycleTimes k16F84A{milliseconds(8), milliseconds(0), milliseconds(10)};
// tera + tprog = 4 + 4 ms for an erase/program cycle, tprog = 4 ms programming only.
constexpr CycleTimes k16F87X{milliseconds(8), milliseconds(4), milliseconds(8)};
// Microchip DS39589 (PIC16F87XA Flash memory programming), as other programmers cite it:
// 1 ms programming only and 10 ms erase/program and chip erase, with no word on whether those
// are worst cases; these are the longer waits that working programmers use. A row cycle
// writes all eight latches; End Programming closes a programming-only cycle.
constexpr CycleTimes k16F87XA{.eraseProgram = milliseconds(12),
                              .programOnly = milliseconds(0),
                              .bulkErase = milliseconds(15),
                              .rowProgram = milliseconds(16),
                              .rowProgramOnly = milliseconds(2),
                              .discharge = microseconds(100)};
// Microchip DS41196 (PIC16F627A/628A/648A EEPROM memory programming), as other programmers
// quote its revisions: 2.5 or 4 ms to program a word and 6 ms per bulk erase; these waits
// cover all of them with room to spare. 001000 programs without erasing on these parts.
constexpr CycleTimes k16F62XA{.eraseProgram = milliseconds(5),
                              .programOnly = milliseconds(0),
                              .bulkErase = milliseconds(10),
                              .beforeErase = milliseconds(10)};
// Microchip DS39607 (PIC16F87/88) and DS39603 (PIC16F818/819) with the later revisions other
// programmers quote: Begin Erase of a row or a data byte 1 ms (here 3 ms), programming only
// 1 ms (2 ms), bulk erase 2 or 10 ms and Chip Erase 8 or 10 ms (15 ms for either); no wait
// after End Programming is published, the 100 us are a peer's. Begin Erase and programming
// only are ended by End Programming.
constexpr CycleTimes k16F81X{.eraseProgram = milliseconds(3),
                             .programOnly = milliseconds(0),
                             .bulkErase = milliseconds(15),
                             .rowProgramOnly = milliseconds(2),
                             .discharge = microseconds(100)};

// Microchip DS41191 (PIC12F629/675, PIC16F630/676 EEPROM memory programming): at most 2.5 ms
// to program a word and 8 ms per bulk erase; 5 and 10 ms, as working programmers wait.
constexpr CycleTimes k12F675{milliseconds(5), milliseconds(0), milliseconds(10)};

// Microchip DS41287 (PIC16F88X), DS41204 (PIC12F6XX/16F6XX) and DS41244 (PIC16F91X) memory
// programming: at least 3 ms for a self-timed write of a 4-word group, an ID or a
// configuration word (5 ms here), at most 6 ms for a bulk or row erase (10 ms here).
constexpr CycleTimes k16F88X{.eraseProgram = milliseconds(5),
                             .programOnly = milliseconds(0),
                             .bulkErase = milliseconds(10),
                             .rowProgram = milliseconds(5)};

// The original parts are named by ID bits 11..5, the later ones by bits 13..5. The 16F87/88
// and 16F818/819 keep their revision in bits 3..0 only, and bit 4 of each of their IDs is 0.
constexpr std::uint16_t kOldId = 0x0FE0;
constexpr std::uint16_t kNewId = 0x3FE0;

// ICSP pins of the DIP packages, from the parts' data sheets and programming documents.
constexpr IcspPins k18Pin{18, {"RB6", 12}, {"RB7", 13}, {"MCLR", 4}};
constexpr IcspPins k28Pin{28, {"RB6", 27}, {"RB7", 28}, {"MCLR", 1}};
constexpr IcspPins k40Pin{40, {"RB6", 39}, {"RB7", 40}, {"MCLR", 1}};
constexpr IcspPins k8PinGp{8, {"GP1", 6}, {"GP0", 7}, {"GP3", 4}};
constexpr IcspPins k14PinRa{14, {"RA1", 12}, {"RA0", 13}, {"RA3", 4}};
constexpr IcspPins k20PinRa{20, {"RA1", 18}, {"RA0", 19}, {"RA3", 4}};
// The 16F91X: only MCLR/RE3 on pin 1 is in our documents.
constexpr IcspPins k91xPins{0, {"RB6", 0}, {"RB7", 0}, {"MCLR", 1}};

// One row a line, the pins last.
// clang-format off
constexpr DeviceModel kModels[] = {
    {1, "16F84/84A", "16F84", "16F84A", 1024, 64, &kFamily16F84, 0x0560, kOldId, k16F84, k16F84A, &k18Pin},
    {2, "16F870", "16F870", "", 2048, 64, &kFamily16F870, 0x0D00, kOldId, k16F87X, {}, &k28Pin},
    {3, "16F871", "16F871", "", 2048, 64, &kFamily16F870, 0x0D20, kOldId, k16F87X, {}, &k40Pin},
    {4, "16F872", "16F872", "", 2048, 64, &kFamily16F870, 0x08E0, kOldId, k16F87X, {}, &k28Pin},
    {5, "16F873", "16F873", "", 4096, 128, &kFamily16F873, 0x0960, kOldId, k16F87X, {}, &k28Pin},
    {6, "16F874", "16F874", "", 4096, 128, &kFamily16F873, 0x0920, kOldId, k16F87X, {}, &k40Pin},
    {7, "16F876", "16F876", "", 8192, 256, &kFamily16F876, 0x09E0, kOldId, k16F87X, {}, &k28Pin},
    {8, "16F877", "16F877", "", 8192, 256, &kFamily16F876, 0x09A0, kOldId, k16F87X, {}, &k40Pin},
    {9, "16F873A", "16F873A", "", 4096, 128, &kFamily16F87XA, 0x0E40, kNewId, k16F87XA, {}, &k28Pin},
    {10, "16F874A", "16F874A", "", 4096, 128, &kFamily16F87XA, 0x0E60, kNewId, k16F87XA, {}, &k40Pin},
    {11, "16F876A", "16F876A", "", 8192, 256, &kFamily16F87XA, 0x0E00, kNewId, k16F87XA, {}, &k28Pin},
    {12, "16F877A", "16F877A", "", 8192, 256, &kFamily16F87XA, 0x0E20, kNewId, k16F87XA, {}, &k40Pin},
    {13, "16F627A", "16F627A", "", 1024, 128, &kFamily16F62XA, 0x1040, kNewId, k16F62XA, {}, &k18Pin},
    {14, "16F628A", "16F628A", "", 2048, 128, &kFamily16F62XA, 0x1060, kNewId, k16F62XA, {}, &k18Pin},
    {15, "16F648A", "16F648A", "", 4096, 256, &kFamily16F62XA, 0x1100, kNewId, k16F62XA, {}, &k18Pin},
    {16, "12F629", "12F629", "", 1024, 128, &kFamily12F675, 0x0F80, kNewId, k12F675, {}, &k8PinGp},
    {17, "12F675", "12F675", "", 1024, 128, &kFamily12F675, 0x0FC0, kNewId, k12F675, {}, &k8PinGp},
    {18, "16F630", "16F630", "", 1024, 128, &kFamily12F675, 0x10C0, kNewId, k12F675, {}, &k14PinRa},
    {19, "16F676", "16F676", "", 1024, 128, &kFamily12F675, 0x10E0, kNewId, k12F675, {}, &k14PinRa},
    {20, "16F87", "16F87", "", 4096, 256, &kFamily16F88, 0x0720, kNewId, k16F81X, {}, &k18Pin},
    {21, "16F88", "16F88", "", 4096, 256, &kFamily16F88, 0x0760, kNewId, k16F81X, {}, &k18Pin},
    {22, "16F818", "16F818", "", 1024, 128, &kFamily16F818, 0x04C0, kNewId, k16F81X, {}, &k18Pin},
    {23, "16F819", "16F819", "", 2048, 256, &kFamily16F819, 0x04E0, kNewId, k16F81X, {}, &k18Pin},
    {24, "16F882", "16F882", "", 2048, 128, &kFamily16F882, 0x2000, kNewId, k16F88X, {}, &k28Pin},
    {25, "16F883", "16F883", "", 4096, 256, &kFamily16F883, 0x2020, kNewId, k16F88X, {}, &k28Pin},
    {26, "16F884", "16F884", "", 4096, 256, &kFamily16F883, 0x2040, kNewId, k16F88X, {}, &k40Pin},
    {27, "16F886", "16F886", "", 8192, 256, &kFamily16F886, 0x2060, kNewId, k16F88X, {}, &k28Pin},
    {28, "16F887", "16F887", "", 8192, 256, &kFamily16F886, 0x2080, kNewId, k16F88X, {}, &k40Pin},
    {29, "16F631", "16F631", "", 1024, 128, &kFamily16F6XX, 0x1420, kNewId, k16F88X, {}, &k20PinRa},
    {30, "16F677", "16F677", "", 2048, 256, &kFamily16F6XX, 0x1440, kNewId, k16F88X, {}, &k20PinRa},
    {31, "16F684", "16F684", "", 2048, 256, &kFamily16F6XX, 0x1080, kNewId, k16F88X, {}, &k14PinRa},
    {32, "16F685", "16F685", "", 4096, 256, &kFamily16F6XX, 0x04A0, kNewId, k16F88X, {}, &k20PinRa},
    {33, "16F687", "16F687", "", 2048, 256, &kFamily16F6XX, 0x1320, kNewId, k16F88X, {}, &k20PinRa},
    {34, "16F688", "16F688", "", 4096, 256, &kFamily16F6XX, 0x1180, kNewId, k16F88X, {}, &k14PinRa},
    {35, "16F689", "16F689", "", 4096, 256, &kFamily16F6XX, 0x1340, kNewId, k16F88X, {}, &k20PinRa},
    {36, "16F690", "16F690", "", 4096, 256, &kFamily16F6XX, 0x1400, kNewId, k16F88X, {}, &k20PinRa},
    {37, "12F683", "12F683", "", 2048, 256, &kFamily16F6XX, 0x0460, kNewId, k16F88X, {}},
    {38, "16F913", "16F913", "", 4096, 256, &kFamily16F91X, 0x13E0, kNewId, k16F88X, {}, &k91xPins},
    {39, "16F914", "16F914", "", 4096, 256, &kFamily16F91X, 0x13C0, kNewId, k16F88X, {}, &k91xPins},
    {40, "16F916", "16F916", "", 8192, 256, &kFamily16F91X, 0x13A0, kNewId, k16F88X, {}, &k91xPins},
    {41, "16F917", "16F917", "", 8192, 256, &kFamily16F91X, 0x1380, kNewId, k16F88X, {}, &k91xPins},
};
// clang-format on

// A row's index is its place in the list, which the window and saved settings use.
constexpr bool IndicesFollowRows() {
  for (std::size_t i = 0; i < std::size(kModels); ++i) {
    if (kModels[i].index != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(IndicesFollowRows(), "a catalogue row's index must be its place in the list");

}  // namespace

std::span<const DeviceModel> Catalogue() { return kModels; }

const DeviceModel* ModelByIndex(int index) {
  if (index < 1 || index > static_cast<int>(std::size(kModels))) return nullptr;
  return &kModels[static_cast<std::size_t>(index - 1)];
}

int ModelIndexById(std::uint16_t id) {
  for (const DeviceModel& m : kModels) {
    if (m.Identifies(id)) return m.index;
  }
  return 0;
}

const ConfigLayout* ConfigLayoutOf(int index) {
  const DeviceModel* model = ModelByIndex(index);
  return model != nullptr ? model->family->layout : nullptr;
}

std::vector<const ConfigLayout*> ConfigLayouts() {
  std::vector<const ConfigLayout*> layouts;
  for (const DeviceModel& m : kModels) {
    if (std::find(layouts.begin(), layouts.end(), m.family->layout) == layouts.end()) {
      layouts.push_back(m.family->layout);
    }
  }
  return layouts;
}

std::vector<std::string> ModelListTexts() {
  std::vector<std::string> texts{std::string(kAutodetect)};
  for (const DeviceModel& m : kModels) texts.emplace_back(m.listText);
  return texts;
}

std::string ModelNames(std::string_view separator) {
  std::string names;
  for (const DeviceModel& m : kModels) {
    for (std::string_view name : {m.modelName, m.alias}) {
      if (name.empty()) continue;
      if (!names.empty()) names += separator;
      names += name;
    }
  }
  return names;
}

std::optional<int> ModelIndexByName(std::string_view text) {
  std::string upper;
  for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "AUTO" || upper == "AUTODETECTAR") return 0;
  std::string_view name = upper;
  if (name.substr(0, 3) == "PIC") name.remove_prefix(3);
  for (const DeviceModel& m : kModels) {
    if (m.Answers(name)) return m.index;
  }
  return std::nullopt;
}

}  // namespace daxwel
