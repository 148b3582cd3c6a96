// Every list of parts a user reads (the help, both man pages, the README, ayuda.htm, the desktop
// entry, the AppStream metainfo, the package description, a dialog) names exactly the parts of
// the parts table that it speaks of: all of them, or those with one property (VPP before VDD,
// a 12 V limit, factory calibration, a PGM pin).
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "config/layout.h"
#include "device/algorithm.h"
#include "device/catalogue.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

using Parts = std::set<std::string>;
using Rows = std::span<const DeviceModel>;

const DeviceModel* Find(Rows rows, const std::string& name) {
  for (const DeviceModel& m : rows) {
    if (m.Answers(name)) return &m;
  }
  return nullptr;
}

// The row's model name; a name the table lacks stays as the text wrote it, so that a list
// giving it fails naming it.
std::string Named(Rows rows, const std::string& name) {
  const DeviceModel* m = Find(rows, name);
  return m != nullptr ? std::string(m->modelName) : name;
}

// "16F84/84A", "16F870/1/2", "12F629/675": each name after the first takes the first's start.
void AddSlashed(Rows rows, const std::string& first, const std::string& more, Parts& parts) {
  const std::size_t digits = first.find_first_of("FV") + 1;  // 16F..., 12HV...
  const std::size_t length = first.size() - digits - (first.back() == 'A' ? 1 : 0);
  parts.insert(Named(rows, first));
  std::size_t at = 1;
  for (std::size_t slash; at < more.size(); at = slash + 1) {
    slash = std::min(more.find('/', at), more.size());
    const std::string piece = more.substr(at, slash - at);
    const std::size_t pieceLength = piece.size() - (piece.back() == 'A' ? 1 : 0);
    const std::size_t keep = digits + (pieceLength < length ? length - pieceLength : 0);
    parts.insert(Named(rows, first.substr(0, keep) + piece));
  }
}

// "16F882 a 16F887", "16F870 ... 16F877": the rows from one to the other in table order.
void AddRange(Rows rows, const std::string& first, const std::string& last, Parts& parts) {
  const DeviceModel* from = Find(rows, first);
  const DeviceModel* to = Find(rows, last);
  if (from == nullptr || to == nullptr) {
    parts.insert(Named(rows, first));
    parts.insert(Named(rows, last));
    return;
  }
  for (const DeviceModel* m = from; m <= to; ++m) parts.insert(std::string(m->modelName));
}

// "16F88X": the parts of the family of that name.
void AddFamily(Rows rows, const std::string& name, Parts& parts) {
  bool found = false;
  for (const DeviceModel& m : rows) {
    if (m.family->name != name) continue;
    found = true;
    parts.insert(std::string(m.modelName));
  }
  if (!found) parts.insert(name);
}

