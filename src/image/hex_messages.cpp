#include "image/hex_messages.h"

namespace daxwel {

namespace {

std::string Cancelled(HexWording wording) {
  return wording == HexWording::Programming ? "Se cancelará la programación !"
                                            : "Se cancelará la verificación !";
}

// The line and address of a size error, as a line of its own before the message's last
// paragraph; nothing when the reader did not say.
std::string Where(const HexLoadResult& result) {
  return result.line > 0 && !result.description.empty() ? result.description + "\r" : "";
}

}  // namespace

std::optional<HexMessage> HexLoadMessage(const HexLoadResult& result, HexWording wording) {
  switch (result.status) {
    case HexStatus::Ok:
      return std::nullopt;
    case HexStatus::FormatError: {
      // The line comes after the message, which stays as it always was.
      std::string text = "Este archivo no es Intel Format";
      if (result.line > 0) text += "\rLínea " + std::to_string(result.line);
      return HexMessage{"Archivo Incorrecto", text};
    }
    case HexStatus::ProgramSizeError: {
      std::string text = "Este programa excede el tamaño\rsoportado por este PIC\r";
      // The verification's message never named the memory.
      if (wording == HexWording::Programming) text += "en la Flash Program Memory\r";
      return HexMessage{"Tamaño Inválido", text + Where(result) + "\r" + Cancelled(wording)};
    }
    case HexStatus::EepromSizeError:
      return HexMessage{"Tamaño Inválido",
                        "Este programa excede el tamaño\rsoportado por este PIC\r"
                        "en la EEPROM Data Memory\r" +
                            Where(result) + "\r" + Cancelled(wording)};
    case HexStatus::ReadFailure:
      return HexMessage{"Error", result.description};
  }
  return HexMessage{"Error", result.description};
}

std::string HexNotesText(const HexLoadResult& result) {
  std::string text;
  for (const std::string& note : result.notes) text += "\r\rNota: " + note;
  return text;
}

HexMessage ConfigFailureMessage() {
  return {"Configuración Inválida",
          "No pudo leerse la configuración\rdesde el archivo\r\rDeberá configurarlo "
          "manualmente\r\rSe cancelará la programación !!!"};
}

}  // namespace daxwel
