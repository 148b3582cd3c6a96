#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace daxwel::testing {

// Builds small INHX8M files: words at word addresses, two bytes each, low byte first.
class HexBuilder {
 public:
  // Records of at most eight words, as assemblers write them.
  HexBuilder& Words(int wordAddress, const std::vector<int>& words) {
    for (std::size_t first = 0; first < words.size(); first += 8) {
      std::vector<int> bytes;
      for (std::size_t k = first; k < words.size() && k < first + 8; ++k) {
        bytes.push_back(words[k] & 0xFF);
        bytes.push_back((words[k] >> 8) & 0xFF);
      }
      Record((wordAddress + static_cast<int>(first)) * 2, 0x00, bytes);
    }
    return *this;
  }
  HexBuilder& Eeprom(int index, const std::vector<int>& bytes) {
    std::vector<int> words(bytes.begin(), bytes.end());
    return Words(0x2100 + index, words);
  }
  HexBuilder& Config(int word) { return Words(0x2007, {word}); }
  HexBuilder& Ids(const std::vector<int>& ids) { return Words(0x2000, ids); }
  HexBuilder& Raw(const std::string& line) {
    text_ += line + "\n";
    return *this;
  }
  std::string Text() const { return text_ + ":00000001FF\n"; }

  void Record(int byteAddress, int type, const std::vector<int>& bytes) {
    int sum = static_cast<int>(bytes.size()) + (byteAddress >> 8) + (byteAddress & 0xFF) + type;
    char head[16];
    std::snprintf(head, sizeof head, ":%02X%04X%02X", static_cast<unsigned>(bytes.size()),
                  static_cast<unsigned>(byteAddress), static_cast<unsigned>(type));
    std::string line = head;
    for (int b : bytes) {
      char two[4];
      std::snprintf(two, sizeof two, "%02X", static_cast<unsigned>(b));
      line += two;
      sum += b;
    }
    char check[4];
    std::snprintf(check, sizeof check, "%02X", static_cast<unsigned>((-sum) & 0xFF));
    text_ += line + check + "\n";
  }

 private:
  std::string text_;
};

// A scratch folder removed at the end of the test.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/daxwel-test-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Write(const std::string& name, const std::string& text) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace daxwel::testing
