#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "link/port_io.h"

namespace daxwel::testing {

// Reads the port writes back as the target sees them: "VPP" when programming mode is
// entered, "0" when the lines drop, and one event per command with its frame ("LoadProg 2805",
// "ReadProg=3FFF", "Inc"). Passes every access on to `inner`.
class FrameLog final : public PortIo {
 public:
  explicit FrameLog(PortIo& inner) : inner_(inner) {}

  void PortOut(std::uint16_t address, std::uint8_t value) override {
    inner_.PortOut(address, value);
    const std::uint8_t before = latch_;
    latch_ = value;
    if (value == 0 && before != 0) {
      events.push_back("0");
      Restart();
    }
    if ((before & 4) == 0 && (value & 4) != 0) events.push_back("VPP");
    // The target takes a bit on each falling clock edge in programming mode.
    if ((before & 1) != 0 && (value & 1) == 0 && (value & 4) != 0) Clocked((before >> 1) & 1);
  }

  std::uint8_t PortIn(std::uint16_t address) override {
    const std::uint8_t value = inner_.PortIn(address);
    // In a read frame the status read after each of the 14 middle falling edges (the start
    // clock is the first) carries the target's next bit, bit 0 first.
    if (frame_ == Frame::Read && clocks_ >= 2 && clocks_ <= 15) {
      word_ |= ((value >> 6) & 1) << (clocks_ - 2);
    }
    return value;
  }

  // The events with runs of one or two repeated events folded: "Inc x7",
  // "(ReadProg=3FFF, Inc) x1024".
  std::string Summary() const {
    std::string out;
    auto add = [&out](const std::string& item) { out += (out.empty() ? "" : ", ") + item; };
    for (std::size_t i = 0; i < events.size();) {
      std::size_t folded = 0;
      for (std::size_t k : {std::size_t{1}, std::size_t{2}}) {
        std::size_t times = 1;
        while (i + (times + 1) * k <= events.size() && Same(i, i + times * k, k)) ++times;
        if (times > 1) {
          add(k == 1 ? events[i] + " x" + std::to_string(times)
                     : "(" + events[i] + ", " + events[i + 1] + ") x" + std::to_string(times));
          folded = times * k;
          break;
        }
      }
      if (folded == 0) {
        add(events[i]);
        folded = 1;
      }
      i += folded;
    }
    return out;
  }

  std::vector<std::string> events;

 private:
  enum class Frame { Command, Data, Read };

  bool Same(std::size_t a, std::size_t b, std::size_t k) const {
    for (std::size_t j = 0; j < k; ++j)
      if (events[a + j] != events[b + j]) return false;
    return true;
  }

  void Restart() {
    frame_ = Frame::Command;
    clocks_ = 0;
    word_ = 0;
  }

  void Clocked(int bit) {
    if (frame_ == Frame::Command) {
      word_ |= bit << clocks_;
      if (++clocks_ < 6) return;
      command_ = word_;
      Restart();
      if (command_ == 0x00 || command_ == 0x02 || command_ == 0x03) {
        frame_ = Frame::Data;
      } else if (command_ == 0x04 || command_ == 0x05) {
        frame_ = Frame::Read;
      } else {
        events.push_back(Name(command_));
      }
      return;
    }
    // Data frames: a start bit, the word from bit 0 up, a stop bit.
    if (frame_ == Frame::Data && clocks_ >= 1 && clocks_ <= 14) word_ |= bit << (clocks_ - 1);
    if (++clocks_ < 16) return;
    events.push_back(Name(command_) + (frame_ == Frame::Data ? " " : "=") + Hex(word_));
    Restart();
  }

  static std::string Hex(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
  }

  // Names of the commands 0x00 to 0x0B and of the later parts' own; others show as "Cmd" and
  // their value.
  static std::string Name(int command) {
    if (command == 0x18) return "ProgOnly";
    if (command == 0x17) return "EndProg";
    if (command == 0x1F) return "ChipErase";
    static constexpr const char* kNames[] = {"LoadConfig", "Setup1",    "LoadProg", "LoadData",
                                             "ReadProg",   "ReadData",  "Inc",      "Setup2",
                                             "Cycle",      "EraseProg", nullptr,    "EraseData"};
    const bool known = command >= 0 && command < 12 && kNames[command] != nullptr;
    return known ? kNames[command] : "Cmd " + Hex(command);
  }

  PortIo& inner_;
  std::uint8_t latch_ = 0;
  Frame frame_ = Frame::Command;
  int clocks_ = 0;
  int word_ = 0;
  int command_ = 0;
};

}  // namespace daxwel::testing
