// Files and paths: what a write may replace, where it lands, and what the user is told.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <filesystem>

#include "cli/cli_runner.h"
#include "image/hex_messages.h"
#include "sim/safe_file.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

namespace fs = std::filesystem;
using sim::CheckWritable;
using sim::WriteFileAtomically;

const std::string k84a = std::string(DAXWEL_SOURCE_DIR) + "/examples/toggle84a.inhx8m.hex";

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode;
}

TEST(Files, WritesFollowLinksAndReplaceOnlyRegularFiles) {
  TempDir dir;
  const std::string target = dir.Write("target.hex", "old");
  fs::create_symlink("target.hex", dir.Path() + "/link.hex");
  ::chmod(target.c_str(), 0640);
  EXPECT_EQ(WriteFileAtomically(dir.Path() + "/link.hex", "new", true), "");
  EXPECT_TRUE(fs::is_symlink(dir.Path() + "/link.hex"));
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_EQ(ModeOf(target) & 0777, 0640u) << "the replaced file keeps its permissions";
  fs::create_symlink("later.hex", dir.Path() + "/dangling.hex");
  EXPECT_EQ(WriteFileAtomically(dir.Path() + "/dangling.hex", "x", false), "");
  EXPECT_EQ(ReadAll(dir.Path() + "/later.hex"), "x");

  EXPECT_EQ(WriteFileAtomically("/dev/null", "x", true), "");
  EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));
  const std::string fifo = dir.Path() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(WriteFileAtomically(fifo, "x", true),
            "No se puede escribir el archivo " + fifo + ": nadie lee de esa tubería");
  const std::string locked = dir.Write("locked.hex", "keep");
  ::chmod(locked.c_str(), 0444);
  EXPECT_EQ(CheckWritable(locked, true),
            "No se puede escribir el archivo " + locked + ": es de solo lectura");
  EXPECT_NE(WriteFileAtomically(locked, "lost", true), "");
  EXPECT_EQ(ReadAll(locked), "keep");

  // A 255-byte name fits, and the temporary file of a process that is gone is cleaned up.
  const std::string stale = dir.Write(".daxwel-999999999-0.tmp", "half");
  EXPECT_EQ(WriteFileAtomically(dir.Path() + "/" + std::string(251, 'n') + ".hex", "x", false), "");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_EQ(CheckWritable("", true), "Falta el nombre del archivo");
  EXPECT_EQ(sim::SystemErrorText(ECHILD).find("error del sistema"), 0u);
}

TEST(Files, ReadAndTraceOnTheCommandLine) {
  TempDir dir;
  auto sim = [&dir](std::vector<std::string> args) {
    args.insert(args.begin(),
                {"--sim", "16F84A:" + dir.Path() + "/chip.hex", "--sim-time", "virtual"});
    return RunCli(args, dir.Path());
  };
  ASSERT_EQ(sim({"-y", "program", k84a}).status, 0);
  CliResult r = sim({"read", "--force", "/dev/null"});
  EXPECT_EQ(r.status, 0) << r.Describe();
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  // Refused before the chip is read: the cost report never comes.
  fs::create_symlink(dir.Path() + "/no/such/out.hex", dir.Path() + "/out.hex");
  r = sim({"--sim-report", "read", dir.Path() + "/out.hex"});
  EXPECT_EQ(r.status, 2) << r.Describe();
  EXPECT_EQ(r.err.find("Simulador:"), std::string::npos);

  const std::string hex = dir.Write("mine.hex", ReadAll(k84a));
  EXPECT_EQ(sim({"--trace", hex, "--force", "-y", "program", hex}).status, 64);
  EXPECT_EQ(ReadAll(hex), ReadAll(k84a));
  EXPECT_EQ(sim({"--trace", dir.Path() + "/chip.hex", "--force", "detect"}).status, 64);
  const std::string old = dir.Write("old.txt", "keep\n");
  EXPECT_EQ(sim({"--trace", old, "detect"}).status, 2);
  EXPECT_EQ(ReadAll(old), "keep\n");
  EXPECT_EQ(sim({"--trace", old, "--force", "detect"}).status, 0);
  EXPECT_NE(ReadAll(old).find(" W 0378 "), std::string::npos);

  r = RunCli({"--port", dir.Path(), "detect"}, dir.Path());
  EXPECT_NE(r.err.find("(es una carpeta, no un dispositivo)"), std::string::npos) << r.Describe();
}

TEST(Files, TheHexFileIsOpenedOnceAndFormatErrorsNameTheirLine) {
  TempDir dir;
  const std::string good = HexBuilder().Words(0, {1}).Eeprom(0, {2}).Text();
  const std::string hex = dir.Write("p.hex", good);
  const int watch = ::inotify_init1(IN_NONBLOCK);
  ASSERT_GE(::inotify_add_watch(watch, hex.c_str(), IN_OPEN), 0);
  EXPECT_EQ(LoadHexImage(hex, {1024, 64}).image.EepromWords[0], 0x3F02);
  char events[4096];
  EXPECT_EQ(::read(watch, events, sizeof events), static_cast<ssize_t>(sizeof(inotify_event)));
  ::close(watch);

  const std::string first = good.substr(0, good.find('\n') + 1);
  const std::string rest = good.substr(first.size());
  for (const auto& [text, line] : {std::pair{"\xEF\xBB\xBF" + good, 1},
                                   {first + "\n" + rest, 2},
                                   {first + std::string(1, '\0') + "\n" + rest, 2}}) {
    const auto m = HexLoadMessage(ParseHexImage(text, {1024, 64}), HexWording::Programming);
    EXPECT_EQ(m->text, "Este archivo no es Intel Format\rLínea " + std::to_string(line));
  }
}

}  // namespace
}  // namespace daxwel::testing
