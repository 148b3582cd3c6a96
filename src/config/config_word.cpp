#include "config/config_word.h"

#include "image/hex_image.h"

namespace daxwel {

std::string SetConfigWord(const ConfigLayout* layout, const DialogState& dialog) {
  if (layout == nullptr) return {};
  if (dialog.chkFromFile) return std::string(kFromFile);
  std::string text;
  for (int k = 0; k < LayoutWords(*layout); ++k) {
    text += ToBitString(ComposeConfigWord(*layout, dialog.values, k));
  }
  return text;
}

std::uint16_t ConfigWordAt(std::string_view text, int k) {
  const auto from = static_cast<std::size_t>(k) * 14;
  if (k < 0 || text.size() < from + 14) return 0x3FFF;
  return static_cast<std::uint16_t>(FromBitString(text.substr(from, 14)) & 0x3FFF);
}

std::string Config_Detail(std::string_view word, const ConfigLayout* layout) {
  if (layout == nullptr) return "No Detectada !!!";
  return ConfigSummary(*layout, word);
}

}  // namespace daxwel
