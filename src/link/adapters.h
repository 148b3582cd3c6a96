#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/wiring.h"

namespace daxwel {

// One known programmer design: a section of the shipped table, or a user's file.
struct AdapterPreset {
  std::string name;    // what --adapter takes
  std::string title;   // the design as its users know it (description=)
  std::string source;  // where its pin map comes from (source=)
  Wiring wiring;
  int extraHalfPeriodUs = 0;  // its own clock lengthening, for slow buffers
};

// The adapters shipped with the program (adaptadores.ini), in the user's file format, one
// [name] section each, parent= naming another section of the file.
struct AdapterTable {
  std::filesystem::path file;          // where it was read from; empty when not found
  std::vector<AdapterPreset> presets;  // in the file's order; empty when it cannot be used
  std::string problem;                 // why it cannot be used, in Spanish; empty when it can
};
inline constexpr std::string_view kAdapterTableName = "adaptadores.ini";
// Read once, from ShippedDataFile. Without it no preset is known, not even the default: the
// program never makes up a wiring the user did not choose.
const AdapterTable& ShippedAdapters();
// The table in `file` (nullopt: no file was found). One mistake makes the whole table unusable.
AdapterTable ReadAdapterTable(const std::optional<std::filesystem::path>& file);
// The same on text already read: answers the empty text or the first mistake with its line.
std::string ParseAdapterTable(std::string_view text, std::string_view fileName,
                              std::vector<AdapterPreset>& presets);

// Every preset, empty when the shipped table cannot be used; the first is the default.
std::span<const AdapterPreset> AdapterPresets();
const AdapterPreset* FindAdapterPreset(std::string_view name);

// The adapter in use: a preset or a custom file.
struct AdapterChoice {
  std::string name;  // the preset's name, or the file's path
  Wiring wiring = DefaultWiring();
  std::chrono::microseconds extraHalfPeriod{0};
};
// The first preset; without the shipped table, none: no name and no line wired.
AdapterChoice DefaultAdapter();

// The longest extra half-period accepted, in microseconds.
inline constexpr int kMaxExtraHalfPeriodUs = 1000;

// Reads a custom wiring file (see the help for its keys): a regular file (or a link to one) of
// at most 64 KiB, never waited on. Answers the empty text, or one Spanish line naming the
// file and the line of the first mistake, its unprintable bytes escaped.
std::string ReadWiringFile(const std::filesystem::path& path, AdapterChoice& choice);
// The same, on text already read; `fileName` only names it in messages.
std::string ParseWiringText(std::string_view text, std::string_view fileName,
                            AdapterChoice& choice);
// A user's file as an adapter (its name the file's), parent= naming a preset of `shipped`.
std::string ParseAdapterFile(std::string_view text, std::string_view fileName,
                             const AdapterTable& shipped, AdapterPreset& adapter);

// A preset name, a file path, or a file name in the user's adapter folder; a file in that
// folder named as a preset hides the preset. Answers the empty text or why it cannot be used.
std::string ResolveAdapter(std::string_view nameOrFile, AdapterChoice& choice);

// Where users keep their wiring files: $XDG_CONFIG_HOME/daxwel/adaptadores, or
// ~/.config/daxwel/adaptadores.
std::filesystem::path UserAdapterFolder();
// The file `name` names in that folder, when there is one (a bare name only).
std::optional<std::filesystem::path> UserAdapterFile(std::string_view name);

// A file in the user's folder: its name is what --adapter takes.
struct OwnAdapter {
  std::filesystem::path path;
  AdapterPreset adapter;  // when it can be used
  std::string problem;    // why not, in Spanish, naming the file
};
// The files in that folder (hidden ones and folders left out), by name.
std::vector<OwnAdapter> UserAdapters();

// Reads a settings or adapter file whole: only a regular file (or a link to one) of at most
// 64 KiB, opened without waiting. Answers the empty text, or the reason in Spanish (without
// the file's name).
std::string ReadSmallFile(const std::filesystem::path& path, std::string& text);

// Text from a file or the command line made safe for a terminal: control bytes, C1 controls
// and bytes that are no UTF-8 show as \xNN.
std::string Printable(std::string_view text);

// The wiring in the custom file's own words: "vpp=-5 vdd=-4 clock=3 datao=2 datai=10 ...".
std::string DescribeWiring(const Wiring& wiring, int extraHalfPeriodUs = 0);

// The key of each line in wiring files ("vpp", "clock", ...), and its Spanish description.
std::string_view LineKey(Line line);
std::string_view LineDescription(Line line);

}  // namespace daxwel
