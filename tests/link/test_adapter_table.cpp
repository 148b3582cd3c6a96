// The adapters shipped as a data file: exactly the known designs, inheritance between sections,
// a user's variant of a preset, and a table that cannot be used.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "link/adapters.h"

namespace daxwel {
namespace {

namespace fs = std::filesystem;

struct Known {
  const char* name;
  const char* title;
  const char* source;
  std::vector<std::pair<Line, int>> pins;  // negative: asserted at a low pin
  int dataIn;
  Presence presence;
};

Wiring WiringOf(const Known& known) {
  const auto pin = [](int n) { return Pin{static_cast<std::uint8_t>(n < 0 ? -n : n), n < 0}; };
  Wiring w;
  for (const auto& [line, n] : known.pins) w[line] = pin(n);
  w.dataIn = pin(known.dataIn);
  w.presence = known.presence;
  return w;
}

constexpr Presence kLoop = Presence::kLoopback;
constexpr Presence kNone = Presence::kNone;
using L = Line;
const char* const kTaitSources = "piklab, pikdev y WxPic (coinciden)";
const char* const kPiklab = "piklab y pikdev";

// The designs as the program has always offered them, in the order of its lists.
const std::vector<Known>& KnownAdapters() {
  static const std::vector<Known> known = {
      {"daxwel",
       "Adaptador de Daxwel (VDD siempre encendido)",
       "el adaptador propio de Daxwel",
       {{L::kVpp, 4}, {L::kClock, 2}, {L::kDataOut, 3}, {L::kRun, 5}},
       10,
       Presence::kPattern},
      {"tait-7407",
       "Tait clásico (7407, PNP)",
       kTaitSources,
       {{L::kVpp, -5}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}},
       10,
       kLoop},
      {"tait-7406",
       "Tait 7406 (inversor), PNP",
       kTaitSources,
       {{L::kVpp, 5}, {L::kVdd, 4}, {L::kClock, -3}, {L::kDataOut, -2}},
       -10,
       kLoop},
      {"tait-7406-4066",
       "Tait 7406 + 4066",
       "WxPic",
       {{L::kVpp, -5}, {L::kVdd, -4}, {L::kClock, -3}, {L::kDataOut, -2}},
       -10,
       kLoop},
      {"tait-7407-4066",
       "Tait 7407 + 4066",
       "WxPic",
       {{L::kVpp, 5}, {L::kVdd, 4}, {L::kClock, 3}, {L::kDataOut, 2}},
       10,
       kLoop},
      {"p16pro40",
       "P16PRO40 clásico",
       kPiklab,
       {{L::kVpp, 5}, {L::kVdd, 4}, {L::kClock, -3}, {L::kDataOut, -2}},
       -10,
       kLoop},
      {"p16pro40-7407",
       "P16PRO40 con 7407",
       kPiklab,
       {{L::kVpp, -5}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}},
       10,
       kLoop},
      {"p16pro40-vpp40",
       "P16PRO40-VPP40 clásico",
       kPiklab,
       {{L::kVpp, 6}, {L::kVdd, 4}, {L::kClock, -3}, {L::kDataOut, -2}},
       -10,
       kLoop},
      {"p16pro40-vpp40-7407",
       "P16PRO40-VPP40 con 7407",
       kPiklab,
       {{L::kVpp, -6}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}},
       10,
       kLoop},
      {"epic",
       "EPIC / EPIC Plus (microEngineering Labs)",
       "odyssey, flP5, piklab y pikdev (coinciden; PGM solo en odyssey)",
       {{L::kVpp, -5}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}, {L::kPgm, -6}},
       10,
       kLoop},
      {"propic2-vpp1",
       "ProPIC 2, puente VPP1",
       "piklab, pikdev y odyssey (coinciden)",
       {{L::kVpp, -5}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}},
       10,
       kLoop},
      {"propic2-vpp2",
       "ProPIC 2, puente VPP2",
       "piklab, pikdev y odyssey (coinciden)",
       {{L::kVpp, -6}, {L::kVdd, -4}, {L::kClock, 3}, {L::kDataOut, 2}},
       10,
       kLoop},
      {"monty-robot",
       "Monty-Robot",
       kPiklab,
       {{L::kVpp, -5}, {L::kVdd, 4}, {L::kClock, 2}, {L::kDataOut, 3}},
       10,
       kLoop},
      {"olimex",
       "Olimex (puerto paralelo)",
       "odyssey",
       {{L::kVpp, 5}, {L::kVdd, 4}, {L::kClock, -3}, {L::kDataOut, -2}},
       -10,
       kLoop},
      {"vasco",
       "Vasco",
       "odyssey",
       {{L::kVpp, -6}, {L::kVdd, -4}, {L::kClock, -3}, {L::kDataOut, -2}, {L::kPgm, -5}},
       -10,
       kLoop},
      {"schaer",
       "Henk Schaer (entrada de datos en BUSY)",
       "odyssey",
       {{L::kVpp, 4}, {L::kVdd, -5}, {L::kClock, 3}, {L::kDataOut, 2}},
       11,
       kLoop},
      {"an589",
       "Microchip AN589 (buffers con habilitación, MCLR a masa)",
       "WxPic",
       {{L::kVpp, 5},
        {L::kClock, 3},
        {L::kDataOut, 2},
        {L::kEnable, -7},
        {L::kDataEnable, -4},
        {L::kMclrLow, 6}},
       10,
       kNone},
      {"piccolo",
       "Asix Piccolo / Piccolo Grande (dirección del buffer de datos)",
       kPiklab,
       {{L::kVpp, -6}, {L::kVdd, -7}, {L::kClock, -5}, {L::kDataOut, -3}, {L::kDirection, -2}},
       -10,
       kNone},
      {"pip84-v2",
       "PIP84 (SM6LKM) versión 2",
       "WxPic",
       {{L::kVpp, -6},
        {L::kVdd, -2},
        {L::kClock, 5},
        {L::kDataOut, 4},
        {L::kConnect, -9},
        {L::kLed, -3}},
       -10,
       kNone},
      {"sm6lkm-flash-v1",
       "SM6LKM PIC Flash programmer V1",
       "WxPic (y su archivo de ejemplo SampleInterfaceOnLptPort.xml)",
       {{L::kVpp, -6},
        {L::kVdd, 2},
        {L::kClock, 5},
        {L::kDataOut, 4},
        {L::kConnect, -9},
        {L::kLed, -3}},
       -10,
       kNone},
      {"el-cheapo",
       "El Cheapo de Myke Predko (salidas en el registro de control)",
       "piklab y pikdev (\"Myke's EL Cheapo\"; su \"El Cheapo classic\", sin probar, invierte "
       "reloj y datos)",
       {{L::kVpp, 16}, {L::kClock, 1}, {L::kDataOut, 17}},
       13,
       kNone},
  };
  return known;
}

