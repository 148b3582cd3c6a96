#include "device/session.h"

#include <cstdio>
#include <exception>
#include <new>

#include "device/algorithm.h"
#include "device/operations.h"

namespace daxwel::detail {

Session::Session(Link& l, Operator& o) : link(l), op(o), savedYield_(l.Yield()) {
  link.SetYield([this] { op.Yield(); });
}

Session::~Session() { link.SetYield(savedYield_); }

void Session::Command(std::string_view command) {
  SendCommand(link, latch, command);
  BitDelay(link);
}

void Session::Data(std::string_view word) {
  SendData(link, latch, word);
  BitDelay(link);
}

std::string Session::Read() {
  std::string word = ReadData(link);
  BitDelay(link);
  return word;
}

void Session::Cycle(std::string_view command, std::chrono::microseconds wait, bool yieldPoint) {
  SendCommand(link, latch, command);
  WaitCycle(link, wait);
  // Only after the cycle: dropping VPP in the middle of it would corrupt the word.
  if (yieldPoint) Checkpoint();
}

void Session::Program() { Cycle(cmd::kBeginEraseProgram, cycles.eraseProgram); }

void Session::ProgramOnly() { Cycle(cmd::kBeginProgramOnly, cycles.programOnly); }

void Session::EraseCycle() { Cycle(cmd::kBeginEraseProgram, cycles.bulkErase); }

std::string Session::ReadDeviceId() {
  GoToConfig(kConfigReadWord, ConfigMemoryMap::kDeviceIdOffset);
  Command(cmd::kReadDataProgram);
  std::string id = Read();
  // Load Configuration only reaches configuration memory from a fresh entry: start again.
  Reset();
  Enter();
  return id;
}

void Session::IdentifyPart() {
  if (model == nullptr || !model->identifiedCycles) return;
  if (model->Identifies(WordOf(ReadDeviceId()))) cycles = *model->identifiedCycles;
}

void Session::GoToConfig(std::string_view word, int increments) {
  Command(cmd::kLoadConfiguration);
  Data(word);
  for (int i = 0; i < increments; ++i) Increment();
}

std::string Session::ReadConfigWord() {
  GoToConfig(kConfigReadWord, ConfigMemoryMap::kFirstConfigOffset);
  Command(cmd::kReadDataProgram);
  return Read();
}

void Session::Progress(std::string_view text) {
  op.SetProgressText(text);
  Checkpoint();
}

void Session::Checkpoint() {
  if (held_ == 0 && op.AbandonRequested()) throw Abandoned{};
}

std::string Session::Finish(std::string_view title, std::string_view text, std::string result) {
  op.HideProgress();
  op.Message(title, text);
  LinesOff(link);
  return result;
}

std::string Session::FailOnFile(const HexLoadResult& loaded, HexWording wording,
                                const char* otherwise) {
  op.FileFailed();
  const auto message = HexLoadMessage(loaded, wording);
  std::string word = otherwise;
  if (loaded.status == HexStatus::FormatError) word = result::kFormatError;
  if (loaded.status == HexStatus::ProgramSizeError || loaded.status == HexStatus::EepromSizeError) {
    word = result::kSizeError;
  }
  return Finish(message->title, message->text, word);
}

const DeviceModel* Session::ResolveModel() {
  int index = op.ModelIndex();
  chosenByHand = index != 0;
  if (index == 0) index = DetectModel(link, op);
  model = ModelByIndex(index);
  // An HV part on a fixed 5 V VDD is refused before any line moves (once chosen by hand).
  if (model != nullptr) {
    if (const std::string refusal = VddRefusal(*model, link.GetWiring()); !refusal.empty()) {
      op.Message("Error", refusal);
      model = nullptr;
      return model;
    }
    cycles = model->cycles;
    entry = AlgorithmOf(*model).EntersVppFirst() ? Entry::kVppFirst : Entry::kVddFirst;
  }
  return model;
}

std::string IdWordBits(std::int16_t id, std::uint16_t fileBits) {
  return ToBitString((0x3F80 & ~fileBits) | (id & fileBits & 0x3FFF));
}

std::string AddressText(int address) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(address) & 0xFFFFu);
  return text;
}

void SafeLinesOff(Link& link) {
  try {
    LinesOff(link);
  } catch (...) {
    // The port itself is gone; there is nothing more to drive.
  }
}

bool SameDataByte(std::string_view read, std::string_view want) {
  return read.size() == 14 && want.size() == 14 && read.substr(6) == want.substr(6);
}

std::string DescribeCurrentException() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "Memoria insuficiente";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Error inesperado durante la operación";
  }
}

}  // namespace daxwel::detail
