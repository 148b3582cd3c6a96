// The man page says what --help says: every option and every exit status with its words.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <string>

#include "cli/cli_runner.h"
#include "device/catalogue.h"
#include "sim/sim_session.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

// roff writes a hyphen that must print as one as "\-".
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

// Every "--name" in `text`.
std::set<std::string> LongOptions(const std::string& text) {
  std::set<std::string> found;
  for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
    std::size_t end = at + 2;
    while (end < text.size() &&
           (std::islower(static_cast<unsigned char>(text[end])) || text[end] == '-')) {
      ++end;
    }
    if (end > at + 2) found.insert(text.substr(at, end - at));
    at = end - 2;
  }
  return found;
}

TEST(ManPage, CommandLinePageCoversTheHelp) {
  TempDir dir;
  const CliResult help = RunCli({"--help"}, dir.Path());
  ASSERT_EQ(help.status, 0);
  const std::string page = ReadAll(std::string(DAXWEL_SOURCE_DIR) + "/resources/man/daxwel-cli.1");
  ASSERT_FALSE(page.empty());

  const std::set<std::string> options = LongOptions(help.out);
  EXPECT_GE(options.size(), 12u) << "--help, --port ... --seconds, --force";
  for (const std::string& option : options) {
    EXPECT_NE(page.find(Roff(option)), std::string::npos) << option;
  }

  // Each exit status of the help, and each result word it lists, under ESTADO DE SALIDA.
  const std::size_t statuses = page.find(".SH \"ESTADO DE SALIDA\"");
  ASSERT_NE(statuses, std::string::npos);
  const std::string section = page.substr(statuses, page.find(".SH", statuses + 1) - statuses);
  std::istringstream lines(help.out.substr(help.out.find("Códigos de salida:")));
  std::string line;
  int listed = 0;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (!first.empty() && std::isdigit(static_cast<unsigned char>(first[0]))) {
      EXPECT_NE(section.find(".B " + first + "\n"), std::string::npos) << "status " << first;
      ++listed;
    }
    for (std::string word; words >> word;) {
      while (!word.empty() && !std::isalpha(static_cast<unsigned char>(word.back())))
        word.pop_back();
      while (!word.empty() && !std::isalpha(static_cast<unsigned char>(word.front())))
        word.erase(0, 1);
      if (word.find("_error") != std::string::npos || word.find("-error") != std::string::npos) {
        EXPECT_NE(section.find(Roff(word)), std::string::npos) << word;
      }
    }
  }
  EXPECT_EQ(listed, 7);
}

// Whether `name` stands in `text` as a whole word: "16F84" is not found in "16F84A".
bool Mentions(const std::string& text, std::string_view name) {
  for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
    const std::size_t end = at + name.size();
    if (end == text.size() || !std::isalnum(static_cast<unsigned char>(text[end]))) return true;
  }
  return false;
}

// Every place a user reads the list of parts names each part of the catalogue (the one-line
// descriptions name none: see HelpLists.OneLineDescriptionsNameNoPart).
TEST(ModelLists, EveryUserFacingListNamesEveryModel) {
  TempDir dir;
  const std::string root = DAXWEL_SOURCE_DIR;
  const auto section = [](const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t start = text.find(from);
    if (start == std::string::npos) return std::string();
    return text.substr(start, text.find(to, start + from.size()) - start);
  };
  const std::string readme = ReadAll(root + "/README.md");
  const std::string metainfo = ReadAll(root + "/resources/daxwel.metainfo.xml");
  const std::string package = ReadAll(root + "/cmake/package.cmake");
  const struct {
    const char* where;
    std::string text;
  } lists[] = {
      {"daxwel-cli --help", RunCli({"--help"}, dir.Path()).out},
      {"daxwel-cli(1)", ReadAll(root + "/resources/man/daxwel-cli.1")},
      {"daxwel(1)", ReadAll(root + "/resources/man/daxwel.1")},
      {"README option summary", section(readme, "## Command line", "\n## ")},
      {"AppStream description", section(metainfo, "<description>", "</description>")},
      {"package description", section(package, "CPACK_DEBIAN_PACKAGE_DESCRIPTION", ")")},
  };
  for (const auto& list : lists) {
    ASSERT_FALSE(list.text.empty()) << list.where;
    for (const DeviceModel& m : Catalogue()) {
      EXPECT_TRUE(Mentions(list.text, m.modelName)) << list.where << ": " << m.modelName;
      for (std::string_view alias : m.aliases) {
        EXPECT_TRUE(Mentions(list.text, alias)) << list.where << ": " << alias;
      }
    }
  }
}

// The simulator's one list of fault kinds is what --sim-fault help prints and what every help
// text and man page documents, each kind with the value it takes.
TEST(ModelLists, EveryFaultListNamesEveryFaultKind) {
  TempDir dir;
  const std::string root = DAXWEL_SOURCE_DIR;
  const CliResult help = RunCli({"--sim-fault", "help"}, dir.Path());
  EXPECT_EQ(help.status, 0) << help.Describe();
  const struct {
    const char* where;
    std::string text;
  } lists[] = {
      {"daxwel-cli --sim-fault help", help.out},
      {"daxwel-cli --help", RunCli({"--help"}, dir.Path()).out},
      {"daxwel-cli(1)", ReadAll(root + "/resources/man/daxwel-cli.1")},
      {"daxwel(1)", ReadAll(root + "/resources/man/daxwel.1")},
  };
  ASSERT_GE(sim::FaultKinds().size(), 14u);
  for (const auto& list : lists) {
    const bool roff = list.text.find(".TH ") != std::string::npos;
    for (const sim::FaultKind& kind : sim::FaultKinds()) {
      const std::string usage =
          std::string(kind.name) + (kind.value.empty() ? "" : "=" + std::string(kind.value));
      EXPECT_NE(list.text.find(roff ? Roff(usage) : usage), std::string::npos)
          << list.where << ": " << usage;
    }
  }
  for (const sim::FaultKind& kind : sim::FaultKinds()) {
    EXPECT_NE(help.out.find(std::string(kind.what)), std::string::npos) << kind.name;
  }
}

}  // namespace
}  // namespace daxwel::testing

namespace daxwel::testing {
namespace {

// lintian warns on a package description line over 80 characters, and a warning fails the
// package check: the list of parts in it grows with every part added.
TEST(ModelLists, PackageDescriptionLinesFitLintian) {
  const std::string package = ReadAll(std::string(DAXWEL_SOURCE_DIR) + "/cmake/package.cmake");
  const std::string from = "CPACK_DEBIAN_PACKAGE_DESCRIPTION\n";
  const std::size_t start = package.find(from);
  ASSERT_NE(start, std::string::npos);
  const std::string text = package.substr(start, package.find("\")", start) - start);
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line); ++number) {
    // Characters, not bytes: UTF-8 continuation bytes do not count.
    const auto characters = std::count_if(line.begin(), line.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    EXPECT_LE(characters, 80) << "line " << number << ": " << line;
  }
  EXPECT_GT(number, 3);
}

}  // namespace
}  // namespace daxwel::testing
