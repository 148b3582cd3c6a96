#pragma once

#include <optional>
#include <string>

#include "image/hex_image.h"

namespace daxwel {

// Programming and verification word the size messages differently.
enum class HexWording { Programming, Verification };

// One message box: its title and its text, lines separated by "\r".
struct HexMessage {
  std::string title;
  std::string text;
};

// The message for a reader outcome; nullopt for Ok. A read failure shows its description under
// "Error".
std::optional<HexMessage> HexLoadMessage(const HexLoadResult& result, HexWording wording);

// The reader's notes as paragraphs "Nota: ..." to end an operation's final message; empty
// without notes.
std::string HexNotesText(const HexLoadResult& result);

// Shown when the dialog asks for the file's configuration word and the file has none
// (ChooseConfigWord answered nullopt). Only programming chooses a configuration word.
HexMessage ConfigFailureMessage();

}  // namespace daxwel
