#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace daxwel {

// The text without the `blanks` at either end.
std::string Trim(std::string_view text, std::string_view blanks = " \t\r");

// The line syntax of the program's INI files (adapters, parts). Each kind of file says how
// loose it is; what the keys mean stays with the reader of that kind.
struct IniSyntax {
  bool inlineComments = false;        // "#" or ";" after a blank also starts a comment
  std::string_view separators = "=";  // between key and value
  std::size_t maxLine = 0;            // longest line once uncommented; 0: any
  bool skipBom = false;               // a UTF-8 byte-order mark may start the file
  std::string_view blanks = " \t\r";  // what is trimmed off lines, keys and values
  std::string_view badLine;           // the message for a line that is neither key nor section
};

// Reads a file line by line and hands each "[section]" line and each key to its owner, which
// answers the empty text or what is wrong. The first mistake ends the reading and comes back
// as "FILE:LINE: what is wrong".
class IniFile {
 public:
  std::function<std::string(std::string_view header)> onSection;  // the trimmed line
  std::function<std::string(const std::string& key, const std::string& value)> onKey;

  std::string Read(std::string_view text, std::string_view file, const IniSyntax& syntax);
  int Line() const { return line_; }
  // The message when the current section gave `key` already; otherwise remembers it.
  std::string Repeated(const std::string& key);
  // A section starts: its keys may come again.
  void ForgetKeys() { keys_.clear(); }

 private:
  int line_ = 0;
  std::map<std::string, int> keys_;  // of the current section -> line
};

}  // namespace daxwel
