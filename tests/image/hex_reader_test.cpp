#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "hex_test_util.h"
#include "image/hex_image.h"

namespace daxwel {
namespace {

using testing::k16F84;
using testing::k16F873;
using testing::k16F877;
using testing::OpenDescriptors;
using testing::TempDir;

constexpr const char* kEof = ":00000001FF\n";

// One record line with a correct checksum.
std::string Rec(int byteAddress, int type, std::initializer_list<int> bytes) {
  char buf[32];
  std::string line = ":";
  int sum = static_cast<int>(bytes.size()) + (byteAddress >> 8) + (byteAddress & 0xFF) + type;
  std::snprintf(buf, sizeof buf, "%02X%04X%02X", static_cast<unsigned>(bytes.size()),
                static_cast<unsigned>(byteAddress), static_cast<unsigned>(type));
  line += buf;
  for (int b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(b));
    line += buf;
    sum += b;
  }
  std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>((0x100 - (sum & 0xFF)) & 0xFF));
  return line + buf + "\n";
}

// A data record of 14-bit words, low byte first, at word address `word`.
std::string Words(int word, std::initializer_list<int> words) {
  std::vector<int> bytes;
  for (int w : words) {
    bytes.push_back(w & 0xFF);
    bytes.push_back((w >> 8) & 0xFF);
  }
  char buf[32];
  std::string line = ":";
  int sum = static_cast<int>(bytes.size()) + ((word * 2) >> 8) + ((word * 2) & 0xFF);
  std::snprintf(buf, sizeof buf, "%02X%04X00", static_cast<unsigned>(bytes.size()),
                static_cast<unsigned>(word * 2));
  line += buf;
  for (int b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(b));
    line += buf;
    sum += b;
  }
  std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>((0x100 - (sum & 0xFF)) & 0xFF));
  return line + buf + "\n";
}

class HexReader : public ::testing::Test {
 protected:
  HexLoadResult Load(const std::string& text, ImageLimits limits = k16F877) {
    return LoadHexImage(dir_.Write("t.hex", text), limits);
  }
  TempDir dir_;
};

TEST_F(HexReader, EndRecordAloneGivesAnErasedImage) {
  const HexLoadResult r = Load(kEof, k16F84);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  for (int a = 0; a < 1024; ++a) ASSERT_EQ(r.image.ProgramWords[a], 0x3FFF) << a;
  for (int i = 0; i < 64; ++i) ASSERT_EQ(r.image.EepromWords[i], 0x3FFF) << i;
  EXPECT_EQ(r.image.ProgramEnd, 0);
  EXPECT_EQ(r.image.EepromEnd, 0);
  EXPECT_FALSE(r.image.HasEeprom);
  EXPECT_TRUE(r.image.FileConfig().empty());
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r.image.IdWords()[i], 0x3F80);
    EXPECT_FALSE(r.image.HasId()[i]);
  }
}

TEST_F(HexReader, FormatErrorOnlyBeforeTheEndRecord) {
  HexLoadResult r = Load(Words(0, {0x1234}) + "0200000034129C\n" + kEof);
  EXPECT_EQ(r.status, HexStatus::FormatError);
  EXPECT_EQ(r.line, 2);
  // An empty line fails the same way, a CR LF one included.
  r = Load(Words(0, {0x1234}) + "\r\n" + kEof);
  EXPECT_EQ(r.status, HexStatus::FormatError);
  EXPECT_EQ(r.line, 2);
  // After the end record nothing is read, not even garbage.
  r = Load(Words(0, {0x1234}) + kEof + "no es un registro\n\xff\xfe\n:zz\n");
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x1234);
  // Leading blanks are skipped before the ":" test.
  r = Load("   " + Words(0, {0x0ABC}) + "\t:00000001FF\n");
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x0ABC);
}

