// Options taken as written: empty values, numbers, a model chosen by hand, the version and the
// help's own words.
#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "cli/exit_status.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

const std::string k877 = std::string(DAXWEL_SOURCE_DIR) + "/examples/eeprom877.inhx8m.hex";

TEST(Options, MistakesAreUsageErrors) {
  TempDir dir;
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"--sim", "", "detect"}, "--sim: falta el modelo"},
      {{"--sim-fault", "no-adapter", "detect"}, "--sim-fault"},
      {{"--sim", "16F877", "--trace", "", "detect"}, "--trace: falta el nombre del archivo"},
      {{"--sim", "16F877", "--sim-fault", "stuck=99999999999999999999", "detect"},
       "fuera de rango"},
      {{"--sim", "16F877", "erase", "--", "-y"}, "Argumento no esperado: -y"},
      {{"--sim", "16F877", "read", ""}, "falta el nombre del archivo"},
      {{"--port", "lpt1", "detect"}, "888 en decimal"},
      // A calibration by hand must be a RETLW, and band-gap bits come with it.
      {{"--osccal", "0x3FFF", "--sim", "12F675", "erase"}, "de 0x3400 a 0x37FF"},
      {{"--osccal", "3480", "--sim", "12F675", "erase"}, "de 0x3400 a 0x37FF"},
      {{"--osccal", "0x3480", "--bandgap", "4", "--sim", "12F675", "erase"}, "0, 1, 2 o 3"},
      {{"--bandgap", "2", "--sim", "12F675", "erase"}, "junto con --osccal"},
      // ... and only where it can act.
      {{"--osccal", "0x3480", "--bandgap", "2", "--sim", "12F675", "info"},
       "solo sirve con program, erase o verify"},
      {{"--osccal", "0x3480", "--sim", "12F675", "read", "x.hex"}, "solo sirve con program"},
      {{"--osccal", "0x3480", "--sim", "16F877", "--model", "16F877", "erase"},
       "el 16F877 no tiene calibración de fábrica"},
  };
  for (const auto& [args, said] : rows) {
    const CliResult r = RunCli(args, dir.Path());
    EXPECT_EQ(r.status, 64) << r.Describe();
    EXPECT_NE(r.err.find(said), std::string::npos) << r.Describe();
  }
}

// The values given by hand take the range their family declares: both ends of the RETLW and
// of the band-gap bits pass the options, one past either end does not.
TEST(Options, HandGivenValuesTakeTheFamilysShape) {
  TempDir dir;
  const std::vector<std::pair<std::vector<std::string>, bool>> rows = {
      {{"--osccal", "0x3400", "--bandgap", "0"}, true},
      {{"--osccal", "0x37FF", "--bandgap", "3"}, true},
      {{"--osccal", "0x33FF"}, false},
      {{"--osccal", "0x3800"}, false},
      {{"--osccal", "0x3480", "--bandgap", "-1"}, false},
  };
  for (auto [args, passes] : rows) {
    args.insert(args.end(), {"--sim", "12F675", "verify", "none.hex"});
    const CliResult r = RunCli(args, dir.Path());
    EXPECT_EQ(r.status == 64, !passes) << r.Describe();
    EXPECT_EQ(r.err.find("--osccal:") == std::string::npos &&
                  r.err.find("--bandgap:") == std::string::npos,
              passes)
        << r.Describe();
  }
}

TEST(Options, VersionAndSpanishPlaceholders) {
  TempDir dir;
  EXPECT_EQ(RunCli({"--version"}, dir.Path()).out, "daxwel-cli 2.0\n");
  const CliResult r = RunCli({"--help"}, dir.Path());
  for (const char* english : {"FILE", "MODEL[", "KIND", "VALUE]", "STATE"}) {
    EXPECT_EQ(r.out.find(english), std::string::npos) << english;
  }
  EXPECT_NE(r.out.find("888 (sin 0x, decimal"), std::string::npos);
}

TEST(Options, AHandChosenModelMustNotShowAnotherPartsId) {
  TempDir dir;
  const std::string out = dir.Path() + "/out.hex";
  for (const std::vector<std::string>& command : {std::vector<std::string>{"read", out},
                                                  {"-y", "erase"},
                                                  {"-y", "verify", k877},
                                                  {"-y", "program", k877},
                                                  {"info"}}) {
    std::vector<std::string> args = {"--sim",   "16F84A",  "--sim-time",
                                     "virtual", "--model", "16F877"};
    args.insert(args.end(), command.begin(), command.end());
    const CliResult r = RunCli(args, dir.Path());
    EXPECT_EQ(r.status, 3) << r.Describe();
    EXPECT_NE(r.err.find("es un PIC 16F84/84A (ID 0x056"), std::string::npos) << r.Describe();
  }
  // A part that shows no known ID goes on as before; all ones or all zeros is no part at all.
  CliResult r = RunCli({"--sim", "16F877", "--sim-time", "virtual", "--sim-fault", "id=0x1FE5",
                        "--model", "16F877", "read", out},
                       dir.Path());
  EXPECT_EQ(r.status, 0) << r.Describe();
  for (const char* blank : {"id=0x3FFF", "id=0"}) {
    r = RunCli({"--sim", "16F877", "--sim-time", "virtual", "--sim-fault", blank, "--model",
                "16F877", "--force", "read", out},
               dir.Path());
    EXPECT_EQ(r.status, 3) << r.Describe();
    EXPECT_NE(r.err.find("No se encontró un PIC 16F877 en el programador"), std::string::npos)
        << r.Describe();
  }
}

// A signal decides the exit status only when it came before the result and the work was not
// done; one that arrives after the result was decided leaves it as it was.
TEST(ExitStatus, ASignalStandsForTheRunOnlyBeforeItsResult) {
  using cli::StatusAfterSignal;
  const struct {
    int status;
    const char* result;
    bool before;
    int expected;
  } rows[] = {
      {0, "ok", false, 0},
      {0, "ok", true, 0},  // the work was done
      {1, "erase-error", false, 1},
      {1, "erase-error", true, 130},
      {3, "", false, 3},
      {3, "", true, 130},  // a question answered by Ctrl-C
      {130, "abandoned", true, 130},
      {2, "file-error", false, 2},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(StatusAfterSignal(r.status, r.result, r.before), r.expected)
        << r.result << " " << r.before;
  }
}

}  // namespace
}  // namespace daxwel::testing
