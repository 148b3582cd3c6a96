#include "link/ini_file.h"

#include <sstream>

namespace daxwel {

std::string Trim(std::string_view text, std::string_view blanks) {
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(blanks);
  return std::string(text.substr(first, last - first + 1));
}

namespace {

// Leading blanks are layout, never a continuation of the line before; with inline comments,
// "#" or ";" at the start or after a blank begins a comment.
std::string_view Uncommented(std::string_view line, bool inlineComments) {
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  line.remove_prefix(first);
  for (std::size_t i = 0; inlineComments && i < line.size(); ++i) {
    const bool marker = line[i] == '#' || line[i] == ';';
    if (marker && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
  }
  return line;
}

}  // namespace

std::string IniFile::Read(std::string_view text, std::string_view file, const IniSyntax& syntax) {
  std::istringstream in{std::string(text)};
  line_ = 0;
  keys_.clear();
  const auto where = [&](const std::string& what) {
    return std::string(file) + ":" + std::to_string(line_) + ": " + what;
  };
  for (std::string raw; std::getline(in, raw);) {
    ++line_;
    std::string_view view = Uncommented(raw, syntax.inlineComments);
    if (syntax.maxLine > 0 && view.size() > syntax.maxLine) {
      return where("línea demasiado larga (más de " + std::to_string(syntax.maxLine) +
                   " caracteres)");
    }
    if (syntax.skipBom && line_ == 1 && view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
    const std::string line = Trim(view, syntax.blanks);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    std::string problem;
    if (line[0] == '[') {
      problem = onSection(line);
    } else if (const auto split = line.find_first_of(syntax.separators);
               split == std::string::npos) {
      problem = std::string(syntax.badLine);
    } else {
      problem = onKey(Trim(std::string_view(line).substr(0, split), syntax.blanks),
                      Trim(std::string_view(line).substr(split + 1), syntax.blanks));
    }
    if (!problem.empty()) return where(problem);
  }
  return {};
}

std::string IniFile::Repeated(const std::string& key) {
  const auto [seen, added] = keys_.emplace(key, line_);
  if (added) return {};
  return "\"" + key + "\" ya se dio en la línea " + std::to_string(seen->second);
}

}  // namespace daxwel
