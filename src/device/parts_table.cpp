#include "device/parts_table.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>
#include <map>
#include <sstream>

namespace daxwel {

namespace {

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

std::string Upper(std::string_view text) {
  std::string upper;
  for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::istringstream in{std::string(text)};
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// "0x2007" or "1024"; nothing for anything else or a value above `max`.
std::optional<int> Number(std::string_view text, int max) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc{} || end != text.data() + text.size() || value < 0 || value > max) {
    return std::nullopt;
  }
  return value;
}

// "RB6:12", "MCLR:?".
std::optional<PartSection::Pin> ParsePin(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  const std::string_view number = text.substr(colon + 1);
  if (number == "?") return PartSection::Pin{std::string(text.substr(0, colon)), 0};
  const auto n = Number(number, 100);
  if (!n || *n == 0) return std::nullopt;
  return PartSection::Pin{std::string(text.substr(0, colon)), *n};
}

bool ValidName(std::string_view name) {
  return !name.empty() && name.size() <= 16 && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'Z');
  });
}

// The name a section or an alias gives, upper case and without "PIC".
std::string PartName(std::string_view text) {
  std::string name = Upper(Trim(text));
  if (name.rfind("PIC", 0) == 0) name.erase(0, 3);
  return name;
}

using Setter = std::function<std::string(PartSection&, std::string_view)>;

std::string Word14(std::string_view value, std::optional<std::uint16_t>& out) {
  const auto n = Number(value, 0x3FFF);
  if (!n) return "se espera una palabra de 14 bits (0x0000 a 0x3FFF)";
  out = static_cast<std::uint16_t>(*n);
  return {};
}

std::string Count(std::string_view value, int min, int max, int& out) {
  const auto n = Number(value, max);
  if (!n || *n < min)
    return "se espera un número de " + std::to_string(min) + " a " + std::to_string(max);
  out = *n;
  return {};
}

std::string SetConfig(PartSection& p, std::string_view value) {
  std::vector<PartSection::Word> words;
  for (const std::string& item : Words(value)) {
    const auto colon = item.find(':');
    const auto address = Number(std::string_view(item).substr(0, colon), 0xFFFF);
    const auto mask = colon == std::string::npos
                          ? std::nullopt
                          : Number(std::string_view(item).substr(colon + 1), 0x3FFF);
    const int next = 0x2007 + static_cast<int>(words.size());
    if (!address || !mask || *address != next) {
      return "se espera dirección:bits de cada palabra de configuración, desde 0x2007 y "
             "seguidas (0x2007:0x3FFF 0x2008:0x0003)";
    }
    words.push_back({*address, static_cast<std::uint16_t>(*mask)});
  }
  if (words.empty()) return "falta la palabra de configuración (0x2007:bits)";
  p.config = words;
  return {};
}

std::string SetCalibration(PartSection& p, std::string_view value) {
  std::vector<int> words;
  for (const std::string& item : Words(value)) {
    const auto address = Number(item, 0xFFFF);
    if (!address || *address < 0x2008 || *address > 0x201F) {
      return "se esperan direcciones de la memoria de configuración (0x2008 a 0x201F)";
    }
    words.push_back(*address);
  }
  p.calibration = words;
  return {};
}

std::string SetPreserved(PartSection& p, std::string_view value) {
  std::vector<PartSection::Kept> kept;
  for (const std::string& item : Words(value)) {
    const auto first = item.find(':');
    const auto second = first == std::string::npos ? first : item.find(':', first + 1);
    std::optional<int> address, mask;
    if (second != std::string::npos) {
      address = Number(std::string_view(item).substr(first + 1, second - first - 1), 0x2007);
      mask = Number(std::string_view(item).substr(second + 1), 0x3FFF);
    }
    if (first == 0 || !address || !mask || *mask == 0) {
      return "se espera NOMBRE:dirección:bits de cada valor de fábrica (OSCCAL:0x03FF:0x3FFF)";
    }
    kept.push_back({item.substr(0, first), *address, static_cast<std::uint16_t>(*mask)});
  }
  p.preserved = kept;
  return {};
}

std::string SetPins(PartSection& p, std::string_view value) {
  const std::vector<std::string> words = Words(value);
  const char* expected =
      "se espera el número de patas y reloj, datos y VPP como nombre:pata "
      "(28 RB6:27 RB7:28 MCLR:1; ? donde no se conoce)";
  if (words.size() != 4) return expected;
  const auto count = words[0] == "?" ? std::optional<int>(-1) : Number(words[0], 100);
  std::vector<PartSection::Pin> pins;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const auto pin = ParsePin(words[i]);
    if (!pin) return expected;
    pins.push_back(*pin);
  }
  if (!count || *count == 0) return expected;
  p.packagePins = *count;
  p.pins = pins;
  return {};
}

std::string SetAliases(PartSection& p, std::string_view value) {
  std::vector<std::string> aliases;
  for (const std::string& word : Words(value)) {
    aliases.push_back(PartName(word));
    if (!ValidName(aliases.back())) return "\"" + word + "\" no es un nombre de PIC (16F84A)";
  }
  p.aliases = aliases;
  return {};
}

