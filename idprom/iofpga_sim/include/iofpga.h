/* The platform's I/O FPGA access library: 32-bit register access by byte
   offset.  Every call site passes 0 as the third argument. */
#ifndef IOFPGA_H
#define IOFPGA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int iofpga_pci_read_memory_v2(uint32_t offset, uint32_t *value, int zero);
int iofpga_pci_write_memory_v2(uint32_t offset, uint32_t value, int zero);

#ifdef __cplusplus
}
#endif

#endif
