// Options taken as written: empty values, numbers, a model chosen by hand, the version and the
// help's own words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

const std::string k877Example = std::string(DAXWEL_SOURCE_DIR) + "/examples/eeprom877.inhx8m.hex";

std::string Describe(const CliResult& r) {
  return "status " + std::to_string(r.status) + "\n--- out\n" + r.out + "--- err\n" + r.err;
}

TEST(Options, MistakesAreUsageErrors) {
  TempDir dir;
  struct Row {
    std::vector<std::string> args;
    std::string said;
  };
  const std::vector<Row> rows = {
      {{"--sim", "", "detect"}, "--sim: falta el modelo"},
      {{"--sim-time", "virtual", "detect"}, "--sim-time"},
      {{"--sim-fault", "no-adapter", "detect"}, "--sim-fault"},
      {{"--sim", "16F877", "--trace", "", "detect"}, "--trace: falta el nombre del archivo"},
      {{"--sim", "16F877", "--sim-fault", "stuck=99999999999999999999", "detect"},
       "fuera de rango"},
      {{"--sim", "16F877", "erase", "--", "-y"}, "Argumento no esperado: -y"},
      {{"--sim", "16F877", "read", ""}, "falta el nombre del archivo"},
      {{"--port", "lpt1", "detect"}, "888 en decimal"},
  };
  for (const Row& row : rows) {
    const CliResult r = RunCli(row.args, dir.Path());
    EXPECT_EQ(r.status, 64) << Describe(r);
    EXPECT_NE(r.err.find(row.said), std::string::npos) << Describe(r);
  }
}

TEST(Options, VersionAndSpanishPlaceholders) {
  TempDir dir;
  CliResult r = RunCli({"--version"}, dir.Path());
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_EQ(r.out, "daxwel-cli 2.0\n");
  r = RunCli({"--help"}, dir.Path());
  EXPECT_EQ(r.status, 0);
  for (const char* english : {"FILE", "MODEL[", "KIND", "VALUE]", "STATE"}) {
    EXPECT_EQ(r.out.find(english), std::string::npos) << english;
  }
  EXPECT_NE(r.out.find("--trace ARCHIVO"), std::string::npos);
  EXPECT_NE(r.out.find("888 (sin 0x, decimal"), std::string::npos);
}

TEST(Options, AHandChosenModelMustNotShowAnotherPartsId) {
  TempDir dir;
  const std::string out = dir.Path() + "/out.hex";
  for (const std::vector<std::string>& command : {std::vector<std::string>{"read", out},
                                                  {"-y", "erase"},
                                                  {"-y", "verify", k877Example},
                                                  {"-y", "program", k877Example},
                                                  {"info"}}) {
    std::vector<std::string> args = {"--sim",   "16F84A",  "--sim-time",
                                     "virtual", "--model", "16F877"};
    args.insert(args.end(), command.begin(), command.end());
    const CliResult r = RunCli(args, dir.Path());
    EXPECT_EQ(r.status, 3) << Describe(r);
    EXPECT_NE(r.err.find("El PIC del programador es un PIC 16F84/84A (ID 0x056"), std::string::npos)
        << Describe(r);
  }
  // A part that shows no known ID goes on as before, and the right part is taken.
  CliResult r = RunCli({"--sim", "16F877", "--sim-time", "virtual", "--sim-fault", "id=0x3FFF",
                        "--model", "16F877", "info"},
                       dir.Path());
  EXPECT_EQ(r.status, 0) << Describe(r);
  r = RunCli({"--sim", "16F877", "--sim-time", "virtual", "--model", "16F877", "read", out},
             dir.Path());
  EXPECT_EQ(r.status, 0) << Describe(r);
}

}  // namespace
}  // namespace daxwel::testing
