// The command line as a user runs it: the built daxwel-cli against the simulated adapter.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "image/hex_image.h"
#include "image/hex_writer.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kExamples = std::string(DAXWEL_SOURCE_DIR) + "/examples/";
const std::string k877Example = kExamples + "eeprom877.inhx8m.hex";
const std::string k84aExample = kExamples + "toggle84a.inhx8m.hex";

class Cli : public ::testing::Test {
 protected:
  // daxwel-cli --sim MODEL[:STATE] --sim-time virtual ARGS...
  CliResult Sim(const std::string& target, std::vector<std::string> args) {
    args.insert(args.begin(), {"--sim", target, "--sim-time", "virtual"});
    return RunCli(args, dir.Path());
  }
  std::string State(const std::string& name = "chip.hex") const { return dir.Path() + "/" + name; }
  // A HEX file, or a state file past the comment that names its model.
  HexImage Load(const std::string& path, int words = 8192, int bytes = 256) const {
    std::string text = ReadAll(path);
    if (text.rfind(';', 0) == 0) text.erase(0, text.find('\n') + 1);
    const HexLoadResult r = ParseHexImage(text, {words, bytes});
    EXPECT_EQ(r.status, HexStatus::Ok) << path;
    return r.image;
  }

  TempDir dir;
};

std::string Describe(const CliResult& r) {
  return "status " + std::to_string(r.status) + "\n--- out\n" + r.out + "--- err\n" + r.err;
}

TEST_F(Cli, DetectNamesTheModelOrSaysWhyNot) {
  CliResult r = Sim("16F877", {"detect"});
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_EQ(r.out, "16F877\nResultado: ok\n");

  r = Sim("16F84A", {"detect"});
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("16F84/84A\n"), std::string::npos);

  r = Sim("16F873", {"detect"});
  EXPECT_NE(r.out.find("16F873\n"), std::string::npos);

  // The 16F84 without A has no device ID: the user must name it.
  r = Sim("16F84", {"detect"});
  EXPECT_EQ(r.status, 3) << Describe(r);
  // It reads zeros, as a part that runs its own code would: that cause is named too.
  EXPECT_EQ(
      r.err.rfind("Error:    No fue posible detectar el PIC\n\nDeberá seleccionarlo manualmente\n\n"
                  "Si el PIC tiene MCLR deshabilitado (MCLRE = 0)",
                  0),
      0u)
      << r.err;
  EXPECT_EQ(r.Result(), "-");

  // An adapter with no target answers all ones.
  r = Sim("16F877", {"--sim-fault", "no-target=1", "detect"});
  EXPECT_EQ(r.status, 3) << Describe(r);

  // Options may also follow the command.
  r = RunCli({"detect", "--sim", "16F870", "--sim-time", "virtual"}, dir.Path());
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("16F870\n"), std::string::npos);
}

TEST_F(Cli, NoAdapterStopsEveryCommandBeforeAnyOperation) {
  const std::string trace = dir.Path() + "/trace.txt";
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"detect"}, {"erase"}, {"-y", "program", k877Example}}) {
    std::vector<std::string> args = {"--sim-fault", "no-adapter", "--force", "--trace", trace};
    args.insert(args.end(), command.begin(), command.end());
    const CliResult r = Sim("16F877", args);
    EXPECT_EQ(r.status, 3) << Describe(r);
    EXPECT_NE(r.err.find("Hardware no detectado !!!!"), std::string::npos);
    EXPECT_EQ(r.Result(), "-");
    // One write of 0 and one status read, nothing more.
    const std::string log = ReadAll(trace);
    EXPECT_TRUE(std::regex_match(log, std::regex("\\d+ W 0378 00\n\\d+ R 0379 [0-9A-F]{2}\n")))
        << log;
  }

  // The simulated adapter answers only at 0x378.
  const CliResult r = Sim("16F877", {"--port", "0x278", "detect"});
  EXPECT_EQ(r.status, 3) << Describe(r);
  EXPECT_NE(r.err.find("Hardware no detectado !!!!"), std::string::npos);
}

