// parts, ports and -v: the lists a shell user asks for, generated from the catalogue and from
// what the kernel reports.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/lists.h"
#include "device/catalogue.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

// The text columns with each run of spaces made one.
std::string Squeezed(const std::string& line) {
  std::string out;
  for (char c : line) {
    if (c != ' ' || out.empty() || out.back() != ' ') out += c;
  }
  return out;
}

std::string PinField(const IcspPin& pin) {
  return std::string(pin.name) + ":" + (pin.number > 0 ? std::to_string(pin.number) : "?");
}

TEST(ListsCli, PartsTsvHasOneRowPerCatalogueRowWithItsFacts) {
  TempDir dir;
  const CliResult r = RunCli({"parts", "--format", "tsv"}, dir.Path());
  ASSERT_EQ(r.status, 0) << r.Describe();
  const std::vector<std::string> lines = Split(r.out, '\n');
  const std::vector<std::string> header = Split(lines.at(0), '\t');
  ASSERT_EQ(header.size(), 12u) << lines.at(0);
  ASSERT_EQ(lines.size(), Catalogue().size() + 1) << r.out;
  std::size_t i = 1;
  for (const DeviceModel& m : Catalogue()) {
    const std::vector<std::string> f = Split(lines.at(i++), '\t');
    ASSERT_EQ(f.size(), header.size()) << m.listText;
    EXPECT_EQ(f[0], m.listText);
    EXPECT_EQ(f[1], m.family->name) << m.listText;
    EXPECT_FALSE(f[1].empty()) << m.listText;
    EXPECT_EQ(std::stoi(f[2]), m.programWords) << m.listText;
    EXPECT_EQ(std::stoi(f[3]), m.eepromBytes) << m.listText;
    EXPECT_EQ(std::stoi(f[4]), m.family->configWords) << m.listText;
    EXPECT_EQ(std::stoi(f[6]), m.family->vppLimitVolts > 0 ? m.family->vppLimitVolts : 13);
    for (int address : m.family->calibrationWords) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%04X", address);
      EXPECT_NE(f[5].find(hex), std::string::npos) << m.listText << ": " << f[5];
    }
    if (m.family->calibrationWords.empty() && m.family->preserved.empty()) {
      EXPECT_EQ(f[5], "-") << m.listText;
    }
    if (m.pins != nullptr) {
      EXPECT_EQ(f[9], PinField(m.pins->clock)) << m.listText;
      EXPECT_EQ(f[10], PinField(m.pins->data)) << m.listText;
      EXPECT_EQ(f[11], PinField(m.pins->vpp)) << m.listText;
    } else {
      EXPECT_EQ(f[9] + f[10] + f[11], "???") << m.listText;
    }
  }
}

// The pins the data sheets give, by package: a row pointing at the wrong package shows here.
TEST(ListsCli, PartsShowEachPackagesPins) {
  TempDir dir;
  const CliResult r = RunCli({"parts"}, dir.Path());
  ASSERT_EQ(r.status, 0) << r.Describe();
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"16F84/84A ", "18 RB6:12 RB7:13 MCLR:4"}, {"16F877 ", "40 RB6:39 RB7:40 MCLR:1"},
      {"16F876A ", "28 RB6:27 RB7:28 MCLR:1"},   {"12F675 ", "8 GP1:6 GP0:7 GP3:4"},
      {"16F676 ", "14 RA1:12 RA0:13 RA3:4"},     {"16F690 ", "20 RA1:18 RA0:19 RA3:4"},
      {"16F684 ", "14 RA1:12 RA0:13 RA3:4"},     {"16F88 ", "18 RB6:12 RB7:13 MCLR:4"},
      {"16F887 ", "40 RB6:39 RB7:40 MCLR:1"},    {"12F683 ", "? ? ? ?"},
  };
  for (const auto& [part, pins] : rows) {
    bool found = false;
    for (const std::string& line : Split(r.out, '\n')) {
      if (line.rfind(part, 0) != 0) continue;
      found = true;
      EXPECT_NE(Squeezed(line).find(" " + pins), std::string::npos) << line;
    }
    EXPECT_TRUE(found) << part << "\n" << r.out;
  }
  EXPECT_EQ(Split(r.out, '\n').size(), Catalogue().size() + 1);
  // The 16F88X's calibration word is 0x2009; 0x2008 is its second configuration word.
  for (const std::string& line : Split(r.out, '\n')) {
    if (line.rfind("16F886 ", 0) != 0) continue;
    EXPECT_NE(line.find("0x2009"), std::string::npos) << line;
    EXPECT_EQ(line.find("0x2008"), std::string::npos) << line;
  }
}

TEST(ListsCli, PartNamesAreEveryNameModelTakes) {
  TempDir dir;
  const CliResult r = RunCli({"parts", "--format", "names"}, dir.Path());
  ASSERT_EQ(r.status, 0) << r.Describe();
  EXPECT_EQ(r.out, ModelNames("\n") + "\n");
  EXPECT_EQ(RunCli({"parts", "--format", "xml"}, dir.Path()).status, 64);
}

TEST(ListsCli, PortsListsWhatTheKernelReports) {
  TempDir dir;
  namespace fs = std::filesystem;
  const fs::path root = dir.Path();
  EXPECT_NE(cli::PortsListing(root).find("No hay puertos paralelos"), std::string::npos);

  fs::create_directories(root / "proc/sys/dev/parport/parport0");
  fs::create_directories(root / "proc/sys/dev/parport/parport1");
  fs::create_directories(root / "dev");
  dir.Write("proc/sys/dev/parport/parport0/base-addr", "888\t1912\n");
  dir.Write("proc/sys/dev/parport/parport1/base-addr", "632\t1656\n");
  dir.Write("dev/parport0", "");
  dir.Write("dev/parport2", "");
  ::chmod((root / "dev/parport2").c_str(), 0);
  const std::vector<std::string> lines = Split(cli::PortsListing(root), '\n');
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "/dev/parport0  base 0x378  acceso: sí");
  EXPECT_EQ(lines[1].rfind("/dev/parport1  base 0x278  acceso: no existe", 0), 0u) << lines[1];
  if (::geteuid() != 0) {
    EXPECT_EQ(lines[2].rfind("/dev/parport2  base ?  acceso: no (sin permiso", 0), 0u) << lines[2];
  }

  const CliResult r = RunCli({"ports"}, dir.Path());
  EXPECT_EQ(r.status, 0) << r.Describe();
  EXPECT_FALSE(r.out.empty());
}

TEST(ListsCli, ShortVersionFlag) {
  TempDir dir;
  const CliResult shortFlag = RunCli({"-v"}, dir.Path());
  EXPECT_EQ(shortFlag.status, 0) << shortFlag.Describe();
  EXPECT_EQ(shortFlag.out, RunCli({"--version"}, dir.Path()).out);
  EXPECT_EQ(shortFlag.out.rfind("daxwel-cli ", 0), 0u) << shortFlag.out;
}

}  // namespace
}  // namespace daxwel::testing
