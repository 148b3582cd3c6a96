#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "device/calibration_store.h"

namespace daxwel {

// The memories one operation covers: all of them, or the one the user narrowed it to.
struct MemoryScope {
  bool program = true;
  bool eeprom = true;
  bool ids = true;
  bool config = true;
  bool EepromOnly() const { return eeprom && !program && !ids && !config; }
};

enum class MessageIcon { None, Exclamation };

// The one seam through which device operations talk to the user: the window, the command
// line and the tests each implement it. Texts are UTF-8; "\r" separates lines.
class Operator {
 public:
  virtual ~Operator() = default;

  // Model list: 0 "Autodetectar", 1..8 the catalogue. Setting it runs the host's
  // model-change reaction.
  virtual int ModelIndex() = 0;
  virtual void SetModelIndex(int index) = 0;

  // What SetConfigWord answers for the current model: "fromfile", "" or a 14-character word.
  virtual std::string ConfigSource() = 0;

  // Modal message with an OK button.
  virtual void Message(std::string_view title, std::string_view text,
                       MessageIcon icon = MessageIcon::None) = 0;
  // OK/Cancel; true for OK.
  virtual bool Confirm(std::string_view title, std::string_view text) = 0;
  // Confirm, asked once per `key` while this host lives: an OK is remembered, a Cancel asks
  // again next time.
  bool ConfirmOnce(std::string_view key, std::string_view title, std::string_view text) {
    if (confirmedOnce_.contains(key)) return true;
    if (!Confirm(title, text)) return false;
    confirmedOnce_.emplace(key);
    return true;
  }

  // A confirmation that a blanket "yes to everything" does not give, for a step that can lose
  // what the user cannot replace (a factory calibration read good, overwritten by hand; an
  // erase with no record of it on disk). The window asks; the command line asks only when told
  // to force.
  virtual bool ConfirmOverride(std::string_view title, std::string_view text) {
    return Confirm(title, text);
  }
  // Something the user must hear of although the run goes on (a record that could not be
  // saved): the window shows it, the command line prints it on standard error.
  virtual void Warn(std::string_view text) { Message("Aviso", text, MessageIcon::Exclamation); }

  virtual void ShowProgress() = 0;
  // Replaces the progress line and yields once to the host.
  virtual void SetProgressText(std::string_view text) = 0;
  virtual void HideProgress() = 0;
  // Where the run stands, for hosts that draw a bar: `done` of `total` steps.
  virtual void SetProgressFraction(int done, int total) { (void)done, (void)total; }

  // Called repeatedly while a long wait passes, to keep the host live.
  virtual void Yield() {}
  // Polled at yield points: true makes the run stop with the lines at 0 and no message.
  virtual bool AbandonRequested() { return false; }

  // A line for a cost report the host may print: the path a program pass chose.
  virtual void Report(std::string_view line) { (void)line; }

  // Where the last good factory calibration of each chip is kept; "" keeps none.
  virtual std::string CalibrationFolder() { return {}; }
  // A factory value the user gives by hand for a chip that lost it, by the name its part's
  // users know it by ("OSCCAL", "BG"), as the number its bits hold; nothing keeps the chip's.
  virtual std::optional<std::uint16_t> FactoryValue(std::string_view name) {
    (void)name;
    return std::nullopt;
  }

  // A chip shows its factory values lost and no record of an interrupted run was taken: the
  // host may ask the user for them (`names`, as the part's users call them), offering the
  // store's `candidates`. True when values were given; FactoryValue answers them for the rest
  // of the run.
  virtual bool AskFactoryValues(std::string_view text, const std::vector<std::string>& names,
                                const std::vector<CalibrationRecord>& candidates) {
    (void)text, (void)names, (void)candidates;
    return false;
  }

  // What verify and program compare or write, and what erase clears (read and dump filter
  // what they keep). Program and erase take only the EEPROM alone: the other memories need an
  // erase that reaches the rest.
  virtual MemoryScope Scope() { return {}; }

  // Told, before its message, that the run ends because of the HEX file (not Intel HEX, too
  // big for the model, or unreadable). An unreadable file ends with the same word as a port
  // that fails mid-run; a host that sorts failures by cause needs to tell them apart.
  virtual void FileFailed() {}

 private:
  std::set<std::string, std::less<>> confirmedOnce_;
};

}  // namespace daxwel
