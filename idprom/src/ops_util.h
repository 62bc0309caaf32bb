// Pieces shared by the show, program and dump utilities.
#pragma once

#include "boardprom.h"

namespace boardprom
{

inline constexpr const char *kReadingNotice =
    "\n\n* Reading SPROM INFO. This will take a while... Please be patient";

// Fan trays and power modules go through the FPGA road, all else through
// the board ID-PROM.
bool is_ft_psu(int kind);
void announce_reading();

// Layout, byte order and image size of a PROM kind.
struct PromFormat {
    sprom_field_def *layout = nullptr;
    int endian = 0;
    int size = 0;
};
int find_format(int kind, int reserved, PromFormat *format);

} // namespace boardprom
