#pragma once

// The command line's words, read into settings: the options, the command and its file. The
// checks here are about the words alone; those that need the adapter, the model or the port
// are the caller's.

#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace daxwel::cli {

// The options as given (defaults where left out).
struct Options {
  std::string port = "0x378";
  bool portGiven = false;
  std::string model = "auto";
  bool modelGiven = false;
  std::string config = "file";
  std::string only;
  bool yes = false;
  bool quiet = false;
  bool force = false;
  std::string trace;
  std::string sim;
  std::string simTime = "real";
  std::vector<std::string> simFaults;
  bool simReport = false;
  std::string adapter;  // empty: the saved adapter, or daxwel when none is saved
  bool adapterGiven = false;
  std::optional<int> adapterDelay;
  std::string osccal;
  bool osccalGiven = false;
  std::optional<int> bandGap;
  // Read before the help is made (it lists the models), by TakePartsFile; kept for the help.
  std::string partsFile;
};

// The commands that never reach the port.
enum class Listing { None, Parts, Ports, Adapters, View, Settings };

struct CommandLine {
  Options options;
  Request request;  // the command, its file and its own options
  Listing listing = Listing::None;
  std::string partsFormat = "texto";
  // program, verify and view read their file; "-" then stands for standard input.
  bool readsFile = false;
};

// Reads `argv` into `line`. nullopt to go on; otherwise the run ends here with this exit status
// (the help or the version shown, or a usage error told on standard error).
std::optional<int> ParseCommandLine(int argc, char** argv, CommandLine& line);

// Tells a usage error on standard error, with where to read more; the usage exit status.
int UsageError(const std::string& text);

}  // namespace daxwel::cli
