// Temporary stand-ins for routines not written yet; each goes away when
// its real definition lands.
#include "pcie_monitor.h"

#include <stdlib.h>
#include <string.h>

extern "C" {
TrackedDevice *tracked_devices;
TrackedDevice *sata_devices;
char boardtype_arr[3];
int is_boardtype_set;
struct timespec skiptime;
int client_mode;
int read_card_index(void) { return 0; }
void start_threads(const char *) {}
int get_config_value(const char *, const char *, char *, size_t) { return 2; }
int pcie_log(const char *, ...) { return 0; }
void log_prefix(void) {}
int devmem_fd = -1;
volatile uint8_t *mmucfg_base;
void *map_phys_mem(uint64_t, size_t) { return nullptr; }
int map_mmconfig(const char *) { return 1; }
uint8_t pci_cfg_read8(unsigned, unsigned, unsigned) { return 0xFF; }
uint16_t pci_cfg_read16(unsigned, unsigned, unsigned) { return 0xFFFF; }
uint32_t pci_cfg_read32(unsigned, unsigned, unsigned) { return 0xFFFFFFFF; }
unsigned pci_find_cap(unsigned, unsigned, unsigned) { return 0; }
unsigned pci_find_ext_cap(unsigned, unsigned, unsigned) { return 0; }
FmeaDevice fmea_devices[FMEA_MAX_DEVICES];
uint32_t n_fmea_devices;
void log_device(const FmeaDevice *) {}
void log_all_devices(void) {}
uint64_t linkmon_pass;
volatile uint32_t linkmonstate;
}