TEST_F(HexReader, DigitsOfEitherCaseAndStrayCharacters) {
  HexLoadResult r = Load(":02000000ff3fc0\n:00000001ff\n");
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x3FFF);
  r = Load(":02000000FF3FC0\n" + std::string(kEof));
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x3FFF);
  EXPECT_EQ(r.image.ProgramEnd, 0);

  // "G" (code 71) and "n" (110) lie inside the table and read as 0.
  r = Load(":02000000FF3GCF\n" + std::string(kEof));
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x30FF);
  r = Load(":02000000FF3nCF\n" + std::string(kEof));
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x30FF);
  // So does a NUL byte (code 0); one in place of the ":" is a format error.
  r = Load(std::string(":02000000FF3\0CF\0\n", 17) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x30FF);
  r = Load(std::string("\0:02000000FF3FC0\n", 17) + kEof);
  EXPECT_EQ(r.status, HexStatus::FormatError);

  // "o" (code 111) and any byte of a UTF-8 sequence are outside it: read failure.
  r = Load(":02000000FF3oCF\n" + std::string(kEof));
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.line, 1);
  EXPECT_NE(r.description.find("Línea 1"), std::string::npos) << r.description;
  r = Load(Words(0, {1}) +
           ":02000000FF3\xc3\xb1"
           "CF\n" +
           kEof);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.line, 2);

  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue(110), 0);
  EXPECT_EQ(HexDigitValue(111), -1);
  EXPECT_EQ(HexDigitValue(0xC3), -1);
  // The whole table: 111 codes, hexadecimal digits by their value and every other code 0.
  for (int code = 0; code < 256; ++code) {
    const char text[2] = {static_cast<char>(code), '\0'};
    const bool digit = code != 0 && std::string_view("0123456789abcdefABCDEF").find(text[0]) !=
                                        std::string_view::npos;
    const int expected = code >= 111 ? -1
                         : digit     ? static_cast<int>(std::strtol(text, nullptr, 16))
                                     : 0;
    EXPECT_EQ(HexDigitValue(code), expected) << code;
  }
}

TEST_F(HexReader, ShortLinesAndMissingEndAreReadFailures) {
  for (const char* line : {":", ":02", ":0200000", ":02000000FF3F", ":02000000FF3FC"}) {
    const HexLoadResult r = Load(Words(0, {1}) + line + "\n" + kEof);
    EXPECT_EQ(r.status, HexStatus::ReadFailure) << line;
    EXPECT_EQ(r.line, 2) << line;
    EXPECT_NE(r.description.find("Línea 2"), std::string::npos) << r.description;
  }
  const HexLoadResult r = Load(Words(0, {1, 2}) + Words(2, {3}));
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.description, "Falta el registro de fin de archivo");
  EXPECT_EQ(Load("").status, HexStatus::ReadFailure);
}

TEST_F(HexReader, ChecksumsAreChecked) {
  // :02000000FF3FC0 is correct; one digit off in the data or in the checksum fails.
  HexLoadResult r = Load(Words(0, {1}) + ":02000000FF3EC0\n" + kEof);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.line, 2);
  EXPECT_EQ(r.description, "Línea 2: suma de verificación incorrecta");
  r = Load(":02000000FF3FC1\n" + std::string(kEof));
  EXPECT_EQ(r.description, "Línea 1: suma de verificación incorrecta");
  // The configuration and EEPROM records of the reader's examples are correct as written.
  r = Load(":02400E00F13F80\n:0242000041007B\n" + std::string(kEof));
  EXPECT_EQ(r.status, HexStatus::Ok) << r.description;
  // The end record is a record like any other.
  r = Load(Words(0, {1}) + ":00000001FE\n");
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.line, 2);
}

TEST_F(HexReader, RecordTypes) {
  // INHX32 opens with a zero extended linear address: ignored, word 0 stays erased.
  HexLoadResult r = Load(":020000040000FA\n" + Words(1, {0x0123}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x3FFF);
  EXPECT_EQ(r.image.ProgramWords[1], 0x0123);
  EXPECT_EQ(r.image.ProgramEnd, 1);
  // A zero extended segment address, and start addresses of either kind, are ignored too.
  r = Load(Rec(0, 2, {0, 0}) + Rec(0, 3, {0, 0, 0x12, 0x34}) + Rec(0, 5, {0, 0, 0, 0x10}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x3FFF);
  EXPECT_EQ(r.image.ProgramEnd, 0);
  // A non-zero base puts data beyond these parts' 16-bit space.
  r = Load(Words(0, {1}) + Rec(0, 4, {0x00, 0x01}) + Words(0, {2}) + kEof);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.line, 2);
  r = Load(Rec(0, 2, {0x10, 0x00}) + kEof);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  // Any other type is refused.
  r = Load(Words(0, {1}) + Rec(0, 6, {0x34, 0x12}) + kEof);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.line, 2);
  EXPECT_NE(r.description.find("06"), std::string::npos) << r.description;
}

