#include "link/icsp.h"

#include <cstdio>
#include <stdexcept>

namespace daxwel {

namespace {

void CheckBits(std::string_view bits, std::size_t length, const char* what) {
  if (bits.size() != length || bits.find_first_not_of("01") != std::string_view::npos) {
    throw std::invalid_argument(std::string(what) + " inválido: \"" + std::string(bits) + "\"");
  }
}

// The clock rises together with the new data value, and falls while the data holds, so the
// target latches the bit on the falling edge.
void SendBit(Link& link, std::uint8_t& latch, char bit) {
  latch |= state::kClock;
  latch = bit == '1' ? (latch | state::kData) : (latch & ~state::kData);
  link.WriteLines(latch);
  BitDelay(link);
  latch &= ~state::kClock;
  link.WriteLines(latch);
  BitDelay(link);
}

// Least significant bit first: the last character goes out first.
void SendBits(Link& link, std::uint8_t& latch, std::string_view bits) {
  for (auto it = bits.rbegin(); it != bits.rend(); ++it) SendBit(link, latch, *it);
}

void ClockPulse(Link& link, std::uint8_t latch) {
  link.WriteLines(latch | state::kClock);
  BitDelay(link);
  link.WriteLines(latch);
  BitDelay(link);
}

PortError AdapterLost(std::uint16_t inPort, std::uint8_t status) {
  char text[128];
  std::snprintf(text, sizeof text,
                "Se perdió la comunicación con el programador (estado 0x%02X en el puerto 0x%03X)",
                static_cast<unsigned>(status), static_cast<unsigned>(inPort));
  return PortError(text);
}

}  // namespace

void SendCommand(Link& link, std::uint8_t& latch, std::string_view command) {
  CheckBits(command, 6, "Comando");
  SendBits(link, latch, command);
}

void SendData(Link& link, std::uint8_t& latch, std::string_view word) {
  CheckBits(word, 14, "Dato");
  SendBit(link, latch, '0');  // start bit
  SendBits(link, latch, word);
  SendBit(link, latch, '0');  // stop bit
}

std::string ReadData(Link& link) {
  // Our own latch with the data line low, so the PC never drives against the target; the
  // data buffer, where the adapter has one, turned towards the PC for the frame.
  const Wiring& wiring = link.GetWiring();
  const std::uint8_t mode =
      static_cast<std::uint8_t>(state::kVpp | (wiring.SwitchesVdd() ? state::kVdd : 0));
  const auto reading = static_cast<std::uint8_t>(mode | state::kReading);
  const bool checkPattern = wiring.presence == Presence::kPattern;
  ClockPulse(link, reading);  // start bit, nothing to sample
  std::string word(14, '0');
  for (int bit = 0; bit < 14; ++bit) {
    link.WriteLines(reading | state::kClock);
    BitDelay(link);
    link.WriteLines(reading);
    const std::uint8_t status = link.Io().PortIn(link.InPort());
    // Every status read also shows the adapter's presence pattern: without it the bits are
    // noise, and an all-ones word would pass for an erased chip.
    if (checkPattern && !IsPresencePattern(status)) throw AdapterLost(link.InPort(), status);
    word[static_cast<std::size_t>(13 - bit)] = wiring.DataInHigh(status) ? '1' : '0';
    BitDelay(link);
  }
  ClockPulse(link, mode);  // stop bit: the target has let go of the line
  return word;
}

}  // namespace daxwel
