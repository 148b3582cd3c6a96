#pragma once

// Field values that several layout tables share.
#include "config/layout.h"

namespace daxwel {

// FOSC2:0 in bits 2:0, as the 12F629/675 and the 16F88X/6XX/91X hold them. "rc" is what the
// older parts call RC CLKOUT.
inline constexpr ConfigValue kOscBits2To0Values[] = {
    {"lp", 0x0, "LP", "LP", "LP"},
    {"xt", 0x1, "XT", "XT", "XT"},
    {"hs", 0x2, "HC", "HS", "HS"},
    {"ec", 0x3, "EC", "EC", "EC"},
    {"intio", 0x4, "INTOSC I/O", "IntoscIO", "INTOSC I/O"},
    {"intclk", 0x5, "INTOSC CLKOUT", "IntoscClkout", "INTOSC CLKOUT"},
    {"rcio", 0x6, "RC I/O", "RcIO", "RC I/O"},
    {"rcclk", 0x7, "RC CLKOUT", "RcClkout", "RC CLKOUT", "rc"},
};

}  // namespace daxwel