void ExpectKnown(const std::vector<AdapterPreset>& presets) {
  const std::vector<Known>& known = KnownAdapters();
  ASSERT_EQ(presets.size(), known.size());
  for (std::size_t i = 0; i < known.size(); ++i) {
    SCOPED_TRACE(known[i].name);
    EXPECT_EQ(presets[i].name, known[i].name);
    EXPECT_EQ(presets[i].title, known[i].title);
    EXPECT_EQ(presets[i].source, known[i].source);
    EXPECT_EQ(presets[i].wiring, WiringOf(known[i]));
    EXPECT_EQ(presets[i].extraHalfPeriodUs, 0);
  }
}

// The file in the sources and the copy the program finds both give the known adapters, in
// their order; the first, the default, is today's adapter.
TEST(AdapterTable, ShippedFileIsExactlyTheKnownAdapters) {
  const AdapterTable source =
      ReadAdapterTable(fs::path(DAXWEL_SOURCE_DIR) / "resources/data/adaptadores.ini");
  ASSERT_EQ(source.problem, "");
  ExpectKnown(source.presets);
  ASSERT_EQ(ShippedAdapters().problem, "");
  ExpectKnown(ShippedAdapters().presets);
  EXPECT_EQ(ShippedAdapters().file.filename(), "adaptadores.ini");
  EXPECT_EQ(DefaultAdapter().name, "daxwel");
  EXPECT_EQ(DefaultAdapter().wiring, DefaultWiring());
}

