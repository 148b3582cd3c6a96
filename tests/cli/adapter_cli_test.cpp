// Choosing an adapter on the command line: presets, custom files, the line test.
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "link/adapters.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

class AdapterCli : public ::testing::Test {
 protected:
  CliResult Sim(const std::string& model, std::vector<std::string> args) {
    args.insert(args.begin(), {"--sim", model, "--sim-time", "virtual"});
    return RunCli(args, dir.Path());
  }
  // The preset in the file's own words, one key a line.
  std::string FileOf(const AdapterPreset& preset) {
    std::string text = "# " + std::string(preset.title) + "\n[adaptador]\n";
    std::istringstream words(DescribeWiring(preset.wiring, preset.extraHalfPeriodUs));
    for (std::string word; words >> word;) text += word + "\n";
    return dir.Write(std::string(preset.name) + ".ini", text);
  }
  TempDir dir;
};

std::string Describe(const CliResult& r) {
  return "status " + std::to_string(r.status) + "\n--- out\n" + r.out + "--- err\n" + r.err;
}

std::string LastWrite(const std::string& trace, const std::string& address) {
  const std::size_t at = trace.rfind(" W " + address + " ");
  return at == std::string::npos ? "" : trace.substr(at + 8, 2);
}

TEST_F(AdapterCli, FileMistakesExitWithTwoNamingTheLine) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"vpp=-5\nclok=3\n", ":2: clave desconocida \"clok\""},
      {"vpp=-5\nclock=10\n", ":2: la pata 10 no es una salida del puerto"},
      {"vpp=-5\nclock=3\ndatao=2\ndatai=4\n", ":4: la pata 4 no es una entrada del puerto"},
      {"vpp=-5\nclock=3\n\nclock=6\n", ":4: \"clock\" ya se dio en la línea 2"},
      {"vpp=-5\nclock=3\ndatao=3\n", ":3: la pata 3 ya lleva \"clock\" (línea 2)"},
      {"vpp=-5\nclock=3\ndatai=10\n", ": falta datao (obligatorias"},
      {"vpp=-5\nclock=tres\n", ":2: clock=tres: se espera el número de pata"},
      {"vpp=-5\nno es una clave\n", ":2: línea no válida"},
      {"[otro]\nvpp=-5\n", ":2: sección desconocida [otro]"},
      {"vpp=5\nclock=3\ndatao=2\ndatai=10\ndelay=5000\n", ":5: delay=5000"},
  };
  for (const Case& c : cases) {
    const std::string file = dir.Write("a.ini", c.text);
    const CliResult r = Sim("16F628A", {"--adapter", file, "detect"});
    EXPECT_EQ(r.status, 2) << Describe(r);
    EXPECT_NE(r.err.find(file + c.message), std::string::npos) << c.text << Describe(r);
  }
  const CliResult tooLong = Sim("16F628A", {"--adapter-delay", "1001", "detect"});
  EXPECT_EQ(tooLong.status, 64) << Describe(tooLong);
  EXPECT_NE(tooLong.err.find("--adapter-delay"), std::string::npos);
}

// A custom file that says what a preset says drives the port byte for byte the same way.
TEST_F(AdapterCli, CustomFileEqualToAPresetBehavesIdentically) {
  const std::string hex =
      dir.Write("p.hex", HexBuilder().Words(0, {0x2805, 0x0000}).Config(0x3F61).Text());
  for (const char* name : {"tait-7406", "el-cheapo", "an589"}) {
    const AdapterPreset& preset = *FindAdapterPreset(name);
    std::string traces[2];
    const std::string choices[2] = {name, FileOf(preset)};
    for (int i = 0; i < 2; ++i) {
      const std::string trace = dir.Path() + "/t" + std::to_string(i);
      const CliResult r = Sim(
          "16F628A", {"--adapter", choices[i], "--force", "--trace", trace, "-y", "program", hex});
      EXPECT_EQ(r.status, 0) << name << Describe(r);
      traces[i] = ReadAll(trace);
    }
    EXPECT_GT(traces[0].size(), 1000u);
    EXPECT_EQ(traces[0], traces[1]) << name;
  }
}

// On an adapter whose lines are off at high pins, the trace ends with every register at the
// adapter's own "off" bytes: after a normal end, after the adapter went away, after Ctrl-C.
TEST_F(AdapterCli, InvertedPresetLeavesItsOffLevelsOnEveryWayOut) {
  const std::string off = "0F";  // VPP, VDD, clock and data all asserted at a low pin
  const std::string small =
      dir.Write("s.hex", HexBuilder().Words(0, {0x2805}).Config(0x3F39).Text());
  const std::string trace = dir.Path() + "/t";
  const std::vector<std::string> base = {"--adapter", "tait-7406-4066", "--force", "--trace", trace,
                                         "-y"};
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"program", small}, 0},
      {{"verify", small}, 0},
      {{"erase"}, 0},
      {{"--sim-fault", "unplug-after=800", "program", small}, 1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = base;
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = Sim("16F877A:" + dir.Path() + "/chip.hex", args);
    EXPECT_EQ(r.status, c.status) << Describe(r);
    EXPECT_EQ(LastWrite(ReadAll(trace), "0378"), off) << c.args.front();
  }

  std::vector<int> words(512, 0x0000);
  const std::string big =
      dir.Write("zeros.hex", HexBuilder().Words(0, words).Config(0x3F39).Text());
  CliProcess run({"--sim", "16F877", "--adapter", "tait-7406-4066", "--force", "--trace", trace,
                  "-y", "program", big},
                 dir.Path());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ReadAll(trace).size() < 200000 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.Signal(SIGINT);
  const CliResult r = run.Wait(std::chrono::seconds(30));
  EXPECT_EQ(r.status, 130) << Describe(r);
  EXPECT_EQ(LastWrite(ReadAll(trace), "0378"), off);
}

