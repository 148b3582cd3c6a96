// The command line on firmware that locks the default adapter out, and on a part that takes
// less VPP than the adapter gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "config/config_word.h"
#include "image/hex_image.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

CliResult Sim(const TempDir& dir, const std::string& target, std::vector<std::string> args) {
  args.insert(args.begin(), {"--sim", target, "--sim-time", "virtual"});
  return RunCli(args, dir.Path());
}

HexImage LoadState(const std::string& path) {
  std::string text = ReadAll(path);
  if (text.rfind(';', 0) == 0) text.erase(0, text.find('\n') + 1);
  const HexLoadResult r = ParseHexImage(text, {8192, 256});
  EXPECT_EQ(r.status, HexStatus::Ok) << path;
  return r.image;
}

// The internal oscillator with MCLR off, on one part of each family that has it: programmed
// with "Resultado: ok", exit 0 and the note, the chip holds the file, and a later verify says
// why the part no longer answers.
TEST(LockoutCli, LockingFirmwareProgramsWithTheNote) {
  const struct {
    const char* model;
    int config;
  } cases[] = {{"12F675", 0x3FD4}, {"16F628A", 0x3F54}, {"16F688", 0x3FD4},
               {"16F818", 0x3F54}, {"16F88", 0x3F54},   {"16F887", 0x2FD4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    TempDir dir;
    HexBuilder h;
    h.Words(0, {0x2805, 0x0123}).Eeprom(0, {0x5A}).Config(c.config);
    const std::string file = dir.Write("fw.hex", h.Text());
    const std::string state = dir.Path() + "/chip.hex";
    CliResult r = Sim(dir, std::string(c.model) + ":" + state, {"-y", "program", file});
    EXPECT_EQ(r.status, 0) << r.Describe();
    EXPECT_EQ(r.Result(), "ok");
    EXPECT_NE(r.out.find("ya no podrá hacer entrar al PIC en modo de programación"),
              std::string::npos)
        << r.Describe();
    const HexImage chip = LoadState(state);
    EXPECT_EQ(chip.ProgramWords[0], 0x2805);
    EXPECT_EQ(chip.ProgramWords[1], 0x0123);
    EXPECT_EQ(chip.EepromWords[0] & 0xFF, 0x5A);
    ASSERT_EQ(chip.FileConfig().size(), 14u);
    EXPECT_EQ(FromBitString(chip.FileConfig()) & 0x00FF, c.config & 0x00FF);

    r = Sim(dir, std::string(c.model) + ":" + state, {"-y", "verify", file});
    EXPECT_NE(r.status, 0) << r.Describe();
    EXPECT_NE(r.err.find("MCLRE = 0"), std::string::npos) << r.Describe();
  }
}

// A 16F887 on an adapter that gives 13 V: without -y nothing enters beyond the detection (no
// violation, nothing done); with -y the operation goes on, and the simulator flags the 13 V.
TEST(LockoutCli, TwelveVoltPartIsConfirmedForEveryOperation) {
  for (const char* command : {"erase", "info", "detect"}) {
    for (const char* model : {"16F887", "auto"}) {
      SCOPED_TRACE(std::string(command) + " " + model);
      TempDir dir;
      const std::vector<std::string> base = {"--sim-fault", "vpp=13", "--model", model, command};
      CliResult r = Sim(dir, "16F887", base);
      // Only the detection's own read enters, and only when detecting (detect always does).
      const bool detected = std::string(model) == "auto" || std::string(command) == "detect";
      // Erase asks its own question first, which a run without a terminal already declines.
      if (detected || std::string(command) != "erase") {
        EXPECT_NE(r.err.find("admite como máximo 12 V"), std::string::npos) << r.Describe();
      }
      EXPECT_EQ(r.status, detected ? 4 : 3) << r.Describe();
      EXPECT_EQ(r.err.find("violación") != std::string::npos, detected) << r.Describe();
      EXPECT_EQ(r.Result(), "-") << r.Describe();

      std::vector<std::string> yes = base;
      yes.insert(yes.begin(), "-y");
      r = Sim(dir, "16F887", yes);
      EXPECT_EQ(r.status, 4) << r.Describe();
      EXPECT_EQ(r.Result(), "ok") << r.Describe();
      EXPECT_NE(r.out.find("Confirmado (--yes)"), std::string::npos) << r.Describe();
    }
  }
}

}  // namespace
}  // namespace daxwel::testing
