#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "link/adapters.h"

namespace daxwel {
namespace {

// Every preset, written out in the file's own words, reads back as the same wiring; and every
// preset is one the driver can use: the lines the protocol needs, on output pins, one line a
// pin.
TEST(Adapters, EveryPresetRoundTripsThroughTheFileFormat) {
  for (const AdapterPreset& preset : AdapterPresets()) {
    SCOPED_TRACE(std::string(preset.name));
    std::string text;
    std::istringstream words(DescribeWiring(preset.wiring, preset.extraHalfPeriodUs));
    for (std::string word; words >> word;) text += word + "\n";
    AdapterChoice choice;
    const std::string problem = ParseWiringText(text, "f", choice);
    if (preset.wiring.presence == Presence::kPattern) {
      EXPECT_NE(problem, "") << "the presence pattern belongs to today's adapter alone";
      continue;
    }
    ASSERT_EQ(problem, "");
    EXPECT_EQ(choice.wiring, preset.wiring);
    EXPECT_EQ(choice.extraHalfPeriod.count(), preset.extraHalfPeriodUs);
    EXPECT_EQ(FindAdapterPreset(preset.name), &preset);
  }
  EXPECT_EQ(AdapterPresets().front().wiring, DefaultWiring());
}

TEST(Adapters, NamesAPresetAFileOrAFileInTheUsersFolder) {
  const std::string root = ::testing::TempDir() + "/adapters-xdg";
  std::filesystem::create_directories(root + "/daxwel/adaptadores");
  {
    std::ofstream(root + "/daxwel/adaptadores/mio.ini") << "vpp=-5\nvdd=-4\nclock=3\ndatao=2\n"
                                                           "datai=10\ndelay=20\n";
  }
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", root.c_str(), 1);
  struct Case {
    std::string name;
    bool found;
    bool switchesVdd;
    int delay;
  } cases[] = {
      {"schaer", true, true, 0},     {"an589", true, false, 0},
      {"mio.ini", true, true, 20},   {root + "/daxwel/adaptadores/mio.ini", true, true, 20},
      {"otro.ini", false, false, 0},
  };
  for (const Case& c : cases) {
    AdapterChoice choice;
    const std::string problem = ResolveAdapter(c.name, choice);
    EXPECT_EQ(problem.empty(), c.found) << c.name << ": " << problem;
    if (!c.found) continue;
    EXPECT_EQ(choice.wiring.SwitchesVdd(), c.switchesVdd) << c.name;
    EXPECT_EQ(choice.extraHalfPeriod.count(), c.delay) << c.name;
  }
  if (old) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace daxwel
