// --config fields of the 16F87XA (indices 9-12) and 16F62XA (13-15) dialogs.
#include "cli/config_option.h"

#include <gtest/gtest.h>

namespace daxwel::cli {
namespace {

// The word the option gives on a model, or the problem found.
std::string WordFor(const std::string& text, int modelIndex) {
  ConfigChoice choice;
  if (std::string problem = ParseConfigOption(text, choice); !problem.empty()) return problem;
  if (std::string problem = CheckConfigForModel(choice, modelIndex); !problem.empty()) {
    return problem;
  }
  const std::string word = ConfigSourceFor(choice, modelIndex);
  return word.size() == 14 ? std::to_string(std::stoi(word, nullptr, 2)) : word;
}

std::string Dec(int value) { return std::to_string(value); }

TEST(ConfigOptionAFamilies, FieldsComposeTheFamilysWord) {
  struct Row {
    const char* text;
    int index;
    int word;
  };
  // Header constants ANDed: _PWRTE_ON 0x3FF7, _WDT_OFF 0x3FFB, _BOREN_OFF 0x3FBF,
  // _LVP_OFF 0x3F7F are the defaults left in each row.
  constexpr int kDefaults = 0x3FF7 & 0x3FFB & 0x3FBF & 0x3F7F;
  const Row rows[] = {
      {"osc=xt", 9, kDefaults & 0x3FFD},
      {"debug=on,wrt=256", 10, kDefaults & 0x3FFD & 0x37FF & 0x3DFF},
      {"wrt=quarter,osc=hs", 11, kDefaults & 0x3FFE & 0x3BFF},
      {"wrt=half,cp=on,cpd=on", 12, kDefaults & 0x3FFD & 0x39FF & 0x1FFF & 0x3EFF},
      {"wrt=off", 12, kDefaults & 0x3FFD},
      {"osc=intio,mclre=off", 13, kDefaults & 0x3FFC & 0x3FDF},
      {"osc=intclk", 14, kDefaults & 0x3FFD},
      {"osc=ec,boden=on", 15, (kDefaults | 0x0040) & 0x3FEF},
      {"osc=rcio", 14, kDefaults & 0x3FFE},
      {"osc=rcclk", 14, kDefaults & 0x3FFF},
      {"osc=rc", 14, kDefaults & 0x3FFF},
      {"osc=lp,lvp=on,cp=on", 13, (kDefaults | 0x0080) & 0x3FEC & 0x1FFF},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(WordFor(row.text, row.index), Dec(row.word)) << row.text << " on " << row.index;
  }
}

TEST(ConfigOptionAFamilies, FieldsAndValuesTheModelLacksAreRefused) {
  const std::pair<const char*, int> refused[] = {
      {"mclre=off", 8}, {"mclre=off", 12}, {"debug=on", 14}, {"debug=on", 7},   {"wrt=on", 12},
      {"wrt=on", 14},   {"wrt=256", 8},    {"wrt=half", 3},  {"osc=intio", 12}, {"osc=ec", 8},
      {"osc=rcclk", 1}, {"cp=half", 9},    {"cp=top", 15},   {"cp=all", 13},    {"boden=on", 1},
  };
  for (const auto& [text, index] : refused) {
    const std::string answer = WordFor(text, index);
    EXPECT_NE(answer.find("no existe en este PIC"), std::string::npos)
        << text << " on " << index << ": " << answer;
  }
  EXPECT_NE(WordFor("wrt=all", 12).find("--config"), std::string::npos);
  EXPECT_NE(WordFor("osc=int", 14).find("--config"), std::string::npos);
}

}  // namespace
}  // namespace daxwel::cli