TEST_F(HexReader, EndsAreTheHighestAddressesNotTheLastRecord) {
  const HexLoadResult r = Load(Words(0x100, {1, 2, 3}) + Words(0, {4}) + Words(0x2105, {0x41}) +
                               Words(0x2100, {0x42}) + Words(0x10, {5}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramEnd, 0x102);
  EXPECT_EQ(r.image.EepromEnd, 5);
  EXPECT_TRUE(r.image.HasEeprom);
  EXPECT_EQ(r.image.ProgramWords[0], 4);
  EXPECT_EQ(r.image.ProgramWords[0x10], 5);
  EXPECT_EQ(r.image.ProgramWords[0x11], 0x3FFF);  // a hole stays erased
  EXPECT_EQ(r.image.ProgramWords[0x102], 3);
  EXPECT_EQ(r.image.EepromWords[0], 0x3F42);
  EXPECT_EQ(r.image.EepromWords[1], 0x3FFF);
  EXPECT_EQ(r.image.EepromWords[5], 0x3F41);
}

TEST_F(HexReader, ConfigurationAndIdWordsFromAnyCoveringRecord) {
  HexLoadResult r = Load(":02400E00F13F80\n" + std::string(kEof));
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.FileConfig(), "11111111110001");

  // A whole configuration space record, 0x4000-0x400F: IDs and configuration word.
  r = Load(Words(0x2000, {0x1234, 0x0002, 0x0003, 0x0004, 0x3FFF, 0x3FFF, 0x0960, 0x3F31}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.IdWords()[0], 0x1234);  // kept as read, only its low bits get programmed
  EXPECT_EQ(r.image.IdWords()[3], 4);
  EXPECT_EQ(r.image.HasId(), (std::array<bool, 4>{true, true, true, true}));
  EXPECT_EQ(r.image.FileConfig(), ToBitString(0x3F31));
  EXPECT_EQ(r.image.ProgramEnd, 0);

  // Two words from 0x2006: the second is the configuration word. A later record may repeat it
  // (a record that changes it is refused: see HexLayouts).
  r = Load(Words(0x2006, {0x0960, 0x3FF1}) + Words(0x2007, {0x3FF1}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.FileConfig(), ToBitString(0x3FF1));

  // Only the IDs a file carries are marked; words past 0x2003 do not spill into them.
  r = Load(Words(0x2002, {7, 8, 9}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.HasId(), (std::array<bool, 4>{false, false, true, true}));
  EXPECT_EQ(r.image.IdWords()[1], 0x3F80);
  EXPECT_EQ(r.image.IdWords()[2], 7);
  EXPECT_EQ(r.image.IdWords()[3], 8);
  EXPECT_TRUE(r.image.FileConfig().empty());

  // The words after it (0x2008 at byte 0x4010, 0x2009) are kept apart, and a part with two
  // configuration words takes the second.
  r = Load(Words(0x2007, {0x2FF4, 0x3EFF, 0x1234}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.FileConfig(), ToBitString(0x2FF4));
  EXPECT_EQ(r.image.ConfigWord(0x2008), 0x3EFF);
  EXPECT_EQ(r.image.ConfigWord(0x2009), 0x1234);
  EXPECT_EQ(FileConfigWords(r.image, 1), ToBitString(0x2FF4));
  EXPECT_EQ(FileConfigWords(r.image, 2), ToBitString(0x2FF4) + ToBitString(0x3EFF));
  // Without a first word there is no configuration to take.
  r = Load(Words(0x2008, {0x3EFF}) + kEof);
  EXPECT_EQ(FileConfigWords(r.image, 2), "");
}

TEST_F(HexReader, EepromRecords) {
  const HexLoadResult r = Load(":0242000041007B\n" + std::string(kEof), k16F84);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.EepromWords[0], 0x3F41);
  EXPECT_EQ(r.image.EepromEnd, 0);
  EXPECT_TRUE(r.image.HasEeprom);
  EXPECT_EQ(r.image.EepromWords[1], 0x3FFF);
  EXPECT_EQ(r.image.ProgramEnd, 0);
}

TEST_F(HexReader, SizeLimitsOfTheModel) {
  EXPECT_EQ(Load(Words(0x3FC, {1, 2, 3, 4}) + kEof, k16F84).status, HexStatus::Ok);
  HexLoadResult r = Load(Words(0, {1}) + Words(0x400, {1}) + kEof, k16F84);
  EXPECT_EQ(r.status, HexStatus::ProgramSizeError);
  EXPECT_EQ(r.line, 2);
  EXPECT_EQ(r.description, "Línea 2: la dirección 0x0400 excede la Flash Program Memory");
  // A record that starts inside and runs past the end fails too.
  EXPECT_EQ(Load(Words(0x3FE, {1, 2, 3}) + kEof, k16F84).status, HexStatus::ProgramSizeError);
  EXPECT_EQ(Load(Words(0x1FFF, {1}) + kEof, k16F877).status, HexStatus::Ok);
  EXPECT_EQ(Load(Words(0x1FFF, {1}) + kEof, k16F873).status, HexStatus::ProgramSizeError);

  r = Load(Words(0x21FF, {0x12}) + kEof, k16F877);  // byte address 0x43FE, index 255
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.EepromWords[255], 0x3F12);
  EXPECT_EQ(r.image.EepromEnd, 255);
  r = Load(Words(0x2200, {0x12}) + kEof, k16F877);
  EXPECT_EQ(r.status, HexStatus::EepromSizeError);
  EXPECT_EQ(r.description, "Línea 1: la dirección 0x0100 excede la EEPROM Data Memory");
  EXPECT_EQ(Load(Words(0x213F, {1}) + kEof, k16F84).status, HexStatus::Ok);
  EXPECT_EQ(Load(Words(0x213E, {1, 2, 3}) + kEof, k16F84).status, HexStatus::EepromSizeError);

  // The program pass runs first: its size error wins over an earlier EEPROM one.
  EXPECT_EQ(Load(Words(0x2140, {1}) + Words(0x400, {1}) + kEof, k16F84).status,
            HexStatus::ProgramSizeError);
}

TEST_F(HexReader, SignedSixteenBitOverflow) {
  HexLoadResult r = Load(Words(0, {1}) + Rec(0x8000, 0, {0x01, 0x00}) + kEof);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.line, 2);
  // Program memory refuses any word above 14 bits, an ID only gets cut to them (HexLayouts).
  r = Load(Rec(0x0000, 0, {0xFF, 0x7F}) + kEof);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(Load(Rec(0x0000, 0, {0x00, 0x80}) + kEof).status, HexStatus::ReadFailure);
  EXPECT_EQ(Load(Rec(0x4000, 0, {0x00, 0x80}) + kEof).status, HexStatus::Ok);
  EXPECT_EQ(Load(Rec(0x4200, 0, {0x00, 0x80}) + kEof).status, HexStatus::ReadFailure);
}

TEST_F(HexReader, OddCountsOverwritesAndOddAddresses) {
  // Three bytes: one whole word, and the low half of the next.
  HexLoadResult r = Load(Rec(0x0000, 0, {0x34, 0x12, 0x56}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x1234);
  EXPECT_EQ(r.image.ProgramWords[1], 0x3F56);
  EXPECT_EQ(r.image.ProgramEnd, 1);
  // A later record may give words again, unchanged, without merging the rest away.
  r = Load(Words(0, {1, 2, 3, 4}) + Words(1, {2, 3}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 1);
  EXPECT_EQ(r.image.ProgramWords[1], 2);
  EXPECT_EQ(r.image.ProgramWords[2], 3);
  EXPECT_EQ(r.image.ProgramWords[3], 4);
  // An odd byte address starts at the high byte of its word.
  r = Load(Rec(0x0003, 0, {0x12, 0x34}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[1], 0x12FF);
  EXPECT_EQ(r.image.ProgramWords[2], 0x3F34);
  // A data record without bytes carries nothing, not even an end address; one byte does.
  r = Load(Words(5, {9}) + Rec(0x0100, 0, {}) + Rec(0x4200, 0, {0x41}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramEnd, 5);
  EXPECT_TRUE(r.image.HasEeprom);
  EXPECT_EQ(r.image.EepromWords[0], 0x3F41);
}

TEST_F(HexReader, LineEndsAndLongLines) {
  const std::string body = ":020000003412B8\r\n:0200020078166E\r:00000001FF\r\n";
  HexLoadResult r = Load(body);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x1234);
  EXPECT_EQ(r.image.ProgramWords[1], 0x1678);
  // Text after the checksum is not examined; a line of a million characters is just long.
  r = Load(":020000003412B8" + std::string(1'000'000, 'x') + "\n" + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x1234);
  r = Load(":" + std::string(1'000'000, '0') + "\n" + kEof);
  EXPECT_EQ(r.status, HexStatus::Ok) << r.description;
  // However many blanks lead a record, the record after them is read whole.
  r = Load(std::string(1'000'000, ' ') + "\t" + Words(0, {0x0DEF}) + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x0DEF);
  EXPECT_EQ(Load(std::string(1'000'000, 'x') + "\n" + kEof).status, HexStatus::FormatError);

  // The longest record there is, 255 bytes, with text after its checksum: 127 words and the
  // low half of one more.
  std::string longest;
  for (int k = 0; k < 127; ++k) longest += Words(k, {0x0100 + k}).substr(9, 4);
  longest += "AB";
  int sum = 0xFF;
  for (std::size_t p = 0; p < longest.size(); p += 2)
    sum += std::stoi(longest.substr(p, 2), {}, 16);
  char checksum[3];
  std::snprintf(checksum, sizeof checksum, "%02X", static_cast<unsigned>((0x100 - sum) & 0xFF));
  r = Load(":FF000000" + longest + checksum + "junk\n" + kEof);
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0], 0x0100);
  EXPECT_EQ(r.image.ProgramWords[126], 0x0100 + 126);
  EXPECT_EQ(r.image.ProgramWords[127], 0x3FAB);
  EXPECT_EQ(r.image.ProgramWords[128], 0x3FFF);
  EXPECT_EQ(r.image.ProgramEnd, 127);
  // One digit less and the checksum is missing.
  r = Load(":FF000000" + longest + checksum[0] + "\n" + kEof);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.line, 1);
}

TEST_F(HexReader, UnreadableFilesAndNoDescriptorLeft) {
  const int before = OpenDescriptors();
  ASSERT_GT(before, 0);
  HexLoadResult r = LoadHexImage(dir_.Path() + "/no-existe.hex", k16F84);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.description, "No se pudo abrir el archivo " + dir_.Path() + "/no-existe.hex");
  r = LoadHexImage(dir_.Path(), k16F84);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_EQ(r.description,
            "No se pudo abrir el archivo " + dir_.Path() + ": no es un archivo regular");
  // Only a regular file is read: /dev/zero never ends, and opening a FIFO would wait for a
  // writer (if it does, the test opens one and fails rather than hang).
  r = LoadHexImage("/dev/zero", k16F84);
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_NE(r.description.find("no es un archivo regular"), std::string::npos) << r.description;
  const std::string fifo = dir_.Path() + "/fifo.hex";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto pending = std::async(std::launch::async, [&] { return LoadHexImage(fifo, k16F84); });
  if (pending.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    ADD_FAILURE() << "LoadHexImage waited on a FIFO";
  }
  r = pending.get();
  EXPECT_EQ(r.status, HexStatus::ReadFailure);
  EXPECT_NE(r.description.find("no es un archivo regular"), std::string::npos) << r.description;
  // Every outcome closes the file it opened.
  for (const std::string& text :
       {std::string(kEof), Words(0, {1}) + "x\n", Words(0x400, {1}) + kEof,
        Words(0x2140, {1}) + kEof, std::string(":02000000FF3FC1\n"), Words(0, {1})}) {
    Load(text, k16F84);
    EXPECT_EQ(OpenDescriptors(), before) << text;
  }
}

