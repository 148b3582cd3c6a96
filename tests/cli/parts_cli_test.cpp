// Parts a user adds by a file alone: listed, detected and programmed like shipped ones; a
// file with a mistake stops every command but the help.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_runner.h"
#include "image/hex_image.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

constexpr const char* kUserPart = R"(; a part of a known family the program was not shipped with
[16F877B]
family = 16F87XA
id = 0x0EA0
id-mask = 0x3FE0
program = 8192
eeprom = 256
config = 0x2007:0x2FCF
pins = 40 RB6:39 RB7:40 MCLR:1
)";

TEST(PartsCli, AUserPartIsDetectedProgrammedAndReadBack) {
  TempDir dir;
  const std::string parts = dir.Write("mio.ini", kUserPart);
  const std::string state = dir.Path() + "/chip.hex";
  const std::string hex = dir.Write(
      "fw.hex",
      HexBuilder().Words(0, {0x3001, 0x0086, 0x2802}).Eeprom(0, {0x5A}).Config(0x3F72).Text());
  const auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(),
                {"--parts", parts, "--sim", "16F877B:" + state, "--sim-time", "virtual"});
    return RunCli(args, dir.Path());
  };
  CliResult r = run({"detect"});
  EXPECT_EQ(r.out, "16F877B\nResultado: ok\n") << r.Describe();
  r = run({"-y", "program", hex});
  ASSERT_EQ(r.status, 0) << r.Describe();
  r = run({"-y", "verify", hex});
  EXPECT_EQ(r.status, 0) << r.Describe();
  const std::string back = dir.Path() + "/back.hex";
  ASSERT_EQ(run({"read", back}).status, 0);
  const HexLoadResult read = ParseHexImage(ReadAll(back), {8192, 256});
  ASSERT_EQ(read.status, HexStatus::Ok);
  EXPECT_EQ(read.image.ProgramWords[0], 0x3001);
  EXPECT_EQ(read.image.ProgramWords[2], 0x2802);
  EXPECT_EQ(read.image.ProgramWords[3], 0x3FFF);
  EXPECT_EQ(read.image.EepromWords[0], 0x3F5A);  // EEPROM entries carry 0x3F00
  // Without the file the part is unknown again.
  r = RunCli({"--sim", "16F877B", "detect"}, dir.Path());
  EXPECT_EQ(r.status, 64) << r.Describe();
}

TEST(PartsCli, AMistakeInAPartsFileStopsEverythingButTheHelp) {
  TempDir dir;
  const std::string parts = dir.Write("mal.ini", std::string(kUserPart) + "id = 0x0EA0\n");
  CliResult r = RunCli({"--parts", parts, "--sim", "16F877", "detect"}, dir.Path());
  EXPECT_EQ(r.status, 2) << r.Describe();
  EXPECT_EQ(r.err, "daxwel-cli: " + parts + ":10: \"id\" ya se dio en la línea 4\n");
  EXPECT_EQ(r.out, "");
  r = RunCli({"--parts", parts, "--help"}, dir.Path());
  EXPECT_EQ(r.status, 0) << r.Describe();
}

}  // namespace
}  // namespace daxwel::testing
