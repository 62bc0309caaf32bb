// Register access of the simulated FPGA (state locked by the caller).
#pragma once

#include "sim_state.h"

namespace iofpga_sim
{

int register_read(State *s, uint32_t offset, uint32_t *value);
int register_write(State *s, uint32_t offset, uint32_t value);

} // namespace iofpga_sim
