#include "image/hex_messages.h"

namespace daxwel {

namespace {

std::string Cancelled(HexWording wording) {
  return wording == HexWording::Programming ? "Se cancelará la programación !"
                                            : "Se cancelará la verificación !";
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
      return HexMessage{"Tamaño Inválido", text + "\r" + Cancelled(wording)};
    }
    case HexStatus::EepromSizeError:
      return HexMessage{"Tamaño Inválido",
                        "Este programa excede el tamaño\rsoportado por este PIC\r"
                        "en la EEPROM Data Memory\r\r" +
                            Cancelled(wording)};
    case HexStatus::ReadFailure:
      return HexMessage{"Error", result.description};
  }
  return HexMessage{"Error", result.description};
}

HexMessage ConfigFailureMessage() {
  return {"Configuración Inválida",
          "No pudo leerse la configuración\rdesde el archivo\r\rDeberá configurarlo "
          "manualmente\r\rSe cancelará la programación !!!"};
}

}  // namespace daxwel