TEST_F(Cli, ProgramVerifyReadChainThroughAStateFile) {
  const std::string state = State();
  CliResult r = Sim("16F877:" + state, {"-y", "program", k877Example});
  ASSERT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("Fin: Programación finalizada\n"), std::string::npos);
  EXPECT_NE(r.out.find("Tipo: Desde Archivo\n"), std::string::npos);
  EXPECT_EQ(r.Result(), "ok");

  // A second process sees the same chip.
  r = Sim("16F877:" + state, {"-y", "verify", k877Example});
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("Fin: ** PIC Verificado OK **\n"), std::string::npos);

  const std::string back = dir.Path() + "/back.hex";
  r = Sim("16F877:" + state, {"read", back});
  ASSERT_EQ(r.status, 0) << Describe(r);

  // The read-back file loads with our own reader to what the example programs.
  const HexImage original = Load(k877Example);
  const HexImage read = Load(back);
  for (int a = 0; a < 8192; ++a) {
    ASSERT_EQ(read.ProgramWords[a], original.ProgramWords[a]) << "word " << a;
  }
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(read.EepromWords[i], original.EepromWords[i]) << "EEPROM " << i;
  }
  EXPECT_EQ(read.FileConfig(), original.FileConfig());
  // IDs are programmed as 0x3F80 plus their low four bits.
  for (int j = 0; j < 4; ++j) EXPECT_EQ(read.IdWords()[j], 0x3F80 | (original.IdWords()[j] & 0xF));
  // Erased words are left out of the file.
  EXPECT_LT(ReadAll(back).size(), 2000u);

  // ... and verifies against the chip it came from.
  r = Sim("16F877:" + state, {"-y", "verify", back});
  EXPECT_EQ(r.status, 0) << Describe(r);

  // The state file itself is a read-back file of the chip.
  const HexImage kept = Load(state);
  EXPECT_EQ(kept.ProgramWords[0], original.ProgramWords[0]);
  EXPECT_EQ(kept.EepromWords[6], original.EepromWords[6]);

  // Erase, and the same file no longer verifies.
  r = Sim("16F877:" + state, {"-y", "erase"});
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("Fin: El PIC ha sido borrado\n"), std::string::npos);
  r = Sim("16F877:" + state, {"-y", "verify", k877Example});
  EXPECT_EQ(r.status, 1) << Describe(r);
  EXPECT_EQ(r.Result(), "verify-error");
  EXPECT_NE(r.err.find("Error: Error al verificar Program Memory\nDirección 0x0000\n"),
            std::string::npos);
}