TEST_F(HexReader, LimitsOutsideTheArraysAreClamped) {
  HexLoadResult r = Load(Words(0x1FFF, {1}) + Words(0x21FF, {2}) + kEof, {100000, 100000});
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  EXPECT_EQ(r.image.ProgramWords[0x1FFF], 1);
  EXPECT_EQ(r.image.EepromWords[255], 0x3F02);
  EXPECT_EQ(Load(Words(0, {1}) + kEof, {-5, -5}).status, HexStatus::ProgramSizeError);
  EXPECT_EQ(Load(kEof, {-5, -5}).status, HexStatus::Ok);
}

// Where a layout case looks in the image, and what it expects there.
enum class At { Program, Id, Config, Word2008, Eeprom };
struct Want {
  At at;
  int index;
  int value;
};

int Found(const HexImage& image, const Want& w) {
  const auto i = static_cast<std::size_t>(w.index);
  switch (w.at) {
    case At::Program:
      return image.ProgramWords[i];
    case At::Id:
      return image.HasId()[i] ? image.IdWords()[i] : -1;
    case At::Config:
      return image.FileConfig().empty() ? -1 : FromBitString(image.FileConfig());
    case At::Word2008:
      return image.ConfigWord(0x2008) ? *image.ConfigWord(0x2008) : -1;
    case At::Eeprom:
      return image.EepromWords[i];
  }
  return -2;
}

