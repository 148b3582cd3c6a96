#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

namespace daxwel {

// A configuration word layout as data: its fields with their bits, values and texts. The
// summary, the dialog word, --config and info all read these tables; where the dialog puts
// each field is the dialog's own business.

// One value of a field.
struct ConfigValue {
  // As --config names it ("xt", "half"); empty for a pattern that can only be read back.
  std::string_view name;
  std::uint16_t bits;        // the field's bits for this value, in place in the word
  std::string_view summary;  // what the summary line says after the field's caption
  std::string_view button;   // object name of its option button; empty when it has none
  std::string_view caption;  // the button's caption
  std::string_view alias{};  // a second --config name
};

// A field's values: a table, its own or shared with other fields, or the two values of a
// one-bit field held in place, so that such a field is written in one line (OnOffBit). A copy
// of such a field holds a copy of its pair: keep pointers to values of the tables' own fields.
class ConfigValues {
 public:
  template <std::size_t N>
  constexpr ConfigValues(const ConfigValue (&values)[N]) : list_(values) {}
  constexpr ConfigValues(std::span<const ConfigValue> values) : list_(values) {}
  constexpr ConfigValues(const ConfigValue& first, const ConfigValue& second)
      : pair_{first, second} {}

  constexpr const ConfigValue* begin() const { return list_.empty() ? pair_.data() : list_.data(); }
  constexpr const ConfigValue* end() const {
    return begin() + (list_.empty() ? pair_.size() : list_.size());
  }

 private:
  std::span<const ConfigValue> list_;
  std::array<ConfigValue, 2> pair_{};
};

struct ConfigField {
  std::string_view name;  // --config name
  // The bits the value is written to, and those the summary line reads: the upper copies of
  // the code-protection bits are written but not summarised.
  std::uint16_t mask;
  std::uint16_t summaryMask;
  std::string_view summaryCaption;         // "Oscilator" in "Oscilator: XT"
  std::array<std::string_view, 3> labels;  // the dialog group's bold labels, top to bottom
  ConfigValues values;                     // a selected button is looked for in this order
  std::string_view defaultValue;           // the dialog's design-time choice
  int word = 0;                            // 0: the word at 0x2007; 1: the second, at 0x2008
};

struct ConfigLayout {
  std::span<const ConfigField> fields;  // in the order of the summary lines
};

// 16F84/84A; 16F870/871/872; 16F873/874; 16F876/877; 16F873A to 16F877A; 16F627A/628A/648A;
// 12F629/675, 16F630/676.
extern const ConfigLayout kLayout16F84;
extern const ConfigLayout kLayout16F870;
extern const ConfigLayout kLayout16F873;
extern const ConfigLayout kLayout16F876;
extern const ConfigLayout kLayout16F87XA;
extern const ConfigLayout kLayout16F62XA;
extern const ConfigLayout kLayout12F675;
// 16F882; 16F883/884; 16F886/887 (two words each); 16F631-690 and 12F683; 16F913-917.
extern const ConfigLayout kLayout16F882;
extern const ConfigLayout kLayout16F883;
extern const ConfigLayout kLayout16F886;
extern const ConfigLayout kLayout16F6XX;
extern const ConfigLayout kLayout16F91X;
// 16F87/88; 16F818; 16F819.
extern const ConfigLayout kLayout16F88;
extern const ConfigLayout kLayout16F818;
extern const ConfigLayout kLayout16F819;

// Field name -> value name, both as --config spells them.
using FieldValues = std::map<std::string, std::string, std::less<>>;

// How many configuration words the layout's fields span: 1, or 2 with fields at 0x2008.
int LayoutWords(const ConfigLayout& layout);

// nullptr when the layout has no such field or the field no such choosable value.
const ConfigField* FindField(const ConfigLayout& layout, std::string_view name);
const ConfigValue* FindValue(const ConfigField& field, std::string_view name);

// Configuration word `k` (0 or 1) as `values` give it, each of its fields they leave out at
// its default; unused bits are 1, the erased value. Names the layout does not know are
// skipped: check them with FindField and FindValue first.
std::uint16_t ComposeConfigWord(const ConfigLayout& layout, const FieldValues& values, int k = 0);

// The value of each field of word `k` in `word`, if a choosable value has exactly the field's
// bits.
FieldValues DecodeConfigWord(const ConfigLayout& layout, std::uint16_t word, int k = 0);

// The summary lines of a configuration text, 14 characters (most significant bit first) per
// word, the word at 0x2007 first; each line ended by "\r". A missing or foreign character reads
// as 0 in a one-bit summary and gives no line in a wider one.
std::string ConfigSummary(const ConfigLayout& layout, std::string_view word);

}  // namespace daxwel
