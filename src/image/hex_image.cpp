#include "image/hex_image.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>
#include <vector>

namespace daxwel {

namespace {

constexpr std::array<std::int8_t, 111> kHexDigitValue = [] {
  std::array<std::int8_t, 111> table{};
  for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<std::int8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<std::int8_t>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<std::int8_t>(c - 'A' + 10);
  return table;
}();

constexpr int kEepromBase = 0x2100;
constexpr int kLastProgramSpaceWord = 0x1FFF;

constexpr int kTypeData = 0x00;
constexpr int kTypeEof = 0x01;
constexpr int kTypeSegment = 0x02;
constexpr int kTypeStartSegment = 0x03;
constexpr int kTypeLinear = 0x04;
constexpr int kTypeStartLinear = 0x05;

std::string Hex2(int v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(v >> 4) & 0xF], kDigits[v & 0xF]};
}

std::string Hex4(int v) { return Hex2(v >> 8) + Hex2(v & 0xFF); }

// Four digits, or eight for a byte address above 64 KiB.
std::string HexAddress(int v) { return v > 0xFFFF ? Hex4(v >> 16) + Hex4(v & 0xFFFF) : Hex4(v); }

std::string LinePrefix(int line) { return "Línea " + std::to_string(line) + ": "; }

struct Failure {
  HexStatus status;
  int line;
  std::string description;
};

// The longest record: ":", count, address, type, 255 data bytes and the checksum.
constexpr std::size_t kLongestRecord = 1 + 2 + 4 + 2 + 2 * 255 + 2;

// Reads lines ended by LF, CR LF or a lone CR, so files from any editor split alike. Leading
// blanks are dropped as they are read and only as much of a line as a record can use is kept.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Next(std::string& line) {
    line.clear();
    if (at_ >= text_.size()) return false;
    while (at_ < text_.size()) {
      const char ch = text_[at_++];
      if (ch == '\n') return true;
      if (ch == '\r') {
        if (at_ < text_.size() && text_[at_] == '\n') ++at_;
        return true;
      }
      if (line.empty() && (ch == ' ' || ch == '\t')) continue;
      if (line.size() < kLongestRecord) line.push_back(ch);
    }
    return true;
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

struct Record {
  int count = 0;
  int address = 0;  // the record's 16 bits, then the whole byte address with the upper ones
  int type = 0;
  std::vector<int> bytes;  // data bytes, the trailing one of an odd count included
};

// Decodes one record line whose leading blanks are already gone. Positions are 1-based as in
// the record layout: ":" at 1, count at 2-3, address at 4-7, type at 8-9, data from 10.
class RecordDecoder {
 public:
  RecordDecoder(std::string_view text, int lineNumber) : text_(text), line_(lineNumber) {}

  std::optional<Failure> Decode(Record& rec) {
    int sum = 0;
    int b = 0;
    if (!Byte(2, rec.count)) return fault_;
    sum += rec.count;
    if (!Byte(4, b)) return fault_;
    sum += b;
    rec.address = b << 8;
    if (!Byte(6, b)) return fault_;
    sum += b;
    rec.address |= b;
    if (!Byte(8, rec.type)) return fault_;
    sum += rec.type;
    rec.bytes.resize(static_cast<std::size_t>(rec.count));
    for (int i = 0; i < rec.count; ++i) {
      if (!Byte(10 + 2 * i, rec.bytes[static_cast<std::size_t>(i)])) return fault_;
      sum += rec.bytes[static_cast<std::size_t>(i)];
    }
    int checksum = 0;
    if (!Byte(10 + 2 * rec.count, checksum)) return fault_;
    if (((sum + checksum) & 0xFF) != 0) {
      return Failure{HexStatus::ReadFailure, line_,
                     LinePrefix(line_) + "suma de verificación incorrecta"};
    }
    return std::nullopt;
  }

