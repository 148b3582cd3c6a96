// Every list of parts a user reads (the help, both man pages, the README, ayuda.htm, the desktop
// entry, the AppStream metainfo, the package description, a dialog) names exactly the parts of
// the parts table that it speaks of: all of them, or those with one property (VPP before VDD,
// a 12 V limit, factory calibration, a PGM pin).
#include <gtest/gtest.h>

#include <algorithm>
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
        {"daxwel-cli(1) description", &cliPage, "lee los microcontroladores", "a través de", Any},
        {"daxwel-cli(1) --model", &cliPage, "o el modelo:", "y los que\nsumen", Any},
        {"daxwel-cli(1) --config", &cliPage, "los grupos del diálogo", ".RE\n", Any},
        {"daxwel-cli(1) --sim", &cliPage, "con un PIC", "para probar sin hardware", Any},
        {"daxwel(1) description", &guiPage, "y borran los", "a través de", Any},
        {"daxwel(1) --sim", &guiPage, "(16F84,", "en lugar de los puertos", Any},
        {"README intro", &readme, "Daxwel programs", "flash\nmicrocontrollers", Any},
        {"README --model", &readme, "[--model", "]\n           [--config", Any},
        {"ayuda.htm intro", &ayuda, "Daxwel graba", "a través de", Any},
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
    EXPECT_NE(problems.find("ayuda.htm intro" + edit.problem), std::string::npos);
  }
}

// The one-line descriptions (whatis, the menus, the package and software-centre summaries)
// name the kind of part, never parts one by one: those lists went stale as parts were added.
TEST(HelpLists, OneLineDescriptionsNameNoPart) {
  const Documents docs;
  const auto line = [](const std::string& text, const std::string& from) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) return "(no \"" + from + "\")";
    const std::size_t start = at + from.size();
    return text.substr(start, text.find('\n', start) - start);
  };
  const std::string metainfo = docs.metainfo.substr(0, docs.metainfo.find("<description>"));
  const std::string lines[] = {
      line(docs.cliPage, ".SH NOMBRE\n"),
      line(docs.guiPage, ".SH NOMBRE\n"),
      line(docs.desktop, "\nComment="),
      line(docs.desktop, "\nComment[en]="),
      line(metainfo, "<summary>"),
      line(metainfo, "<summary xml:lang=\"en\">"),
      line(docs.package, "DESCRIPTION_SUMMARY"),
  };
  for (const std::string& text : lines) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(Expand(text).empty());
    EXPECT_NE(text.find("12F"), std::string::npos);
    EXPECT_NE(text.find("16F"), std::string::npos);
  }
}

// The cells a pin table gives a part: package pins, clock, data, VPP and PGM, "?" where the
// parts table does not know.
std::vector<std::string> PinCells(const DeviceModel& m) {
  const auto pin = [](const IcspPin& p) {
    return p.name + ", pata " + (p.number > 0 ? std::to_string(p.number) : "?");
  };
  std::vector<std::string> cells(4, "?");
  if (m.pins != nullptr) {
    const IcspPins& p = *m.pins;
    cells = {p.packagePins > 0 ? std::to_string(p.packagePins) : "?", pin(p.clock), pin(p.data),
             pin(p.vpp)};
  }
  cells.push_back(m.pgm.name.empty() ? "no tiene" : pin(m.pgm));
  return cells;
}

// One row of a pin table: the parts it names and its cells.
struct PinRow {
  std::string names;
  std::vector<std::string> cells;
};

std::string WithoutTags(const std::string& html) {
  return std::regex_replace(html, std::regex("<[^>]*>"), "");
}

// ayuda.htm: the rows of the table "icsp-patas", one part list and five cells each.
std::vector<PinRow> HtmlPinRows(const std::string& html) {
  const std::size_t from = html.find("<table id=\"icsp-patas\">");
  const std::size_t to = html.find("</table>", from);
  if (from == std::string::npos || to == std::string::npos) return {};
  const std::string table = html.substr(from, to - from);
  static const std::regex kRow("<tr>((?:<td>.*?</td>)+)</tr>");
  static const std::regex kCell("<td>(.*?)</td>");
  std::vector<PinRow> rows;
  for (std::sregex_iterator r(table.begin(), table.end(), kRow), end; r != end; ++r) {
    const std::string cells = r->str(1);
    PinRow row;
    for (std::sregex_iterator c(cells.begin(), cells.end(), kCell); c != end; ++c) {
      row.cells.push_back(WithoutTags(c->str(1)));
    }
    row.names = row.cells.front();
    row.cells.erase(row.cells.begin());
    rows.push_back(row);
  }
  return rows;
}

