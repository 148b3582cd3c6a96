// Every list of parts the help gives for one property names exactly the parts the code gives
// it: VPP before VDD, a 12 V limit, factory calibration, a PGM pin.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>
#include <string>

#include "cli/cli_runner.h"
#include "config/layout.h"
#include "device/algorithm.h"
#include "device/catalogue.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

using Parts = std::set<std::string>;

// The families the texts name as a group, by one row of each of their descriptors.
const struct {
  const char* name;
  std::vector<std::string> rows;
} kGroups[] = {
    {"16F87X", {"16F870", "16F873", "16F876"}},
    {"16F87XA", {"16F877A"}},
    {"16F62XA", {"16F628A"}},
    {"16F88X", {"16F882", "16F883", "16F886"}},
    {"16F6XX", {"16F631"}},
    {"16F91X", {"16F913"}},
};

const DeviceModel& Row(const std::string& name) {
  const std::optional<int> index = ModelIndexByName(name);
  if (!index || *index == 0) throw std::runtime_error("no part " + name);
  return *ModelByIndex(*index);
}

// "16F627A/628A/648A", "16F882 a 16F887", "16F88X", "12F683": the catalogue rows they name.
Parts Expand(const std::string& text) {
  static const std::regex kName("(1[26]F[0-9X]+A?(?:/[0-9]+A?)*)(?: a (1[26]F[0-9]+A?))?");
  Parts parts;
  for (std::sregex_iterator i(text.begin(), text.end(), kName), end; i != end; ++i) {
    const std::string first = (*i)[1];
    if ((*i)[2].matched) {
      const int from = Row(first).index;
      const int to = Row((*i)[2]).index;
      for (int k = from; k <= to; ++k) parts.insert(std::string(ModelByIndex(k)->modelName));
    } else if (first.find('X') != std::string::npos) {
      bool known = false;
      for (const auto& group : kGroups) {
        if (first != group.name) continue;
        known = true;
        for (const std::string& row : group.rows) {
          for (const DeviceModel& m : Catalogue()) {
            if (m.familyKey == Row(row).familyKey) parts.insert(std::string(m.modelName));
          }
        }
      }
      if (!known) throw std::runtime_error("no group " + first);
    } else {
      const std::string prefix = first.substr(0, first.find('F') + 1);
      std::size_t at = 0;
      for (std::size_t slash; at != std::string::npos; at = slash) {
        slash = first.find('/', at);
        std::string piece = first.substr(at, slash == std::string::npos ? slash : slash - at);
        if (at != 0) piece = prefix + piece;
        parts.insert(std::string(Row(piece).modelName));
        if (slash != std::string::npos) ++slash;
      }
    }
  }
  return parts;
}

Parts Having(const std::function<bool(const DeviceModel&)>& property) {
  Parts parts;
  for (const DeviceModel& m : Catalogue()) {
    if (property(m)) parts.insert(std::string(m.modelName));
  }
  return parts;
}

std::string Join(const Parts& parts) {
  std::string text;
  for (const std::string& p : parts) text += p + " ";
  return text;
}

bool VppFirst(const DeviceModel& m) { return detail::AlgorithmOf(m).EntersVppFirst(); }
bool TwelveVolts(const DeviceModel& m) {
  return m.family->vppLimitVolts > 0 && m.family->vppLimitVolts < 13;
}
bool CalibrationWords(const DeviceModel& m) { return !m.family->calibrationWords.empty(); }
bool FactoryBitsKept(const DeviceModel& m) { return !m.family->preserved.empty(); }
bool NoPgmPin(const DeviceModel& m) {
  return m.family->layout == nullptr || FindField(*m.family->layout, "lvp") == nullptr;
}
bool HasPgmPin(const DeviceModel& m) { return !NoPgmPin(m); }
bool Any(const DeviceModel&) { return true; }