// The parts a text names: single names, the forms above, and "PIC16F870, 871, 872 and 877",
// where a bare number right after a name continues it.
Parts Expand(const std::string& text, Rows rows = Catalogue()) {
  static const std::regex kName(
      "(1[26](?:F|HV)[0-9X]+A?)((?:/[0-9]+A?)*)(?: (?:a|\\.\\.\\.) (1[26](?:F|HV)[0-9]+A?))?"
      "|(?:,|\\sand|\\sy|\\so)\\s([0-9]{2,3}A?)\\b");
  Parts parts;
  std::string last;
  std::ptrdiff_t lastEnd = -1;
  for (std::sregex_iterator i(text.begin(), text.end(), kName), end; i != end; ++i) {
    const std::smatch& m = *i;
    if (m[4].matched) {
      if (m.position() != lastEnd || last.empty()) continue;  // a number, not a part
      parts.insert(Named(rows, last.substr(0, last.find_first_of("FV") + 1) + m.str(4)));
    } else {
      last = m.str(1);
      if (m[3].matched) {
        AddRange(rows, last, m.str(3), parts);
      } else if (last.find('X') != std::string::npos) {
        AddFamily(rows, last, parts);
      } else {
        AddSlashed(rows, last, m.str(2), parts);
      }
    }
    lastEnd = m.position() + m.length();
  }
  return parts;
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

// One list: what lies between the last `from` before `to`, and `to`, in a document.
struct List {
  std::string where;
  const std::string* text;
  const char* from;
  const char* to;
  bool (*property)(const DeviceModel&);
};

// What each list gets wrong against `rows`, one line a part: "README intro: lacks 16F648A".
std::vector<std::string> Problems(const std::vector<List>& lists, Rows rows) {
  std::vector<std::string> problems;
  for (const List& list : lists) {
    const std::size_t to = list.text->find(list.to);
    const std::size_t from = to == std::string::npos ? to : list.text->rfind(list.from, to);
    if (from == std::string::npos) {
      problems.push_back(list.where + ": no list between \"" + list.from + "\" and \"" + list.to +
                         "\"");
      continue;
    }
    const Parts named = Expand(list.text->substr(from, to - from), rows);
    for (const DeviceModel& m : rows) {
      const std::string name(m.modelName);
      if (list.property(m) && !named.contains(name))
        problems.push_back(list.where + ": lacks " + name);
    }
    for (const std::string& name : named) {
      const DeviceModel* m = Find(rows, name);
      if (m == nullptr || !list.property(*m)) problems.push_back(list.where + ": names " + name);
    }
  }
  return problems;
}

// The documents, read once.
struct Documents {
  std::string help;
  std::string cliPage;
  std::string guiPage;
  std::string readme;
  std::string ayuda;
  std::string desktop;
  std::string metainfo;
  std::string package;
  std::string dialog;
  std::string options;

  Documents() {
    TempDir dir;
    const std::string root = DAXWEL_SOURCE_DIR;
    help = RunCli({"--help"}, dir.Path()).out;
    cliPage = ReadAll(root + "/resources/man/daxwel-cli.1");
    guiPage = ReadAll(root + "/resources/man/daxwel.1");
    readme = ReadAll(root + "/README.md");
    ayuda = ReadAll(root + "/resources/ayuda.htm");
    desktop = ReadAll(root + "/resources/daxwel.desktop");
    metainfo = ReadAll(root + "/resources/daxwel.metainfo.xml");
    package = ReadAll(root + "/cmake/package.cmake");
    dialog = ReadAll(root + "/src/ui/adapter_dialog.cpp");
    options = ReadAll(root + "/src/ui/app_options.cpp");
  }

  std::vector<List> Lists() const {
    return {
        {"--help, --model", &help, "--model MODELO", "\n  --config", Any},
        {"--help, --config", &help, "--config (solo program)", "\nSimulador", Any},
        {"--help, --sim", &help, "Simulador (--sim", "  ESTADO es", Any},
        {"daxwel-cli(1) name", &cliPage, "programador de PIC", "por puerto paralelo, en", Any},
        {"daxwel-cli(1) description", &cliPage, "lee los microcontroladores", "a través de", Any},
        {"daxwel-cli(1) --model", &cliPage, "o el modelo:", "y los que\nsumen", Any},
        {"daxwel-cli(1) --config", &cliPage, "los grupos del diálogo", ".RE\n", Any},
        {"daxwel-cli(1) --sim", &cliPage, "con un PIC", "para probar sin hardware", Any},
        {"daxwel(1) name", &guiPage, "programador de PIC", "por puerto paralelo\n", Any},
        {"daxwel(1) description", &guiPage, "y borran los", "a través de", Any},
        {"daxwel(1) --sim", &guiPage, "(16F84,", "en lugar de los puertos", Any},
        {"README intro", &readme, "Daxwel programs", "flash\nmicrocontrollers", Any},
        {"README --model", &readme, "[--model", "]\n           [--config", Any},
        {"ayuda.htm intro", &ayuda, "Daxwel graba", "a través de", Any},
        {"daxwel.desktop Comment", &desktop, "Comment=", "\nComment[en]", Any},
        {"daxwel.desktop Comment[en]", &desktop, "Comment[en]=", "\nExec=", Any},
        {"metainfo description", &metainfo, "<description>", "a través de", Any},
        {"package description", &package, "PACKAGE_DESCRIPTION\n", "a través de", Any},
        {"--help, VPP first", &help, "Con VDD conmutado los", "entran con VPP", VppFirst},
        {"daxwel-cli(1), VPP first", &cliPage, "conmuta VDD, los", "entran en modo", VppFirst},
        {"README, VPP first", &readme, "switches VDD the", "enter VPP first", VppFirst},
        {"ayuda.htm, VPP first", &ayuda, "cada familia:", "con VPP antes que VDD (VPP", VppFirst},
        {"adapter dialog, VPP first", &dialog, "Conmuta VDD: los", "entran en modo", VppFirst},
        {"--help, 12 V", &help, "\n\n", "admiten como máximo 12 V", TwelveVolts},
        {"--help, simulated VPP", &help, "12 V los", "la registran", TwelveVolts},
        {"daxwel(1), 12 V", &guiPage, ".SH NOTAS\n", "admiten como máximo 12 V", TwelveVolts},
        {"daxwel-cli(1), 12 V", &cliPage, ".PP\n", "admiten como máximo 12 V", TwelveVolts},
        {"daxwel-cli(1), simulated VPP", &cliPage, "12 V los", "la registran", TwelveVolts},
        {"daxwel(1), simulated VPP", &guiPage, "12 V los", "la registran", TwelveVolts},
        {"window --help, simulated VPP", &options, "12 V los", "la registran", TwelveVolts},
        {"ayuda.htm, 12 V", &ayuda, "<p><b>", ": 12 V como máximo", TwelveVolts},
        {"--help, calibration words", &help, "confirmación.", "guardan su", CalibrationWords},
        {"daxwel-cli(1), calibration words", &cliPage, "nada más.\n", "guardan sus",
         CalibrationWords},
        {"ayuda.htm, calibration words", &ayuda, "<p>", "guardan la calibración", CalibrationWords},
        {"--help, --osccal", &help, "--osccal", "que perdieron", FactoryBitsKept},
        {"daxwel-cli(1), --osccal", &cliPage, "en los", ") Escribe", FactoryBitsKept},
        {"--help, OSCCAL", &help, "(pata 9).\n", " se programan por GP1", FactoryBitsKept},
        {"daxwel-cli(1), OSCCAL", &cliPage, "\n.PP\n", " no tienen pata PGM, y se",
         FactoryBitsKept},
        {"ayuda.htm, index", &ayuda, "#calibracion\">", "</a> ·\n<a href=\"#uso", FactoryBitsKept},
        {"ayuda.htm, OSCCAL", &ayuda, "id=\"calibracion\"", ".</b> Estos PIC", FactoryBitsKept},
        {"--help, no PGM", &help, "RB3; los", "no tienen", NoPgmPin},
        {"daxwel-cli(1), no PGM", &cliPage, "RB3; los", "no tienen", NoPgmPin},
        {"ayuda.htm, no PGM", &ayuda, "<tr><td>", "</td><td>no tienen", NoPgmPin},
        {"README, PGM", &readme, "\n\n", " parts leave the factory with low-voltage", HasPgmPin},
        {"ayuda.htm, PGM", &ayuda, "<p>Los", " vienen de fábrica (y quedan", HasPgmPin},
    };
  }
};

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TEST(HelpLists, EachListOfPartsMatchesThePartsTable) {
  const Documents docs;
  EXPECT_EQ(Lines(Problems(docs.Lists(), Catalogue())), "");
}

// A part of the 16F87XA the shipped table does not have.
const char* kNewPart = R"(
[16F877B]
family = 16F87XA
id = 0x0EA0
id-mask = 0x3FE0
program = 8192
eeprom = 256
config = 0x2007:0x2FCF
)";