// daxwel-cli(1): under its heading, ".TP", ".B parts", then "patas: 18; reloj: RB6, pata 12;
// ...; PGM: no tiene." with the unbreakable spaces of the page.
std::vector<PinRow> ManPinRows(const std::string& page) {
  const std::size_t from = page.find(".SS \"Patas de programación de cada PIC\"");
  if (from == std::string::npos) return {};
  // Up to the next heading, with the last entry's line end.
  const std::string section = page.substr(from, page.find("\n.SH", from) + 1 - from);
  static const std::regex kEntry("\\.TP\n\\.B ([^\n]*)\n([^\n]*)\n");
  static const std::regex kCell("[a-zA-Z]+: ([^;]*?)(?:;|\\.$)");
  std::vector<PinRow> rows;
  for (std::sregex_iterator e(section.begin(), section.end(), kEntry), end; e != end; ++e) {
    const std::string line = std::regex_replace(e->str(2), std::regex("\\\\ "), " ");
    PinRow row{e->str(1), {}};
    for (std::sregex_iterator c(line.begin(), line.end(), kCell); c != end; ++c) {
      row.cells.push_back(c->str(1));
    }
    rows.push_back(row);
  }
  return rows;
}

std::string Joined(const std::vector<std::string>& cells) {
  std::string text;
  for (const std::string& cell : cells) text += (text.empty() ? "" : " | ") + cell;
  return text;
}

// What a pin table gets wrong against `parts`, one line a fault: every part in exactly one
// row, with that part's own pins, and no row naming a part the table lacks.
std::vector<std::string> PinProblems(const std::string& where, const std::vector<PinRow>& rows,
                                     Rows parts) {
  if (rows.empty()) return {where + ": no pin table"};
  std::vector<std::string> problems;
  std::vector<Parts> named;
  for (const PinRow& row : rows) {
    named.push_back(Expand(row.names, parts));
    for (const std::string& name : named.back()) {
      if (Find(parts, name) == nullptr) problems.push_back(where + ": names " + name);
    }
  }
  for (const DeviceModel& m : parts) {
    const std::string name(m.modelName);
    std::vector<const PinRow*> found;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (named[i].contains(name)) found.push_back(&rows[i]);
    }
    if (found.empty()) {
      problems.push_back(where + ": lacks " + name);
    } else if (found.size() > 1) {
      problems.push_back(where + ": " + name + " in " + std::to_string(found.size()) + " rows");
    } else if (found.front()->cells != PinCells(m)) {
      problems.push_back(where + ": " + name + " reads " + Joined(found.front()->cells) +
                         "; the parts table gives " + Joined(PinCells(m)));
    }
  }
  return problems;
}

std::vector<std::string> PinProblems(const Documents& docs, Rows parts) {
  std::vector<std::string> problems = PinProblems("ayuda.htm", HtmlPinRows(docs.ayuda), parts);
  for (std::string& p : PinProblems("daxwel-cli(1)", ManPinRows(docs.cliPage), parts)) {
    problems.push_back(std::move(p));
  }
  return problems;
}

TEST(HelpPins, EveryPartHasItsPinsInTheHelp) {
  const Documents docs;
  ASSERT_FALSE(HtmlPinRows(docs.ayuda).empty());
  EXPECT_EQ(Lines(PinProblems(docs, Catalogue())), "");
}

