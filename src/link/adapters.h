#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/wiring.h"

namespace daxwel {

// One known programmer design.
struct AdapterPreset {
  std::string_view name;    // what --adapter takes
  std::string_view title;   // the design as its users know it
  std::string_view source;  // where its pin map comes from
  Wiring wiring;
  int extraHalfPeriodUs = 0;  // its own clock lengthening, for slow buffers
};

// Every preset; the first is today's adapter, the default.
std::span<const AdapterPreset> AdapterPresets();
const AdapterPreset* FindAdapterPreset(std::string_view name);

// The adapter in use: a preset or a custom file.
struct AdapterChoice {
  std::string name;  // the preset's name, or the file's path
  Wiring wiring = DefaultWiring();
  std::chrono::microseconds extraHalfPeriod{0};
};
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

// A preset name, a file path, or a file name in the user's adapter folder; a file in that
// folder named as a preset hides the preset. Answers the empty text or why it cannot be used.
std::string ResolveAdapter(std::string_view nameOrFile, AdapterChoice& choice);

// Where users keep their wiring files: $XDG_CONFIG_HOME/daxwel/adaptadores, or
// ~/.config/daxwel/adaptadores.
std::filesystem::path UserAdapterFolder();
// The file `name` names in that folder, when there is one (a bare name only).
std::optional<std::filesystem::path> UserAdapterFile(std::string_view name);

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