TEST(HelpLists, EachListOfPartsMatchesTheCode) {
  TempDir dir;
  const std::string root = DAXWEL_SOURCE_DIR;
  const std::string help = RunCli({"--help"}, dir.Path()).out;
  const std::string cliPage = ReadAll(root + "/resources/man/daxwel-cli.1");
  const std::string guiPage = ReadAll(root + "/resources/man/daxwel.1");
  const std::string readme = ReadAll(root + "/README.md");
  const std::string ayuda = ReadAll(root + "/resources/ayuda.htm");
  const std::string dialog = ReadAll(root + "/src/ui/adapter_dialog.cpp");
  const std::string options = ReadAll(root + "/src/ui/app_options.cpp");
  // The list is what lies between the last `from` before `to`, and `to`.
  const struct {
    const char* where;
    const std::string& text;
    const char* from;
    const char* to;
    bool (*property)(const DeviceModel&);
  } lists[] = {
      {"--help, VPP first", help, "Con VDD conmutado los", "entran con VPP", VppFirst},
      {"daxwel-cli(1), VPP first", cliPage, "conmuta VDD, los", "entran en modo", VppFirst},
      {"README, VPP first", readme, "switches VDD the", "enter VPP first", VppFirst},
      {"ayuda.htm, VPP first", ayuda, "cada familia:", "con VPP antes que VDD (VPP", VppFirst},
      {"adapter dialog, VPP first", dialog, "Conmuta VDD: los", "entran en modo", VppFirst},
      {"--help, 12 V", help, "\n\n", "admiten como máximo 12 V", TwelveVolts},
      {"--help, simulated VPP", help, "12 V los", "la registran", TwelveVolts},
      {"daxwel-cli(1), 12 V", cliPage, ".PP\n", "admiten como máximo 12 V", TwelveVolts},
      {"daxwel-cli(1), simulated VPP", cliPage, "12 V los", "la registran", TwelveVolts},
      {"daxwel(1), simulated VPP", guiPage, "12 V los", "la registran", TwelveVolts},
      {"window --help, simulated VPP", options, "12 V los", "la registran", TwelveVolts},
      {"ayuda.htm, 12 V", ayuda, "<p><b>", ": 12 V como máximo", TwelveVolts},
      {"--help, calibration words", help, "confirmación.", "guardan su", CalibrationWords},
      {"daxwel-cli(1), calibration words", cliPage, "nada más.\n", "guardan sus", CalibrationWords},
      {"ayuda.htm, calibration words", ayuda, "<p>", "guardan la calibración", CalibrationWords},
      {"--help, --osccal", help, "--osccal", "que perdieron", FactoryBitsKept},
      {"daxwel-cli(1), --osccal", cliPage, "en los", ") Escribe", FactoryBitsKept},
      {"--help, no PGM", help, "RB3; los", "no tienen", NoPgmPin},
      {"daxwel-cli(1), no PGM", cliPage, "RB3; los", "no tienen", NoPgmPin},
      {"ayuda.htm, no PGM", ayuda, "<tr><td>", "</td><td>no tienen", NoPgmPin},
      {"ayuda.htm, PGM", ayuda, "<p>Los", " vienen de fábrica (y quedan", HasPgmPin},
      {"daxwel-cli(1) NAME", cliPage, "programador de PIC", "por puerto paralelo, en", Any},
      {"daxwel(1) NAME", guiPage, "programador de PIC", "por puerto paralelo\n", Any},
  };
  for (const auto& list : lists) {
    SCOPED_TRACE(list.where);
    const std::size_t to = list.text.find(list.to);
    ASSERT_NE(to, std::string::npos) << list.to;
    const std::size_t from = list.text.rfind(list.from, to);
    ASSERT_NE(from, std::string::npos) << list.from;
    const std::string excerpt = list.text.substr(from, to - from);
    Parts named;
    ASSERT_NO_THROW(named = Expand(excerpt)) << excerpt;
    EXPECT_EQ(Join(named), Join(Having(list.property))) << excerpt;
  }
}

// The expansion itself, on the forms the texts use.
TEST(HelpLists, NamesExpandToTheirRows) {
  EXPECT_EQ(Join(Expand("los 16F627A/628A/648A")), "16F627A 16F628A 16F648A ");
  EXPECT_EQ(Join(Expand("16F84/84A y 12F629/675")), "12F629 12F675 16F84 ");
  EXPECT_EQ(Join(Expand("16F913 a 16F917")), "16F913 16F914 16F916 16F917 ");
  EXPECT_EQ(Join(Expand("los 16F87XA")), "16F873A 16F874A 16F876A 16F877A ");
  EXPECT_THROW(Expand("16F999"), std::runtime_error);
  EXPECT_THROW(Expand("16F9XX"), std::runtime_error);
}

}  // namespace
}  // namespace daxwel::testing
