#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/line_driver.h"

namespace daxwel {

// Commands as 6-character BitStrings, most significant bit first.
namespace cmd {
inline constexpr std::string_view kLoadConfiguration = "000000";
inline constexpr std::string_view kLoadDataProgram = "000010";
inline constexpr std::string_view kReadDataProgram = "000100";
inline constexpr std::string_view kIncrementAddress = "000110";
inline constexpr std::string_view kBeginEraseProgram = "001000";
inline constexpr std::string_view kBeginProgramOnly = "011000";
inline constexpr std::string_view kLoadDataData = "000011";
inline constexpr std::string_view kReadDataData = "000101";
inline constexpr std::string_view kBulkEraseProgram = "001001";
inline constexpr std::string_view kBulkEraseData = "001011";
inline constexpr std::string_view kBulkEraseSetup1 = "000001";
inline constexpr std::string_view kBulkEraseSetup2 = "000111";
// 16F87XA only: closes a Begin Programming Only Cycle, and erases the whole chip.
inline constexpr std::string_view kEndProgramming = "010111";
inline constexpr std::string_view kChipErase = "011111";
}  // namespace cmd

// Sends the 6 bits LSB first (character 6 down to 1). Throws std::invalid_argument on a
// malformed BitString.
void SendCommand(Link& link, std::uint8_t& latch, std::string_view command);
// Sends "0" + word + "0", 16 clocks, LSB first.
void SendData(Link& link, std::uint8_t& latch, std::string_view word);
// Reads a 14-bit word on a private latch (4); returns it MSB first. Throws PortError when a
// status read lacks the adapter's presence pattern (the adapter went away mid-run).
std::string ReadData(Link& link);

}  // namespace daxwel
