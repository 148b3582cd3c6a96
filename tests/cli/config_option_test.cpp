// --config fields of the 16F87XA (indices 9-12) and 16F62XA (13-15) dialogs.
#include "cli/config_option.h"

#include <gtest/gtest.h>

namespace daxwel::cli {
namespace {

TEST(ConfigOptionAFamilies, FieldsComposeTheWordOrAreRefused) {
  struct Row {
    const char* text;
    int index;
    int word;  // 0: refused for the model
  };
  // Words from the gputils option constants (defaults 0x3F31 and 0x3F21).
  const Row rows[] = {
      {"debug=on,wrt=256", 10, 0x3531},
      {"wrt=quarter,osc=hs", 11, 0x3B32},
      {"wrt=half,cp=on,cpd=on", 12, 0x1831},
      {"osc=intio,mclre=off", 13, 0x3F10},
      {"osc=ec,boden=on", 15, 0x3F63},
      {"osc=rcclk,lvp=on", 14, 0x3FB3},
      {"mclre=off", 12, 0},
      {"debug=on", 14, 0},
      {"wrt=on", 12, 0},
      {"wrt=256", 8, 0},
      {"wrt=off", 14, 0},
      {"osc=intio", 12, 0},
      {"osc=ec", 8, 0},
      {"cp=all", 13, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + " on " + std::to_string(row.index));
    ConfigChoice choice;
    ASSERT_EQ(ParseConfigOption(row.text, choice), "");
    const std::string problem = CheckConfigForModel(choice, row.index);
    if (row.word == 0) {
      EXPECT_NE(problem.find("no existe en este PIC"), std::string::npos) << problem;
    } else {
      EXPECT_EQ(problem, "");
      EXPECT_EQ(std::stoi(ConfigSourceFor(choice, row.index), nullptr, 2), row.word);
    }
  }
  ConfigChoice choice;
  EXPECT_NE(ParseConfigOption("wrt=all", choice).find("--config"), std::string::npos);
  EXPECT_NE(ParseConfigOption("osc=int", choice).find("--config"), std::string::npos);
}

}  // namespace
}  // namespace daxwel::cli
