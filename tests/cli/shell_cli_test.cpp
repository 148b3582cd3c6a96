// blank, dump, view, read --format and "-" for the standard streams, as a shell user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "image/hex_image.h"
#include "image/hex_writer.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

const std::string k877Example = std::string(DAXWEL_SOURCE_DIR) + "/examples/eeprom877.inhx8m.hex";

class ShellCli : public ::testing::Test {
 protected:
  CliResult Sim(const std::string& target, std::vector<std::string> args) {
    args.insert(args.begin(), {"--sim", target, "--sim-time", "virtual"});
    return RunCli(args, dir.Path());
  }
  // A 16F877 state file: an erased chip but for one data byte.
  std::string ChipWithOneDataByte(int index, std::uint8_t value) const {
    ChipContents c;
    c.program.assign(8192, 0x3FFF);
    c.eeprom.assign(256, 0xFF);
    if (index >= 0) c.eeprom[static_cast<std::size_t>(index)] = value;
    c.configMemory[0x2007] = 0x3FFF;
    return dir.Write("chip.hex", ";PIC 16F877\r\n" + FormatInhx8m(c, true));
  }
  // Runs a bash pipeline; its exit status with pipefail.
  static int Shell(const std::string& line) {
    const std::string command = "bash -o pipefail -c '" + line + "'";
    return WEXITSTATUS(std::system(command.c_str()));
  }

  TempDir dir;
};

// The rows of one memory of a listing: address -> values.
std::map<int, int> Rows(const std::string& listing, const std::string& caption) {
  std::map<int, int> values;
  std::istringstream in(listing);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line.find(':') == std::string::npos) {
      inside = line == caption;
      continue;
    }
    if (!inside) continue;
    std::istringstream row(line);
    std::string address;
    row >> address;
    int at = std::stoi(address, nullptr, 16);
    std::string value;
    while (row >> value) values[at++] = std::stoi(value, nullptr, 16);
  }
  return values;
}

TEST_F(ShellCli, BlankPassesOnlyOnAnErasedChipAndNamesTheFirstLocation) {
  std::string state = ChipWithOneDataByte(-1, 0);
  CliResult r = Sim("16F877:" + state, {"blank"});
  EXPECT_EQ(r.status, 0) << r.Describe();
  EXPECT_EQ(r.Result(), "ok");

  state = ChipWithOneDataByte(0x21, 0x5A);
  r = Sim("16F877:" + state, {"blank"});
  EXPECT_EQ(r.status, 1) << r.Describe();
  EXPECT_EQ(r.Result(), "blank-error");
  EXPECT_NE(
      r.out.find("Memoria de datos (EEPROM): dirección 0x0021 no está borrada (se leyó 0x5A)"),
      std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("Memoria de programa:"), std::string::npos) << "program memory is erased";

  // A programmed chip: the first location of each memory.
  ASSERT_EQ(Sim("16F877:" + state, {"-y", "program", k877Example}).status, 0);
  r = Sim("16F877:" + state, {"blank"});
  EXPECT_EQ(r.status, 1) << r.Describe();
  for (const char* said : {"Memoria de programa: dirección 0x0000 no está borrada (se leyó 0x2805)",
                           "Memoria de datos (EEPROM): dirección 0x0000 no está borrada",
                           "ID: dirección 0x2000 no está borrada (se leyó 0x3F81)",
                           "Configuración: dirección 0x2007 no está borrada (se leyó 0x3F31)"}) {
    EXPECT_NE(r.out.find(said), std::string::npos) << said << "\n" << r.out;
  }
  // The factory's calibration (OSCCAL in program memory, band gap bits, calibration words
  // after the configuration) is never erased and never counted.
  for (const char* model : {"12F675", "16F886", "12F683", "16F84A"}) {
    r = Sim(std::string(model) + ":" + dir.Path() + "/" + model + ".hex", {"-y", "blank"});
    EXPECT_EQ(r.status, 0) << model << "\n" << r.Describe();
  }
  // Erased again, it is blank again.
  ASSERT_EQ(Sim("16F877:" + state, {"-y", "erase"}).status, 0);
  EXPECT_EQ(Sim("16F877:" + state, {"blank"}).status, 0);
}

