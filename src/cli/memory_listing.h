#pragma once

#include <string>

#include "image/hex_image.h"
#include "image/hex_writer.h"

namespace daxwel::cli {

// dump and view: each memory under its caption, one line per row of locations, "AAAA: " and
// the values in hexadecimal (8 program words or 16 data bytes a row). Rows that hold only
// erased values are left out, so a chip and a file that holds its contents list alike
// whatever sizes each knows; the ID and configuration rows are always shown.
std::string MemoryListing(const ChipContents& contents);

// What a HEX file puts in each memory, read within the given sizes.
ChipContents ContentsOfImage(const HexImage& image, ImageLimits limits);

}  // namespace daxwel::cli
