// PCI configuration space and the device table it fills: the MMCONFIG window
// and its reads, discovery of the monitored functions, the pairing of link
// partners, the SATA controller's ports, BAR verification and the record line
// every row is logged with.
#ifndef LINKMON_PCI_PCI_H
#define LINKMON_PCI_PCI_H

#include "app/app.h"

#include <linkmon/fmea_device.h>

#include <cstddef>
#include <cstdint>

extern "C" {

// ---- mmconfig.cpp: configuration access -------------------------------------
extern int devmem_fd;
extern volatile uint8_t *mmucfg_base;
// Window offset of a configuration register.
static inline uint32_t pci_cfg_offset(unsigned bus, unsigned dev, unsigned func, unsigned reg)
{
    return ((((uint32_t)bus * 32u + dev) * 8u + func) << 12) + reg;
}
void *map_phys_mem(uint64_t offset, size_t length);
int map_mmconfig(const char *text);
uint8_t pci_cfg_read8(unsigned bus, unsigned devfn, unsigned reg);
uint16_t pci_cfg_read16(unsigned bus, unsigned devfn, unsigned reg);
uint32_t pci_cfg_read32(unsigned bus, unsigned devfn, unsigned reg);
unsigned pci_find_cap(unsigned bus, unsigned devfn, unsigned cap_id);
unsigned pci_find_ext_cap(unsigned bus, unsigned devfn, unsigned cap_id);

// ---- discovery.cpp, device_info.cpp: one row per kept function ----------------
extern TrackedDevice skipped_devices[];
void scan_pci_functions(void);
void add_pci_function(unsigned bus, unsigned dev, unsigned func);
int match_sata_device(unsigned vendor, unsigned device);
int match_tracked_device(unsigned vendor, unsigned device);
int is_skipped_bridge(unsigned vendor, unsigned device);
// The board-list row a record was matched against, or null (bridges, or a
// position beyond the end of the list).
const TrackedDevice *tracked_row_of(const FmeaDevice *row);
// The partner fields of a row that is its own link partner.
void set_partner_to_self(FmeaDevice *row);
void read_hwid(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);
int read_pcie_link(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);
void read_aer_regs(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);
void capture_bars(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);
void read_lspci_name(unsigned bus, unsigned dev, unsigned func, char *dest);

// ---- pairing.cpp: link partners ---------------------------------------------------
void pair_link_partners(void);
void pair_with_bridge(unsigned row);

// ---- sata.cpp: the SATA controller's ports -------------------------------------------
extern uint32_t sata_did;
extern volatile uint8_t *sata_vaddr;
extern volatile uint32_t *sata_PxSSTS_addr[2];
void setup_sata_ports(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);

// ---- verify_bars.cpp: BARs after a recovered link --------------------------------------
int verify_bars(unsigned row, unsigned bus, unsigned dev, unsigned func);

// ---- record_line.cpp: the record line of a row ---------------------------------------------
void log_device(const FmeaDevice *rec);
void log_all_devices(void);

} // extern "C"

#endif
