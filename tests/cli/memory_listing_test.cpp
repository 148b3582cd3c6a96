#include "cli/memory_listing.h"

#include <gtest/gtest.h>

namespace daxwel::cli {
namespace {

constexpr std::uint16_t kFiveWords[] = {0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF};

// The ID and configuration rows at the addresses of the part's map, a row for each run of
// words from the configuration word on; nothing without a configuration word.
TEST(MemoryListing, ConfigurationRowsFollowTheAddressMap) {
  struct Case {
    const char* name;
    int base;
    std::map<int, std::uint16_t> words;
    std::string tail;  // from the ID caption on
  };
  const Case cases[] = {
      {"today's",
       0x2000,
       {{0x2007, 0x3F31}, {0x2008, 0x0700}, {0x2009, 0x1234}},
       "ID\n2000: 0001 3FFF 3FFF 3FFF\nConfiguración\n2007: 3F31 0700 1234\n"},
      {"a gap before 0x200A",
       0x2000,
       {{0x2007, 0x3F31}, {0x2008, 0x0700}, {0x200A, 0x1234}},
       "ID\n2000: 0001 3FFF 3FFF 3FFF\nConfiguración\n2007: 3F31 0700\n200A: 1234\n"},
      {"no configuration word",
       0x2000,
       {{0x2008, 0x0700}},
       "ID\n2000: 0001 3FFF 3FFF 3FFF\nConfiguración\n"},
      {"from 0x8000",
       0x8000,
       {{0x8007, 0x3FE4}, {0x8008, 0x1EFF}, {0x800B, 0x0001}},
       "ID\n8000: 0001 3FFF 3FFF 3FFF\nConfiguración\n8007: 3FE4 1EFF\n800B: 0001\n"},
  };
  for (const Case& c : cases) {
    ChipContents contents;
    contents.configBase = c.base;
    contents.ids[0] = 0x0001;
    contents.configMemory = c.words;
    const std::string listing = MemoryListing(contents);
    const std::size_t at = listing.find("ID\n");
    ASSERT_NE(at, std::string::npos) << c.name;
    EXPECT_EQ(listing.substr(at), c.tail) << c.name;
  }
}

// A file for a part whose configuration memory starts at 0x8000 lists what it gives there.
TEST(MemoryListing, ContentsOfAnImageKeepTheMapsWords) {
  const ConfigMemoryMap map(0x8000, kFiveWords, {});
  const HexLoadResult r = ParseHexImage(
      ":020000040001F9\n:020002003412B6\n:04000E00E43FFF1EAE\n:020000040000FA\n:00000001FF\n",
      {1024, 64, map});
  ASSERT_EQ(r.status, HexStatus::Ok) << r.description;
  const ChipContents c = ContentsOfImage(r.image, {1024, 64, map});
  EXPECT_EQ(c.configBase, 0x8000);
  EXPECT_EQ(c.ids[1], 0x1234);
  EXPECT_EQ(c.ids[0], 0x3FFF);
  EXPECT_EQ(c.configMemory, (std::map<int, std::uint16_t>{{0x8007, 0x3FE4}, {0x8008, 0x1EFF}}));
}

}  // namespace
}  // namespace daxwel::cli
