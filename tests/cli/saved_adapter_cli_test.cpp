// The command line and the saved adapter, and the smaller edges of its options and files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "link/adapters.h"
#include "sim/safe_file.h"
#include "support/hex_builder.h"
#include "support/scoped_env.h"

namespace daxwel::testing {
namespace {

// Every run here sees its own settings folder, never the user's.
class SavedAdapterCli : public ::testing::Test {
 protected:
  SavedAdapterCli() {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) old_ = old;
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    std::filesystem::create_directories(dir.Path() + "/daxwel/adaptadores");
  }
  ~SavedAdapterCli() override {
    if (old_) {
      ::setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
  }
  CliResult Sim(const std::string& model, std::vector<std::string> args) {
    args.insert(args.begin(), {"--sim", model, "--sim-time", "virtual"});
    return RunCli(args, dir.Path());
  }
  std::string Saved(const std::string& text) { return dir.Write("daxwel/daxwel.conf", text); }
  std::string FirstLine(const std::string& out) { return out.substr(0, out.find('\n')); }
  TempDir dir;

 private:
  std::optional<std::string> old_;
};

std::string LastWrite(const std::string& trace) {
  const std::size_t at = trace.rfind(" W 0378 ");
  return at == std::string::npos ? "" : trace.substr(at + 8, 2);
}

// Without --adapter the saved one drives the port, and the first line names it.
TEST_F(SavedAdapterCli, TheSavedAdapterIsUsedAndNamed) {
  const std::string conf = Saved("[adaptador]\nnombre=tait-7407\nretardo=0\n");
  const std::string trace = dir.Path() + "/t";
  CliResult r = Sim("16F628A", {"--trace", trace, "detect"});
  EXPECT_EQ(r.status, 0) << r.Describe();
  EXPECT_EQ(FirstLine(r.out), "Adaptador: tait-7407 (el guardado en " + conf + ")");
  // tait-7407 asserts VPP and VDD at a low pin: its "off" byte keeps them high.
  EXPECT_EQ(LastWrite(ReadAll(trace)), "0C") << ReadAll(trace).substr(0, 200);

  // --adapter wins, and then nothing is said about the saved one.
  r = Sim("16F628A", {"--force", "--trace", trace, "--adapter", "daxwel", "detect"});
  EXPECT_EQ(r.status, 0) << r.Describe();
  EXPECT_EQ(r.out.find("Adaptador:"), std::string::npos) << r.out;
  EXPECT_EQ(LastWrite(ReadAll(trace)), "00");
}

// A saved adapter that cannot be used stops the run before the port or any file is touched.
TEST_F(SavedAdapterCli, ABrokenSavedAdapterIsAnErrorNeverAnotherWiring) {
  const std::string fifo = dir.Path() + "/daxwel/adaptadores/tuberia";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string conf;
    std::string message;
  } cases[] = {
      {"[adaptador]\nnombre=tait-74O7\n", "Adaptador desconocido: \"tait-74O7\""},
      {"[adaptador]\nnombre=tuberia\n", fifo + ": es una tubería (FIFO)"},
      {"[adaptador]\nnombre=tait-7407\nretardo=-3\n", "daxwel.conf:3: retardo=-3"},
      {"nombre\n", "daxwel.conf:1: línea no válida"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.conf);
    Saved(c.conf);
    const std::string trace = dir.Path() + "/no-trace";
    const std::string state = dir.Path() + "/no-state.hex";
    const CliResult r = Sim("16F628A:" + state, {"--trace", trace, "detect"});
    EXPECT_EQ(r.status, 2) << r.Describe();
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--adapter"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(trace));
    EXPECT_FALSE(std::filesystem::exists(state));
  }
}

// Each mistake is said at once with its own message and status; nothing is run.
TEST_F(SavedAdapterCli, SmallerEdgesAreRefusedClearly) {
  const std::string fifo = dir.Path() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string hex = dir.Write("p.hex", HexBuilder().Words(0, {0x2805}).Config(0x3FF1).Text());
  dir.Write("daxwel/adaptadores/epic", "vpp=6\nclock=3\ndatao=2\ndatai=11\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"--adapter", fifo, "detect"}, 2, fifo + ": es una tubería (FIFO), no un archivo regular"},
      {{"--adapter", "/dev/zero", "detect"}, 2, "/dev/zero: es un dispositivo"},
      {{"--adapter", dir.Path(), "detect"}, 2, dir.Path() + ": es una carpeta"},
      {{"--adapter", "", "detect"}, 64, "--adapter: falta el nombre del adaptador"},
      {{"linetest", "vpp", "vdx"}, 64, "linetest: línea desconocida \"vdx\""},
      // The user's "epic" has no VDD line.
      {{"--adapter", "epic", "linetest", "vdd"}, 64, "línea desconocida \"vdd\""},
      {{"--model", "16F84A", "--config", "0x3FF1,0x0000", "program", hex},
       64,
       "--config: el PIC 16F84 tiene una sola palabra de configuración"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const CliResult r = Sim("16F84A", c.args);
    EXPECT_EQ(r.status, c.status) << r.Describe();
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Resultado: ok"), std::string::npos) << r.out;
  }
  // With the model detected, two words for a one-word part are the configuration's error.
  const CliResult detected = Sim("16F84A", {"-y", "--config", "0x3FF1,0x0000", "program", hex});
  EXPECT_EQ(detected.status, 2) << detected.Describe();
  EXPECT_EQ(detected.Result(), "config-error");
  EXPECT_NE(detected.err.find("sobra la segunda"), std::string::npos) << detected.err;

  // The listing says which preset the user's file hides.
  const CliResult list = RunCli({"adapters"}, dir.Path());
  const std::size_t epic = list.out.find("\nepic ");
  ASSERT_NE(epic, std::string::npos) << list.out;
  const std::string line = list.out.substr(epic + 1, list.out.find('\n', epic + 1) - epic - 1);
  EXPECT_NE(line.find("oculto: --adapter epic usa el archivo propio " + dir.Path() +
                      "/daxwel/adaptadores/epic"),
            std::string::npos)
      << line;
  EXPECT_EQ(list.out.find("oculto", epic + line.size()), std::string::npos) << list.out;
}

// A closed standard output is no file to write into: the next file opened must not take it.
TEST_F(SavedAdapterCli, ClosedStandardOutputNeverLandsInTheStateFile) {
  const std::string state = dir.Path() + "/chip.hex";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(1);
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    CliProcess::Exec({"--sim", "16F84A:" + state, "--sim-time", "virtual", "detect"});
  }
  EXPECT_EQ(CliProcess::WaitStatus(pid, std::chrono::seconds(60)), 0);
  const std::string kept = ReadAll(state);
  EXPECT_EQ(kept.rfind(";PIC 16F84A\r\n", 0), 0u) << kept;
  EXPECT_EQ(kept.find("Resultado"), std::string::npos) << kept;
  EXPECT_EQ(kept.find("16F84/84A\n"), std::string::npos) << kept;
}

// The line a state file's mistake is on, counted as an editor counts it.
TEST_F(SavedAdapterCli, StateFileErrorsNameTheirOwnLine) {
  const std::string state = dir.Path() + "/chip.hex";
  ASSERT_EQ(Sim("16F84A:" + state, {"detect"}).status, 0);
  std::string text = ReadAll(state);
  const std::size_t third = text.find('\n', text.find('\n') + 1) + 1;
  text.replace(third, text.find('\n', third) - third, ":zz\r");
  dir.Write("chip.hex", text);
  const CliResult r = Sim("16F84A:" + state, {"detect"});
  EXPECT_EQ(r.status, 2) << r.Describe();
  EXPECT_NE(r.err.find("chip.hex: Línea 3: carácter no válido"), std::string::npos) << r.err;
}

// Ctrl-C at a question ends as Ctrl-C anywhere does: abandoned, 130.
TEST_F(SavedAdapterCli, CtrlCAtAQuestionIsAbandoned) {
  const std::string hex = dir.Write("p.hex", HexBuilder().Words(0, {0x2805}).Config(0x3FF1).Text());
  const CliResult r = RunCliOnTerminal({"--sim", "16F887", "--sim-time", "virtual", "program", hex},
                                       "[s/N] ", "\x03");
  EXPECT_EQ(r.status, 130) << r.out;
  EXPECT_EQ(r.Result(), "abandoned") << r.out;
}

// Each adapter in the list says where it comes from: the shipped table, or the user's folder
// (a file there of a preset's name hides the preset). A user's file that cannot be used is
// said on standard error; the others are still listed.
TEST_F(SavedAdapterCli, ListMarksWhereEachAdapterComesFrom) {
  const std::string folder = dir.Path() + "/daxwel/adaptadores/";
  const std::string mine =
      dir.Write("daxwel/adaptadores/mio.ini", "description=Mi Tait\nparent=tait-7407\nvpp=-6\n");
  const std::string epic =
      dir.Write("daxwel/adaptadores/epic", "vpp=6\nclock=3\ndatao=2\ndatai=11\n");
  const std::string broken = dir.Write("daxwel/adaptadores/roto.ini", "vpp=5\nclok=3\n");
  dir.Write("daxwel/adaptadores/.escondido", "basura\n");
  std::filesystem::create_directories(folder + "sub");
  const CliResult r = RunCli({"adapters"}, dir.Path());
  EXPECT_EQ(r.status, 0) << r.Describe();
  const std::string shipped = " [incluido: " + ShippedAdapters().file.string() + "]";
  std::vector<std::string> lines;
  std::istringstream out(r.out);
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), AdapterPresets().size() + 2) << r.out;
  for (std::size_t i = 0; i < AdapterPresets().size(); ++i) {
    const AdapterPreset& preset = AdapterPresets()[i];
    std::string expected = preset.name + " " + DescribeWiring(preset.wiring) + " # " +
                           preset.title + "; " + preset.source + shipped;
    if (preset.name == "epic") {
      expected += " (oculto: --adapter epic usa el archivo propio " + epic + ")";
    }
    EXPECT_EQ(lines[i], expected);
  }
  EXPECT_EQ(lines[lines.size() - 2],
            "epic vpp=6 clock=3 datao=2 datai=11 presence=none # [propio: " + epic + "]");
  EXPECT_EQ(lines.back(),
            "mio vpp=-6 vdd=-4 clock=3 datao=2 datai=10 presence=loopback # Mi Tait; "
            "piklab, pikdev y WxPic (coinciden) [propio: " +
                mine + "]");
  EXPECT_EQ(r.err, broken +
                       ":2: clave desconocida \"clok\" (vpp, vdd, clock, datao, pgm, run, "
                       "enable, dataenable, dir, mclrlow, connect, led, datai, presence, "
                       "delay, vpp-voltios, vdd-limitada, parent, description, source)\n");
}