 private:
  bool Digit(int pos, int& value) {
    if (pos > static_cast<int>(text_.size())) {
      fault_ = Failure{HexStatus::ReadFailure, line_,
                       LinePrefix(line_) + "registro incompleto (faltan caracteres)"};
      return false;
    }
    value = HexDigitValue(static_cast<unsigned char>(text_[static_cast<std::size_t>(pos - 1)]));
    if (value < 0) {
      fault_ =
          Failure{HexStatus::ReadFailure, line_,
                  LinePrefix(line_) + "carácter no válido en la posición " + std::to_string(pos)};
      return false;
    }
    return true;
  }

  bool Byte(int pos, int& value) {
    int hi = 0;
    int lo = 0;
    if (!Digit(pos, hi) || !Digit(pos + 1, lo)) return false;
    value = hi * 16 + lo;
    return true;
  }

  std::string_view text_;
  int line_;
  std::optional<Failure> fault_;
};

enum class Pass { First, Second };

// The word with one of its bytes replaced: the low byte sits at the even byte address, the
// high byte at the odd one. A byte the file never gives keeps the word's erased half.
int WithByte(int word, int byteAddress, int value) {
  return (byteAddress & 1) != 0 ? (word & 0x00FF) | (value << 8) : (word & 0xFF00) | value;
}

// Places the bytes of one pass's records into the image, one byte at a time, so a record may
// start at any byte address. Each byte is remembered with its line: a later record may repeat
// a byte but not change it.
class BytePlacer {
 public:
  BytePlacer(Pass pass, ImageLimits limits, const ConfigMemoryMap& map, HexImage& image,
             std::vector<std::string>& notes)
      : pass_(pass), limits_(limits), map_(map), image_(image), notes_(notes) {}

  std::optional<Failure> Place(const Record& rec, int line) {
    line_ = line;
    if (rec.bytes.empty()) return std::nullopt;
    // A record that starts in program memory is program memory to its last byte.
    const bool program = rec.address / 2 <= kLastProgramSpaceWord;
    if (program && pass_ == Pass::First) {
      const int last = (rec.address + rec.count - 1) / 2;
      image_.ProgramEnd = std::max(image_.ProgramEnd, static_cast<std::int16_t>(last));
    }
    for (int i = 0; i < rec.count; ++i) {
      const int at = rec.address + i;
      const int value = rec.bytes[static_cast<std::size_t>(i)];
      std::optional<Failure> fault;
      if (program) {
        if (pass_ == Pass::First) fault = Program(at, value);
      } else if (map_.InRegion(at / 2)) {
        if (pass_ == Pass::First) fault = ConfigSpace(at, value);
      } else if (at / 2 >= kEepromBase) {
        if (pass_ == Pass::Second) fault = Eeprom(at, value);
      }
      if (fault) return fault;
    }
    return std::nullopt;
  }

 private:
  enum class Seen { New, Same, Different };

  std::optional<Failure> Program(int at, int value) {
    const int w = at / 2;
    if (w >= limits_.programWords) {
      return Failure{
          HexStatus::ProgramSizeError, line_,
          LinePrefix(line_) + "la dirección 0x" + Hex4(w) + " excede la Flash Program Memory"};
    }
    constexpr const char* kMemory = "de la Flash Program Memory";
    const Seen seen = Remember(at, value);
    if (seen != Seen::New) return Repeated(seen, w, kMemory);
    auto& slot = image_.ProgramWords[static_cast<std::size_t>(w)];
    const int word = WithByte(slot, at, value);
    // Program memory holds 14 bits: a wider word is not this part's code.
    if (word > 0x3FFF) return Overflow(word, w, kMemory);
    slot = static_cast<std::int16_t>(word);
    return std::nullopt;
  }

