#include "config/layout.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "config/config_word.h"
#include "device/catalogue.h"
#include "image/hex_image.h"

namespace daxwel {
namespace {

FieldValues Defaults(const ConfigLayout& layout) {
  FieldValues values;
  for (const ConfigField& field : layout.fields) values.emplace(field.name, field.defaultValue);
  return values;
}

// Each choosable value of every layout, the others at their defaults: the word decodes to the
// same choices, its unused bits stay erased, and each summary line names the decoded value.
TEST(ConfigLayout, EveryValueRoundTripsThroughWordAndSummary) {
  for (const ConfigLayout* layout : ConfigLayouts()) {
    SCOPED_TRACE(std::string(layout->fields.front().name) + "... in " +
                 std::to_string(layout->fields.size()) + " fields");
    const int words = LayoutWords(*layout);
    std::array<std::uint16_t, 2> used{};
    for (const ConfigField& field : layout->fields) {
      auto& bits = used[static_cast<std::size_t>(field.word)];
      EXPECT_EQ(bits & field.mask, 0) << field.name << " overlaps another field";
      bits |= field.mask;
    }
    for (const ConfigField& field : layout->fields) {
      for (const ConfigValue& value : field.values) {
        if (value.name.empty()) continue;
        SCOPED_TRACE(std::string(field.name) + "=" + std::string(value.name));
        FieldValues chosen = Defaults(*layout);
        chosen[std::string(field.name)] = value.name;
        std::string text;
        FieldValues decoded;
        for (int k = 0; k < words; ++k) {
          const std::uint16_t word = ComposeConfigWord(*layout, chosen, k);
          EXPECT_EQ(word | used[static_cast<std::size_t>(k)], 0x3FFF);
          decoded.merge(DecodeConfigWord(*layout, word, k));
          text += ToBitString(word);
        }
        EXPECT_EQ(decoded, chosen);
        EXPECT_EQ(SetConfigWord(layout, {.chkFromFile = false, .values = chosen}), text);

        std::string lines;
        for (const ConfigField& f : layout->fields) {
          const ConfigValue* shown = FindValue(f, chosen.at(std::string(f.name)));
          ASSERT_NE(shown, nullptr);
          lines += std::string(f.summaryCaption) + ": " + std::string(shown->summary) + "\r";
        }
        EXPECT_EQ(Config_Detail(text, layout), lines);
      }
    }
  }
}

}  // namespace
}  // namespace daxwel

namespace daxwel {
namespace {

// Each 16F88X part captions the write-protect values of its second word by the addresses they
// protect in it: WRT1:WRT0 = 10, 01 and 00, from the smallest range to the largest.
TEST(Layout, SixteenF88xWriteProtectRangesFollowEachPartsSize) {
  using Ranges = std::array<const char*, 3>;
  const Ranges k4k{"0000-00FF", "0000-03FF", "0000-07FF"};
  const Ranges k8k{"0000-00FF", "0000-07FF", "0000-0FFF"};
  const std::pair<const char*, Ranges> parts[] = {
      {"16F882", {"0000-007F", "0000-00FF", "0000-03FF"}},
      {"16F883", k4k},
      {"16F884", k4k},
      {"16F886", k8k},
      {"16F887", k8k}};
  const int seconds[] = {0x3DFF, 0x3BFF, 0x39FF};
  for (const auto& [name, ranges] : parts) {
    const int index = ModelIndexByName(name).value_or(0);
    ASSERT_NE(index, 0) << name;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::string detail =
          Config_Detail(ToBitString(0x3FFF) + ToBitString(seconds[k]), ConfigLayoutOf(index));
      EXPECT_NE(
          detail.find(std::string("Flash Program Memory Write: ") + ranges[k] + " Protected\r"),
          std::string::npos)
          << index << "\n"
          << detail;
    }
  }
}

}  // namespace
}  // namespace daxwel