// With the shipped table broken (or missing) no preset, not even the default, drives a port:
// what needs an adapter stops with the reason, naming the file and line; a user's own file
// without parent= still works, and what needs no adapter is not held up.
TEST_F(SavedAdapterCli, BrokenShippedTableStopsWhatNeedsAPreset) {
  std::filesystem::create_directories(dir.Path() + "/datos");
  const std::string table = dir.Write("datos/adaptadores.ini", "[daxwel]\nparent=tait\n");
  const char* old = std::getenv("DAXWEL_DATA_DIR");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("DAXWEL_DATA_DIR", (dir.Path() + "/datos").c_str(), 1);
  const std::string own =
      dir.Write("daxwel/adaptadores/propio.ini", "vpp=-5\nvdd=-4\nclock=3\ndatao=2\ndatai=10\n");
  const std::string child = dir.Write("daxwel/adaptadores/hijo.ini", "parent=tait-7407\n");
  const std::string why = "No se puede usar la tabla de adaptadores que trae Daxwel: " + table +
                          ":2: parent=tait: no hay un adaptador [tait] en este archivo";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;  // in standard error
    std::string out;  // in standard output
  } cases[] = {
      {{"--help"}, 0, "", "adapters"},
      {{"--version"}, 0, "", "daxwel-cli"},
      {{"parts"}, 0, "", "16F877"},
      {{"adapters"}, 2, why, "propio vpp=-5"},
      {{"--sim", "16F84A", "--sim-time", "virtual", "detect"},
       2,
       why + " (un archivo propio se elige con --adapter)",
       ""},
      {{"--sim", "16F84A", "--sim-time", "virtual", "--adapter", "daxwel", "detect"}, 2, why, ""},
      {{"--sim", "16F84A", "--sim-time", "virtual", "--adapter", "hijo.ini", "detect"},
       2,
       child + ":1: parent=tait-7407: " + why,
       ""},
      {{"--sim", "16F84A", "--sim-time", "virtual", "--adapter", "propio.ini", "detect"},
       0,
       "",
       "Resultado: ok"},
      // Named as `adapters` lists it, without .ini.
      {{"--sim", "16F84A", "--sim-time", "virtual", "--adapter", "propio", "detect"},
       0,
       "",
       "Resultado: ok"},
      {{"--sim", "16F84A", "--sim-time", "virtual", "--adapter", own, "detect"},
       0,
       "",
       "Resultado: ok"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const CliResult r = RunCli(c.args, dir.Path());
    EXPECT_EQ(r.status, c.status) << r.Describe();
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.Describe();
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.Describe();
    if (c.status != 0) {
      EXPECT_EQ(r.out.find("16F84"), std::string::npos) << "no wiring may stand in";
      EXPECT_EQ(r.out.find("[incluido"), std::string::npos);
    }
  }
  // The one the window saved is no more usable than the others.
  Saved("[adaptador]\nnombre=tait-7407\n");
  const CliResult r = Sim("16F84A", {"detect"});
  EXPECT_EQ(r.status, 2) << r.Describe();
  EXPECT_NE(r.err.find(why), std::string::npos) << r.Describe();
  if (saved) {
    ::setenv("DAXWEL_DATA_DIR", saved->c_str(), 1);
  } else {
    ::unsetenv("DAXWEL_DATA_DIR");
  }
}

