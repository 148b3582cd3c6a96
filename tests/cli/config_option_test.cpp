// --config fields of the 16F87XA (indices 9-12) and 16F62XA (13-15) dialogs.
#include "cli/config_option.h"

#include <gtest/gtest.h>

#include "device/catalogue.h"

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
    const std::string problem = CheckConfigForModel(choice, ConfigLayoutOf(row.index));
    if (row.word == 0) {
      EXPECT_NE(problem.find("no existe en este PIC"), std::string::npos) << problem;
    } else {
      EXPECT_EQ(problem, "");
      EXPECT_EQ(std::stoi(ConfigSourceFor(choice, ConfigLayoutOf(row.index)), nullptr, 2),
                row.word);
    }
  }
  ConfigChoice choice;
  EXPECT_NE(ParseConfigOption("wrt=most", choice).find("--config"), std::string::npos);
  EXPECT_NE(ParseConfigOption("osc=int", choice).find("--config"), std::string::npos);
}

// Names and values are checked against every part before the model is known, then against the
// model's layout; each message lists what would have been accepted.
TEST(ConfigOption, ProblemsNameWhatEachLayoutAccepts) {
  struct Row {
    const char* text;
    int index;  // 0: the problem is found while parsing
    const char* problem;
  };
  const Row rows[] = {
      {"speed=on", 0,
       "--config: campo desconocido \"speed\" (cp, pwrte, wdt, osc, wrt, cpd, lvp, "
       "boden, debug, mclre, ccpmx, ieso, fcmen, borv, ioscfs, clkouten o bor4v)"},
      {"osc=xx", 0,
       "--config: valor \"xx\" no válido para osc (rc, hs, xt, lp, ec, intio, intclk, "
       "rcio o rcclk)"},
      {"wrt=most", 0,
       "--config: valor \"most\" no válido para wrt (off, on, 256, quarter, half, 2048, all, 512, "
       "1024, 1536 o 128)"},
      {"wdt=on,wdt=off", 0, "--config: el campo wdt está repetido"},
      {"wdt=on,", 0, "--config: se espera CAMPO=VALOR y se encontró \"\""},
      {"boden=on", 1, "El campo boden no existe en este PIC"},
      {"cp=on", 8, "cp=on no existe en este PIC (off, all, half o top)"},
      {"cp=half", 2, "cp=half no existe en este PIC (off u on)"},
      {"osc=ec", 12, "osc=ec no existe en este PIC (rc, hs, xt o lp)"},
      {"wrt=256", 5, "wrt=256 no existe en este PIC (off u on)"},
      {"osc=xt", 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    ConfigChoice choice;
    const std::string parsed = ParseConfigOption(row.text, choice);
    if (row.index == 0) {
      EXPECT_EQ(parsed, row.problem);
    } else {
      ASSERT_EQ(parsed, "");
      EXPECT_EQ(CheckConfigForModel(choice, ConfigLayoutOf(row.index)), row.problem);
    }
  }
  ConfigChoice choice;
  ASSERT_EQ(ParseConfigOption("osc=xt", choice), "");
  EXPECT_EQ(CheckConfigForModel(choice, nullptr), "No hay un modelo para la configuración");
  // "rc" is the 16F62XA's RC CLKOUT, as on the older parts.
  ASSERT_EQ(ParseConfigOption("osc=rc", choice), "");
  const std::string rc = ConfigSourceFor(choice, ConfigLayoutOf(14));
  ASSERT_EQ(ParseConfigOption("OSC=RCCLK", choice), "");
  EXPECT_EQ(ConfigSourceFor(choice, ConfigLayoutOf(14)), rc);
  EXPECT_EQ(rc, "11111100110011");

  // Two words: the one at 0x2007, then the one at 0x2008.
  ASSERT_EQ(ParseConfigOption("0x2FF4,0x3EFF", choice), "");
  EXPECT_EQ(ConfigSourceFor(choice, ConfigLayoutOf(14)), "1011111111010011111011111111");
  EXPECT_NE(ParseConfigOption("0x2FF4,0x4000", choice), "");
  EXPECT_NE(ParseConfigOption("0x2FF4,", choice), "");
}

}  // namespace
}  // namespace daxwel::cli