// A part added without its row, a pin number or a PGM pin changed, a part taken out: each
// fails in both documents, naming the part.
TEST(HelpPins, AChangedPinIsNamed) {
  const Documents docs;
  const std::string shipped = ReadAll(std::string(DAXWEL_SOURCE_DIR) + "/resources/data/pics.ini");
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = shipped;
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const auto section = [&](const std::string& name) {
    const std::size_t at = shipped.find("\n[" + name + "]");
    const std::size_t next = shipped.find("\n[", at + 1);
    return shipped.substr(at, next == std::string::npos ? next : next - at);
  };
  struct Edit {
    std::string text;
    std::string problem;  // after each document's name
  };
  const Edit edits[] = {
      {shipped + kNewPart + "pins = 40 RB6:39 RB7:40 MCLR:1\n", ": lacks 16F877B"},
      {replaced(section("16F84"), ""), ": names 16F84"},
      {replaced("pins = 18 RB6:12 RB7:13 MCLR:4", "pins = 18 RB6:12 RB7:14 MCLR:4"),
       ": 16F84 reads 18 | RB6, pata 12 | RB7, pata 13 | MCLR, pata 4 | no tiene; the parts "
       "table gives 18 | RB6, pata 12 | RB7, pata 14 | MCLR, pata 4 | no tiene"},
      {replaced("pins = 28 RB6:27", "pins = 18 RB6:27"), ": 16F870 reads 28 |"},
      {replaced("pgm = RB3:24", "pgm = RB3:25"), ": 16F870 reads"},
      {replaced("pins = 8 GP1:6 GP0:7 GP3:4", "pins = 8 GP0:6 GP1:7 GP3:4"), ": 12F629 reads"},
      {replaced("pins = 8 GP1:6 GP0:7 GP3:4", "pins = 8 GP1:6 GP0:7 GP3:?"), ": 12F629 reads"},
  };
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.problem);
    ASSERT_NE(edit.text, shipped);
    PartsCatalogue parts;
    ASSERT_EQ(parts.Add(edit.text, "pics.ini"), "");
    ASSERT_EQ(parts.Build(), "");
    const std::string problems = Lines(PinProblems(docs, parts.Rows()));
    EXPECT_NE(problems.find("ayuda.htm" + edit.problem), std::string::npos) << problems;
    EXPECT_NE(problems.find("daxwel-cli(1)" + edit.problem), std::string::npos) << problems;
  }
}

// The readers on small texts: tags out of the cells, a part in two rows, a name the table
// lacks, and the page's cells in order.
TEST(HelpPins, TablesAreReadCellByCell) {
  const std::vector<PinRow> html = HtmlPinRows(
      "<table id=\"icsp-patas\">\n  <tr><th>PIC</th><th>Patas</th></tr>\n"
      "  <tr><td>16F84/84A</td><td>18</td><td><b>RB6</b>, pata 12</td></tr>\n"
      "  <tr><td>16F84A, 16F999</td><td>18</td></tr>\n</table>");
  ASSERT_EQ(html.size(), 2U);
  EXPECT_EQ(html[0].names, "16F84/84A");
  EXPECT_EQ(Joined(html[0].cells), "18 | RB6, pata 12");
  const std::string problems = Lines(PinProblems("x", html, Catalogue()));
  EXPECT_NE(problems.find("x: names 16F999\n"), std::string::npos) << problems;
  EXPECT_NE(problems.find("x: 16F84 in 2 rows\n"), std::string::npos) << problems;
  EXPECT_NE(problems.find("x: lacks 16F877\n"), std::string::npos) << problems;

  const std::vector<PinRow> page = ManPinRows(
      ".SS \"Patas de programación de cada PIC\"\nTexto.\n.TP\n.B 12F629, 12F675\n"
      "patas: 8; reloj: GP1, pata\\ 6; datos: ?; VPP: GP3, pata\\ 4; PGM: no tiene.\n"
      ".SH EJEMPLOS\n.TP\n.B 16F84\npatas: 18.\n");
  ASSERT_EQ(page.size(), 1U);
  EXPECT_EQ(page[0].names, "12F629, 12F675");
  EXPECT_EQ(Joined(page[0].cells), "8 | GP1, pata 6 | ? | GP3, pata 4 | no tiene");
}

// A message the program shows, by its title and words that stay put in its text, and the
// source file that writes those words.
struct Shown {
  const char* title;
  const char* words;
  const char* source;
};

