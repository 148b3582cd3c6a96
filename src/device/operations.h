#pragma once

#include <string>

#include "device/operator.h"
#include "link/line_driver.h"

namespace daxwel {

// Result texts. "abandoned" is returned when the host asked the run to stop.
namespace result {
inline constexpr const char* kOk = "ok";
inline constexpr const char* kNone = "";
inline constexpr const char* kFormatError = "format-error";
inline constexpr const char* kSizeError = "size-error";
inline constexpr const char* kConfigError = "config-error";
inline constexpr const char* kCpError = "cp-error";
inline constexpr const char* kVerifyMismatch = "verify-error";
inline constexpr const char* kEraseMismatch = "erase-error";
inline constexpr const char* kProgramFailure = "program_error";
inline constexpr const char* kVerifyFailure = "verify_error";
inline constexpr const char* kEraseFailure = "erase_error";
inline constexpr const char* kAbandoned = "abandoned";
}  // namespace result

// Model index 1..8 of the attached device, or 0 after telling the user, or when the user
// declines a part that takes less VPP than the adapter gives (asked once per run). Sets the
// operator's model index to the result. Lines are 0 when it returns.
int DetectModel(Link& link, Operator& op);

std::string ProgramDevice(const std::string& path, Link& link, Operator& op);
std::string VerifyDevice(const std::string& path, Link& link, Operator& op);
std::string EraseDevice(Link& link, Operator& op);

}  // namespace daxwel
