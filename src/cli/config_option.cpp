#include "cli/config_option.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "device/catalogue.h"
#include "image/hex_image.h"

namespace daxwel::cli {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsHexWord(std::string_view text, int& value) {
  if (text.size() < 3 || text.size() > 6 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
    return false;
  value = 0;
  for (char c : text.substr(2)) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    value = value * 16 + (std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
  }
  return true;
}

// "a, b o c"; "u" instead of "o" before a word that starts with o.
std::string SpanishList(const std::vector<std::string_view>& words) {
  std::string out;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i + 1 == words.size() && i != 0) {
      out += words[i].starts_with('o') ? " u " : " o ";
    } else if (i != 0) {
      out += ", ";
    }
    out += words[i];
  }
  return out;
}

void AddOnce(std::vector<std::string_view>& words, std::string_view word) {
  if (!word.empty() && std::find(words.begin(), words.end(), word) == words.end()) {
    words.push_back(word);
  }
}

// The --config names of every field of every part, or of every value of one field.
std::vector<std::string_view> AllFieldNames() {
  std::vector<std::string_view> names;
  for (const ConfigLayout* layout : ConfigLayouts()) {
    for (const ConfigField& field : layout->fields) AddOnce(names, field.name);
  }
  return names;
}

std::vector<std::string_view> AllValueNames(std::string_view fieldName) {
  std::vector<std::string_view> names;
  for (const ConfigLayout* layout : ConfigLayouts()) {
    if (const ConfigField* field = FindField(*layout, fieldName)) {
      for (const ConfigValue& value : field->values) {
        AddOnce(names, value.name);
        AddOnce(names, value.alias);
      }
    }
  }
  return names;
}

std::vector<std::string_view> ValueNames(const ConfigField& field) {
  std::vector<std::string_view> names;
  for (const ConfigValue& value : field.values) AddOnce(names, value.name);
  return names;
}

// Known to some part: the model is checked later, once it is known.
std::string CheckSomewhere(const std::string& name, const std::string& value) {
  const std::vector<std::string_view> fields = AllFieldNames();
  if (std::find(fields.begin(), fields.end(), name) == fields.end()) {
    return "--config: campo desconocido \"" + name + "\" (" + SpanishList(fields) + ")";
  }
  const std::vector<std::string_view> values = AllValueNames(name);
  if (std::find(values.begin(), values.end(), value) == values.end()) {
    return "--config: valor \"" + value + "\" no válido para " + name + " (" + SpanishList(values) +
           ")";
  }
  return {};
}

}  // namespace

std::string ParseConfigOption(std::string_view text, ConfigChoice& choice) {
  choice = ConfigChoice{};
  const std::string lower = Lower(text);
  if (lower == "file") return {};
  const std::size_t comma = lower.find(',');
  int second = 0;
  if (IsHexWord(std::string_view(lower).substr(0, comma), choice.word) &&
      (comma == std::string::npos ||
       IsHexWord(std::string_view(lower).substr(comma + 1), second))) {
    if (choice.word > 0x3FFF || second > 0x3FFF)
      return "--config: la palabra de configuración tiene 14 bits (0x0000 a 0x3FFF)";
    choice.kind = ConfigChoice::Kind::Word;
    if (comma != std::string::npos) choice.word2 = second;
    return {};
  }
  if (lower.find('=') == std::string::npos) {
    return "--config: se espera file, 0xHHHH, 0xHHHH,0xHHHH o CAMPO=VALOR,... (\"" +
           std::string(text) + "\")";
  }

  choice.kind = ConfigChoice::Kind::Fields;
  std::string_view rest = lower;
  while (true) {
    const std::size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const std::size_t eq = item.find('=');
    if (item.empty() || eq == std::string_view::npos || eq == 0 || eq + 1 == item.size()) {
      return "--config: se espera CAMPO=VALOR y se encontró \"" + std::string(item) + "\"";
    }
    const std::string name(item.substr(0, eq));
    const std::string value(item.substr(eq + 1));
    if (choice.values.contains(name)) return "--config: el campo " + name + " está repetido";
    if (std::string problem = CheckSomewhere(name, value); !problem.empty()) return problem;
    choice.values.emplace(name, value);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return {};
}

std::string CheckConfigForModel(const ConfigChoice& choice, const ConfigLayout* layout) {
  if (choice.kind != ConfigChoice::Kind::Fields) return {};
  if (layout == nullptr) return "No hay un modelo para la configuración";
  for (const auto& [name, value] : choice.values) {
    const ConfigField* field = FindField(*layout, name);
    if (field == nullptr) return "El campo " + name + " no existe en este PIC";
    if (FindValue(*field, value) == nullptr) {
      return name + "=" + value + " no existe en este PIC (" + SpanishList(ValueNames(*field)) +
             ")";
    }
  }
  return {};
}

std::string CheckConfigWordCount(const ConfigChoice& choice, int modelIndex) {
  const DeviceModel* model = ModelByIndex(modelIndex);
  if (!choice.word2 || model == nullptr || modelIndex == 0 || model->family->configWords > 1) {
    return {};
  }
  return "--config: el PIC " + std::string(model->modelName) +
         " tiene una sola palabra de configuración (0x2007); sobra la segunda";
}

std::string ConfigSourceFor(const ConfigChoice& choice, const ConfigLayout* layout) {
  switch (choice.kind) {
    case ConfigChoice::Kind::FromFile:
      return std::string(kFromFile);
    case ConfigChoice::Kind::Word:
      return ToBitString(choice.word) + (choice.word2 ? ToBitString(*choice.word2) : "");
    case ConfigChoice::Kind::Fields:
      break;
  }
  return SetConfigWord(layout, {.chkFromFile = false, .values = choice.values});
}

}  // namespace daxwel::cli
