#include "config/layout.h"

#include <algorithm>
#include <array>
#include <bit>

namespace daxwel {

namespace {

constexpr std::uint16_t kAllBits = 0x3FFF;

const ConfigValue* DefaultValue(const ConfigField& field) {
  return FindValue(field, field.defaultValue);
}

// The value whose bits the word holds under `mask`, if any.
const ConfigValue* ValueUnder(const ConfigField& field, std::uint16_t mask, std::uint16_t word,
                              bool choosableOnly) {
  for (const ConfigValue& value : field.values) {
    if (choosableOnly && value.name.empty()) continue;
    if ((word & mask) == (value.bits & mask)) return &value;
  }
  return nullptr;
}

}  // namespace

int LayoutWords(const ConfigLayout& layout) {
  int words = 1;
  for (const ConfigField& field : layout.fields) words = std::max(words, field.word + 1);
  return words;
}

const ConfigField* FindField(const ConfigLayout& layout, std::string_view name) {
  for (const ConfigField& field : layout.fields) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

const ConfigValue* FindValue(const ConfigField& field, std::string_view name) {
  if (name.empty()) return nullptr;
  for (const ConfigValue& value : field.values) {
    if (value.name == name || value.alias == name) return &value;
  }
  return nullptr;
}

std::uint16_t ComposeConfigWord(const ConfigLayout& layout, const FieldValues& values, int k) {
  std::uint16_t word = kAllBits;
  for (const ConfigField& field : layout.fields) {
    if (field.word != k) continue;
    const ConfigValue* value = DefaultValue(field);
    if (const auto given = values.find(field.name); given != values.end()) {
      if (const ConfigValue* named = FindValue(field, given->second)) value = named;
    }
    word = static_cast<std::uint16_t>((word & ~field.mask) | (value->bits & field.mask));
  }
  return word;
}

FieldValues DecodeConfigWord(const ConfigLayout& layout, std::uint16_t word, int k) {
  FieldValues values;
  for (const ConfigField& field : layout.fields) {
    if (field.word != k) continue;
    if (const ConfigValue* value = ValueUnder(field, field.mask, word, true)) {
      values.emplace(field.name, value->name);
    }
  }
  return values;
}

std::string ConfigSummary(const ConfigLayout& layout, std::string_view text) {
  // Character k of a word's 14 is bit 14 - k; `known` marks the bits given as '0' or '1'.
  std::array<std::uint16_t, 2> words{};
  std::array<std::uint16_t, 2> knowns{};
  for (std::size_t w = 0; w < words.size(); ++w) {
    const std::string_view word = text.substr(std::min(text.size(), w * 14));
    for (std::size_t k = 0; k < word.size() && k < 14; ++k) {
      const auto bit = static_cast<std::uint16_t>(1U << (13 - k));
      if (word[k] == '1') words[w] |= bit;
      if (word[k] == '0' || word[k] == '1') knowns[w] |= bit;
    }
  }
  std::string out;
  for (const ConfigField& field : layout.fields) {
    const auto w = static_cast<std::size_t>(field.word == 1 ? 1 : 0);
    const std::uint16_t bits = words[w];
    const std::uint16_t known = knowns[w];
    const std::uint16_t mask = field.summaryMask;
    if (std::popcount(mask) > 1 && (known & mask) != mask) continue;
    if (const ConfigValue* value = ValueUnder(field, mask, bits, false)) {
      out += field.summaryCaption;
      out += ": ";
      out += value->summary;
      out += '\r';
    }
  }
  return out;
}

}  // namespace daxwel
