// The parts table: the shipped file holds every part with its facts, files are checked line by
// line, and a user's file adds or changes parts without a rebuild.
#include "device/parts_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "device/catalogue.h"
#include "device/family.h"
#include "link/shipped_data.h"

namespace daxwel {
namespace {

std::string ShippedText() {
  const auto path = ShippedDataFile(kPartsFileName);
  EXPECT_TRUE(path.has_value());
  std::ifstream in(path.value_or(""));
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

// Written from the parts' data sheets, apart from the file: a section lost or changed in the
// shipped table shows here by name.
TEST(PartsTable, ShippedTableHoldsEveryPartWithItsFacts) {
  const struct {
    const char* name;
    const char* family;
    std::uint16_t id;
    int words, bytes;
  } kExpected[] = {
      {"16F84", "16F84", 0x0560, 1024, 64},      {"16F870", "16F870", 0x0D00, 2048, 64},
      {"16F871", "16F870", 0x0D20, 2048, 64},    {"16F872", "16F870", 0x08E0, 2048, 64},
      {"16F873", "16F873", 0x0960, 4096, 128},   {"16F874", "16F873", 0x0920, 4096, 128},
      {"16F876", "16F876", 0x09E0, 8192, 256},   {"16F877", "16F876", 0x09A0, 8192, 256},
      {"16F873A", "16F87XA", 0x0E40, 4096, 128}, {"16F874A", "16F87XA", 0x0E60, 4096, 128},
      {"16F876A", "16F87XA", 0x0E00, 8192, 256}, {"16F877A", "16F87XA", 0x0E20, 8192, 256},
      {"16F627A", "16F62XA", 0x1040, 1024, 128}, {"16F628A", "16F62XA", 0x1060, 2048, 128},
      {"16F648A", "16F62XA", 0x1100, 4096, 256}, {"12F629", "12F675", 0x0F80, 1024, 128},
      {"12F675", "12F675", 0x0FC0, 1024, 128},   {"16F630", "12F675", 0x10C0, 1024, 128},
      {"16F676", "12F675", 0x10E0, 1024, 128},   {"16F87", "16F88", 0x0720, 4096, 256},
      {"16F88", "16F88", 0x0760, 4096, 256},     {"16F818", "16F818", 0x04C0, 1024, 128},
      {"16F819", "16F819", 0x04E0, 2048, 256},   {"16F882", "16F882", 0x2000, 2048, 128},
      {"16F883", "16F883", 0x2020, 4096, 256},   {"16F884", "16F883", 0x2040, 4096, 256},
      {"16F886", "16F886", 0x2060, 8192, 256},   {"16F887", "16F886", 0x2080, 8192, 256},
      {"16F631", "16F6XX", 0x1420, 1024, 128},   {"16F677", "16F6XX", 0x1440, 2048, 256},
      {"16F684", "16F6XX", 0x1080, 2048, 256},   {"16F685", "16F6XX", 0x04A0, 4096, 256},
      {"16F687", "16F6XX", 0x1320, 2048, 256},   {"16F688", "16F6XX", 0x1180, 4096, 256},
      {"16F689", "16F6XX", 0x1340, 4096, 256},   {"16F690", "16F6XX", 0x1400, 4096, 256},
      {"12F683", "16F6XX", 0x0460, 2048, 256},   {"16F913", "16F91X", 0x13E0, 4096, 256},
      {"16F914", "16F91X", 0x13C0, 4096, 256},   {"16F916", "16F91X", 0x13A0, 8192, 256},
      {"16F917", "16F91X", 0x1380, 8192, 256},   {"12F635", "16F6XX", 0x0FA0, 1024, 128},
      {"16F636", "16F6XX", 0x10A0, 2048, 256},   {"16F639", "16F6XX", 0x10A0, 2048, 256},
      {"16F785", "16F6XX", 0x1200, 2048, 256},   {"16HV785", "16F6XX", 0x1220, 2048, 256},
      {"16F946", "16F91X", 0x1460, 8192, 256},   {"16F627", "16F627", 0x07A0, 1024, 128},
      {"16F628", "16F628", 0x07C0, 2048, 128},   {"16F716", "16F716", 0x1140, 2048, 0},
      {"12F609", "12F61X", 0x2240, 1024, 0},     {"12HV609", "12F61X", 0x2280, 1024, 0},
      {"12F615", "12F61X", 0x2180, 1024, 0},     {"12HV615", "12F61X", 0x21A0, 1024, 0},
      {"12F617", "12F617", 0x1360, 2048, 0},     {"16F610", "12F61X", 0x2260, 1024, 0},
      {"16HV610", "12F61X", 0x22A0, 1024, 0},    {"16F616", "12F61X", 0x1240, 2048, 0},
      {"16HV616", "12F61X", 0x1260, 2048, 0},
  };
  ASSERT_EQ(CatalogueProblem(), "");
  for (const auto& e : kExpected) {
    const auto index = ModelIndexByName(e.name);
    ASSERT_TRUE(index.has_value()) << "falta [" << e.name << "] en " << kPartsFileName;
    const DeviceModel& m = *ModelByIndex(*index);
    EXPECT_EQ(m.familyKey, e.family) << e.name;
    EXPECT_EQ(m.deviceId, e.id) << e.name;
    EXPECT_EQ(m.programWords, e.words) << e.name;
    EXPECT_EQ(m.eepromBytes, e.bytes) << e.name;
    ASSERT_NE(FamilyByKey(e.family), nullptr) << e.family;
    EXPECT_EQ(&m.family->algorithm, &FamilyByKey(e.family)->algorithm) << e.name;
  }
  // The 16F84 row holds the 16F84A too, and the factory facts reach the row's family.
  EXPECT_EQ(ModelIndexByName("16F84A"), ModelIndexByName("16F84"));
  const DeviceModel& f675 = *ModelByIndex(*ModelIndexByName("12F675"));
  ASSERT_EQ(f675.family->preserved.size(), 2u);
  EXPECT_EQ(f675.family->preserved[0].address, 0x03FF);
  EXPECT_EQ(f675.family->preserved[0].checkValue, 0x3400);  // the shape comes from the family
  EXPECT_EQ(ModelByIndex(*ModelIndexByName("16F887"))->family->vppLimitVolts, 12);
  EXPECT_EQ(ModelByIndex(*ModelIndexByName("16F877A"))->family->configMask, 0x2FCF);
  // Only the parts whose VDD holds a shunt regulator are marked; the 12F617's ID is the one
  // three sources give, never 0x2360 (the 16F1936's).
  for (const char* name : {"12HV609", "12HV615", "16HV610", "16HV616"}) {
    EXPECT_EQ(ModelByIndex(*ModelIndexByName(name))->hvVdd, "4,7") << name;
  }
  for (const char* name : {"12F609", "12F615", "12F617", "16F610", "16F616", "16F716"}) {
    EXPECT_EQ(ModelByIndex(*ModelIndexByName(name))->hvVdd, "") << name;
  }
  EXPECT_EQ(ModelIndexById(0x2360), 0);
  EXPECT_EQ(ModelByIndex(*ModelIndexByName("12F617"))->family->calibrationWords.size(), 1u);
}

struct Outcome {
  std::string added;  // Add's answer for the second text
  std::string built;  // Build's answer
  PartsCatalogue parts;
};

void Load(Outcome& o, const std::string& user) {
  ASSERT_EQ(o.parts.Add(ShippedText(), "pics.ini"), "");
  o.added = o.parts.Add(user, "mio.ini");
  o.built = o.parts.Build();
}

const char* kNewPart = R"([16F877B]
aliases = 16F877C
family = 16F87XA
id = 0x0EA0
id-mask = 0x3FE0
program = 8192
eeprom = 256
config = 0x2007:0x2FCF
)";

// Each mistake is named with its file and line, and then nothing of the file is taken.
TEST(PartsTable, MistakesAreNamedWithTheirLine) {
  const struct {
    std::string text;
    std::string answer;  // Add's, or Build's when Add takes the text
  } kCases[] = {
      {"[16F877B]\nfamily = 16F87XA\nrom = 1\n", "mio.ini:3: clave desconocida \"rom\""},
      {"family = 16F87XA\n", "mio.ini:1: clave fuera de una sección"},
      {"[16F8 77]\n", "mio.ini:1: se espera [NOMBRE]"},
      {"[16F877B]\nid = 0x4000\n", "mio.ini:2: id=0x4000: se espera una palabra de 14 bits"},
      {"[16F877B]\nid = 1\nid = 2\n", "mio.ini:3: \"id\" ya se dio en la línea 2"},
      {"[16F877B]\n[16F877B]\n", "mio.ini:2: [16F877B] ya está en la línea 1"},
      {"[16F877B]\nconfig = 0x2008:0x3FFF\n", "mio.ini:2: config=0x2008:0x3FFF: se espera"},
      {"[16F877B]\nprogram = 0\n", "mio.ini:2: program=0: se espera un número de 1 a 8192"},
      {"[16F877B]\npins = 28 RB6:27 RB7:28\n", "mio.ini:2: pins=28 RB6:27 RB7:28: se espera"},
      {"[16F877B]\nlo que sea\n", "mio.ini:2: línea no válida"},
      // Comments only on lines of their own; nor is ":" an "=".
      {"[16F877B]\nprogram = 1024 ; c\n", "mio.ini:2: program=1024 ; c: se espera un número"},
      {"[16F877B]\nprogram: 1024\n", "mio.ini:2: línea no válida"},
      // Checked against the family and the other parts once every file is in.
      {"[16F877B]\nfamily = 16F87XA\n", "mio.ini:1: [16F877B] falta id, id-mask, program, eeprom"},
      {std::string(kNewPart) + "[16F877D]\nfamily = 16F99\nid = 0x0EC0\nid-mask = 0x3FE0\n"
                               "program = 1\neeprom = 0\nconfig = 0x2007:1\n",
       "mio.ini:9: [16F877D] family=16F99: familia desconocida"},
      {"[16F877B]\nfamily = 16F87XA\nid = 0x0E20\nid-mask = 0x3FE0\nprogram = 8192\n"
       "eeprom = 256\nconfig = 0x2007:0x2FCF\n",
       "mio.ini:1: [16F877B] id 0x0E20 ya nombra a 16F877A"},
      {std::string(kNewPart).replace(std::string(kNewPart).find("16F877C"), 7, "16F628A"),
       "mio.ini:1: [16F877B] el nombre 16F628A ya es de 16F628A"},
      {std::string(kNewPart) + "config = 0x2007:0x2FCF 0x2008:0x0003\n",
       "mio.ini:9: \"config\" ya se dio en la línea 8"},
      {std::string(kNewPart).replace(std::string(kNewPart).find("config"), 22,
                                     "config = 0x2007:0x2FCF 0x2008:0x0003"),
       "mio.ini:1: [16F877B] config: la familia 16F87XA tiene 1 palabra(s)"},
      {std::string(kNewPart) + "preserved = OSCCAL:0x1FFF:0x3FFF\n",
       "mio.ini:1: [16F877B] preserved: la familia 16F87XA no sabe conservar OSCCAL"},
  };
  for (const auto& c : kCases) {
    Outcome o;
    Load(o, c.text);
    const std::string& answer = o.added.empty() ? o.built : o.added;
    EXPECT_EQ(answer.rfind(c.answer, 0), 0u) << c.text << "\n-> " << answer;
    if (!o.added.empty()) {
      // The file's mistake leaves the shipped parts as they were.
      EXPECT_EQ(o.parts.Build(), "");
      EXPECT_EQ(o.parts.Rows().size(), Catalogue().size()) << c.text;
    }
  }
}

// Two rows with one device ID only when each names the other; the voltage keys' values.
TEST(PartsTable, SharedIdsAndVoltageKeys) {
  const std::string twin =
      std::string(kNewPart).replace(std::string(kNewPart).find("16F877C"), 7, "16F877D");
  const std::string second =
      "[16F877E]\nfamily = 16F87XA\nid = 0x0EA0\nid-mask = 0x3FE0\n"
      "program = 8192\neeprom = 256\nconfig = 0x2007:0x2FCF\n";
  const struct {
    std::string text;
    std::string answer;  // "" when the file is taken
  } kCases[] = {
      {twin + "shares-id = 16F877E\n" + second + "shares-id = 16F877B\n", ""},
      {twin + "shares-id = 16F877E\n" + second, "mio.ini:10: [16F877E] id 0x0EA0 ya nombra"},
      {twin + second + "shares-id = 16F877B\n", "mio.ini:9: [16F877E] id 0x0EA0 ya nombra"},
      {twin + "shares-id = 16F877X\n" + second + "shares-id = 16F877B\n",
       "mio.ini:10: [16F877E] id 0x0EA0 ya nombra"},
      {twin + "vpp-min = 10\nvpp-max = 12\nhv-vdd = 4.7\n", ""},
      {twin + "vpp-min = 13\nvpp-max = 12\n", "mio.ini:1: [16F877B] vpp-min: pasa de vpp-max"},
      {twin + "vpp-min = 4\n", "mio.ini:9: vpp-min=4: se espera un número de 5 a 14"},
      {twin + "hv-vdd = 47\n", "mio.ini:9: hv-vdd=47: se esperan voltios con un decimal"},
      {twin + "hv-vdd = 6,0\n", "mio.ini:9: hv-vdd=6,0: se esperan voltios"},
      {twin + "shares-id = 16-F\n", "mio.ini:9: shares-id=16-F: se espera el nombre"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    Outcome o;
    Load(o, c.text);
    const std::string& answer = o.added.empty() ? o.built : o.added;
    if (c.answer.empty()) {
      EXPECT_EQ(answer, "");
    } else {
      EXPECT_EQ(answer.rfind(c.answer, 0), 0u) << answer;
    }
  }
  Outcome o;
  Load(o, twin + "vpp-min = 10\nvpp-max = 12\nhv-vdd = 4.7\n");
  const DeviceModel& row = o.parts.Rows().back();
  EXPECT_EQ(row.vppMinVolts, 10);
  EXPECT_EQ(row.family->vppLimitVolts, 12);
  EXPECT_EQ(row.hvVdd, "4,7");
  // The shipped table: the 16F636 and 16F639 name each other, the 16HV785 its 4,7 V.
  EXPECT_EQ(ModelByIndex(*ModelIndexByName("16F636"))->sharesIdWith, "16F639");
  EXPECT_EQ(ModelByIndex(*ModelIndexByName("16F639"))->sharesIdWith, "16F636");
  EXPECT_EQ(ModelByIndex(*ModelIndexByName("16HV785"))->hvVdd, "4,7");
  EXPECT_EQ(ModelByIndex(*ModelIndexByName("16F785"))->hvVdd, "");
  for (const char* name : {"16F785", "16HV785", "16F946"}) {
    EXPECT_EQ(ModelByIndex(*ModelIndexByName(name))->family->vppLimitVolts, 12) << name;
  }
}

TEST(PartsTable, UserFileAddsPartsAndChangesOnlyTheKeysItGives) {
  Outcome o;
  Load(o, std::string(kNewPart) + "[12F675]\nvpp-max = 11\n[16F887]\nvpp-max = 14\n");
  ASSERT_EQ(o.added + o.built, "");
  const auto rows = o.parts.Rows();
  ASSERT_EQ(rows.size(), Catalogue().size() + 1);
  const DeviceModel& added = rows.back();
  EXPECT_EQ(added.index, static_cast<int>(rows.size()));  // after every shipped part
  EXPECT_TRUE(added.Answers("16F877C"));
  EXPECT_TRUE(added.Identifies(0x0EA3));
  EXPECT_EQ(added.source, "mio.ini:1");
  EXPECT_EQ(&added.family->algorithm, &FamilyByKey("16F87XA")->algorithm);
  for (const DeviceModel& m : rows) {
    if (m.modelName == "12F675") {
      // A lower VPP limit is taken; everything else stays as shipped.
      EXPECT_EQ(m.family->vppLimitVolts, 11);
      EXPECT_EQ(m.deviceId, 0x0FC0);
      EXPECT_EQ(m.family->preserved.size(), 2u);
    }
    // A part never takes more VPP than its family allows.
    if (m.modelName == "16F887") {
      EXPECT_EQ(m.family->vppLimitVolts, 12);
    }
  }
}

}  // namespace
}  // namespace daxwel
