// Files and paths: what a write may replace, where it lands, and what the user is told.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "image/hex_image.h"
#include "image/hex_messages.h"
#include "sim/safe_file.h"
#include "support/hex_builder.h"

namespace daxwel::testing {
namespace {

namespace fs = std::filesystem;

const std::string k84aExample = std::string(DAXWEL_SOURCE_DIR) + "/examples/toggle84a.inhx8m.hex";

CliResult Sim(const std::string& target, std::vector<std::string> args, const TempDir& dir) {
  args.insert(args.begin(), {"--sim", target, "--sim-time", "virtual"});
  return RunCli(args, dir.Path());
}

std::string Describe(const CliResult& r) {
  return "status " + std::to_string(r.status) + "\n--- out\n" + r.out + "--- err\n" + r.err;
}

int EntriesIn(const std::string& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++n;
  return n;
}

TEST(Files, WritesFollowLinksAndNeverReplaceWhatIsNoRegularFile) {
  TempDir dir;
  // A link is followed: its target gets the text and the link stays a link.
  const std::string target = dir.Write("target.hex", "old");
  fs::create_symlink("target.hex", dir.Path() + "/link.hex");
  EXPECT_EQ(sim::WriteFileAtomically(dir.Path() + "/link.hex", "new", true), "");
  EXPECT_TRUE(fs::is_symlink(dir.Path() + "/link.hex"));
  EXPECT_EQ(ReadAll(target), "new");
  // A link that leads nowhere yet creates its target.
  fs::create_symlink("later.hex", dir.Path() + "/dangling.hex");
  EXPECT_EQ(sim::CheckWritable(dir.Path() + "/dangling.hex", false), "");
  EXPECT_EQ(sim::WriteFileAtomically(dir.Path() + "/dangling.hex", "x", false), "");
  EXPECT_EQ(ReadAll(dir.Path() + "/later.hex"), "x");

  // A character device is written in place, never turned into a regular file.
  EXPECT_EQ(sim::WriteFileAtomically("/dev/null", "x", true), "");
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  // A FIFO nobody reads is refused at once rather than waited on.
  const std::string fifo = dir.Path() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(sim::WriteFileAtomically(fifo, "x", true),
            "No se puede escribir el archivo " + fifo + ": nadie lee de esa tubería");

  // A read-only file is left alone and keeps its permissions; a writable one keeps its own.
  const std::string locked = dir.Write("locked.hex", "keep");
  ::chmod(locked.c_str(), 0444);
  EXPECT_EQ(sim::CheckWritable(locked, true),
            "No se puede escribir el archivo " + locked + ": es de solo lectura");
  EXPECT_NE(sim::WriteFileAtomically(locked, "lost", true), "");
  EXPECT_EQ(ReadAll(locked), "keep");
  ::chmod(target.c_str(), 0640);
  ASSERT_EQ(sim::WriteFileAtomically(target, "again", true), "");
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // Names of 255 bytes, the most a folder takes, are written whole.
  const std::string longName = dir.Path() + "/" + std::string(251, 'n') + ".hex";
  EXPECT_EQ(sim::WriteFileAtomically(longName, "x", false), "");
  EXPECT_EQ(ReadAll(longName), "x");

  // A temporary file left by a process that is gone is cleaned up by the next write.
  const std::string stale = dir.Write(".daxwel-999999999-0.tmp", "half");
  const int before = EntriesIn(dir.Path());
  EXPECT_EQ(sim::WriteFileAtomically(target, "more", true), "");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_EQ(EntriesIn(dir.Path()), before - 1) << "nothing new left behind";

  // Every system error in the program's language.
  EXPECT_EQ(sim::CheckWritable("", true), "Falta el nombre del archivo");
  EXPECT_EQ(sim::SystemErrorText(ENAMETOOLONG), "el nombre es demasiado largo");
  EXPECT_EQ(sim::SystemErrorText(ECHILD).find("error del sistema"), 0u);
}

TEST(Files, ReadAndTraceOnTheCommandLine) {
  TempDir dir;
  const std::string state = dir.Path() + "/chip.hex";
  ASSERT_EQ(Sim("16F84A:" + state, {"-y", "program", k84aExample}, dir).status, 0);

  // read --force on a device writes to it; the device node stays.
  CliResult r = Sim("16F84A:" + state, {"read", "--force", "/dev/null"}, dir);
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  // A link into a missing folder is refused before the chip is read.
  fs::create_symlink(dir.Path() + "/no/such/out.hex", dir.Path() + "/out.hex");
  r = Sim("16F84A:" + state, {"--sim-report", "read", dir.Path() + "/out.hex"}, dir);
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(r.err.find("Simulador:"), std::string::npos) << "the chip was read for nothing";

  // A trace never overwrites a file without --force, nor the HEX file or the state at all.
  const std::string hex = dir.Write("mine.hex", ReadAll(k84aExample));
  r = Sim("16F84A:" + state, {"--trace", hex, "--force", "-y", "program", hex}, dir);
  EXPECT_EQ(r.status, 64) << Describe(r);
  EXPECT_EQ(ReadAll(hex), ReadAll(k84aExample));
  r = Sim("16F84A:" + state, {"--trace", state, "--force", "detect"}, dir);
  EXPECT_EQ(r.status, 64) << Describe(r);
  const std::string old = dir.Write("old.txt", "keep\n");
  r = Sim("16F84A:" + state, {"--trace", old, "detect"}, dir);
  EXPECT_EQ(r.status, 2) << Describe(r);
  EXPECT_EQ(ReadAll(old), "keep\n");
  r = Sim("16F84A:" + state, {"--trace", old, "--force", "detect"}, dir);
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(ReadAll(old).find(" W 0378 "), std::string::npos);

  // A missing port device says why in Spanish.
  r = RunCli({"--port", dir.Path(), "detect"}, dir.Path());
  EXPECT_NE(r.err.find("es una carpeta"), std::string::npos) << Describe(r);
  EXPECT_EQ(r.err.find("error 21"), std::string::npos);
}

TEST(Files, TheHexFileIsOpenedOnce) {
  TempDir dir;
  const std::string hex = dir.Write("p.hex", HexBuilder().Words(0, {1}).Eeprom(0, {2}).Text());
  const int watch = ::inotify_init1(IN_NONBLOCK);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, hex.c_str(), IN_OPEN), 0);
  const HexLoadResult loaded = LoadHexImage(hex, {1024, 64});
  EXPECT_EQ(loaded.status, HexStatus::Ok);
  EXPECT_EQ(loaded.image.EepromWords[0], 0x3F02);
  int opens = 0;
  char buffer[4096];
  for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
    opens += static_cast<int>(static_cast<std::size_t>(n) / sizeof(inotify_event));
  }
  ::close(watch);
  EXPECT_EQ(opens, 1);
}

TEST(Files, FormatErrorsNameTheirLine) {
  const std::string good = HexBuilder().Words(0, {1}).Text();
  const std::string first = good.substr(0, good.find('\n') + 1);
  const std::string rest = good.substr(first.size());
  struct Row {
    std::string text;
    int line;
  };
  for (const Row& row : {Row{"\xEF\xBB\xBF" + good, 1}, Row{first + "\n" + rest, 2},
                         Row{first + std::string(1, '\0') + "\n" + rest, 2}}) {
    const auto message =
        HexLoadMessage(ParseHexImage(row.text, {1024, 64}), HexWording::Programming);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, "Este archivo no es Intel Format\rLínea " + std::to_string(row.line));
  }
}

}  // namespace
}  // namespace daxwel::testing
