#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/config_option.h"
#include "device/catalogue.h"
#include "device/operator.h"

namespace daxwel::cli {

// The device operations' seam on a terminal: messages as "title: text" (errors on standard
// error), confirmations asked on the terminal (or answered by --yes), and the progress line
// redrawn in place with a bar when standard output is a terminal.
class TerminalOperator final : public Operator {
 public:
  struct Settings {
    bool yes = false;            // answer OK to every confirmation
    bool quiet = false;          // no progress, no messages but errors
    bool progressLine = false;   // standard output is a terminal
    bool askOnTerminal = false;  // standard input is a terminal
    // Factory calibration given by hand (--osccal, --bandgap), by the name the family gives
    // the value, as the number its bits hold; and where the good ones are kept.
    std::map<std::string, std::uint16_t, std::less<>> factoryValues;
    std::string calibrationFolder;
    // --force: confirmations that --yes alone does not give (replacing a good calibration).
    bool force = false;
    MemoryScope scope;  // --only
  };

  TerminalOperator(Settings settings, ConfigChoice config, std::function<bool()> interrupted,
                   std::FILE* out = stdout, std::FILE* err = stderr);

  int ModelIndex() override { return model_; }
  void SetModelIndex(int index) override { model_ = index; }
  std::string ConfigSource() override { return ConfigSourceFor(config_, ConfigLayoutOf(model_)); }
  MemoryScope Scope() override { return settings_.scope; }

  void Message(std::string_view title, std::string_view text,
               MessageIcon icon = MessageIcon::None) override;
  bool Confirm(std::string_view title, std::string_view text) override;
  bool ConfirmOverride(std::string_view title, std::string_view text) override;
  void Warn(std::string_view text) override;

  void ShowProgress() override { progressShown_ = true; }
  void SetProgressText(std::string_view text) override;
  void SetProgressFraction(int done, int total) override;
  void HideProgress() override;

  bool AbandonRequested() override { return interrupted_(); }
  std::string CalibrationFolder() override { return settings_.calibrationFolder; }
  void SetCalibrationFolder(std::string folder) { settings_.calibrationFolder = std::move(folder); }
  std::optional<std::uint16_t> FactoryValue(std::string_view name) override {
    const auto given = settings_.factoryValues.find(name);
    if (given == settings_.factoryValues.end()) return std::nullopt;
    return given->second;
  }
  void FileFailed() override { fileFailed_ = true; }
  void Report(std::string_view line) override { reports_.emplace_back(line); }
  // The operations' report lines so far, for --sim-report.
  const std::vector<std::string>& Reports() const { return reports_; }

  // Whether an operation ended because of its HEX file: the exit status is then the file's,
  // whatever the result word.
  bool HadFileFailure() const { return fileFailed_; }

  // A plain line of the command's own output (stdout unless `error`), clear of the progress
  // line. Informational lines are dropped with --quiet; errors never are.
  void Line(std::string_view text, bool error = false);
  // The command's own result lines (the detected model, `info`), shown even with --quiet.
  void Output(std::string_view text);

 private:
  std::vector<std::string> reports_;
  void Draw(bool force);
  void ClearLine();
  bool WaitForAnswer(std::string& answer);

  Settings settings_;
  ConfigChoice config_;
  std::function<bool()> interrupted_;
  std::FILE* out_;
  std::FILE* err_;
  int model_ = 0;
  bool fileFailed_ = false;

  bool progressShown_ = false;
  bool lineDrawn_ = false;
  std::string text_;
  std::string phase_;
  int done_ = 0;
  int total_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};

// "\r" (the system's line break) as real line breaks.
std::string WithLineBreaks(std::string_view text);

}  // namespace daxwel::cli
