#pragma once

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

// "fromfile", the empty text (no layout: no model selected), or the 14-character word composed
// from the dialog.
std::string SetConfigWord(const ConfigLayout* layout, const DialogState& dialog);

// Summary lines of a configuration word, each ended by "\r"; "No Detectada !!!" without a
// layout.
std::string Config_Detail(std::string_view word, const ConfigLayout* layout);

}  // namespace daxwel
