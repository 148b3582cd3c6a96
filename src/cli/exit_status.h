#pragma once

#include <string_view>

namespace daxwel::cli {

// Exit statuses of daxwel-cli (documented in --help).
namespace exit_status {
inline constexpr int kOk = 0;
inline constexpr int kDeviceFailure = 1;  // verify-error, erase-error, cp-error, *_error
// format-error, size-error, config-error, file-error, an unreadable HEX file whatever its
// word, an incomplete trace
inline constexpr int kFileFailure = 2;
inline constexpr int kNothingDone = 3;    // nothing detected, cancelled, no adapter
inline constexpr int kViolations = 4;     // the simulated chip saw protocol violations
inline constexpr int kUsage = 64;         // bad command line
inline constexpr int kInterrupted = 130;  // Ctrl-C
}  // namespace exit_status

// The command line's own word for a file it could not read or write (the operations never
// answer it).
inline constexpr const char* kFileError = "file-error";

// The exit status a command's result text stands for.
int ExitStatusForResult(std::string_view result);

// The exit status of a run whose result was `result` and whose status so far is `status`,
// given whether Ctrl-C, SIGTERM or SIGHUP had been taken when the result was decided. A
// signal that came later changes nothing; one that came before stands for the run unless the
// work was done all the same (ok: run mode's normal end among them).
int StatusAfterSignal(int status, std::string_view result, bool signalledBeforeResult);

}  // namespace daxwel::cli
