#include "config/layout.h"

#include <gtest/gtest.h>

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
    SCOPED_TRACE(std::string(layout->dialog.objectName));
    std::uint16_t used = 0;
    for (const ConfigField& field : layout->fields) {
      EXPECT_EQ(used & field.mask, 0) << field.name << " overlaps another field";
      used |= field.mask;
    }
    for (const ConfigField& field : layout->fields) {
      for (const ConfigValue& value : field.values) {
        if (value.name.empty()) continue;
        SCOPED_TRACE(std::string(field.name) + "=" + std::string(value.name));
        FieldValues chosen = Defaults(*layout);
        chosen[std::string(field.name)] = value.name;
        const std::uint16_t word = ComposeConfigWord(*layout, chosen);
        EXPECT_EQ(word | used, 0x3FFF);
        EXPECT_EQ(DecodeConfigWord(*layout, word), chosen);

        std::string lines;
        for (const ConfigField& f : layout->fields) {
          const ConfigValue* decoded = FindValue(f, chosen.at(std::string(f.name)));
          ASSERT_NE(decoded, nullptr);
          lines += std::string(f.summaryCaption) + ": " + std::string(decoded->summary) + "\r";
        }
        EXPECT_EQ(Config_Detail(ToBitString(word), layout), lines);
      }
    }
  }
}

// Every field has one group in the dialog and every choosable value one button in it.
TEST(ConfigLayout, DialogPlacesEveryFieldAndValueOnce) {
  for (const ConfigLayout* layout : ConfigLayouts()) {
    SCOPED_TRACE(std::string(layout->dialog.objectName));
    for (const ConfigField& field : layout->fields) {
      int groups = 0;
      for (const GroupPlace& group : layout->dialog.groups) {
        if (group.field != field.name) continue;
        ++groups;
        for (const ConfigValue& value : field.values) {
          const auto placed =
              std::count_if(group.buttons.begin(), group.buttons.end(), [&](const ButtonPlace& b) {
                return !value.button.empty() && b.button == value.button;
              });
          EXPECT_EQ(placed, value.name.empty() ? 0 : 1) << value.button;
        }
        EXPECT_EQ(group.buttons.size(), static_cast<std::size_t>(std::count_if(
                                            field.values.begin(), field.values.end(),
                                            [](const ConfigValue& v) { return !v.name.empty(); })));
      }
      EXPECT_EQ(groups, 1) << field.name;
    }
    EXPECT_EQ(layout->dialog.groups.size(), layout->fields.size());
  }
}

}  // namespace
}  // namespace daxwel
