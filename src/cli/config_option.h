#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/config_word.h"

namespace daxwel::cli {

// The --config option: where the configuration word comes from.
struct ConfigChoice {
  enum class Kind {
    FromFile,  // "file": the HEX file's word (the dialogs' "Tomar configuración desde archivo")
    Word,      // "0xHHHH": exactly that word
    Fields     // "osc=xt,wdt=off,...": the dialog's groups by name, the others at their defaults
  };
  Kind kind = Kind::FromFile;
  int word = 0;
  DialogState dialog;
  // The fields given, by name, and the values whose meaning depends on the family as written
  // (for the model check).
  std::vector<std::string> fields;
  std::string cpValue;
  std::string oscValue;
  std::string wrtValue;
};

// Reads the option's text. Answers the empty text, or what is wrong with it.
std::string ParseConfigOption(std::string_view text, ConfigChoice& choice);

// A field the model's dialog does not have is an error (for example boden on a 16F84, cp=half
// on a 16F870, mclre on a 16F877A or osc=intio outside the 16F62XA). Answers the empty text, or the
// problem.
std::string CheckConfigForModel(const ConfigChoice& choice, int modelIndex);

// What the dialog would answer (SetConfigWord): "fromfile" or a 14-character word.
std::string ConfigSourceFor(const ConfigChoice& choice, int modelIndex);

}  // namespace daxwel::cli