TEST_F(Cli, ReadNeverReplacesAFileUnlessForced) {
  const std::string state = State();
  ASSERT_EQ(Sim("16F84A:" + state, {"-y", "program", k84aExample}).status, 0);

  const std::string back = dir.Path() + "/back.hex";
  const std::string before = "not to be lost\n";
  dir.Write("back.hex", before);
  CliResult r = Sim("16F84A:" + state, {"--trace", dir.Path() + "/t", "read", back});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(r.Result(), "file-error");
  EXPECT_NE(r.err.find("ya existe"), std::string::npos);
  EXPECT_EQ(ReadAll(back), before);
  EXPECT_EQ(ReadAll(dir.Path() + "/t"), "") << "the port was touched";

  r = Sim("16F84A:" + state, {"read", "--force", back});
  EXPECT_EQ(r.status, 0) << Describe(r);
  const HexImage read = Load(back, 1024, 64);
  const HexImage original = Load(k84aExample, 1024, 64);
  for (int a = 0; a < 1024; ++a) ASSERT_EQ(read.ProgramWords[a], original.ProgramWords[a]);
  EXPECT_EQ(read.FileConfig(), "11111111110001");

  // A folder that cannot be written to is refused before the chip is read.
  r = Sim("16F84A:" + state, {"read", dir.Path() + "/missing/back.hex"});
  EXPECT_EQ(r.status, 2) << Describe(r);
  // So is a folder in place of the file, even with --force.
  fs::create_directory(dir.Path() + "/folder");
  r = Sim("16F84A:" + state,
          {"--trace", dir.Path() + "/t2", "read", "--force", dir.Path() + "/folder"});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_NE(r.err.find("es una carpeta"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(dir.Path() + "/t2"), "") << "the chip was read for nothing";
  EXPECT_TRUE(fs::is_directory(dir.Path() + "/folder"));

  // No temporary files are left next to the output.
  for (const auto& entry : fs::directory_iterator(dir.Path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(Cli, FileAndConfigurationFailuresExitWithTwo) {
  const std::string notHex = dir.Write("notes.hex", "hola\n");
  CliResult r = Sim("16F877", {"-y", "program", notHex});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(r.Result(), "format-error");
  EXPECT_NE(r.err.find("Archivo Incorrecto: Este archivo no es Intel Format\n"), std::string::npos);

  // A 16F84A has 1024 words: a word at 0x0400 does not fit.
  const std::string big =
      dir.Write("big.hex", HexBuilder().Words(0x400, {0}).Config(0x3FF1).Text());
  r = Sim("16F84A", {"-y", "program", big});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(r.Result(), "size-error");
  r = Sim("16F84A", {"-y", "verify", big});
  EXPECT_EQ(r.Result(), "size-error");

  const std::string noConfig = dir.Write("nocfg.hex", HexBuilder().Words(0, {0x2805}).Text());
  r = Sim("16F877", {"-y", "program", noConfig});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(r.Result(), "config-error");
  EXPECT_NE(r.err.find("Configuración Inválida: No pudo leerse la configuración\n"),
            std::string::npos);

  r = Sim("16F877", {"-y", "program", dir.Path() + "/absent.hex"});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(r.Result(), "file-error");
  r = Sim("16F877", {"-y", "verify", dir.Path()});
  EXPECT_EQ(r.status, 2) << Describe(r);

  // A state file that is not Intel HEX is not taken for an erased chip.
  r = Sim("16F877:" + notHex, {"detect"});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(ReadAll(notHex), "hola\n");

  r = Sim("16F877", {"--trace", dir.Path() + "/no/such/dir/t", "detect"});
  EXPECT_EQ(r.status, 2) << Describe(r);
}

TEST_F(Cli, UnreadableHexFilesExitWithTwoWhateverTheirWord) {
  struct Case {
    const char* command;
    std::string text;
    const char* result;
    const char* message;
  };
  const std::vector<Case> cases{
      {"program", ":02000000FF3FC1\n:00000001FF\n", "program_error",
       "Error: Línea 1: suma de verificación incorrecta\n"},
      {"verify", ":02000000FF3FC0\n", "verify_error",
       "Error: Falta el registro de fin de archivo\n"},
      {"program", ":020000040001F9\n:00000001FF\n", "program_error",
       "dirección extendida distinta de cero"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.Write("bad.hex", c.text);
    const CliResult r = Sim("16F877", {"-y", c.command, path});
    EXPECT_EQ(r.status, 2) << Describe(r);
    EXPECT_EQ(r.Result(), c.result);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << Describe(r);
  }

  // A FIFO cannot be read as a file: refused at once, not waited on.
  const std::string fifo = dir.Path() + "/fifo.hex";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const CliResult r = Sim("16F877", {"-y", "verify", fifo});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(r.Result(), "file-error");
}

TEST_F(Cli, IncompleteTraceIsToldAndExitsTwoAfterTheWholeOperation) {
  const std::string state = State();
  CliResult r = Sim("16F877:" + state, {"--trace", "/dev/full", "-y", "program", k877Example});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(r.Result(), "ok");
  EXPECT_NE(r.err.find("Error: El registro de accesos /dev/full quedó incompleto"),
            std::string::npos)
      << Describe(r);
  // The chip was programmed to the end all the same.
  r = Sim("16F877:" + state, {"-y", "verify", k877Example});
  EXPECT_EQ(r.status, 0) << Describe(r);

  // A failure of the chip keeps its own status.
  r = Sim("16F877",
          {"--trace", "/dev/full", "--sim-fault", "stuck=0", "-y", "program", k877Example});
  EXPECT_EQ(r.status, 1) << Describe(r);
  EXPECT_NE(r.err.find("quedó incompleto"), std::string::npos) << Describe(r);
}

TEST_F(Cli, DeviceFailuresExitWithOne) {
  // A program word that cannot be changed.
  CliResult r = Sim("16F877", {"--sim-fault", "stuck=0x0000", "-y", "program", k877Example});
  EXPECT_EQ(r.status, 1) << Describe(r);
  EXPECT_EQ(r.Result(), "verify-error");
  EXPECT_NE(r.err.find("Error al programar Program Memory\nDirección 0x0000"), std::string::npos);

  const std::string state = State();
  ASSERT_EQ(Sim("16F877:" + state, {"-y", "program", k877Example}).status, 0);
  r = Sim("16F877:" + state, {"--sim-fault", "stuck=5", "-y", "erase"});
  EXPECT_EQ(r.status, 1) << Describe(r);
  EXPECT_EQ(r.Result(), "erase-error");
  EXPECT_NE(r.err.find("Dirección 0x0005 no pudo ser borrada"), std::string::npos);

  r = Sim("16F877", {"--sim-fault", "ee-stuck=2", "-y", "program", k877Example});
  EXPECT_EQ(r.status, 1) << Describe(r);
  EXPECT_NE(r.err.find("Error al programar Data Memory\nDirección 0x0002"), std::string::npos);

  // The adapter vanishes in the middle of the run.
  r = Sim("16F877", {"--sim-fault", "unplug-after=2000", "-y", "program", k877Example});
  EXPECT_EQ(r.status, 1) << Describe(r);

  // ... or in the middle of detection, which the command line calls itself: a message and the
  // lines at 0, never an abort.
  const std::string trace = dir.Path() + "/t";
  r = Sim("16F877", {"--sim-fault", "unplug-after=100", "--trace", trace, "detect"});
  EXPECT_EQ(r.status, 3) << Describe(r);
  EXPECT_EQ(r.Result(), "-");
  EXPECT_NE(r.err.find("Error: Se perdió la comunicación con el programador"), std::string::npos)
      << r.err;
  const std::string log = ReadAll(trace);
  EXPECT_EQ(log.substr(log.size() - 10), "W 0378 00\n");
  r = Sim("16F877",
          {"--sim-fault", "unplug-after=100", "--config", "osc=hs", "-y", "program", k877Example});
  EXPECT_EQ(r.status, 1) << Describe(r);
  EXPECT_EQ(r.Result(), "program_error");
}

TEST_F(Cli, CodeProtectedChipIsRefusedButCanBeErased) {
  // A state file whose configuration word starts the chip protected (CP all, 16F84 layout).
  const std::string state =
      dir.Write("cp.hex", HexBuilder().Words(0, {0x1234, 0x0567}).Config(0x000F).Text());

  CliResult r = Sim("16F84A:" + state, {"read", dir.Path() + "/back.hex"});
  EXPECT_EQ(r.status, 1) << Describe(r);
  EXPECT_EQ(r.Result(), "cp-error");
  EXPECT_NE(r.err.find("Code Protect activado !!!: "), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.Path() + "/back.hex"));

  r = Sim("16F84A:" + state, {"-y", "program", k84aExample});
  EXPECT_EQ(r.Result(), "cp-error");
  EXPECT_NE(r.err.find("Para eliminar el CP primero efectuar un BORRADO"), std::string::npos);
  r = Sim("16F84A:" + state, {"-y", "verify", k84aExample});
  EXPECT_EQ(r.Result(), "cp-error");

  // info still reads the configuration memory.
  r = Sim("16F84A:" + state, {"info"});
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("Configuration Word: 0x000F"), std::string::npos);
  EXPECT_NE(r.out.find("  Code Protected: ON\n"), std::string::npos);

  // The protection survived in the state file between the runs; erase removes it.
  r = Sim("16F84A:" + state, {"-y", "erase"});
  EXPECT_EQ(r.status, 0) << Describe(r);
  r = Sim("16F84A:" + state, {"-y", "program", k84aExample});
  EXPECT_EQ(r.status, 0) << Describe(r);

  // Partial protection (16F876 family, upper half) would read zeros too: refused.
  const std::string half = State("half.hex");
  r = Sim("16F877:" + half, {"-y", "program", "--config", "cp=half", k877Example});
  EXPECT_EQ(r.status, 0) << Describe(r);
  r = Sim("16F877:" + half, {"read", dir.Path() + "/half-back.hex"});
  EXPECT_EQ(r.Result(), "cp-error") << Describe(r);
}

TEST_F(Cli, ConfigOptionComposesTheDialogWord) {
  int chips = 0;
  auto configAfter = [&](const std::string& model, const std::string& config) {
    // A fresh chip each time: a protected one would refuse the next run.
    const std::string state = State("chip" + std::to_string(++chips) + ".hex");
    const CliResult p =
        Sim(model + ":" + state, {"-y", "--config", config, "program", k877Example});
    EXPECT_EQ(p.status, 0) << config << "\n" << Describe(p);
    const CliResult i = Sim(model + ":" + state, {"info"});
    const std::size_t at = i.out.find("Configuration Word: ");
    return at == std::string::npos ? std::string("<none>") : i.out.substr(at + 20, 6);
  };
  // Fields not given take the dialog defaults (0x3F31 for the 16F876 family).
  EXPECT_EQ(configAfter("16F877", "osc=xt"), "0x3F31");
  EXPECT_EQ(configAfter("16F877", "osc=hs,wdt=on,pwrte=off,boden=on,lvp=on"), "0x3FFE");
  EXPECT_EQ(configAfter("16F877", "wrt=off,cpd=on"), "0x3C31");
  EXPECT_EQ(configAfter("16F877", "0x3F3A"), "0x3F3A");
  EXPECT_EQ(configAfter("16F877", "file"), "0x3F31");
  // Four-way code protection of the 16F873 family; the word is read back even protected.
  EXPECT_EQ(configAfter("16F873", "cp=half"), "0x1F11");
  EXPECT_EQ(configAfter("16F870", "cp=on,osc=rc"), "0x0F03");

  const std::string state84 = State("84.hex");
  CliResult r = Sim("16F84A:" + state84, {"-y", "--config", "wdt=on", "program", k84aExample});
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("Tipo: Manual\n"), std::string::npos);
  EXPECT_NE(Sim("16F84A:" + state84, {"info"}).out.find("Configuration Word: 0x3FF5"),
            std::string::npos);

  // A field the detected model does not have is a configuration failure, found before
  // anything is written.
  r = Sim("16F84A:" + state84, {"-y", "--config", "boden=on", "program", k84aExample});
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(r.Result(), "config-error");
  EXPECT_NE(r.err.find("boden"), std::string::npos);
  r = Sim("16F870", {"-y", "--config", "cp=half", "program", k877Example});
  EXPECT_EQ(r.Result(), "config-error") << Describe(r);
  r = Sim("16F877", {"-y", "--model", "16F877", "--config", "cp=on", "program", k877Example});
  EXPECT_EQ(r.Result(), "config-error") << Describe(r);

  // Malformed values are bad usage.
  for (const std::string bad :
       {"osc=xx", "speed=on", "wdt", "wdt=on,", "wdt=on,wdt=off", "0x4000", "0xZZ", "cp=maybe"}) {
    r = Sim("16F877", {"-y", "--config", bad, "program", k877Example});
    EXPECT_EQ(r.status, 64) << bad << "\n" << Describe(r);
    EXPECT_NE(r.err.find("--config"), std::string::npos) << bad;
  }
}

TEST_F(Cli, ModelOptionSkipsDetection) {
  const std::string state = State();
  // The 16F84 without A can only be worked on by name.
  CliResult r = Sim("16F84:" + state, {"-y", "--model", "16F84", "program", k84aExample});
  EXPECT_EQ(r.status, 0) << Describe(r);
  r = Sim("16F84:" + state, {"--model", "16F84/84A", "read", dir.Path() + "/b.hex"});
  EXPECT_EQ(r.status, 0) << Describe(r);
  r = Sim("16F84:" + state, {"--model", "pic16f84a", "info"});
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("ID del dispositivo: 0x0000 (sin identificar)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Microcontrolador: PIC 16F84\n"), std::string::npos) << r.out;
  // The same row names the silicon whose ID it read by that part's name.
  r = Sim("16F84A", {"--model", "16F84", "info"});
  EXPECT_NE(r.out.find("Microcontrolador: PIC 16F84A\n"), std::string::npos) << r.out;

  r = Sim("16F877", {"info"});
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      r.out, m,
      std::regex("\nID del dispositivo: 0x(09[AB][0-9A-F]) \\(16F877, revisión (\\d+)\\)\n")))
      << r.out;
  EXPECT_EQ(std::stoi(m[1].str(), nullptr, 16) & 0x1F, std::stoi(m[2].str()));
  r = Sim("16F877", {"--sim-fault", "id=0x09A5", "info"});
  EXPECT_NE(r.out.find("ID del dispositivo: 0x09A5 (16F877, revisión 5)"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("ID: 0x3FFF 0x3FFF 0x3FFF 0x3FFF\n"), std::string::npos) << r.out;
}

