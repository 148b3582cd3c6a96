#include "config/config_word.h"

#include "image/hex_image.h"

namespace daxwel {

std::string SetConfigWord(const ConfigLayout* layout, const DialogState& dialog) {
  if (layout == nullptr) return {};
  if (dialog.chkFromFile) return std::string(kFromFile);
  return ToBitString(ComposeConfigWord(*layout, dialog.values));
}

std::string Config_Detail(std::string_view word, const ConfigLayout* layout) {
  if (layout == nullptr) return "No Detectada !!!";
  return ConfigSummary(*layout, word);
}

}  // namespace daxwel
