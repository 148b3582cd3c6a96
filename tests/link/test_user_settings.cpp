// The settings file the window and the command line share: saving one value keeps every other
// line, and a default is the environment's before the file's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "link/saved_adapter.h"
#include "link/user_settings.h"
#include "support/hex_builder.h"
#include "support/scoped_env.h"

namespace daxwel {
namespace {

using testing::ScopedEnv;

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(UserSettings, SavingOneValueKeepsEveryOtherLine) {
  struct Case {
    const char* name;
    std::string before;  // empty: no file yet
    std::vector<SettingLine> changes;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"no file yet", "", {{"daxwel", "modelo", "16F877"}}, "[daxwel]\nmodelo=16F877\n"},
      {"a key in place, comments kept",
       "; mine\n[daxwel]\npuerto=0x278\nmodelo = 16F84\n# end\n",
       {{"daxwel", "modelo", "16F628A"}},
       "; mine\n[daxwel]\npuerto=0x278\nmodelo=16F628A\n# end\n"},
      {"a new key at the end of its section, not of the file",
       "[daxwel]\npuerto=0x278\n\n[adaptador]\nnombre=tait-7407\n",
       {{"daxwel", "modelo", "16F88"}},
       "[daxwel]\npuerto=0x278\nmodelo=16F88\n\n[adaptador]\nnombre=tait-7407\n"},
      {"the adapter beside other sections, a value that needs quotes",
       "[daxwel]\nmodelo=16F88\n[adaptador]\nnombre=viejo\nretardo=3\n[otro]\nnombre=x\n",
       {{"adaptador", "nombre", "mi adaptador;1"}, {"adaptador", "retardo", "0"}},
       "[daxwel]\nmodelo=16F88\n[adaptador]\nnombre=\"mi adaptador;1\"\nretardo=0\n[otro]\n"
       "nombre=x\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path().c_str());
    if (!c.before.empty()) {
      std::filesystem::create_directories(SettingsFile().parent_path());
      std::ofstream(SettingsFile()) << c.before;
    }
    EXPECT_EQ(SaveSettings(c.changes, "el modelo"), "");
    EXPECT_EQ(FileText(SettingsFile()), c.after);
    // What was saved reads back as it was given.
    const SettingsText read = LoadSettings();
    for (const SettingLine& change : c.changes) {
      const SettingLine* found = read.Find(change.section, change.key);
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(found->value, change.value);
    }
  }
}

TEST(UserSettings, TheEnvironmentComesBeforeTheFile) {
  testing::TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path().c_str());
  const SettingsText file =
      ParseSettings("[daxwel]\npuerto=0x278\nmodelo=16F877\n[adaptador]\nnombre=a\n", "f.conf");
  ASSERT_EQ(file.problem, "");
  struct Case {
    Setting setting;
    const char* variable;
    const char* value;  // nullptr: unset
    std::string want;
    std::string origin;
  };
  const std::string conf = SettingsFile().string();
  const std::vector<Case> cases = {
      {Setting::Port, "DAXWEL_PORT", nullptr, "0x278", conf + ":2"},
      {Setting::Port, "DAXWEL_PORT", "0x3BC", "0x3BC", "DAXWEL_PORT"},
      {Setting::Model, "DAXWEL_MODEL", "", "16F877", conf + ":3"},  // empty is unset
      {Setting::Model, "DAXWEL_MODEL", "16F84A", "16F84A", "DAXWEL_MODEL"},
      {Setting::Adapter, "DAXWEL_ADAPTER", nullptr, "a", conf + ":5"},
      {Setting::AdapterDelay, "DAXWEL_ADAPTER_DELAY", nullptr, "", ""},
      {Setting::AdapterDelay, "DAXWEL_ADAPTER_DELAY", "9", "9", "DAXWEL_ADAPTER_DELAY"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.variable) + "=" + (c.value ? c.value : "(unset)"));
    ScopedEnv variable(c.variable, c.value);
    const DefaultValue found = FindDefault(c.setting, file);
    EXPECT_EQ(found.value, c.want);
    EXPECT_EQ(found.origin, c.origin);
  }
}

// The window's saved adapter still reads from the same file after other values joined it.
TEST(UserSettings, TheSavedAdapterSharesTheFile) {
  testing::TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path().c_str());
  ASSERT_EQ(SaveSettings({{"daxwel", "modelo", "16F88"}}, "el modelo"), "");
  AdapterChoice choice;
  ASSERT_EQ(ResolveAdapter("tait-7407", choice), "");
  choice.extraHalfPeriod = std::chrono::microseconds(4);
  ASSERT_EQ(SaveAdapter(choice), "");
  EXPECT_EQ(FileText(SettingsFile()),
            "[daxwel]\nmodelo=16F88\n[adaptador]\nnombre=tait-7407\nretardo=4\n");
  const SavedAdapter saved = LoadSavedAdapter();
  EXPECT_TRUE(saved.found);
  EXPECT_EQ(saved.problem, "");
  EXPECT_EQ(saved.choice.name, "tait-7407");
  EXPECT_EQ(saved.choice.extraHalfPeriod.count(), 4);
}

}  // namespace
}  // namespace daxwel