  std::optional<Failure> Eeprom(int at, int value) {
    const int s = at / 2 - kEepromBase;
    if (s >= limits_.eepromBytes) {
      return Failure{
          HexStatus::EepromSizeError, line_,
          LinePrefix(line_) + "la dirección 0x" + Hex4(s) + " excede la EEPROM Data Memory"};
    }
    constexpr const char* kMemory = "de la EEPROM Data Memory";
    const Seen seen = Remember(at, value);
    if (seen != Seen::New) return Repeated(seen, s, kMemory);
    auto& slot = image_.EepromWords[static_cast<std::size_t>(s)];
    const int word = WithByte(slot, at, value);
    if (word >= 0x8000) return Overflow(word, s, kMemory);
    slot = static_cast<std::int16_t>(0x3F00 | word);
    image_.EepromEnd = std::max(image_.EepromEnd, static_cast<std::int16_t>(s));
    image_.HasEeprom = true;
    return std::nullopt;
  }

  // The IDs and the words from the configuration word on that the map takes; the rest of the
  // space between is not programmed.
  std::optional<Failure> ConfigSpace(int at, int value) {
    const int w = at / 2;
    if (!map_.FileCarries(w)) return std::nullopt;
    const bool id = map_.Is(w, ConfigCellKind::Id);
    const Seen seen = Remember(at, value);
    if (seen != Seen::New) return Repeated(seen, w, id ? "(ID Location)" : "(Configuration Word)");
    const auto [slot, fresh] = image_.ConfigWords.try_emplace(w, std::uint16_t{0x3FFF});
    (void)fresh;
    slot->second = static_cast<std::uint16_t>(Masked(
        WithByte(slot->second, at, value), w, id ? "la ID Location" : "la Configuration Word"));
    return std::nullopt;
  }

  // Toolchains set bits 15:14 of the IDs and configuration words, which the part does not
  // have: they are dropped, and the user is told.
  int Masked(int word, int address, const char* name) {
    if (word <= 0x3FFF) return word;
    notes_.push_back(LinePrefix(line_) + name + " 0x" + Hex4(address) + " trae 0x" + Hex4(word) +
                     ", se toma como 0x" + Hex4(word & 0x3FFF) + " (14 bits)");
    return word & 0x3FFF;
  }

  // A byte given again must be the same byte; repeating it changes nothing.
  Seen Remember(int at, int value) {
    const auto [it, fresh] = given_.try_emplace(at, Given{value, line_});
    first_ = it->second.line;
    if (fresh) return Seen::New;
    return it->second.value == value ? Seen::Same : Seen::Different;
  }

  std::optional<Failure> Repeated(Seen seen, int address, const char* memory) const {
    if (seen == Seen::Same) return std::nullopt;
    return Failure{HexStatus::ReadFailure, line_,
                   LinePrefix(line_) + "la dirección 0x" + Hex4(address) + " " + memory +
                       " ya la dio la línea " + std::to_string(first_) + " con otro valor"};
  }

  Failure Overflow(int word, int address, const char* memory) const {
    return Failure{HexStatus::ReadFailure, line_,
                   LinePrefix(line_) + "desbordamiento: palabra 0x" + Hex4(word) +
                       " fuera de rango en la dirección 0x" + Hex4(address) + " " + memory};
  }

  struct Given {
    int value;
    int line;
  };
  Pass pass_;
  ImageLimits limits_;
  const ConfigMemoryMap& map_;
  HexImage& image_;
  std::vector<std::string>& notes_;
  int line_ = 0;
  int first_ = 0;  // the line that first gave the byte Remember last looked up
  std::map<int, Given> given_;
};

// The upper 16 bits of the byte addresses that follow an extended address record. Only zero
// is inside program memory and EEPROM; a part whose configuration memory lies above 64 KiB
// (base 0x8000: byte 0x10000) takes that segment's base too.
std::optional<Failure> ExtendedAddress(const Record& rec, int line, const ConfigMemoryMap& map,
                                       int& upper) {
  int value = 0;
  for (int b : rec.bytes) value = (value << 8) | b;
  const bool zero = value == 0;
  const long long first = static_cast<long long>(value) << 16;
  const long long regionFirst = 2LL * map.Base();
  const long long regionEnd = 2LL * (map.Base() + ConfigMemoryMap::kRegionWords);
  const bool configSegment =
      rec.type == kTypeLinear && regionFirst < first + 0x10000 && regionEnd > first;
  if (!zero && !configSegment) {
    return Failure{HexStatus::ReadFailure, line,
                   LinePrefix(line) +
                       "dirección extendida distinta de cero (datos fuera del espacio de "
                       "16 bits)"};
  }
  upper = zero ? 0 : value;
  return std::nullopt;
}

