// Faults every catalogue row must report rather than end well: an empty socket, a data byte
// an erase cannot clear, a configuration word that does not take. One short run per row and
// fault, not the whole conformance pass.
#include <bit>

#include "bench.h"
#include "device/read_device.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

SimModel SimModelOf(const DeviceModel& row) {
  const std::optional<SimModel> model = sim::ParseSimModel(row.modelName);
  EXPECT_TRUE(model.has_value()) << row.modelName;
  return model.value_or(SimModel("16F877"));
}

std::string Hex2(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value));
  return text;
}

// Chosen by hand, with a data line that reads 0 or 1 whatever is sent: info, read and erase
// end without a result and say no chip was found.
TEST(CatalogueFaults, EmptySocketIsNoChipOnEveryRow) {
  for (const DeviceModel& row : Catalogue()) {
    for (int level : {0, 1}) {
      // All ones is what a blank 16F84, which has no device ID, shows: it cannot be told from
      // an empty socket by reading, so that row goes on there.
      if (row.identifiedCycles && level == 1) continue;
      const std::string where = std::string(row.modelName) + " data " + std::to_string(level);
      sim::Faults f;
      f.noTarget = level;
      Bench b(SimModelOf(row), f);
      b.op.model = row.index;
      b.LimitVddFor(row);
      const std::string results[] = {ReadDevice(b.link, b.op, ReadScope::ConfigurationOnly).result,
                                     ReadDevice(b.link, b.op).result, EraseDevice(b.link, b.op)};
      for (const std::string& r : results) EXPECT_EQ(r, "") << where;
      EXPECT_EQ(
          b.op.LastText().rfind(
              "No se encontró un PIC " + std::string(row.modelName) + " en el programador", 0),
          0u)
          << where << ": " << b.op.LastText();
      EXPECT_EQ(b.sim.DataRegister(), 0) << where;
    }
  }
}

// A data byte that keeps its value through the erase is named, not reported as erased. The
// last byte, so a check that stops early misses it.
TEST(CatalogueFaults, EraseNamesADataByteThatStayedOnEveryRow) {
  for (const DeviceModel& row : Catalogue()) {
    if (row.eepromBytes == 0) continue;  // no data memory to stay
    const int last = row.eepromBytes - 1;
    sim::Faults f;
    f.stuckEeprom = {last};
    Bench b(SimModelOf(row), f);
    b.op.model = row.index;
    b.LimitVddFor(row);
    b.sim.Memory().eeprom[static_cast<std::size_t>(last)] = 0x5A;
    EXPECT_EQ(EraseDevice(b.link, b.op), "erase-error") << row.modelName;
    EXPECT_EQ(b.op.LastText(),
              "Data Memory, dirección 0x00" + Hex2(last) + ": no pudo ser borrada (se leyó 0x5A)")
        << row.modelName;
    b.ExpectClean(row.modelName.data());
  }
}

// A configuration word that does not take ends the program pass with its address.
TEST(CatalogueFaults, ConfigurationWordThatDoesNotTakeOnEveryRow) {
  for (const DeviceModel& row : Catalogue()) {
    const FamilyDescriptor& family = *row.family;
    // The lowest stored bit that neither protects nor belongs to the factory: clearing it
    // changes the word and nothing else.
    const auto free =
        static_cast<std::uint16_t>(family.configMask & family.WritableBits(0x2007) &
                                   family.protection.writesMask & family.protection.readsMask);
    ASSERT_NE(free, 0) << row.modelName;
    const int config = 0x3FFF & ~(1 << std::countr_zero(free));
    sim::Faults f;
    f.configFail = true;
    Bench b(SimModelOf(row), f);
    b.op.model = row.index;
    b.LimitVddFor(row);
    const std::string path =
        b.dir.Write("c.hex", HexBuilder().Words(0, {0x2805}).Config(config).Text());
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "verify-error") << row.modelName;
    EXPECT_EQ(b.op.LastText().rfind("Error al programar Configuration Word\rDirección 0x2007", 0),
              0u)
        << row.modelName << ": " << b.op.LastText();
    b.ExpectClean(row.modelName.data());
  }
}

// The 16F62XA data fallback reads back the bytes it leaves erased too: a byte the bulk erase
// did not clear is an error, not a success.
TEST(CatalogueFaults, F62xaDataFallbackChecksTheErasedBytes) {
  sim::Faults f;
  f.stuckEeprom = {0};
  Bench b(SimModel("16F628A"), f);
  b.sim.Memory().eeprom[0] = 0xF9;
  const std::string path = b.dir.Write(
      "d.hex", HexBuilder().Words(0, {0x2805}).Eeprom(0, {0xFF, 0x12}).Config(0x3FFF).Text());
  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "verify-error");
  EXPECT_EQ(b.op.LastText(), "Error al programar Data Memory\rDirección 0x0000");
  b.ExpectClean();
}

}  // namespace
}  // namespace daxwel
