// Adapter files and the saved adapter read as any input file: only what can be read at once,
// every mistake said (escaped) and nothing chosen behind the user's back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>

#include "link/adapters.h"
#include "link/saved_adapter.h"

namespace daxwel {
namespace {

namespace fs = std::filesystem;

// A fresh XDG_CONFIG_HOME for one test, the old one put back after it.
class ConfigHome {
 public:
  ConfigHome() {
    char pattern[] = "/tmp/daxwel-xdg-XXXXXX";
    root_ = ::mkdtemp(pattern);
    fs::create_directories(root_ + "/daxwel/adaptadores");
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) old_ = old;
    ::setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
  }
  ~ConfigHome() {
    if (old_) {
      ::setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  std::string Write(const std::string& relative, const std::string& text) const {
    const std::string path = root_ + "/" + relative;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  const std::string& Root() const { return root_; }

 private:
  std::string root_;
  std::optional<std::string> old_;
};

constexpr const char* kTait = "vpp=-5\nvdd=-4\nclock=3\ndatao=2\ndatai=10\n";

// Reads on another thread: a read that waits (a FIFO) is a failure, not a stuck test.
std::string ReadWithin(const std::string& name, AdapterChoice& choice, const std::string& fifo) {
  auto reading = std::async(std::launch::async, [&] { return ResolveAdapter(name, choice); });
  if (reading.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return reading.get();
  // Let the waiting open through so the thread can end.
  const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (writer >= 0) ::close(writer);
  reading.wait();
  return "<waited>";
}

TEST(AdapterFiles, WhatCannotBeAnAdapterFileIsSaidAtOnceAndChangesNothing) {
  ConfigHome home;
  const std::string fifo = home.Root() + "/tuberia";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string big = home.Write("grande.ini", std::string(kTait) + std::string(70000, '#'));
  const std::string escape = home.Write("esc.ini", "vpp=-5\nclo\x1b[2Jk=3\n");
  const std::string folder = home.Root() + "/daxwel/adaptadores";
  struct Case {
    std::string name;
    std::string message;
  } cases[] = {
      {fifo, fifo + ": es una tubería (FIFO), no un archivo regular"},
      {"/dev/zero", "/dev/zero: es un dispositivo, no un archivo regular"},
      {"/dev/null", "/dev/null: es un dispositivo, no un archivo regular"},
      {folder, folder + ": es una carpeta, no un archivo"},
      {home.Root() + "/", home.Root() + "/: es una carpeta, no un archivo"},
      {big, big + ": el archivo es demasiado grande (más de 64 KiB)"},
      {escape, escape + ":2: clave desconocida \"clo\\x1B[2Jk\""},
      {"", "Falta el nombre del adaptador"},
      {"no\x07"
       "existe",
       "Adaptador desconocido: \"no\\x07existe\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AdapterChoice choice = DefaultAdapter();
    choice.name = "antes";
    const std::string problem = ReadWithin(c.name, choice, fifo);
    EXPECT_EQ(problem.substr(0, c.message.size()), c.message) << problem;
    EXPECT_EQ(choice.name, "antes");
    EXPECT_EQ(choice.wiring, DefaultWiring());
  }
}

TEST(AdapterFiles, LayoutAndCommentsAreLayoutAndComments) {
  struct Case {
    const char* text;
    const char* problem;  // start of the message, or "" when the file is accepted
  } cases[] = {
      {"vpp=-5 # VPP por el PNP\nvdd=-4\t; VDD\nclock=3\ndatao=2\ndatai=10\n", ""},
      {"  vpp=-5\n\tvdd=-4\n  clock=3\ndatao=2\ndatai=10\n", ""},
      {"[adaptador] # el único\nvpp=-5\nvdd=-4\nclock=3\ndatao=2\ndatai=10\n", ""},
      // A byte-order mark before the first line, and "key: value" as well as "key=value".
      {"\xEF\xBB\xBFvpp: -5\nvdd:-4\nclock=3\ndatao=2\ndatai=10\n", ""},
      // An indented line is a line of its own: its mistake is its own, not the line above's.
      {"vpp=-5\n  clok=3\n", "f:2: clave desconocida \"clok\""},
      {"vpp=-5\n  5\n", "f:2: línea no válida"},
      // A marker glued to the value is no comment.
      {"vpp=-5#x\n", "f:1: vpp=-5#x: se espera el número de pata"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    AdapterChoice choice;
    const std::string problem = ParseWiringText(c.text, "f", choice);
    EXPECT_EQ(problem.substr(0, std::string(c.problem).size()), c.problem) << problem;
    if (std::string(c.problem).empty()) {
      EXPECT_EQ(problem, "");
      Wiring tait = FindAdapterPreset("tait-7407")->wiring;
      tait.presence = Presence::kNone;
      EXPECT_EQ(choice.wiring, tait);
    }
  }
}

// The supply an adapter declares: its VPP (13 V assumed) and a limited VDD, own or inherited,
// and written back by DescribeWiring so a saved choice keeps them.
TEST(AdapterFiles, SupplyKeysDeclareTheVppAndALimitedVdd) {
  const struct {
    std::string text;
    std::string problem;  // "" when taken
    std::optional<int> vpp;
    bool limited;
  } kCases[] = {
      {kTait, "", std::nullopt, false},
      {std::string(kTait) + "vpp-voltios=12\n", "", 12, false},
      {std::string(kTait) + "vdd-limitada=sí\n", "", std::nullopt, true},
      {std::string(kTait) + "vdd-limitada=si\nvpp-voltios=8\n", "", 8, true},
      {std::string(kTait) + "vdd-limitada=no\nvpp-voltios=14\n", "", 14, false},
      {"parent=tait-7407\nvpp-voltios=11\nvdd-limitada=sí\n", "", 11, true},
      {std::string(kTait) + "vpp-voltios=15\n", "f:6: vpp-voltios=15: se esperan los voltios",
       std::nullopt, false},
      {std::string(kTait) + "vpp-voltios=7\n", "f:6: vpp-voltios=7: se esperan los voltios",
       std::nullopt, false},
      {std::string(kTait) + "vpp-voltios=12,5\n", "f:6: vpp-voltios=12,5: se esperan", std::nullopt,
       false},
      {std::string(kTait) + "vdd-limitada=quizá\n", "f:6: vdd-limitada=quizá: se espera sí",
       std::nullopt, false},
      {std::string(kTait) + "vdd-limite=sí\n", "f:6: clave desconocida \"vdd-limite\"",
       std::nullopt, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    AdapterChoice choice;
    const std::string problem = ParseWiringText(c.text, "f", choice);
    if (!c.problem.empty()) {
      EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << problem;
      continue;
    }
    ASSERT_EQ(problem, "");
    EXPECT_EQ(choice.wiring.vppVolts, c.vpp);
    EXPECT_EQ(choice.wiring.VppVolts(), c.vpp.value_or(13));
    EXPECT_EQ(choice.wiring.vddLimited, c.limited);
    AdapterChoice again;
    std::string described = DescribeWiring(choice.wiring);
    std::replace(described.begin(), described.end(), ' ', '\n');
    ASSERT_EQ(ParseWiringText(described, "f", again), "");
    EXPECT_EQ(again.wiring, choice.wiring);
  }
}

TEST(AdapterFiles, UnprintableBytesAreEscapedAndSpanishTextIsKept) {
  EXPECT_EQ(Printable("línea 2: ñandú"), "línea 2: ñandú");
  EXPECT_EQ(Printable("a\x1b[31mb"), "a\\x1B[31mb");
  EXPECT_EQ(Printable(std::string("n\0l", 3)), "n\\x00l");
  EXPECT_EQ(Printable("del\x7f"), "del\\x7F");
  EXPECT_EQ(Printable("csi\xc2\x9b"), "csi\\xC2\\x9B");  // C1 control in UTF-8
  EXPECT_EQ(Printable("latin1 \xf1"), "latin1 \\xF1");   // not UTF-8
  EXPECT_EQ(Printable("corto \xe2\x82"), "corto \\xE2\\x82");
}

TEST(AdapterFiles, AUserFileNamedAsAPresetHidesThePreset) {
  ConfigHome home;
  AdapterChoice choice;
  ASSERT_EQ(ResolveAdapter("epic", choice), "");
  EXPECT_EQ(choice.wiring, FindAdapterPreset("epic")->wiring);
  EXPECT_FALSE(UserAdapterFile("epic"));

  const std::string own =
      home.Write("daxwel/adaptadores/epic", "vpp=6\nclock=3\ndatao=2\ndatai=11\n");
  ASSERT_EQ(ResolveAdapter("epic", choice), "");
  EXPECT_EQ(choice.name, own);
  EXPECT_EQ(choice.wiring[Line::kVpp].number, 6);
  EXPECT_EQ(UserAdapterFile("epic"), fs::path(own));
  // Only a bare name reaches the folder.
  EXPECT_FALSE(UserAdapterFile("./epic"));
  EXPECT_FALSE(UserAdapterFile(""));
}

TEST(SavedAdapter, TheSavedChoiceOrWhyItCannotBeUsed) {
  ConfigHome home;
  home.Write("daxwel/adaptadores/mio.ini", std::string(kTait) + "delay=20\n");
  struct Case {
    std::string text;
    bool found;
    std::string name;   // when usable
    int delay;          // when usable
    std::string error;  // start of the problem, else ""
  } cases[] = {
      {"", false, "", 0, ""},
      {"[General]\nx=1\n", false, "", 0, ""},
      {"[adaptador]\nnombre=tait-7407\nretardo=0\n", true, "tait-7407", 0, ""},
      {"[adaptador]\nnombre=tait-7407\nretardo=35\n", true, "tait-7407", 35, ""},
      {"[adaptador]\r\nnombre=mio.ini\r\n", true, "mio.ini", 20, ""},
      {"[adaptador]\nnombre=\"mio.ini\"\n", true, "mio.ini", 20, ""},
      {"[adaptador]\nnombre=\"mio\\x2eini\"\n", true, "mio.ini", 20, ""},
      {"[adaptador]\nnombre=tait-74O7\n", true, "", 0,
       "Adaptador guardado en c: Adaptador desconocido"},
      {"[adaptador]\nnombre=tait-7407\nretardo=x\n", true, "", 0, "c:3: retardo=x: se esperan"},
      {"[adaptador]\nnombre=tait-7407\nretardo=1001\n", true, "", 0, "c:3: retardo=1001"},
      {"[adaptador]\nbasura\n", true, "", 0, "c:2: línea no válida"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const SavedAdapter saved = ParseSavedAdapter(c.text, "c");
    EXPECT_EQ(saved.found, c.found);
    EXPECT_EQ(saved.problem.substr(0, c.error.size()), c.error) << saved.problem;
    if (!c.error.empty()) {
      EXPECT_NE(saved.problem, "");
    }
    if (!c.found || !c.error.empty()) continue;
    EXPECT_EQ(saved.problem, "");
    EXPECT_EQ(fs::path(saved.choice.name).filename(), c.name);
    EXPECT_EQ(saved.choice.extraHalfPeriod.count(), c.delay);
  }
}

TEST(SavedAdapter, FileOnDiskSavesAndLoadsAndABrokenOneIsAnError) {
  ConfigHome home;
  EXPECT_FALSE(LoadSavedAdapter().found) << "nothing saved yet: the default is meant";
  EXPECT_EQ(SavedAdapterFile(), fs::path(home.Root()) / "daxwel" / "daxwel.conf");

  // A name that needs quoting comes back as it went.
  const std::string odd = home.Write("daxwel/adaptadores/a;b \"c\".ini", kTait);
  AdapterChoice choice;
  ASSERT_EQ(ResolveAdapter(odd, choice), "");
  choice.extraHalfPeriod = std::chrono::microseconds(7);
  ASSERT_EQ(SaveAdapter(choice), "");
  SavedAdapter back = LoadSavedAdapter();
  EXPECT_EQ(back.problem, "");
  EXPECT_EQ(back.choice.name, odd);
  EXPECT_EQ(back.choice.extraHalfPeriod.count(), 7);

  // The file it names is gone: an error, not the default wiring.
  fs::remove(odd);
  back = LoadSavedAdapter();
  EXPECT_TRUE(back.found);
  EXPECT_NE(back.problem.find("Adaptador desconocido"), std::string::npos) << back.problem;

  // The settings file itself unreadable.
  fs::remove(SavedAdapterFile());
  fs::create_directory(SavedAdapterFile());
  back = LoadSavedAdapter();
  EXPECT_TRUE(back.found);
  EXPECT_NE(back.problem.find("daxwel.conf: es una carpeta"), std::string::npos) << back.problem;
  EXPECT_NE(SaveAdapter(DefaultAdapter()), "");
}

}  // namespace
}  // namespace daxwel