TEST_F(Cli, WrongModelOnTheSimulatorIsAProtocolViolation) {
  // The 16F877 row waits 8 ms after each write; a 16F84 needs 20 ms, and the simulated chip
  // records every clock edge that came too early. The simulated 16F84 reads its missing device
  // ID as 0, which is no 16F877 at all; one that shows an unknown ID is taken.
  CliResult r = Sim("16F84", {"-y", "--model", "16F877", "program", k84aExample});
  EXPECT_EQ(r.status, 3) << Describe(r);
  EXPECT_NE(r.err.find("No se encontró un PIC 16F877 en el programador (ID 0x0000)"),
            std::string::npos)
      << Describe(r);
  r = Sim("16F84", {"--sim-fault", "id=0x1FE5", "-y", "--model", "16F877", "program", k84aExample});
  EXPECT_EQ(r.status, 4) << Describe(r);
  EXPECT_NE(r.err.find("Simulador: violación del protocolo: "), std::string::npos);
}

TEST_F(Cli, ConfirmationNeedsYesOrATerminal) {
  const std::string trace = dir.Path() + "/t";
  CliResult r = Sim("16F877", {"--trace", trace, "erase"});
  EXPECT_EQ(r.status, 3) << Describe(r);
  EXPECT_EQ(r.Result(), "-");
  EXPECT_NE(r.err.find("Borrar: El PIC 16F877 será completamente borrado"), std::string::npos);
  // Only detection reached the chip: no erase command, lines 0 at the end.
  const std::string log = ReadAll(trace);
  EXPECT_EQ(log.substr(log.rfind(" W ") + 1, 10), "W 0378 00\n");

  r = RunCliOnTerminal({"--sim", "16F877", "--sim-time", "virtual", "erase"}, "[s/N]", "n\n");
  EXPECT_EQ(r.status, 3) << r.out;
  r = RunCliOnTerminal({"--sim", "16F877", "--sim-time", "virtual", "erase"}, "[s/N]", "s\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Fin: El PIC ha sido borrado"), std::string::npos);

  // Ctrl-C typed at the question: nothing is erased.
  const std::string state = State();
  ASSERT_EQ(Sim("16F877:" + state, {"-y", "program", k877Example}).status, 0);
  r = RunCliOnTerminal({"--sim", "16F877:" + state, "--sim-time", "virtual", "erase"}, "[s/N]",
                       "\x03");
  EXPECT_EQ(r.status, 130) << r.out;
  EXPECT_EQ(Sim("16F877:" + state, {"-y", "verify", k877Example}).status, 0);
}