const std::map<std::string, Setter, std::less<>>& Setters() {
  static const std::map<std::string, Setter, std::less<>> setters = {
      {"list",
       [](PartSection& p, std::string_view v) { return (p.list = Trim(v)), std::string(); }},
      {"aliases", SetAliases},
      {"no-id",
       [](PartSection& p, std::string_view v) { return (p.noId = PartName(v)), std::string(); }},
      {"family", [](PartSection& p,
                    std::string_view v) { return (p.family = Upper(Trim(v))), std::string(); }},
      {"id", [](PartSection& p, std::string_view v) { return Word14(v, p.id); }},
      {"id-mask", [](PartSection& p, std::string_view v) { return Word14(v, p.idMask); }},
      {"program",
       [](PartSection& p, std::string_view v) { return Count(v, 1, 0x2000, p.programWords); }},
      {"eeprom",
       [](PartSection& p, std::string_view v) { return Count(v, 0, 256, p.eepromBytes); }},
      {"config", SetConfig},
      {"calibration", SetCalibration},
      {"preserved", SetPreserved},
      {"vpp-max",
       [](PartSection& p, std::string_view v) { return Count(v, 8, 14, p.vppMaxVolts); }},
      {"vdd", [](PartSection& p, std::string_view v) { return (p.vdd = Trim(v)), std::string(); }},
      {"pgm",
       [](PartSection& p, std::string_view v) -> std::string {
         p.pgm = ParsePin(Trim(v));
         return p.pgm ? "" : "se espera nombre:pata (RB3:24)";
       }},
      {"pins", SetPins},
      {"latches", [](PartSection& p, std::string_view v) { return Count(v, 1, 64, p.latches); }},
      {"hv",
       [](PartSection& p, std::string_view v) -> std::string {
         const std::string value = Trim(v);
         if (value != "yes" && value != "no") return "se espera yes o no";
         p.hv = value == "yes";
         return {};
       }},
  };
  return setters;
}

std::string KeyList() {
  std::string keys;
  for (const auto& entry : Setters()) keys.append(keys.empty() ? "" : ", ").append(entry.first);
  return keys;
}

}  // namespace

std::string ParsePartsText(std::string_view text, std::string_view fileName,
                           std::vector<PartSection>& parts) {
  std::vector<PartSection> result = parts;
  std::map<std::string, int> sectionLine;  // sections of this file -> line
  std::map<std::string, int> keyLine;      // keys of the current section -> line
  PartSection* current = nullptr;
  std::istringstream in{std::string(text)};
  int number = 0;
  const auto fail = [&](const std::string& what) {
    return std::string(fileName) + ":" + std::to_string(number) + ": " + what;
  };
  for (std::string raw; std::getline(in, raw);) {
    ++number;
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      const std::string name = PartName(line.substr(1, line.size() - 1 - (line.back() == ']')));
      if (line.back() != ']' || !ValidName(name)) {
        return fail("se espera [NOMBRE] con el nombre del PIC (letras y cifras, como [16F877A])");
      }
      if (auto seen = sectionLine.find(name); seen != sectionLine.end()) {
        return fail("[" + name + "] ya está en la línea " + std::to_string(seen->second));
      }
      sectionLine[name] = number;
      keyLine.clear();
      auto it = std::find_if(result.begin(), result.end(),
                             [&](const PartSection& p) { return p.name == name; });
      if (it == result.end()) {
        it = result.emplace(result.end());
        it->name = name;
      }
      current = &*it;
      current->where = std::string(fileName) + ":" + std::to_string(number);
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos) {
      return fail("línea no válida (se espera clave = valor, [NOMBRE], o un comentario con ; o #)");
    }
    if (current == nullptr) return fail("clave fuera de una sección: falta [NOMBRE] antes");
    const std::string key = Trim(std::string_view(line).substr(0, equals));
    const std::string value = Trim(std::string_view(line).substr(equals + 1));
    const auto setter = Setters().find(key);
    if (setter == Setters().end()) {
      return fail("clave desconocida \"" + key + "\" (" + KeyList() + ")");
    }
    if (auto seen = keyLine.find(key); seen != keyLine.end()) {
      return fail("\"" + key + "\" ya se dio en la línea " + std::to_string(seen->second));
    }
    keyLine[key] = number;
    if (const std::string why = setter->second(*current, value); !why.empty()) {
      return fail(key + "=" + value + ": " + why);
    }
  }
  parts = std::move(result);
  return {};
}

std::string MissingKeys(const PartSection& part) {
  std::string missing;
  const auto need = [&](bool given, std::string_view key) {
    if (!given) missing.append(missing.empty() ? "" : ", ").append(key);
  };
  need(!part.family.empty(), "family");
  need(part.id.has_value(), "id");
  need(part.idMask.has_value(), "id-mask");
  need(part.programWords > 0, "program");
  need(part.eepromBytes >= 0, "eeprom");
  need(!part.config.empty(), "config");
  return missing.empty() ? missing : "falta " + missing;
}

}  // namespace daxwel
