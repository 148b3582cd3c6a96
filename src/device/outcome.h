#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "device/session.h"

namespace daxwel::detail {

// How one step of an operation ended, said one way: go on; or stop because the step failed
// (with the message still to show); or stop because the step has already ended the run (its
// message shown, lines off) with a result word, the empty word when the user cancelled.
// [[nodiscard]]: a step whose outcome is dropped would let a failure go on as a success.
class [[nodiscard]] Outcome {
 public:
  static Outcome Ok() { return Outcome(Kind::kOk, {}); }
  static Outcome Failed(std::string message) { return Outcome(Kind::kFailed, std::move(message)); }
  static Outcome Ended(std::string word) { return Outcome(Kind::kEnded, std::move(word)); }
  static Outcome Cancelled() { return Ended({}); }

  bool IsOk() const { return kind_ == Kind::kOk; }
  bool IsFailed() const { return kind_ == Kind::kFailed; }
  bool IsCancelled() const { return kind_ == Kind::kEnded && text_.empty(); }
  // A failure's message, or an ended run's word.
  const std::string& Text() const { return text_; }

  // The run's result word once this step stops it: an ended run's own word, or, for a
  // failure, `failureWord` after its message is shown under `title`.
  std::string End(Session& s, std::string_view failureWord,
                  std::string_view title = "Error") const {
    if (kind_ == Kind::kFailed) return s.Finish(title, text_, std::string(failureWord));
    return text_;
  }

 private:
  enum class Kind { kOk, kFailed, kEnded };
  Outcome(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}
  Kind kind_;
  std::string text_;
};

}  // namespace daxwel::detail