// With no chip driving it, the data input follows data out (once the buffers that carry it
// are enabled); each output line can be switched by its key.
TEST_F(AdapterCli, LineTestTogglesEveryLineAndShowsTheDataInput) {
  for (const AdapterPreset& preset : AdapterPresets()) {
    SCOPED_TRACE(std::string(preset.name));
    std::vector<std::string> args = {"--adapter", std::string(preset.name), "linetest"};
    for (Line buffer : {Line::kEnable, Line::kDataEnable}) {
      if (preset.wiring.Has(buffer)) args.emplace_back(LineKey(buffer));
    }
    args.insert(args.end(), {"datao", "datao"});
    for (std::size_t i = 0; i < kLineCount; ++i) {
      if (preset.wiring.lines[i].Wired()) args.emplace_back(LineKey(static_cast<Line>(i)));
    }
    const CliResult r = Sim("16F877A", args);
    EXPECT_EQ(r.status, 0) << Describe(r);
    const std::string in = "Entrada de datos (datai, pata " +
                           std::to_string(preset.wiring.dataIn.number) + " del conector): ";
    const std::string afterOn = "datao encendida";
    const std::size_t on = r.out.find(afterOn);
    ASSERT_NE(on, std::string::npos) << r.out;
    EXPECT_EQ(r.out.compare(r.out.find(in, on) + in.size(), 1, "1"), 0) << r.out;
    const std::size_t off = r.out.find("datao apagada", on);
    ASSERT_NE(off, std::string::npos);
    EXPECT_EQ(r.out.compare(r.out.find(in, off) + in.size(), 1, "0"), 0) << r.out;
    for (std::size_t i = 0; i < kLineCount; ++i) {
      if (!preset.wiring.lines[i].Wired()) continue;
      EXPECT_NE(r.out.find(std::string(LineKey(static_cast<Line>(i))) + " encendida"),
                std::string::npos);
    }
    EXPECT_NE(r.out.find("Líneas apagadas"), std::string::npos);
  }
}

// With a model chosen, each line names that part's own pins and VPP limit; detection (no part
// known yet) keeps the 40- and 18-pin sockets' text.
TEST_F(AdapterCli, LineTestNamesTheChosenPartsPins) {
  struct Case {
    std::string model;
    std::string line;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"12F675", "vpp", "vpp encendida: GP3: pata 4 del 12F675 (8 patas) debe medir unos 13 V;"},
      {"12F675", "clock", "clock encendida: GP1: pata 6 del 12F675 (8 patas) debe medir 5 V;"},
      {"12F675", "datao", "datao encendida: GP0: pata 7 del 12F675 (8 patas) debe medir 5 V;"},
      {"12F675", "pgm", "pgm encendida: el 12F675 no tiene PGM; nada debe medir 0 V;"},
      {"16F684", "datao", "datao encendida: RA0: pata 13 del 16F684 (14 patas) debe medir 5 V;"},
      {"16F886", "vpp",
       "vpp encendida: MCLR: pata 1 del 16F886 (28 patas) debe medir unos 13 V en la mayoría de "
       "los adaptadores, más que los 12 V que admite el 16F886;"},
      {"16F88", "pgm", "pgm encendida: PGM, RB3: pata 9 del 16F88 (18 patas) debe medir 5 V;"},
      {"16F88", "vpp", "vpp apagada: MCLR: pata 4 del 16F88 (18 patas) debe medir 0 V;"},
      {"auto", "datao", "datao encendida: RB7: pata 40 (40 patas) o 13 (18 patas) debe medir 5 V;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model + " " + c.line);
    // Twice: the second step shows the line off again.
    const std::vector<std::string> steps = c.want.find(" apagada") != std::string::npos
                                               ? std::vector<std::string>{c.line, c.line}
                                               : std::vector<std::string>{c.line};
    std::vector<std::string> args = {"--adapter", "epic", "--model", c.model, "linetest"};
    args.insert(args.end(), steps.begin(), steps.end());
    const CliResult r = Sim("16F877A", args);
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_NE(r.out.find(c.want), std::string::npos) << r.out;
  }
}

TEST_F(AdapterCli, ListStartsEachLineWithANameThatAdapterTakes) {
  const CliResult list = RunCli({"adapters"}, dir.Path());
  EXPECT_EQ(list.status, 0);
  std::istringstream lines(list.out);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    const std::string name = line.substr(0, line.find(' '));
    const CliResult r = Sim("16F84A", {"--adapter", name, "detect"});
    EXPECT_EQ(r.status, 0) << name << Describe(r);
  }
  EXPECT_EQ(count, static_cast<int>(AdapterPresets().size()));
}

// The help document shows every preset by the name --adapter takes, with its pins as a
// wiring file would give them.
TEST(AdapterHelp, HelpDocumentListsEveryPresetWithItsPins) {
  const std::string help = ReadAll(std::string(DAXWEL_SOURCE_DIR) + "/resources/ayuda.htm");
  ASSERT_FALSE(help.empty());
  for (const AdapterPreset& preset : AdapterPresets()) {
    const std::string row = "<tr><td><code>" + std::string(preset.name) + "</code></td>";
    const std::size_t at = help.find(row);
    ASSERT_NE(at, std::string::npos) << preset.name;
    const std::string pins =
        "<code>" + DescribeWiring(preset.wiring, preset.extraHalfPeriodUs) + "</code>";
    EXPECT_NE(help.substr(at, help.find("</tr>", at) - at).find(pins), std::string::npos)
        << preset.name;
  }
}

}  // namespace
}  // namespace daxwel::testing
