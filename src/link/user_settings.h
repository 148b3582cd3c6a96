#pragma once

// The settings the window and the command line share: $XDG_CONFIG_HOME/daxwel/daxwel.conf (or
// ~/.config), INI text with [daxwel] puerto/modelo and [adaptador] nombre/retardo. A value the
// command line leaves out comes from the environment, then from this file.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace daxwel {

std::filesystem::path SettingsFile();

struct SettingLine {
  std::string section;
  std::string key;
  std::string value;  // unquoted
  int line = 0;       // where the file says it; 0 for a change to save
};

struct SettingsText {
  std::vector<SettingLine> entries;
  std::string problem;      // "FILE:LINE: ..." or why the file cannot be read
  bool unreadable = false;  // the file could not be read at all
  const SettingLine* Find(std::string_view section, std::string_view key) const;
};

// `file` only names the text in messages.
SettingsText ParseSettings(std::string_view text, const std::string& file);

// The file as it is now; a missing file holds nothing and is no problem.
SettingsText LoadSettings();

// Replaces or adds these keys, keeping every other line of the file, and puts the new file in
// place at once. Answers the empty text or why it failed ("No se pudo guardar `what` en ...").
std::string SaveSettings(const std::vector<SettingLine>& changes, std::string_view what);

enum class Setting { Port, Model, Adapter, AdapterDelay };

struct SettingName {
  Setting setting;
  std::string_view label;  // as `config` shows it
  std::string_view variable;
  std::string_view section;
  std::string_view key;
};
std::span<const SettingName> SettingNames();
const SettingName& NameOf(Setting setting);

struct DefaultValue {
  std::string value;
  std::string origin;  // the variable's name or FILE:LINE; empty when nothing is set
};

// The environment's value, else the file's.
DefaultValue FindDefault(Setting setting, const SettingsText& file);

// A settings value in quotes when it needs them to read back the same.
std::string QuotedSetting(const std::string& value);

}  // namespace daxwel