TEST_F(Cli, ProgressLineOnlyOnATerminal) {
  // On a terminal the line is redrawn in place with a bar.
  CliResult r =
      RunCliOnTerminal({"--sim", "16F877", "--sim-time", "virtual", "-y", "program", k877Example});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("\rProgramando Program Memory:  0x"), std::string::npos);
  EXPECT_NE(r.out.find("] 100 %"), std::string::npos);
  EXPECT_NE(r.out.find("\x1b[K"), std::string::npos);

  // On a pipe: only the messages.
  r = Sim("16F877", {"-y", "program", k877Example});
  EXPECT_EQ(r.out.find("Programando"), std::string::npos);
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
  EXPECT_EQ(r.out.find("\x1b"), std::string::npos);

  // --quiet keeps only errors and the result line.
  r = Sim("16F877", {"-q", "-y", "program", k877Example});
  EXPECT_EQ(r.out, "Resultado: ok\n");
}

TEST_F(Cli, RunModeHoldsTheRunLineThenDropsIt) {
  const std::string trace = dir.Path() + "/t";
  const CliResult r = Sim("16F877", {"--trace", trace, "run", "--seconds", "0.2"});
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("RUN Mode: Ejecutando programa .....\n\nAceptar para detener\n"),
            std::string::npos);
  const std::string log = ReadAll(trace);
  const std::regex write("\\d+ W 0378 ([0-9A-F]{2})\n");
  std::vector<std::string> writes;
  for (std::sregex_iterator i(log.begin(), log.end(), write), end; i != end; ++i) {
    writes.push_back((*i)[1]);
  }
  EXPECT_EQ(writes, (std::vector<std::string>{"00", "08", "00"})) << log;

  // Without a terminal or a time limit it runs until Ctrl-C, and still drops the run line.
  // (The trace file is written at the end; the run line is up before the message is shown.)
  CliProcess running({"--sim", "16F877", "--force", "--trace", trace, "run"}, dir.Path());
  EXPECT_TRUE(running.WaitForOutput("(Ctrl-C para detener)"));
  running.Signal(SIGINT);
  const CliResult stopped = running.Wait(std::chrono::seconds(30));
  // Ctrl-C is run mode's own way out: a normal end.
  EXPECT_EQ(stopped.status, 0) << Describe(stopped);
  EXPECT_EQ(stopped.Result(), "ok");
  const std::string after = ReadAll(trace);
  EXPECT_NE(after.find("W 0378 08\n"), std::string::npos) << after;
  EXPECT_EQ(after.substr(after.size() - 10), "W 0378 00\n") << after;

  // A time too long for the clock's range is "until stopped", not "already over".
  CliProcess longRun({"--sim", "16F877", "run", "--seconds", "1e300"}, dir.Path());
  EXPECT_TRUE(longRun.WaitForOutput("o con Ctrl-C)"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  longRun.Signal(SIGINT);
  const CliResult held = longRun.Wait(std::chrono::seconds(30));
  EXPECT_EQ(held.status, 0) << Describe(held);
}

TEST_F(Cli, BadUsageExitsWith64AndHelpDocumentsTheCommands) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"--bogus", "detect"},
           {"program"},
           {"--model", "16F999", "--sim", "16F877", "detect"},
           {"--sim", "16F999", "detect"},
           {"--sim", "16F877", "--sim-time", "slow", "detect"},
           {"--sim-time", "virtual", "detect"},
           {"--sim", "16F877", "--sim-fault", "stuck", "detect"},
           {"--sim", "16F877", "--sim-fault", "no-target=2", "detect"},
           {"--sim", "16F877", "--sim-fault", "melt=1", "detect"},
           {"--sim", "16F877", "--port", "0x37G", "detect"},
           {"--sim", "16F877", "run", "--seconds", "-1"},
           {"--sim", "16F877", "run", "--seconds", "nan"},
           {"--sim", "16F877", "run", "--seconds", "2s"},
           {"--sim", "16F84", "--sim-fault", "stuck=0x400", "detect"},
           {"--sim", "16F877", "--sim-fault", "ee-stuck=256", "detect"},
       }) {
    const CliResult r = RunCli(args, dir.Path());
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.status, 64) << joined << "\n" << Describe(r);
    EXPECT_FALSE(r.err.empty()) << joined;
  }

  // CLI11's own complaints are said in Spanish too.
  const struct {
    std::vector<std::string> args;
    const char* said;
  } spanish[] = {
      {{"--bogus", "detect"}, "Argumento no esperado: --bogus\n"},
      {{"detect", "erase"}, "Argumento no esperado: erase\n"},
      {{}, "Falta el comando (detect, program"},
      {{"frobnicate"}, "Comando desconocido: frobnicate (detect"},
      {{"read"}, "Falta ARCHIVO\n"},
      {{"--sim-time", "virtual", "detect"}, "--sim-time solo se usa junto con --sim\n"},
      {{"detect", "--port"}, "--port: falta el valor\n"},
      {{"--port", "0x378", "--port", "0x278", "detect"}, "--port: se da una sola vez\n"},
      {{"--yes=maybe", "detect"}, "--yes: valor no válido \"maybe\"\n"},
  };
  for (const auto& c : spanish) {
    const CliResult r = RunCli(c.args, dir.Path());
    EXPECT_EQ(r.status, 64) << Describe(r);
    EXPECT_EQ(r.err.find(c.said), 0u) << Describe(r);
    EXPECT_NE(r.err.find("Más información: daxwel-cli --help\n"), std::string::npos);
  }

  const CliResult help = RunCli({"--help"}, dir.Path());
  EXPECT_EQ(help.status, 0);
  for (const char* english : {"Usage", "Options", "Subcommands", "Print this", "REQUIRED"}) {
    EXPECT_EQ(help.out.find(english), std::string::npos) << english;
  }
  const CliResult readHelp = RunCli({"read", "--help"}, dir.Path());
  EXPECT_EQ(readHelp.status, 0);
  EXPECT_NE(readHelp.out.find("Uso: daxwel-cli read [OPCIONES] ARCHIVO"), std::string::npos)
      << readHelp.out;
  for (const char* english : {"Positionals", "TEXT", "Print this", "Options"}) {
    EXPECT_EQ(readHelp.out.find(english), std::string::npos) << english << "\n" << readHelp.out;
  }
  for (const char* needle :
       {"detect",     "program",     "verify",   "erase", "run",       "read",     "info",
        "--port",     "--model",     "--config", "--yes", "--quiet",   "--trace",  "--sim",
        "--sim-time", "--sim-fault", "130",      "64",    "Resultado", "RB3 (PGM)"}) {
    EXPECT_NE(help.out.find(needle), std::string::npos) << needle;
  }
  // The 16F87XA and 16F62XA fields and the PGM pin of the 16F62XA.
  for (const char* needle : {"debug=on|off", "wrt=off|256|quarter|half", "mclre=on|off",
                             "intio|intclk|rcio|rcclk", "RB4 (pata 10)"}) {
    EXPECT_NE(help.out.find(needle), std::string::npos) << needle;
  }
}

