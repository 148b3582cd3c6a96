#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace daxwel::testing {

// What one run of daxwel-cli left behind.
struct CliResult {
  int status = -1;  // exit status, or 128 + signal when killed
  std::string out;
  std::string err;
  std::string Describe() const {
    return "status " + std::to_string(status) + "\n--- out\n" + out + "--- err\n" + err;
  }
  // The text after "Resultado: " on the last line of standard output.
  std::string Result() const {
    const std::size_t at = out.rfind("Resultado: ");
    if (at == std::string::npos) return "<none>";
    std::string rest = out.substr(at + 11);
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.pop_back();
    return rest;
  }
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline int StatusOf(int wstatus) {
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return -1;
}

// Runs the built program as a user would from a shell: standard input from /dev/null (no
// terminal), standard output and error captured separately.
class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& args, const std::string& scratch) {
    outPath_ = scratch + "/cli-out-" + std::to_string(counter_++);
    errPath_ = outPath_ + ".err";
    pid_ = ::fork();
    if (pid_ == 0) {
      const int in = ::open("/dev/null", O_RDONLY);
      const int out = ::open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(in, 0);
      ::dup2(out, 1);
      ::dup2(err, 2);
      Exec(args);
    }
  }

  void Signal(int sig) const { ::kill(pid_, sig); }

  // Waits until the program has written `text` to standard output (which it flushes line by
  // line), at most `limit`. True when it did.
  bool WaitForOutput(const std::string& text,
                     std::chrono::seconds limit = std::chrono::seconds(30)) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadAll(outPath_).find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  // Waits at most `limit`, then kills the program (a hang is a failure, not a stuck test).
  CliResult Wait(std::chrono::seconds limit = std::chrono::seconds(120)) {
    CliResult r;
    r.status = WaitStatus(pid_, limit);
    r.out = ReadAll(outPath_);
    r.err = ReadAll(errPath_);
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
    return r;
  }

  static void Exec(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string program = DAXWEL_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    std::_Exit(127);
  }

  static int WaitStatus(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &wstatus, 0);
        return -2;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return StatusOf(wstatus);
  }

 private:
  pid_t pid_ = -1;
  std::string outPath_;
  std::string errPath_;
  static inline int counter_ = 0;
};

inline CliResult RunCli(const std::vector<std::string>& args, const std::string& scratch) {
  return CliProcess(args, scratch).Wait();
}

// Runs the program on a pseudo-terminal, as in an interactive shell: `input` is typed once
// the program asks (after `prompt` shows up), and everything it wrote to the terminal comes
// back in `out` (standard error too, as on a terminal).
inline CliResult RunCliOnTerminal(const std::vector<std::string>& args,
                                  const std::string& prompt = "", const std::string& input = "") {
  int master = -1;
  winsize size{};
  size.ws_col = 120;
  size.ws_row = 40;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) CliProcess::Exec(args);

  CliResult r;
  bool typed = prompt.empty() && input.empty();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  for (;;) {
    if (!typed && r.out.find(prompt) != std::string::npos) {
      if (::write(master, input.data(), input.size()) < 0) break;
      typed = true;
    }
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 50) > 0) {
      char buffer[4096];
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n <= 0) break;  // the program has closed the terminal
      r.out.append(buffer, static_cast<std::size_t>(n));
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      break;
    }
  }
  ::close(master);
  r.status = CliProcess::WaitStatus(pid, std::chrono::seconds(10));
  return r;
}

}  // namespace daxwel::testing
