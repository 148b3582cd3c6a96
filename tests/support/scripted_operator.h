#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/operator.h"

namespace daxwel::testing {

// An operator that answers from a script and records everything it was told.
class ScriptedOperator final : public Operator {
 public:
  struct Shown {
    std::string title;
    std::string text;
    MessageIcon icon;
  };

  int ModelIndex() override { return model; }
  void SetModelIndex(int index) override {
    model = index;
    modelChanges.push_back(index);
  }
  std::string ConfigSource() override { return configSource; }
  void Message(std::string_view title, std::string_view text, MessageIcon icon) override {
    messages.push_back({std::string(title), std::string(text), icon});
    if (onMessage) onMessage();
  }
  bool Confirm(std::string_view title, std::string_view text) override {
    confirmations.push_back({std::string(title), std::string(text), MessageIcon::None});
    if (answerFor) return answerFor(confirmations.back().text);
    if (answers.empty()) return true;
    const bool ok = answers.front();
    answers.pop_front();
    return ok;
  }
  bool ConfirmOverride(std::string_view title, std::string_view text) override {
    overrides.push_back({std::string(title), std::string(text), MessageIcon::None});
    return overrideAnswer;
  }
  void Warn(std::string_view text) override { warnings.emplace_back(text); }
  void ShowProgress() override {
    ++showCount;
    progressVisible = true;
  }
  void SetProgressText(std::string_view text) override {
    progress.emplace_back(text);
    if (onProgress) onProgress(progress.back());
    if (abandonAfterProgress > 0 && static_cast<int>(progress.size()) >= abandonAfterProgress)
      abandon = true;
  }
  void HideProgress() override { progressVisible = false; }
  void Yield() override {
    ++yields;
    if (onYield) onYield();
  }
  bool AbandonRequested() override {
    ++polls;
    if (abandonAtPoll > 0 && polls >= abandonAtPoll) abandon = true;
    return abandon;
  }
  void FileFailed() override { ++fileFailures; }
  std::string CalibrationFolder() override { return calibrationFolder; }
  std::optional<std::uint16_t> FactoryValue(std::string_view name) override {
    const auto it = factoryValues.find(std::string(name));
    if (it == factoryValues.end()) return std::nullopt;
    return it->second;
  }

  // The last message shown, "" when none.
  std::string LastTitle() const { return messages.empty() ? "" : messages.back().title; }
  std::string LastText() const { return messages.empty() ? "" : messages.back().text; }
  bool Saw(std::string_view progressLine) const {
    for (const auto& p : progress)
      if (p == progressLine) return true;
    return false;
  }

  int model = 0;
  std::string configSource = "fromfile";
  std::deque<bool> answers;
  // When set, answers every confirmation by its text instead of `answers`.
  std::function<bool(const std::string& text)> answerFor;
  std::vector<Shown> messages;
  std::vector<Shown> confirmations;
  std::vector<Shown> overrides;  // asked apart from `answers`, answered `overrideAnswer`
  bool overrideAnswer = true;
  std::vector<std::string> warnings;
  std::vector<int> modelChanges;
  std::vector<std::string> progress;
  int showCount = 0;
  bool progressVisible = false;
  int yields = 0;
  bool abandon = false;
  int abandonAfterProgress = 0;
  int polls = 0;          // yield points the run passed
  int abandonAtPoll = 0;  // asks to stop from this yield point on; 0 never
  int fileFailures = 0;
  std::string calibrationFolder;                       // "" keeps no calibration
  std::map<std::string, std::uint16_t> factoryValues;  // given by hand, by name
  // Runs while each message is on screen.
  std::function<void()> onMessage;
  // Runs at each progress line.
  std::function<void(const std::string&)> onProgress;
  // Runs at every yield, as a window's pending clicks would.
  std::function<void()> onYield;
};

}  // namespace daxwel::testing