// No path (a simulator without a state file) is nobody's file, and asking never throws.
TEST(SameFile, AnEmptyPathIsNoFile) {
  TempDir dir;
  const std::string trace = dir.Write("x.trace", "");
  EXPECT_FALSE(sim::SameFile(trace, ""));
  EXPECT_FALSE(sim::SameFile("", trace));
  EXPECT_FALSE(sim::SameFile("", ""));
  EXPECT_TRUE(sim::SameFile(trace, dir.Path() + "/./x.trace"));
  EXPECT_TRUE(sim::SameFile(
      dir.Path() + "/nuevo",
      dir.Path() + "/../" + std::filesystem::path(dir.Path()).filename().string() + "/nuevo"));
}

}  // namespace
}  // namespace daxwel::testing

namespace daxwel::testing {
namespace {

// The line `config` shows for one setting: "modelo:    16F877   (origin; variable ...)".
std::string ConfigLine(const std::string& out, const std::string& label) {
  const std::size_t at = out.find("\n" + label + ":");
  if (at == std::string::npos) return "<none>";
  const std::size_t end = out.find('\n', at + 1);
  return out.substr(at + 1, end - at - 1);
}

// Options win, then the environment, then the settings file; a bad value from any of them is
// an error naming where it came from, and the run uses what `config` shows.
TEST_F(SavedAdapterCli, DefaultsComeFromOptionsThenEnvironmentThenFile) {
  const std::string conf =
      Saved("[daxwel]\npuerto=0x278\nmodelo=16F877\n[adaptador]\nnombre=tait-7407\nretardo=5\n");
  struct Case {
    std::vector<std::string> args;
    std::vector<std::pair<const char*, const char*>> env;
    int status;
    std::string label;  // the config line looked at, or the error text wanted
    std::string value;
    std::string origin;
  };
  const std::vector<Case> cases = {
      {{"config"}, {}, 0, "puerto", "0x278", conf + ":2"},
      {{"config"}, {}, 0, "modelo", "16F877", conf + ":3"},
      {{"config"}, {}, 0, "adaptador", "tait-7407", conf + ":5"},
      {{"config"}, {}, 0, "retardo", "5", conf + ":6"},
      {{"config"}, {{"DAXWEL_PORT", "0x3BC"}}, 0, "puerto", "0x3BC", "DAXWEL_PORT"},
      {{"config"}, {{"DAXWEL_MODEL", ""}}, 0, "modelo", "16F877", conf + ":3"},
      {{"config"}, {{"DAXWEL_MODEL", "16F84A"}}, 0, "modelo", "16F84A", "DAXWEL_MODEL"},
      {{"--model", "16F88", "config"},
       {{"DAXWEL_MODEL", "16F84A"}},
       0,
       "modelo",
       "16F88",
       "línea de órdenes"},
      {{"config"},
       {{"DAXWEL_ADAPTER", "tait-7406"}, {"DAXWEL_ADAPTER_DELAY", "7"}},
       0,
       "adaptador",
       "tait-7406",
       "DAXWEL_ADAPTER"},
      {{"config"}, {{"DAXWEL_ADAPTER_DELAY", "7"}}, 0, "retardo", "7", "DAXWEL_ADAPTER_DELAY"},
      {{"config"}, {{"DAXWEL_MODEL", "16F999"}}, 64, "DAXWEL_MODEL: modelo desconocido", "", ""},
      {{"config"}, {{"DAXWEL_PORT", "lpt9"}}, 64, "DAXWEL_PORT: puerto no válido", "", ""},
      {{"config"},
       {{"DAXWEL_ADAPTER_DELAY", "5us"}},
       64,
       "DAXWEL_ADAPTER_DELAY: se esperan microsegundos",
       "",
       ""},
      {{"config"},
       {{"DAXWEL_ADAPTER", "nada"}},
       2,
       "DAXWEL_ADAPTER: Adaptador desconocido",
       "",
       ""},
      {{"--sim", "16F877", "--sim-time", "virtual", "detect"},
       {{"DAXWEL_MODEL", "16F8x"}},
       64,
       "DAXWEL_MODEL: modelo desconocido \"16F8x\"",
       "",
       ""},
  };
  for (const Case& c : cases) {
    std::string name = c.args.front() + " " + c.label;
    for (const auto& [variable, value] : c.env) name += std::string(" ") + variable + "=" + value;
    SCOPED_TRACE(name);
    std::vector<std::unique_ptr<ScopedEnv>> env;
    for (const auto& [variable, value] : c.env)
      env.push_back(std::make_unique<ScopedEnv>(variable, value));
    const CliResult r = RunCli(c.args, dir.Path());
    EXPECT_EQ(r.status, c.status) << r.Describe();
    if (c.status != 0) {
      EXPECT_NE(r.err.find(c.label), std::string::npos) << r.Describe();
      continue;
    }
    const std::string line = ConfigLine("\n" + r.out, c.label);
    EXPECT_NE(line.find(" " + c.value + " "), std::string::npos) << line;
    EXPECT_NE(line.find("(" + c.origin + ";"), std::string::npos) << line;
  }
}

// The defaults drive a run: the adapter named first, the model confirmed, the port written
// (the simulated adapter answers only at 0x378, as an empty port would not).
TEST_F(SavedAdapterCli, ARunUsesTheDefaults) {
  {
    ScopedEnv model("DAXWEL_MODEL", "16F84A");
    ScopedEnv adapter("DAXWEL_ADAPTER", "tait-7406");
    const CliResult r = Sim("16F628A", {"-y", "erase"});
    EXPECT_EQ(FirstLine(r.out), "Adaptador: tait-7406 (de DAXWEL_ADAPTER)") << r.Describe();
    EXPECT_NE(r.out.find("El PIC 16F84 será completamente borrado"), std::string::npos)
        << r.Describe();
  }
  Saved("[daxwel]\npuerto=0x278\n");
  const std::string trace = dir.Path() + "/t";
  const CliResult r = Sim("16F628A", {"--trace", trace, "detect"});
  EXPECT_EQ(r.status, 3) << r.Describe();
  const std::string written = ReadAll(trace);
  EXPECT_NE(written.find(" W 0278 "), std::string::npos);
  EXPECT_EQ(written.find(" W 0378 "), std::string::npos);
}

}  // namespace
}  // namespace daxwel::testing
