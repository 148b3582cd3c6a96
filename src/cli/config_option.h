#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/config_word.h"

namespace daxwel::cli {

// The --config option: where the configuration word comes from.
struct ConfigChoice {
  enum class Kind {
    FromFile,  // "file": the HEX file's word (the dialogs' "Tomar configuración desde archivo")
    Word,      // "0xHHHH" or "0xHHHH,0xHHHH": exactly that word, or the words at 0x2007 and 0x2008
    Fields     // "osc=xt,wdt=off,...": the dialog's groups by name, the others at their defaults
  };
  Kind kind = Kind::FromFile;
  int word = 0;
  std::optional<int> word2;  // Word: the second configuration word, when given
  FieldValues values;        // Fields: as given, checked against every layout but no model's yet
};

// Reads the option's text. Answers the empty text, or what is wrong with it.
std::string ParseConfigOption(std::string_view text, ConfigChoice& choice);

// A field or value the model's layout does not have is an error (for example boden on a 16F84,
// cp=half on a 16F870, mclre on a 16F877A or osc=intio outside the 16F62XA). Answers the empty
// text, or the problem.
std::string CheckConfigForModel(const ConfigChoice& choice, const ConfigLayout* layout);

// Two words given ("0xHHHH,0xHHHH") for a model with one configuration word is an error, not a
// second word dropped. Answers the empty text, or the problem.
std::string CheckConfigWordCount(const ConfigChoice& choice, int modelIndex);

// What the dialog would answer (SetConfigWord): "fromfile" or a 14-character word.
std::string ConfigSourceFor(const ConfigChoice& choice, const ConfigLayout* layout);

}  // namespace daxwel::cli
