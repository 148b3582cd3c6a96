#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/family.h"
#include "image/hex_image.h"

namespace daxwel {

// One programming line at the package: the pin's name and number, 0 where our documents do not
// give the number.
struct IcspPin {
  std::string name;
  int number;
};
// Where the adapter's clock, data and VPP reach a package; packagePins 0 where not known.
struct IcspPins {
  int packagePins;
  IcspPin clock;
  IcspPin data;
  IcspPin vpp;
};

// A row of the model list, as the parts files describe it. The strings it views live as long
// as the catalogue.
struct DeviceModel {
  int index;                   // 1.., position in the model list
  std::string_view listText;   // "16F84/84A"
  std::string_view modelName;  // "16F84"
  // Other names the row answers to ("16F84A").
  std::vector<std::string_view> aliases;
  int programWords;
  int eepromBytes;
  // The row's family with the row's own facts (configuration masks, calibration, VPP limit),
  // and the key the parts file names it by.
  const FamilyDescriptor* family;
  std::string_view familyKey;
  // The device ID (0x2006) with its revision and ignored bits cleared, and the bits that
  // name the part: 11..5 on the original parts, 13..5 on the later ones.
  std::uint16_t deviceId;
  std::uint16_t deviceIdMask;
  // Cycle times of a part whose device ID is unknown or does not match.
  CycleTimes cycles;
  // Faster cycles for a row that also holds an older part without a device ID: they apply
  // only once the part has shown the row's own ID.
  std::optional<CycleTimes> identifiedCycles;
  // The ICSP pins of the package; nullptr where our documents do not give them.
  const IcspPins* pins = nullptr;
  // The low-voltage programming pin, name empty where the part has none.
  IcspPin pgm{};
  // A name of the row whose silicon has no device ID ("16F84"), or "".
  std::string_view noIdName;
  // Program-memory write latches, 0 where the parts file does not say.
  int latches = 0;
  // A part whose VDD holds a shunt regulator (12HV609 and the like): more than 4.7 V without a
  // series resistor can destroy it.
  bool hv = false;
  // Where the row's section is: "pics.ini:12".
  std::string_view source;
  bool Identifies(std::uint16_t word) const { return (word & deviceIdMask) == deviceId; }
  // Whether `text` (upper case, without "PIC") names this row.
  bool Answers(std::string_view text) const {
    if (text == listText || text == modelName) return true;
    for (std::string_view alias : aliases) {
      if (text == alias) return true;
    }
    return false;
  }
};

inline constexpr std::string_view kAutodetect = "Autodetectar";
// The parts table shipped with the program; users' files sit in ~/.config/daxwel/pics.
inline constexpr std::string_view kPartsFileName = "pics.ini";

struct PartSection;

// Rows built from parts-file texts, as the program reads them; tests build their own.
class PartsCatalogue {
 public:
  PartsCatalogue();
  ~PartsCatalogue();
  PartsCatalogue(const PartsCatalogue&) = delete;
  PartsCatalogue& operator=(const PartsCatalogue&) = delete;
  // Adds one file's sections (later files change the parts earlier ones gave); answers the
  // empty text or "FILE:LINE: what is wrong", and then nothing of the file is taken.
  std::string Add(std::string_view text, std::string_view fileName);
  // Checks every part against its family and the others, and makes the rows; answers the
  // empty text or the first problem ("FILE:LINE: [NAME] ..."), and then there are no rows.
  std::string Build();
  std::span<const DeviceModel> Rows() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The parts shipped with the program, then the user's (~/.config/daxwel/pics/*.ini in name
// order, then the file SetExtraPartsFile names), read on first use.
std::span<const DeviceModel> Catalogue();
// Why the parts could not all be read ("pics.ini:12: ..."), or the empty text. With a problem
// the catalogue holds none of the user's parts, or none at all when the shipped file is at
// fault: nothing is programmed from a table half read.
const std::string& CatalogueProblem();
// A parts file given on the command line; only before the first use of the catalogue.
void SetExtraPartsFile(std::string path);
// The family a parts file's `family` key names; nullptr when no family file registered it.
const FamilyDescriptor* FamilyByKey(std::string_view key);
// Every registered family key, sorted.
std::vector<std::string_view> FamilyKeys();
// nullptr outside the catalogue.
const DeviceModel* ModelByIndex(int index);
// The row a device ID (0x2006) names, revision ignored; 0 when none does.
int ModelIndexById(std::uint16_t id);
// The row's configuration layout; nullptr outside the catalogue.
const ConfigLayout* ConfigLayoutOf(int index);
// The row's memory sizes and configuration memory, for reading a HEX file for it.
ImageLimits ImageLimitsOf(const DeviceModel& model);
// Every layout a row points to, once each, in row order.
std::vector<const ConfigLayout*> ConfigLayouts();
// "Autodetectar" then the list texts.
std::vector<std::string> ModelListTexts();
// Every model name and alias in list order, joined by `separator`: the help texts' list.
std::string ModelNames(std::string_view separator);
// The row "auto", a list text, a model name or an alias names (case ignored, "PIC" prefix
// allowed): 0 for "auto"/"Autodetectar", nothing for an unknown name.
std::optional<int> ModelIndexByName(std::string_view text);

}  // namespace daxwel