constexpr const char* kBase = "[a]\ndescription=A\nsource=S\nvpp=5\nclock=3\ndatao=2\ndatai=10\n";

TEST(AdapterTable, SectionsInheritFromTheirParentAndEachMistakeIsSaidWithItsLine) {
  struct Case {
    std::string text;
    std::string problem;  // the whole message, or "" when the table is accepted
    std::string child;    // with no problem: section [b] or else [c], as DescribeWiring gives it
    std::string title;    // and its description
  } cases[] = {
      // Every key of the parent, then the child's own, the parent earlier or later.
      {std::string(kBase) + "[b]\nparent=a\nvpp=-6\npgm=4\n", "",
       "vpp=-6 clock=3 datao=2 datai=10 pgm=4 presence=none", "A"},
      {"[b]\nparent=a\ndescription=B\n" + std::string(kBase), "",
       "vpp=5 clock=3 datao=2 datai=10 presence=none", "B"},
      {std::string(kBase) + "presence=pattern\ndelay=7\n[b]\nparent=a\ndescription=B\n", "",
       "vpp=5 clock=3 datao=2 datai=10 presence=pattern delay=7", "B"},
      // A grandchild, and a pin the child takes back from the parent's key it gives again.
      {std::string(kBase) + "[b]\nparent=a\nclock=4\nled=3\n[c]\nparent=b\nvpp=-6\n", "",
       "vpp=-6 clock=4 datao=2 datai=10 led=3 presence=none", "A"},
      {std::string(kBase) + "[b]\nparent=a\nled=3\n",
       "f:10: la pata 3 ya lleva \"clock\" (heredada de a)", "", ""},
      {std::string(kBase) + "[b]\nparent=a\nvpp=6\n[c]\nparent=b\npgm=6\n",
       "f:13: la pata 6 ya lleva \"vpp\" (heredada de b)", "", ""},
      {std::string(kBase) + "[b]\nparent=z\n",
       "f:9: parent=z: no hay un adaptador [z] en este archivo", "", ""},
      {"[a]\nparent=b\n[b]\n\nparent=c\n[c]\nparent=a\n",
       "f:7: parent=a: la herencia forma un ciclo (a → b → c → a)", "", ""},
      {"[a]\nparent=a\n", "f:2: parent=a: la herencia forma un ciclo (a → a)", "", ""},
      // A parent's own mistake, at its own line, even when a child comes first.
      {"[b]\nparent=a\n[a]\nvpp=5\nclock=30\n", "f:5: la pata 30 no es una salida", "", ""},
      {std::string(kBase) + "[a]\nvpp=6\n", "f:8: [a] ya se dio en la línea 1", "", ""},
      {"vpp=5\n[a]\n", "f:1: clave fuera de una sección", "", ""},
      {"# nada\n\n[a]\n# sin claves\n", "f:3: [a]: falta vpp, clock, datao, datai (obligatorias",
       "", ""},
      {"[a b]\nvpp=5\n", "f:1: [a b]: el nombre de un adaptador lleva solo", "", ""},
      {std::string(kBase) + "parent=a\nvpp=6\n", "f:9: \"vpp\" ya se dio en la línea 4", "", ""},
      {std::string(kBase) + "description=" + std::string(200, 'x') + "\n",
       "f:8: línea demasiado larga", "", ""},
      {"# solo comentarios\n", "f: no trae ningún adaptador", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<AdapterPreset> presets = {AdapterPreset{"antes", "", "", {}, 0}};
    const std::string problem = ParseAdapterTable(c.text, "f", presets);
    EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem) << problem;
    if (!c.problem.empty()) {
      EXPECT_NE(problem, "");
      ASSERT_EQ(presets.size(), 1u) << "a broken table gives no adapter";
      continue;
    }
    ASSERT_EQ(problem, "");
    ASSERT_GE(presets.size(), 2u);
    const AdapterPreset* child = nullptr;
    for (const AdapterPreset& preset : presets) {
      if (preset.name == "b" || preset.name == "c") child = &preset;
    }
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(DescribeWiring(child->wiring, child->extraHalfPeriodUs), c.child);
    EXPECT_EQ(child->title, c.title);
    EXPECT_EQ(child->source, "S");
  }
}

