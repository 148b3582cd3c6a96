// --only: verify and read take one memory; program and erase take the EEPROM alone and leave
// program memory, the IDs, the configuration and the factory's calibration as they were.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "image/hex_image.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

class OnlyCli : public ::testing::Test {
 protected:
  CliResult Sim(const std::string& model, std::vector<std::string> args) {
    args.insert(args.begin(), {"--sim", model + ":" + dir.Path() + "/" + model + ".hex",
                               "--sim-time", "virtual", "--model", model, "-y"});
    return RunCli(args, dir.Path());
  }
  std::string File(const std::string& name, const std::vector<int>& words,
                   const std::vector<int>& eeprom) {
    return dir.Write(name, HexBuilder().Words(0, words).Eeprom(0, eeprom).Config(0x3FF4).Text());
  }
  HexImage Read(const std::string& model, std::vector<std::string> only = {}) {
    std::vector<std::string> args = only;
    args.insert(args.end(), {"read", "--force", dir.Path() + "/back.hex"});
    const CliResult r = Sim(model, args);
    EXPECT_EQ(r.status, 0) << r.Describe();
    const HexLoadResult loaded = ParseHexImage(ReadAll(dir.Path() + "/back.hex"), {8192, 256});
    EXPECT_EQ(loaded.status, HexStatus::Ok);
    return loaded.image;
  }
  TempDir dir;
};

TEST_F(OnlyCli, OneMemoryAtATimeAndNothingElseTouched) {
  for (const std::string model : {"16F628A", "12F675", "16F877"}) {
    SCOPED_TRACE(model);
    const std::string a = File("a.hex", {0x2801, 0x3001, 0x0064, 0x0008}, {1, 2, 3});
    const std::string otherProgram = File("b.hex", {0x2805, 0x3002, 0x0064, 0x0008}, {1, 2, 3});
    const std::string otherData = File("c.hex", {0x2801, 0x3001, 0x0064, 0x0008}, {9, 8, 7});
    const CliResult first = Sim(model, {"program", a});
    ASSERT_EQ(first.status, 0) << first.Describe();
    const HexImage before = Read(model);

    EXPECT_EQ(Sim(model, {"verify", otherProgram}).status, 1);
    EXPECT_EQ(Sim(model, {"--only", "eeprom", "verify", otherProgram}).status, 0);
    EXPECT_EQ(Sim(model, {"--only", "program", "verify", otherProgram}).status, 1);
    EXPECT_EQ(Sim(model, {"--only", "program", "verify", otherData}).status, 0);
    EXPECT_EQ(Sim(model, {"--only", "eeprom", "verify", otherData}).status, 1);

    // The EEPROM alone: program words that differ in the file are not written.
    const CliResult programmed = Sim(model, {"--only", "eeprom", "program", otherProgram});
    EXPECT_EQ(programmed.status, 0) << programmed.Describe();
    const CliResult data = Sim(model, {"--only", "eeprom", "program", otherData});
    EXPECT_EQ(data.status, 0) << data.Describe();
    HexImage after = Read(model);
    EXPECT_EQ(after.ProgramWords, before.ProgramWords) << "program memory and OSCCAL kept";
    EXPECT_EQ(after.ConfigWords, before.ConfigWords);
    EXPECT_EQ(after.EepromWords[0] & 0xFF, 9);
    EXPECT_EQ(after.EepromWords[2] & 0xFF, 7);

    const CliResult erased = Sim(model, {"--only", "eeprom", "erase"});
    EXPECT_EQ(erased.status, 0) << erased.Describe();
    EXPECT_NE(erased.out.find("La EEPROM (Data Memory) del PIC"), std::string::npos);
    after = Read(model);
    EXPECT_EQ(after.ProgramWords, before.ProgramWords);
    EXPECT_EQ(after.ConfigWords, before.ConfigWords);
    EXPECT_EQ(after.EepromWords[0] & 0xFF, 0xFF);
    EXPECT_EQ(after.EepromWords[2] & 0xFF, 0xFF);

    // read keeps only the memory asked for in its file.
    const HexImage onlyConfig = Read(model, {"--only", "config"});
    EXPECT_EQ(onlyConfig.ProgramWords[0], 0x3FFF);
    EXPECT_FALSE(onlyConfig.HasEeprom);
    EXPECT_EQ(onlyConfig.ConfigWords.at(0x2007), before.ConfigWords.at(0x2007));
    EXPECT_EQ(onlyConfig.ConfigWords.count(0x2000), 0u);
    const std::string text = ReadAll(dir.Path() + "/back.hex");
    EXPECT_EQ(text.find(":08400000"), std::string::npos) << "no IDs\n" << text;
  }
}

TEST_F(OnlyCli, WhatCannotBeDoneAloneIsRefusedBeforeThePort) {
  const std::string file = File("a.hex", {0x2801}, {1});
  struct Case {
    std::vector<std::string> args;
    std::string why;
  };
  const std::vector<Case> cases = {
      {{"--only", "program", "program", file}, "--only program: program y erase solo pueden"},
      {{"--only", "config", "program", file}, "--only config: program y erase solo pueden"},
      {{"--only", "id", "erase"}, "--only id: program y erase solo pueden"},
      {{"--only", "eeprom", "info"}, "--only: solo con program, verify, read y erase"},
      {{"--only", "flash", "verify", file}, "--only"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args[2]);
    std::vector<std::string> args = {"--trace", dir.Path() + "/t"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = Sim("16F628A", args);
    EXPECT_EQ(r.status, 64) << r.Describe();
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.Describe();
    EXPECT_EQ(ReadAll(dir.Path() + "/t"), "") << "no port access";
  }
}

}  // namespace
}  // namespace daxwel::testing