// The layouts toolchains write: records at any byte address, words given in halves or twice,
// and IDs and configuration words with bits 15:14 set.
TEST_F(HexReader, HexLayouts) {
  struct Case {
    const char* name;
    std::string text;  // records before the end record
    HexStatus status;
    std::string description;  // the whole failure text; empty when the file loads
    std::vector<Want> words = {};
    std::vector<std::string> notes = {};
    int programEnd = -1;  // checked when not -1
    int eepromEnd = -1;
  };
  const std::string kProgram = " de la Flash Program Memory";
  const std::vector<Case> cases{
      {"words assembled across odd addresses",
       ":0100000005FA\n:03000100280628A6\n:020004000728CB\n",
       HexStatus::Ok,
       "",
       {{At::Program, 0, 0x2805},
        {At::Program, 1, 0x2806},
        {At::Program, 2, 0x2807},
        {At::Program, 3, 0x3FFF}},
       {},
       2},
      {"half words keep the other half erased",
       Rec(0x0000, 0, {0x05}) + Rec(0x0003, 0, {0x12}) + Rec(0x0008, 0, {0x01, 0x02, 0x03}),
       HexStatus::Ok,
       "",
       {{At::Program, 0, 0x3F05},
        {At::Program, 1, 0x12FF},
        {At::Program, 4, 0x0201},
        {At::Program, 5, 0x3F03}},
       {},
       5},
      {"EEPROM at an odd offset keeps its byte",
       Rec(0x4203, 0, {0x00, 0x41, 0x00, 0x42}),
       HexStatus::Ok,
       "",
       {{At::Eeprom, 0, 0x3FFF},
        {At::Eeprom, 1, 0x3FFF},
        {At::Eeprom, 2, 0x3F41},
        {At::Eeprom, 3, 0x3F42}},
       {},
       -1,
       3},
      {"configuration word and ID in halves",
       Rec(0x400F, 0, {0x3F}) + Rec(0x4001, 0, {0x00, 0x05}) + Rec(0x400E, 0, {0xF1}),
       HexStatus::Ok,
       "",
       {{At::Config, 0, 0x3FF1}, {At::Id, 0, 0x00FF}, {At::Id, 1, 0x3F05}, {At::Id, 2, -1}}},
      {"the same bytes twice",
       Words(0, {1, 2}) + Rec(0x0002, 0, {0x02}) + Words(0x2007, {0x3FF1}) +
           Words(0x2007, {0x3FF1}) + Words(0x2100, {7}) + Words(0x2100, {7}),
       HexStatus::Ok,
       "",
       {{At::Program, 1, 2}, {At::Config, 0, 0x3FF1}, {At::Eeprom, 0, 0x3F07}}},
      {"a program word changed", Words(0, {1, 2, 3, 4}) + Rec(0x0003, 0, {0x01}),
       HexStatus::ReadFailure,
       "Línea 2: la dirección 0x0001" + kProgram + " ya la dio la línea 1 con otro valor"},
      {"a configuration word changed",
       Words(0, {1}) + Words(0x2007, {0x3FF1}) + Words(0x2006, {0x0960, 0x3FF2}),
       HexStatus::ReadFailure,
       "Línea 3: la dirección 0x2007 (Configuration Word) ya la dio la línea 2 con otro valor"},
      {"an ID changed", Words(0x2000, {1, 2}) + Rec(0x4002, 0, {0x03}), HexStatus::ReadFailure,
       "Línea 2: la dirección 0x2001 (ID Location) ya la dio la línea 1 con otro valor"},
      {"an EEPROM byte changed", Words(0x2100, {0x41}) + Words(0, {1}) + Rec(0x4200, 0, {0x42}),
       HexStatus::ReadFailure,
       "Línea 3: la dirección 0x0000 de la EEPROM Data Memory ya la dio la línea 1 con otro "
       "valor"},
      {"XC8 configuration word",
       Words(0, {1}) + Rec(0x400E, 0, {0x18, 0xFF}),
       HexStatus::Ok,
       "",
       {{At::Config, 0, 0x3F18}, {At::Program, 0, 1}},
       {"Línea 2: la Configuration Word 0x2007 trae 0xFF18, se toma como 0x3F18 (14 bits)"}},
      {"bit 14 alone is cut too, and the second word",
       Words(0x2007, {0x7F18, 0xF0F5}),
       HexStatus::Ok,
       "",
       {{At::Config, 0, 0x3F18}, {At::Word2008, 0, 0x30F5}},
       {"Línea 1: la Configuration Word 0x2007 trae 0x7F18, se toma como 0x3F18 (14 bits)",
        "Línea 1: la Configuration Word 0x2008 trae 0xF0F5, se toma como 0x30F5 (14 bits)"}},
      {"ID words",
       Words(0x2000, {0xFFFF, 0x0001, 0x4002}),
       HexStatus::Ok,
       "",
       {{At::Id, 0, 0x3FFF}, {At::Id, 1, 0x0001}, {At::Id, 2, 0x0002}},
       {"Línea 1: la ID Location 0x2000 trae 0xFFFF, se toma como 0x3FFF (14 bits)",
        "Línea 1: la ID Location 0x2002 trae 0x4002, se toma como 0x0002 (14 bits)"}},
      {"program word with bit 14", Words(0, {1}) + Words(0x10, {0x4005}), HexStatus::ReadFailure,
       "Línea 2: desbordamiento: palabra 0x4005 fuera de rango en la dirección 0x0010" + kProgram},
      {"program word with bit 15", Rec(0x0000, 0, {0x00, 0x80}), HexStatus::ReadFailure,
       "Línea 1: desbordamiento: palabra 0x8000 fuera de rango en la dirección 0x0000" + kProgram},
      {"a lone high byte above 0x3F",
       Words(0, {0x0005}) + Rec(0x0001, 0, {0x00}) + Rec(0x0003, 0, {0x40}), HexStatus::ReadFailure,
       "Línea 3: desbordamiento: palabra 0x40FF fuera de rango en la dirección 0x0001" + kProgram},
      {"program size at an odd address", Rec(0x07FF, 0, {0x12, 0x34}), HexStatus::ProgramSizeError,
       "Línea 1: la dirección 0x0400 excede la Flash Program Memory"},
      {"program size from one byte", Words(0, {1}) + Rec(0x0801, 0, {0x12}),
       HexStatus::ProgramSizeError, "Línea 2: la dirección 0x0400 excede la Flash Program Memory"},
      {"EEPROM size at an odd address", Rec(0x427F, 0, {0x00, 0x05}), HexStatus::EepromSizeError,
       "Línea 1: la dirección 0x0040 excede la EEPROM Data Memory"},
  };
  for (const Case& c : cases) {
    const HexLoadResult r = Load(c.text + kEof, k16F84);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.description;
    EXPECT_EQ(r.description, c.description) << c.name;
    if (r.status != HexStatus::Ok) continue;
    for (const Want& w : c.words) {
      EXPECT_EQ(Found(r.image, w), w.value) << c.name << ", index " << w.index;
    }
    EXPECT_EQ(r.notes, c.notes) << c.name;
    if (c.programEnd >= 0) {
      EXPECT_EQ(r.image.ProgramEnd, c.programEnd) << c.name;
    }
    if (c.eepromEnd >= 0) {
      EXPECT_EQ(r.image.EepromEnd, c.eepromEnd) << c.name;
      EXPECT_TRUE(r.image.HasEeprom) << c.name;
    }
  }
}

}  // namespace
}  // namespace daxwel
