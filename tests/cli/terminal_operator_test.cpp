// The progress line as a terminal shows it: redrawn in place, never wider than the terminal.
#include "cli/terminal_operator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace daxwel::cli {
namespace {

// Everything written to `file` since it was opened.
std::string Contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string all;
  char buffer[512];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) all.append(buffer, n);
  return all;
}

// The lines drawn in place: the text between each "\r" and the erase-to-end "\x1b[K".
std::vector<std::string> Drawn(const std::string& out) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while ((at = out.find('\r', at)) != std::string::npos) {
    const std::size_t end = out.find("\x1b[K", at);
    if (end == std::string::npos) break;
    if (end > at + 1) lines.push_back(out.substr(at + 1, end - at - 1));
    at = end;
  }
  return lines;
}

std::size_t Columns(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

TEST(TerminalOperator, ProgressLineKeepsItsBarWithinTheTerminal) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);
  TerminalOperator::Settings settings;
  settings.progressLine = true;
  TerminalOperator op(
      settings, ConfigChoice{}, [] { return false; }, out, err);

  // A file is not a terminal: 80 columns, so at most 79 are drawn.
  // Each new text and the last step are drawn whatever the pace.
  op.ShowProgress();
  op.SetProgressFraction(0, 4);
  op.SetProgressText("Borrando memoria de programa y datos ... " + std::string(30, 'x'));
  op.SetProgressFraction(4, 4);
  op.SetProgressText("Programación ñandú " + std::string(60, 'y'));
  op.SetProgressText("Leyendo la memoria de programa:  0x0001");
  op.HideProgress();

  const std::vector<std::string> lines = Drawn(Contents(out));
  ASSERT_EQ(lines.size(), 4u);
  for (const std::string& line : lines) {
    EXPECT_LE(Columns(line), 79u) << line;
    // The text gives way to the bar, whose percentage is always shown whole.
    if (line.find('[') != std::string::npos) {
      EXPECT_EQ(line.substr(line.size() - 2), " %") << line;
    }
  }
  EXPECT_NE(lines[0].find("Borrando memoria de programa y datos ..."), std::string::npos);
  EXPECT_NE(lines[0].find("] 0 %"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("] 100 %"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("Programación ñandú"), std::string::npos) << lines[2];
  EXPECT_NE(lines[2].find("] 100 %"), std::string::npos) << lines[2];
  // A short text is not cut.
  EXPECT_NE(lines.back().find("Leyendo la memoria de programa:  0x0001  ["), std::string::npos);
  EXPECT_EQ(Contents(err), "");
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace daxwel::cli
