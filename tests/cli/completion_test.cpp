// The bash completion script, sourced into a real bash and asked as bash would ask it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace daxwel::testing {
namespace {

// What _daxwel_cli offers for the words of a command line whose last word is being completed.
std::string Complete(const std::vector<std::string>& words) {
  std::string line = "'" + std::string(DAXWEL_CLI_PATH) + "'";
  for (const std::string& w : words) line += " '" + w + "'";
  const std::string script = std::string("source '") + DAXWEL_SOURCE_DIR +
                             "/resources/completion/daxwel-cli' && COMP_WORDS=(" + line +
                             ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && { _daxwel_cli; }; "
                             "echo \"${COMPREPLY[*]}\"";
  // From a file, with no standard input: nothing the script runs can take its text.
  const std::string file = ::testing::TempDir() + "daxwel-completion.sh";
  std::ofstream(file) << script << "\n";
  FILE* pipe = ::popen(("bash '" + file + "' </dev/null").c_str(), "r");
  if (pipe == nullptr) return "<popen failed>";
  std::string out;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  ::pclose(pipe);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

TEST(Completion, OffersCommandsOptionsModelsAndAdapters) {
  const struct {
    std::vector<std::string> words;
    std::string offered;
  } rows[] = {
      {{"pa"}, "parts"},
      {{"p"}, "program parts ports"},
      {{"li"}, "linetest"},
      {{"--model", "12F6"}, "12F629 12F675 12F609 12F615 12F617 12F683 12F635"},
      {{"--model", "au"}, "auto"},
      {{"--sim", "16F84"}, "16F84 16F84A"},
      {{"--adapter", "tait-7407"}, "tait-7407 tait-7407-4066"},
      {{"parts", "--format", "t"}, "texto tsv"},
      {{"--sim-t"}, "--sim-time"},
      {{"--ver"}, "--version"},
      {{"run", "--se"}, "--seconds"},
      {{"parts", "--fo"}, "--force --format"},
      {{"--sim", "16F877", "det"}, "detect"},
  };
  for (const auto& row : rows) {
    std::string shown;
    for (const std::string& w : row.words) shown += w + " ";
    EXPECT_EQ(Complete(row.words), row.offered) << shown;
  }
}

}  // namespace
}  // namespace daxwel::testing