TEST_F(ShellCli, DumpListsTheChipsWordsAndViewListsTheFileAlike) {
  const std::string state = dir.Path() + "/chip.hex";
  ASSERT_EQ(Sim("16F877:" + state, {"-y", "program", k877Example}).status, 0);
  const CliResult dump = Sim("16F877:" + state, {"dump"});
  ASSERT_EQ(dump.status, 0) << dump.Describe();
  EXPECT_NE(dump.err.find("Resultado: ok"), std::string::npos) << "messages leave stdout alone";

  const HexLoadResult file = ParseHexImage(ReadAll(k877Example), {8192, 256});
  ASSERT_EQ(file.status, HexStatus::Ok);
  const std::map<int, int> program = Rows(dump.out, "Memoria de programa");
  for (int a = 0; a < 8192; ++a) {
    const auto it = program.find(a);
    ASSERT_EQ(it == program.end() ? 0x3FFF : it->second, file.image.ProgramWords[a]) << a;
  }
  const std::map<int, int> data = Rows(dump.out, "Memoria de datos (EEPROM)");
  for (int i = 0; i < 256; ++i) {
    const auto it = data.find(i);
    ASSERT_EQ(it == data.end() ? 0xFF : it->second, file.image.EepromWords[i] & 0xFF) << i;
  }
  EXPECT_EQ(Rows(dump.out, "Configuración").at(0x2007), FromBitString(file.image.FileConfig()));
  EXPECT_EQ(Rows(dump.out, "ID").size(), 4u);

  // The chip read back to a file lists alike, from the file or from standard input.
  const std::string back = dir.Path() + "/back.hex";
  ASSERT_EQ(Sim("16F877:" + state, {"read", back}).status, 0);
  const CliResult view = RunCli({"view", back}, dir.Path());
  EXPECT_EQ(view.status, 0) << view.Describe();
  EXPECT_EQ(view.out, dump.out);
  const std::string viewed = dir.Path() + "/viewed.txt";
  EXPECT_EQ(
      Shell(std::string(DAXWEL_CLI_PATH) + " view - < " + back + " > " + viewed + " 2>/dev/null"),
      0);
  EXPECT_EQ(ReadAll(viewed), dump.out);

  // dump to a file, and "-" for standard output.
  const std::string listing = dir.Path() + "/dump.txt";
  EXPECT_EQ(Sim("16F877:" + state, {"dump", listing}).status, 0);
  EXPECT_EQ(ReadAll(listing), dump.out);
  EXPECT_EQ(Sim("16F877:" + state, {"dump", "-"}).out, dump.out);
}

TEST_F(ShellCli, ReadWritesEitherFormatToStandardOutputAndProgramTakesIt) {
  const std::string state = dir.Path() + "/chip.hex";
  ASSERT_EQ(Sim("16F877:" + state, {"-y", "program", k877Example}).status, 0);
  const CliResult ihx8m = Sim("16F877:" + state, {"read", "-"});
  ASSERT_EQ(ihx8m.status, 0) << ihx8m.Describe();
  const CliResult ihx32 = Sim("16F877:" + state, {"read", "--format", "ihx32", "/dev/stdout"});
  ASSERT_EQ(ihx32.status, 0) << ihx32.Describe();
  EXPECT_EQ(ihx8m.out.rfind(":", 0), 0u) << "nothing but records on standard output";
  EXPECT_EQ(ihx32.out, ":020000040000FA\r\n" + ihx8m.out);
  EXPECT_NE(ihx32.err.find("leído en la salida estándar"), std::string::npos) << ihx32.err;

  // Through a pipe into a second, erased chip, which then verifies from standard input too.
  const std::string cli = DAXWEL_CLI_PATH;
  const std::string sim = " --sim 16F877:" + dir.Path() + "/copy.hex --sim-time virtual ";
  const std::string from = " --sim 16F877:" + state + " --sim-time virtual ";
  EXPECT_EQ(Shell(cli + from + "read --format ihx32 - 2>/dev/null | " + cli + sim +
                  "-y program - >/dev/null"),
            0);
  EXPECT_EQ(Shell(cli + from + "read - 2>/dev/null | " + cli + sim + "-y verify - >/dev/null"), 0);
  EXPECT_EQ(Sim("16F877:" + dir.Path() + "/copy.hex", {"read", "-"}).out, ihx8m.out);
}

TEST_F(ShellCli, UsageMistakesOfTheNewCommands) {
  const struct {
    std::vector<std::string> args;
    const char* said;
  } cases[] = {
      {{"--sim", "16F877", "read", "--format", "ihx16", "x.hex"}, "--format"},
      {{"--sim", "16F877", "read", "--format"}, "--format: falta el valor"},
      {{"view"}, "Falta ARCHIVO"},
      {{"view", "a.hex", "b.hex"}, "Argumento no esperado: b.hex"},
      {{"--model", "16F999", "view", "a.hex"}, "--model: modelo desconocido"},
      {{"--sim", "16F877", "dump", "a.txt", "b.txt"}, "Argumento no esperado: b.txt"},
      {{"--sim", "16F877", "blank", "x"}, "Argumento no esperado: x"},
      {{"--sim", "16F877", "--format", "ihx32", "dump"}, "Argumento no esperado: "},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args, dir.Path());
    EXPECT_EQ(r.status, 64) << r.Describe();
    EXPECT_EQ(r.err.find(c.said), 0u) << r.Describe();
  }
  // A file view cannot read is the file's fault.
  const CliResult r = RunCli({"view", dir.Path() + "/missing.hex"}, dir.Path());
  EXPECT_EQ(r.status, 2) << r.Describe();
  EXPECT_EQ(r.Result(), "<none>") << "standard output carries only the listing";
}

}  // namespace
}  // namespace daxwel::testing
