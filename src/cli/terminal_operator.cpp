#include "cli/terminal_operator.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <utility>

namespace daxwel::cli {

namespace {

// Titles under which the operations report a failure.
bool IsFailureTitle(std::string_view title) {
  static constexpr std::array<std::string_view, 5> kTitles{
      "Error", "Archivo Incorrecto", "Tamaño Inválido", "Configuración Inválida",
      "Code Protect activado !!!"};
  return std::find(kTitles.begin(), kTitles.end(), title) != kTitles.end();
}

int TerminalColumns(std::FILE* out) {
  winsize size{};
  if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
  return 80;
}

// Display width of UTF-8 text: continuation bytes take no column.
std::size_t Columns(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Text cut byte by byte may end inside a UTF-8 character: drop what is left of it.
void DropPartialCharacter(std::string& text) {
  std::size_t start = text.size();
  while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return;
  const auto lead = static_cast<unsigned char>(text[start - 1]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (text.size() - (start - 1) < length) text.resize(start - 1);
}

constexpr auto kRedrawEvery = std::chrono::milliseconds(80);
constexpr int kBarWidth = 30;

}  // namespace

std::string WithLineBreaks(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '\r', '\n');
  return out;
}

TerminalOperator::TerminalOperator(Settings settings, ConfigChoice config,
                                   std::function<bool()> interrupted, std::FILE* out,
                                   std::FILE* err)
    : settings_(settings),
      config_(std::move(config)),
      interrupted_(std::move(interrupted)),
      out_(out),
      err_(err) {}

void TerminalOperator::Line(std::string_view text, bool error) {
  if (settings_.quiet && !error) return;
  ClearLine();
  std::FILE* to = error ? err_ : out_;
  std::fprintf(to, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(to);
}

void TerminalOperator::Output(std::string_view text) {
  ClearLine();
  std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(out_);
}

void TerminalOperator::Message(std::string_view title, std::string_view text, MessageIcon) {
  Line(std::string(title) + ": " + WithLineBreaks(text), IsFailureTitle(title));
}

bool TerminalOperator::Confirm(std::string_view title, std::string_view text) {
  const std::string shown = std::string(title) + ": " + WithLineBreaks(text);
  if (settings_.yes) {
    Line(shown);
    Line("Confirmado (--yes)");
    return true;
  }
  if (!settings_.askOnTerminal) {
    Line(shown, true);
    Line("Cancelado: no hay terminal para confirmar (use --yes)", true);
    return false;
  }
  // Asked even with --quiet: the user must see what is being confirmed.
  ClearLine();
  std::fprintf(out_, "%s\n¿Continuar? [s/N] ", shown.c_str());
  std::fflush(out_);
  std::string answer;
  if (!WaitForAnswer(answer)) {
    std::fprintf(out_, "\n");
    std::fflush(out_);
    return false;
  }
  return !answer.empty() &&
         (answer[0] == 's' || answer[0] == 'S' || answer[0] == 'y' || answer[0] == 'Y');
}

void TerminalOperator::Warn(std::string_view text) { Line("Aviso: " + WithLineBreaks(text), true); }

bool TerminalOperator::ConfirmOverride(std::string_view title, std::string_view text) {
  if (!settings_.force) {
    Line(std::string(title) + ": " + WithLineBreaks(text), true);
    Line("Cancelado: esto solo se confirma con --force", true);
    return false;
  }
  return Confirm(title, text);
}

// One line from standard input; false on end of file or Ctrl-C. Polls so an interrupt is seen
// while the user has not answered yet.
bool TerminalOperator::WaitForAnswer(std::string& answer) {
  answer.clear();
  for (;;) {
    if (interrupted_()) return false;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&p, 1, 100);
    if (ready <= 0) continue;
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n <= 0) return false;
    if (c == '\n') return true;
    answer += c;
  }
}

void TerminalOperator::SetProgressText(std::string_view text) {
  // Each phase (program memory, data memory, configuration) is shown at least once, however
  // fast the run; within a phase the redraws are spaced out.
  const std::string_view phase = text.substr(0, text.find("0x"));
  const bool newPhase = phase != phase_;
  phase_ = std::string(phase);
  text_ = std::string(text);
  Draw(newPhase);
}

void TerminalOperator::SetProgressFraction(int done, int total) {
  done_ = done;
  total_ = total;
  // The last step is always shown, so a finished run does not stop at 99 %. Before the first
  // text there is nothing worth a line yet.
  if (!text_.empty()) Draw(total > 0 && done >= total);
}

void TerminalOperator::HideProgress() {
  progressShown_ = false;
  ClearLine();
}

void TerminalOperator::Draw(bool force) {
  if (!settings_.progressLine || settings_.quiet || !progressShown_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && lineDrawn_ && now - lastDraw_ < kRedrawEvery) return;
  lastDraw_ = now;

  std::string bar;
  if (total_ > 0) {
    const int percent = std::clamp(done_ * 100 / total_, 0, 100);
    const int filled = percent * kBarWidth / 100;
    bar = "  [" + std::string(static_cast<std::size_t>(filled), '#') +
          std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " +
          std::to_string(percent) + " %";
  }
  // Never wrap: a wrapped line could not be redrawn in place. The text gives way first, so
  // the bar and its percentage stay whole; on a very narrow terminal the end is cut.
  const std::size_t width = static_cast<std::size_t>(TerminalColumns(out_) - 1);
  std::string text = text_;
  while (!text.empty() && Columns(text) + Columns(bar) > width) text.pop_back();
  DropPartialCharacter(text);
  std::string line = text + bar;
  while (Columns(line) > width) line.pop_back();
  DropPartialCharacter(line);
  std::fprintf(out_, "\r%s\x1b[K", line.c_str());
  std::fflush(out_);
  lineDrawn_ = true;
}

void TerminalOperator::ClearLine() {
  if (!lineDrawn_) return;
  std::fprintf(out_, "\r\x1b[K");
  std::fflush(out_);
  lineDrawn_ = false;
}

}  // namespace daxwel::cli