// A user's file may be a variant of a shipped adapter; only a shipped one can be its parent.
TEST(AdapterTable, UserFileParentIsAShippedAdapter) {
  AdapterTable shipped;
  shipped.file = "/usr/share/daxwel/adaptadores.ini";
  ASSERT_EQ(ParseAdapterTable(std::string(kBase) + "[d]\nparent=a\npresence=pattern\n", "t",
                              shipped.presets),
            "");
  AdapterTable broken;
  broken.problem = "No se puede usar la tabla";
  struct Case {
    const AdapterTable* table;
    std::string text;
    std::string problem;
    std::string wiring;
  } cases[] = {
      {&shipped, "parent=a\nvpp=-6\n", "", "vpp=-6 clock=3 datao=2 datai=10 presence=none"},
      {&shipped, "[adaptador]\nparent=d\ndelay=9\n", "",
       "vpp=5 clock=3 datao=2 datai=10 presence=pattern delay=9"},
      {&shipped, "parent=a\npresence=pattern\n", "u:2: presence=pattern es solo para", ""},
      {&shipped, "parent=a\ndir=2\n", "u:2: la pata 2 ya lleva \"datao\" (heredada de a)", ""},
      {&shipped, "vpp=5\nparent=mio\n",
       "u:2: parent=mio: no es un adaptador de /usr/share/daxwel/adaptadores.ini", ""},
      {&broken, "parent=a\n", "u:1: parent=a: No se puede usar la tabla", ""},
      {&broken, "vpp=5\nclock=3\ndatao=2\ndatai=10\n", "",
       "vpp=5 clock=3 datao=2 datai=10 presence=none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    AdapterPreset adapter;
    const std::string problem = ParseAdapterFile(c.text, "u", *c.table, adapter);
    EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem) << problem;
    if (!c.problem.empty()) {
      EXPECT_NE(problem, "");
      continue;
    }
    ASSERT_EQ(problem, "");
    EXPECT_EQ(adapter.name, "u");
    EXPECT_EQ(DescribeWiring(adapter.wiring, adapter.extraHalfPeriodUs), c.wiring);
  }

  // And through the shipped table itself.
  AdapterChoice choice;
  ASSERT_EQ(ParseWiringText("parent=epic\nvpp=-7\n", "mio", choice), "");
  Wiring expected = FindAdapterPreset("epic")->wiring;
  expected[Line::kVpp] = {7, true};
  EXPECT_EQ(choice.wiring, expected);
  EXPECT_EQ(choice.name, "mio");
}

// Without the shipped table there are no presets at all: never a made-up default.
TEST(AdapterTable, MissingOrBrokenTableIsSaidAndGivesNoAdapter) {
  const fs::path folder = fs::path(::testing::TempDir()) / "tabla-rota";
  fs::create_directories(folder);
  const fs::path cycle = folder / "adaptadores.ini";
  std::ofstream(cycle) << "[a]\nparent=b\n[b]\nparent=a\n";
  struct Case {
    std::optional<fs::path> file;
    std::string problem;
  } cases[] = {
      {std::nullopt,
       "No se puede usar la tabla de adaptadores que trae Daxwel: no se encontró "
       "adaptadores.ini (se busca en $DAXWEL_DATA_DIR y en share/daxwel junto al programa); "
       "reinstale Daxwel"},
      {folder / "no-existe.ini", "No se puede usar la tabla de adaptadores que trae Daxwel: " +
                                     (folder / "no-existe.ini").string() +
                                     ": no se puede leer el archivo"},
      {folder, "No se puede usar la tabla de adaptadores que trae Daxwel: " + folder.string() +
                   ": es una carpeta"},
      {cycle, "No se puede usar la tabla de adaptadores que trae Daxwel: " + cycle.string() +
                  ":4: parent=a: la herencia forma un ciclo (a → b → a)"},
  };
  for (const Case& c : cases) {
    const AdapterTable table = ReadAdapterTable(c.file);
    EXPECT_EQ(table.problem.substr(0, c.problem.size()), c.problem) << table.problem;
    EXPECT_TRUE(table.presets.empty());
  }
}

}  // namespace
}  // namespace daxwel
