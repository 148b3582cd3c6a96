#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "link/port_io.h"

namespace daxwel::testing {

// Records every access; reads answer from a queue, then a fixed value.
class RecordingPort final : public PortIo {
 public:
  struct Access {
    bool write;
    std::uint16_t address;
    std::uint8_t value;
  };

  void PortOut(std::uint16_t address, std::uint8_t value) override {
    log.push_back({true, address, value});
  }
  std::uint8_t PortIn(std::uint16_t address) override {
    std::uint8_t value = idle;
    if (!reads.empty()) {
      value = reads.front();
      reads.pop_front();
    }
    log.push_back({false, address, value});
    return value;
  }

  std::vector<std::uint8_t> Writes() const {
    std::vector<std::uint8_t> out;
    for (const Access& a : log)
      if (a.write) out.push_back(a.value);
    return out;
  }
  int ReadCount() const {
    int n = 0;
    for (const Access& a : log) n += a.write ? 0 : 1;
    return n;
  }

  std::vector<Access> log;
  std::deque<std::uint8_t> reads;
  std::uint8_t idle = 0x87;
};

}  // namespace daxwel::testing
