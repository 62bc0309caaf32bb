// FPGA register access through the platform's IOFPGA access library,
// linked by name.
#include "os.h"

extern "C" {
int iofpga_pci_read_memory_v2(uint32_t offset, uint32_t *value, int zero);
int iofpga_pci_write_memory_v2(uint32_t offset, uint32_t value, int zero);
}

namespace boardprom::os
{

int fpga_read(uint32_t offset, uint32_t *value)
{
    return iofpga_pci_read_memory_v2(offset, value, 0);
}

int fpga_write(uint32_t offset, uint32_t value)
{
    return iofpga_pci_write_memory_v2(offset, value, 0);
}

} // namespace boardprom::os