// Without any one shipped section, or with one more, the lists fail naming the part.
TEST(HelpLists, AChangedTableIsNamed) {
  const Documents docs;
  const std::vector<List> lists = docs.Lists();
  const std::string shipped = ReadAll(std::string(DAXWEL_SOURCE_DIR) + "/resources/data/pics.ini");
  struct Edit {
    std::string text;
    std::string problem;  // what the lists of all parts say, after their name
  };
  std::vector<Edit> edits = {{shipped + kNewPart, ": lacks 16F877B\n"}};
  for (std::size_t at = shipped.find("\n["); at != std::string::npos;
       at = shipped.find("\n[", at + 1)) {
    const std::size_t next = shipped.find("\n[", at + 1);
    const std::string name = shipped.substr(at + 2, shipped.find(']', at) - at - 2);
    edits.push_back(
        {shipped.substr(0, at) + (next == std::string::npos ? "" : shipped.substr(next)),
         ": names " + name + "\n"});
  }
  ASSERT_EQ(edits.size(), Catalogue().size() + 1);
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.problem);
    PartsCatalogue parts;
    ASSERT_EQ(parts.Add(edit.text, "pics.ini"), "");
    ASSERT_EQ(parts.Build(), "");
    const std::string problems = Lines(Problems(lists, parts.Rows()));
    EXPECT_NE(problems.find("README intro" + edit.problem), std::string::npos) << problems;
    EXPECT_NE(problems.find("daxwel.desktop Comment" + edit.problem), std::string::npos);
  }
}

// The expansion itself, on the forms the texts use; a name the table lacks stays as written.
TEST(HelpLists, NamesExpandToTheirRows) {
  const auto expanded = [](const std::string& text) {
    std::string names;
    for (const std::string& p : Expand(text)) names += p + " ";
    return names;
  };
  EXPECT_EQ(expanded("los 16F627A/628A/648A"), "16F627A 16F628A 16F648A ");
  EXPECT_EQ(expanded("16F84/84A y 12F629/675"), "12F629 12F675 16F84 ");
  EXPECT_EQ(expanded("cp=off|on (16F870/1/2)"), "16F870 16F871 16F872 ");
  EXPECT_EQ(expanded("16F913 a 16F917"), "16F913 16F914 16F916 16F917 ");
  EXPECT_EQ(expanded("(16F873A ... 16F877A)"), "16F873A 16F874A 16F876A 16F877A ");
  EXPECT_EQ(expanded("los 16F87XA"), "16F873A 16F874A 16F876A 16F877A ");
  EXPECT_EQ(expanded("PIC16F87, 88, 818 and 819"), "16F818 16F819 16F87 16F88 ");
  EXPECT_EQ(expanded("16F87XA, pata 10, 12 V"), "16F873A 16F874A 16F876A 16F877A ");
  EXPECT_EQ(expanded("16F999, 16F9XX y 16F870 a 16F999"), "16F870 16F999 16F9XX ");
}

}  // namespace
}  // namespace daxwel::testing
