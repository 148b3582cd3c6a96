#pragma once

#include <filesystem>
#include <string>

#include "link/adapters.h"

namespace daxwel {

// The adapter chosen last, one setting for the window and the command line: the "nombre" and
// "retardo" keys of [adaptador] in $XDG_CONFIG_HOME/daxwel/daxwel.conf (or ~/.config).
std::filesystem::path SavedAdapterFile();

struct SavedAdapter {
  bool found = false;  // a choice is saved (else: none yet, the default adapter is meant)
  AdapterChoice choice;
  std::string problem;  // a saved choice that cannot be used: never replaced by another wiring
};
SavedAdapter LoadSavedAdapter();

// Reads the settings text; `file` only names it in messages.
SavedAdapter ParseSavedAdapter(std::string_view text, const std::string& file);

// Keeps `choice` for the next start (atomically). Answers the empty text or why it failed.
std::string SaveAdapter(const AdapterChoice& choice);

}  // namespace daxwel