// Makes the record's address the whole byte address, or says why it is out of reach: above the
// 16-bit space there is nothing but the part's configuration memory.
std::optional<Failure> WholeAddress(Record& rec, int line, const ConfigMemoryMap& map, int upper) {
  bool inside = rec.address < 0x8000;
  if (upper != 0) {
    rec.address += upper << 16;
    const int lastWord = (rec.address + std::max(rec.count, 1) - 1) / 2;
    inside = map.InRegion(rec.address / 2) && map.InRegion(lastWord);
  }
  if (inside) return std::nullopt;
  return Failure{HexStatus::ReadFailure, line,
                 LinePrefix(line) + "desbordamiento: dirección 0x" + HexAddress(rec.address) +
                     " fuera de rango"};
}

// One pass over the file's bytes. The first pass fills program memory, the IDs and the
// configuration word; the second the data EEPROM. Both decode and check every line the same way.
std::optional<Failure> RunPass(std::string_view bytes, Pass pass, ImageLimits limits,
                               const ConfigMemoryMap& map, HexImage& image,
                               std::vector<std::string>& notes) {
  LineReader reader(bytes);
  BytePlacer placer(pass, limits, map, image, notes);
  int upper = 0;
  std::string raw;
  int lineNumber = 0;
  while (reader.Next(raw)) {
    ++lineNumber;
    const std::string_view text(raw);
    if (text.empty() || text.front() != ':') {
      return Failure{HexStatus::FormatError, lineNumber,
                     LinePrefix(lineNumber) + "falta el carácter ':' inicial"};
    }
    Record rec;
    if (auto fault = RecordDecoder(text, lineNumber).Decode(rec)) return fault;

    if (rec.type == kTypeEof) return std::nullopt;
    if (rec.type == kTypeSegment || rec.type == kTypeLinear) {
      // INHX32 files open with a zero base.
      if (auto fault = ExtendedAddress(rec, lineNumber, map, upper)) return fault;
      continue;
    }
    if (rec.type == kTypeStartSegment || rec.type == kTypeStartLinear) continue;
    if (rec.type != kTypeData) {
      return Failure{
          HexStatus::ReadFailure, lineNumber,
          LinePrefix(lineNumber) + "tipo de registro " + Hex2(rec.type) + " no admitido"};
    }
    if (auto fault = WholeAddress(rec, lineNumber, map, upper)) return fault;
    if (auto fault = placer.Place(rec, lineNumber)) return fault;
  }
  return Failure{HexStatus::ReadFailure, 0, "Falta el registro de fin de archivo"};
}

HexLoadResult FromFailure(Failure f) {
  HexLoadResult result;
  result.status = f.status;
  result.line = f.line;
  result.description = std::move(f.description);
  return result;
}

}  // namespace

int HexDigitValue(int code) {
  if (code < 0 || code >= static_cast<int>(kHexDigitValue.size())) return -1;
  return kHexDigitValue[static_cast<std::size_t>(code)];
}

