#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/layout.h"

namespace daxwel {

// State of a configuration dialog: the check box and the chosen value of each field, as the
// layout names them. A field left out stands at its default; a new state is the dialogs'
// design-time state.
struct DialogState {
  bool chkFromFile = true;
  FieldValues values;
};

inline constexpr std::string_view kFromFile = "fromfile";

// "fromfile", the empty text (no layout: no model selected), or the word composed from the
// dialog: 14 characters, or 28 for a layout with two words (0x2007 first).
std::string SetConfigWord(const ConfigLayout* layout, const DialogState& dialog);

// Word `k` (0: 0x2007, 1: 0x2008) of a configuration text of 14 characters per word; 0x3FFF,
// the erased value, when the text has no such word.
std::uint16_t ConfigWordAt(std::string_view text, int k);

// Summary lines of a configuration word, each ended by "\r"; "No Detectada !!!" without a
// layout.
std::string Config_Detail(std::string_view word, const ConfigLayout* layout);

}  // namespace daxwel
