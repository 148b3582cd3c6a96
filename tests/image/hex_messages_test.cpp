#include "image/hex_messages.h"

#include <gtest/gtest.h>

namespace daxwel {
namespace {

HexLoadResult Outcome(HexStatus status, std::string description = {}) {
  HexLoadResult r;
  r.status = status;
  r.description = std::move(description);
  return r;
}

TEST(HexMessages, ProgrammingAndVerificationWording) {
  EXPECT_FALSE(HexLoadMessage(Outcome(HexStatus::Ok), HexWording::Programming));
  for (HexWording w : {HexWording::Programming, HexWording::Verification}) {
    auto m = HexLoadMessage(Outcome(HexStatus::FormatError), w);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->title, "Archivo Incorrecto");
    EXPECT_EQ(m->text, "Este archivo no es Intel Format");
    m = HexLoadMessage(Outcome(HexStatus::ReadFailure, "Línea 3: suma de verificación incorrecta"),
                       w);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->title, "Error");
    EXPECT_EQ(m->text, "Línea 3: suma de verificación incorrecta");
  }

  auto m = HexLoadMessage(Outcome(HexStatus::ProgramSizeError), HexWording::Programming);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->title, "Tamaño Inválido");
  EXPECT_EQ(m->text,
            "Este programa excede el tamaño\rsoportado por este PIC\ren la Flash Program "
            "Memory\r\rSe cancelará la programación !");
  m = HexLoadMessage(Outcome(HexStatus::ProgramSizeError), HexWording::Verification);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->title, "Tamaño Inválido");
  EXPECT_EQ(m->text,
            "Este programa excede el tamaño\rsoportado por este PIC\r\rSe cancelará la "
            "verificación !");
  m = HexLoadMessage(Outcome(HexStatus::EepromSizeError), HexWording::Programming);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->title, "Tamaño Inválido");
  EXPECT_EQ(m->text,
            "Este programa excede el tamaño\rsoportado por este PIC\ren la EEPROM Data "
            "Memory\r\rSe cancelará la programación !");
  m = HexLoadMessage(Outcome(HexStatus::EepromSizeError), HexWording::Verification);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->text,
            "Este programa excede el tamaño\rsoportado por este PIC\ren la EEPROM Data "
            "Memory\r\rSe cancelará la verificación !");

  const HexMessage config = ConfigFailureMessage();
  EXPECT_EQ(config.title, "Configuración Inválida");
  EXPECT_EQ(config.text,
            "No pudo leerse la configuración\rdesde el archivo\r\rDeberá configurarlo "
            "manualmente\r\rSe cancelará la programación !!!");
}

// The reader's line and address go between the fixed lines and the last paragraph, and its
// notes end the final message of an operation that went through.
TEST(HexMessages, SizeErrorsNameTheirLineAndNotesEndTheMessage) {
  HexLoadResult r = Outcome(HexStatus::ProgramSizeError,
                            "Línea 7: la dirección 0x0400 excede la Flash Program Memory");
  r.line = 7;
  auto m = HexLoadMessage(r, HexWording::Programming);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->text,
            "Este programa excede el tamaño\rsoportado por este PIC\ren la Flash Program "
            "Memory\rLínea 7: la dirección 0x0400 excede la Flash Program Memory\r\rSe "
            "cancelará la programación !");
  m = HexLoadMessage(r, HexWording::Verification);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->text,
            "Este programa excede el tamaño\rsoportado por este PIC\rLínea 7: la dirección "
            "0x0400 excede la Flash Program Memory\r\rSe cancelará la verificación !");
  r = Outcome(HexStatus::EepromSizeError,
              "Línea 2: la dirección 0x0040 excede la EEPROM Data Memory");
  r.line = 2;
  m = HexLoadMessage(r, HexWording::Verification);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->text,
            "Este programa excede el tamaño\rsoportado por este PIC\ren la EEPROM Data "
            "Memory\rLínea 2: la dirección 0x0040 excede la EEPROM Data Memory\r\rSe "
            "cancelará la verificación !");

  r = Outcome(HexStatus::Ok);
  EXPECT_EQ(HexNotesText(r), "");
  r.notes = {"Línea 1: uno", "Línea 3: dos"};
  EXPECT_EQ(HexNotesText(r), "\r\rNota: Línea 1: uno\r\rNota: Línea 3: dos");
}

}  // namespace
}  // namespace daxwel