HexLoadResult LoadHexImage(const std::string& path, ImageLimits limits) {
  // Only a regular file is read: a directory reads as nothing, opening a FIFO waits for a
  // writer that may never come, and a device such as /dev/zero never ends.
  std::error_code ec;
  const auto type = std::filesystem::status(path, ec).type();
  const bool known = !ec && type != std::filesystem::file_type::not_found;
  if (known && type != std::filesystem::file_type::regular) {
    return FromFailure({HexStatus::ReadFailure, 0,
                        "No se pudo abrir el archivo " + path + ": no es un archivo regular"});
  }
  // Read once: both passes run over the same bytes, so a file replaced meanwhile cannot mix
  // two programs on the chip.
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in.is_open()) {
    return FromFailure({HexStatus::ReadFailure, 0, "No se pudo abrir el archivo " + path});
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) {
    return FromFailure({HexStatus::ReadFailure, 0, "No se pudo leer el archivo " + path});
  }
  return ParseHexImage(bytes.str(), limits);
}

HexLoadResult ParseHexImage(std::string_view bytes, ImageLimits limits) {
  limits.programWords = std::clamp(limits.programWords, 0, 8192);
  limits.eepromBytes = std::clamp(limits.eepromBytes, 0, 256);

  static const ConfigMemoryMap kTodaysParts;
  const ConfigMemoryMap& map = limits.config ? *limits.config : kTodaysParts;
  HexLoadResult result;
  HexImage& image = result.image;
  image.ConfigBase = map.Base();
  std::fill_n(image.ProgramWords.begin(), limits.programWords, std::int16_t{0x3FFF});
  if (auto fault = RunPass(bytes, Pass::First, limits, map, image, result.notes)) {
    return FromFailure(*fault);
  }
  std::fill_n(image.EepromWords.begin(), limits.eepromBytes, std::int16_t{0x3FFF});
  if (auto fault = RunPass(bytes, Pass::Second, limits, map, image, result.notes)) {
    return FromFailure(*fault);
  }
  result.status = HexStatus::Ok;
  return result;
}

std::string ToBitString(int v) {
  std::string bits(14, '0');
  auto u = static_cast<unsigned>(v);
  for (int i = 13; i >= 0; --i) {
    bits[static_cast<std::size_t>(i)] = (u & 1U) != 0 ? '1' : '0';
    u >>= 1;
  }
  return bits;
}

int FromBitString(std::string_view bits) {
  unsigned value = 0;  // wraps harmlessly on absurdly long input
  for (char c : bits) value = value * 2U + (c == '1' ? 1U : 0U);
  return static_cast<int>(value & 0x7FFFFFFFU);
}

std::optional<std::uint16_t> HexImage::ConfigWord(int address) const {
  const auto it = ConfigWords.find(address);
  if (it == ConfigWords.end()) return std::nullopt;
  return it->second;
}

std::array<std::int16_t, 4> HexImage::IdWords() const {
  std::array<std::int16_t, 4> ids{};
  for (std::size_t j = 0; j < ids.size(); ++j) {
    ids[j] =
        static_cast<std::int16_t>(ConfigWord(ConfigBase + static_cast<int>(j)).value_or(0x3F80));
  }
  return ids;
}

std::array<bool, 4> HexImage::HasId() const {
  std::array<bool, 4> has{};
  for (std::size_t j = 0; j < has.size(); ++j) {
    has[j] = ConfigWords.contains(ConfigBase + static_cast<int>(j));
  }
  return has;
}

std::string HexImage::FileConfig() const {
  const auto word = ConfigWord(ConfigBase + 7);
  return word ? ToBitString(*word) : std::string();
}

std::string FileConfigWords(const HexImage& image, int words) {
  std::string bits;
  for (int k = 0; k < words; ++k) {
    const auto word = image.ConfigWord(image.ConfigBase + 7 + k);
    if (!word) break;
    bits += ToBitString(*word);
  }
  return bits;
}

std::optional<ChosenConfig> ChooseConfigWord(const std::string& fileConfig,
                                             const std::string& dialogAnswer) {
  if (dialogAnswer == "fromfile") {
    if (fileConfig.empty()) return std::nullopt;
    return ChosenConfig{fileConfig, "Desde Archivo"};
  }
  if (dialogAnswer.empty()) return std::nullopt;
  return ChosenConfig{dialogAnswer, "Manual"};
}

}  // namespace daxwel
