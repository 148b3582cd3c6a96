#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/config_option.h"
#include "cli/terminal_operator.h"
#include "link/line_driver.h"

namespace daxwel::cli {

enum class Command { Detect, Program, Verify, Erase, Run, Read, Info, LineTest, Blank, Dump };

// read and dump write standard output when given this name; program, verify and view read
// standard input.
inline constexpr const char* kStandardStream = "-";

// blank's word for a chip that is not erased (exit 1, as a failed verify).
inline constexpr const char* kNotBlank = "blank-error";

// Everything the command line asked for, already checked.
struct Request {
  Command command = Command::Detect;
  std::string file;               // program, verify, read, dump ("-": a standard stream)
  bool ihx32 = false;             // read: INHX32 instead of INHX8M
  bool force = false;             // read: replace an existing file
  std::optional<double> seconds;  // run: how long, instead of waiting for Enter
  int modelIndex = 0;             // 0 = "Autodetectar"
  ConfigChoice config;
  std::vector<std::string> lineSteps;  // linetest: line keys to switch; none: ask on stdin
  std::string only;                    // --only: program, eeprom, id or config; "" for all
};

// The memories --only leaves to the operation.
MemoryScope ScopeOf(const std::string& only);

// --only with this command and model: the empty text, or why it cannot be done (program and
// erase need an erase of the rest for anything but the EEPROM).
std::string CheckOnly(const Request& request);

// linetest: switches the adapter's lines one at a time (the given steps, or as asked on
// standard input) and shows the data input after each; every line off at the end.
std::string RunLineTest(const Request& request, Link& link, TerminalOperator& op);
// linetest's steps given on the command line: each a line the adapter has, "apagar" or "fin".
// Answers the empty text, or the usage error.
std::string CheckLineSteps(const std::vector<std::string>& steps, const Wiring& wiring);
// adapters: one adapter a line, starting with the name --adapter takes and ending with where
// it comes from. False when the shipped table cannot be used (said on standard error).
bool ListAdapters(TerminalOperator& op);

// Whether the command's data goes to standard output, which then carries nothing else.
bool DataOnStandardOutput(const Request& request);

// view: the listing of a HEX file (no port), for the model's sizes or the largest ones when
// the model is to be detected. Answers the result text.
std::string ViewFile(const Request& request, TerminalOperator& op);

// Checks made before the port is touched (files that cannot be read or must not be
// replaced). Answers the empty text, or the result text to end with after telling the user.
std::string CheckFiles(const Request& request, TerminalOperator& op);

// Runs one command on a present adapter and answers its result text.
std::string RunCommand(const Request& request, Link& link, TerminalOperator& op);

}  // namespace daxwel::cli