// The messages added since the first release: ayuda.htm explains each of them.
const Shown kShown[] = {
    {"Confirmar", " admite como máximo ", "src/device/algorithm.cpp"},
    {"Error", "No se encontró un PIC ", "src/device/algorithm.cpp"},
    {"Error", "El PIC del programador es ", "src/device/algorithm.cpp"},
    {"Confirmar", "La configuración deshabilita MCLR (MCLRE = 0)", "src/device/families/f62xa.cpp"},
    {"Fin", "Nota: la configuración grabada deshabilita MCLR", "src/device/locked_config.cpp"},
    {"Fin", " (calibración de fábrica); no se escribe", "src/device/algorithm.cpp"},
    {"Fin", "); se conservó el valor de fábrica 0x", "src/device/program.cpp"},
    {"Fin", ", se toma como 0x", "src/image/hex_image.cpp"},
    {"Error", "La palabra de configuración no pudo ser borrada", "src/device/families/f62xa.cpp"},
    {"Error", "No se borró ni se escribió nada: el PIC ", "src/device/factory_bits.cpp"},
    {"Calibración de fábrica",
     " no muestra su calibración de fábrica:", "src/device/factory_bits.cpp"},
    {"Confirmar", "Se escribirá a mano la calibración de fábrica del PIC ",
     "src/device/factory_bits.cpp"},
    {"Confirmar", " muestra una calibración de fábrica válida y ", "src/device/factory_bits.cpp"},
    {"Error", "No se cambió nada: el PIC ", "src/device/factory_bits.cpp"},
    {"Restaurar calibración", "Una operación anterior sobre este PIC ",
     "src/device/factory_bits.cpp"},
    {"Restaurar calibración", "Un valor con todos los bits a 1 es el de una calibración ",
     "src/device/factory_bits.cpp"},
    {"Confirmar", "Si es otro PIC con el mismo valor", "src/device/factory_bits.cpp"},
    {"Aviso", "No se pudo guardar la calibración de fábrica antes de borrar:",
     "src/device/factory_bits.cpp"},
    {"Error", ": no se pudo escribir de nuevo la calibración de fábrica (",
     "src/device/factory_bits.cpp"},
    {"Aviso", ") no quedó guardada en el registro: ", "src/device/factory_bits.cpp"},
    {"<code>daxwel-cli info</code>", "Restauración pendiente: una operación interrumpida",
     "src/device/factory_bits.cpp"},
    {"<code>daxwel-cli info</code>", " (perdida)", "src/device/algorithm.cpp"},
    {"(en la terminal)", " está en uso por otro daxwel o daxwel-cli; espere a que termine",
     "src/sim/sim_session.cpp"},
    {"Error", "No se encuentra la tabla de PIC (", "src/device/catalogue.cpp"},
    {"Error",
     "No se puede usar la tabla de adaptadores que trae Daxwel: ", "src/link/adapters.cpp"},
    {"Error", "No hay un navegador para abrir ", "src/ui/main_window.cpp"},
};

// The rows of ayuda.htm's table of messages, as "title\tmessage".
std::vector<std::string> MessageRows(const std::string& html) {
  const std::size_t from = html.find("<h2 id=\"mensajes\">");
  const std::size_t to = html.find("</table>", from);
  if (from == std::string::npos || to == std::string::npos) return {};
  const std::string table = html.substr(from, to - from);
  static const std::regex kRow("<tr><td>(.*?)</td><td class=\"msg\">([^<]*)</td>");
  std::vector<std::string> rows;
  for (std::sregex_iterator r(table.begin(), table.end(), kRow), end; r != end; ++r) {
    rows.push_back(r->str(1) + "\t" + r->str(2));
  }
  return rows;
}

// What the help lacks: a message whose title and words no row shows, or whose words the
// program no longer writes.
std::vector<std::string> MessageProblems(const std::vector<std::string>& rows) {
  std::vector<std::string> problems;
  for (const Shown& shown : kShown) {
    const std::string said = std::string(shown.title) + ": " + shown.words;
    const bool helped = std::any_of(rows.begin(), rows.end(), [&](const std::string& row) {
      const std::size_t tab = row.find('\t');
      return row.substr(0, tab) == shown.title && row.find(shown.words, tab) != std::string::npos;
    });
    if (!helped) problems.push_back("ayuda.htm lacks " + said);
    const std::string source = ReadAll(std::string(DAXWEL_SOURCE_DIR) + "/" + shown.source);
    if (source.find(shown.words) == std::string::npos) {
      problems.push_back(std::string(shown.source) + " does not write " + said);
    }
  }
  return problems;
}

TEST(HelpMessages, EachNewMessageIsExplained) {
  const Documents docs;
  const std::vector<std::string> rows = MessageRows(docs.ayuda);
  // The rows of the first release are read too.
  ASSERT_NE(std::find(rows.begin(), rows.end(), "Fin\tEl PIC ha sido borrado"), rows.end());
  EXPECT_EQ(Lines(MessageProblems(rows)), "");
  // A row under another title does not count.
  std::vector<std::string> retitled = rows;
  for (std::string& row : retitled) {
    if (row.starts_with("Restaurar calibración\t")) row.replace(0, row.find('\t'), "Aviso");
  }
  EXPECT_EQ(Lines(MessageProblems(retitled)),
            "ayuda.htm lacks Restaurar calibración: Una operación anterior sobre este PIC \n"
            "ayuda.htm lacks Restaurar calibración: Un valor con todos los bits a 1 es el de "
            "una calibración \n");
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
  EXPECT_EQ(expanded("16F785, 16HV785, 12F635, 16F636 y 639"),
            "12F635 16F636 16F639 16F785 16HV785 ");
}

}  // namespace
}  // namespace daxwel::testing
