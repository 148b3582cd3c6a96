#include "device/part_facts.h"

#include <bit>
#include <cstdio>

#include "device/family.h"

namespace daxwel {

namespace {

std::string Hex(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

// The factory values a part keeps: "OSCCAL 0x03FF, BG 0x2007<13:12>, 0x2008, 0x2009"; "-" for
// none.
std::string Calibration(const FamilyDescriptor& family) {
  std::string text;
  auto add = [&text](const std::string& item) {
    if (!text.empty()) text += ", ";
    text += item;
  };
  for (const PreservedBits& p : family.preserved) {
    std::string item = std::string(p.name) + " " + Hex(p.address, 4);
    if (p.mask != 0x3FFF) {
      const int low = std::countr_zero(p.mask);
      const int high = static_cast<int>(std::bit_width(p.mask)) - 1;
      char bits[16];
      std::snprintf(bits, sizeof bits, "<%d:%d>", high, low);
      item += bits;
    }
    add(item);
  }
  for (int address : family.calibrationWords) add(Hex(address, 4));
  return text.empty() ? "-" : text;
}

std::string PinText(const IcspPin& pin) {
  return std::string(pin.name) + ":" + (pin.number > 0 ? std::to_string(pin.number) : "?");
}

}  // namespace

const std::vector<std::string>& PartFactHeader() {
  static const std::vector<std::string> header{"modelo", "familia",     "palabras",  "eeprom",
                                               "config", "calibracion", "vpp_max_v", "vdd",
                                               "patas",  "reloj",       "datos",     "vpp"};
  return header;
}

std::vector<std::string> PartFactFields(const DeviceModel& m) {
  const FamilyDescriptor& f = *m.family;
  std::vector<std::string> fields{std::string(m.listText),
                                  std::string(f.name),
                                  std::to_string(m.programWords),
                                  std::to_string(m.eepromBytes),
                                  std::to_string(f.configWords),
                                  Calibration(f),
                                  std::to_string(f.vppLimitVolts > 0 ? f.vppLimitVolts : 13),
                                  f.vddRange.empty() ? "?" : std::string(f.vddRange)};
  if (m.pins == nullptr) {
    fields.insert(fields.end(), {"?", "?", "?", "?"});
  } else {
    const IcspPins& p = *m.pins;
    fields.push_back(p.packagePins > 0 ? std::to_string(p.packagePins) : "?");
    fields.push_back(PinText(p.clock));
    fields.push_back(PinText(p.data));
    fields.push_back(PinText(p.vpp));
  }
  return fields;
}

std::string PartFactsText(const DeviceModel& model) {
  const std::vector<std::string> f = PartFactFields(model);
  std::string text = "PIC " + f[0] + ", familia " + f[1] + "\n";
  text += "Memoria de programa: " + f[2] + " palabras; EEPROM: " + f[3] + " bytes\n";
  text += "Palabras de configuración: " + f[4] + "; calibración de fábrica: " + f[5] + "\n";
  text += "VPP máxima: " + f[6] + " V; VDD al grabar: " + f[7] + "\n";
  text += "Patas ICSP (" + f[8] + " patas): reloj " + f[9] + ", datos " + f[10] + ", VPP " + f[11];
  if (!model.pgm.name.empty()) text += ", PGM " + PinText(model.pgm);
  return text;
}

}  // namespace daxwel