TEST_F(Cli, AReaderThatQuitsEarlyDoesNotStopTheRun) {
  // As in `daxwel-cli ... | head -1`: standard output is a pipe nobody reads any more.
  const std::string state = State();
  const std::string trace = dir.Path() + "/t";
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], 1);
    const int err = ::open((dir.Path() + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(err, 2);
    CliProcess::Exec({"--sim", "16F877:" + state, "--sim-time", "virtual", "--trace", trace, "-y",
                      "program", k877Example});
  }
  ::close(fds[1]);
  EXPECT_EQ(CliProcess::WaitStatus(pid, std::chrono::seconds(60)), 0);
  // The run went to its end: lines off, and the chip kept with what was programmed.
  const std::string log = ReadAll(trace);
  EXPECT_EQ(log.substr(log.size() - 10), "W 0378 00\n");
  EXPECT_EQ(Load(state).ProgramWords[0], Load(k877Example).ProgramWords[0]);
}

TEST_F(Cli, TraceLogsEveryPortAccess) {
  const std::string trace = dir.Path() + "/t";
  ASSERT_EQ(Sim("16F877", {"--trace", trace, "detect"}).status, 0);
  const std::string log = ReadAll(trace);
  std::size_t lines = 0;
  std::size_t start = 0;
  long long last = -1;
  const std::regex line("(\\d+) [WR] 037[89] [0-9A-F]{2}");
  while (start < log.size()) {
    const std::size_t end = log.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    const std::string one = log.substr(start, end - start);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(one, m, line)) << one;
    const long long ns = std::stoll(m[1]);
    EXPECT_GE(ns, last);
    last = ns;
    ++lines;
    start = end + 1;
  }
  // Detection: lines off, presence, then a whole command sequence and one read frame.
  EXPECT_GT(lines, 100u);
  EXPECT_EQ(log.substr(log.size() - 10), "W 0378 00\n");
}

TEST_F(Cli, CtrlCAbandonsARealTimeRunWithTheLinesOff) {
  // 512 words that all differ from an erased chip: at 8 ms a word, several seconds of work.
  std::vector<int> words(512, 0x0000);
  const std::string file =
      dir.Write("zeros.hex", HexBuilder().Words(0, words).Config(0x3F31).Text());
  const std::string state = State();
  const std::string trace = dir.Path() + "/t";
  CliProcess run({"--sim", "16F877:" + state, "--trace", trace, "-y", "program", file}, dir.Path());
  // Wait until some words have been written (past the reading pass, about 600 kB of trace),
  // then press Ctrl-C.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ReadAll(trace).size() < 900000 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.Signal(SIGINT);
  const CliResult r = run.Wait(std::chrono::seconds(30));
  EXPECT_EQ(r.status, 130) << Describe(r);
  EXPECT_EQ(r.Result(), "abandoned");
  EXPECT_TRUE(r.err.find("violación") == std::string::npos) << r.err;

  const std::string log = ReadAll(trace);
  EXPECT_EQ(log.substr(log.size() - 10), "W 0378 00\n");

  // The state file holds the chip as the interruption left it: a prefix of the words written.
  const HexImage kept = Load(state);
  int written = 0;
  while (written < 512 && kept.ProgramWords[written] == 0) ++written;
  EXPECT_GT(written, 0);
  EXPECT_LT(written, 512);
  for (int a = written; a < 512; ++a) ASSERT_EQ(kept.ProgramWords[a], 0x3FFF) << a;
  for (const auto& entry : fs::directory_iterator(dir.Path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);
  }

  // A lost terminal or SSH link (SIGHUP) stops the run the same way, and the chip is kept.
  const std::string state2 = State("hup.hex");
  std::remove(trace.c_str());
  CliProcess hung({"--sim", "16F877:" + state2, "--trace", trace, "-y", "program", file},
                  dir.Path());
  const auto hupDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ReadAll(trace).size() < 900000 && std::chrono::steady_clock::now() < hupDeadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  hung.Signal(SIGHUP);
  const CliResult h = hung.Wait(std::chrono::seconds(30));
  EXPECT_EQ(h.status, 130) << Describe(h);
  EXPECT_EQ(h.Result(), "abandoned");
  EXPECT_EQ(ReadAll(trace).substr(ReadAll(trace).size() - 10), "W 0378 00\n");
  EXPECT_EQ(Load(state2).ProgramWords[0], 0);
}

}  // namespace
}  // namespace daxwel::testing
