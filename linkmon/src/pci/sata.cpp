// The SATA controller's row: its AHCI register page and the status
// registers of its first two implemented ports.
#include "app/log.h"
#include "pci/pci.h"
#include "pci/regs.h"
#include "settings.h"

#include <sys/mman.h>

#include <cerrno>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_NO_MEMORY_BAR = "Cannot locate SATA memory BAR at %02x:%02x.%x\n";
inline constexpr const char *MSG_MAP_FAILED = "Unable to map SATA memory, errno = %d\n";
inline constexpr const char *MSG_PORTS_IMPLEMENTED = "SATA Ports Implemented = %x\n";
inline constexpr const char *MSG_EMPTY_PI = "Empty SATA PI\n";
inline constexpr const char *MSG_PORT_STATUS = "AHCI INST %d: %04x\n";

inline constexpr uint32_t BAR_IO_SPACE = 1;
inline constexpr uint32_t BAR_MEMORY_FLAGS = 0xF;
inline constexpr uint32_t AHCI_PI_WATCHED = 0x3F;

// The base address of the first memory BAR, or 0 when there is none. A BAR
// that reads 0 is not implemented and its page is not the controller's.
uint64_t find_memory_bar(unsigned bus, unsigned dev, unsigned func)
{
    for (unsigned k = 0; k < BAR_COUNT; ++k) {
        const uint32_t bar = pci_cfg_read32(bus, devfn_of(dev, func), REG_BAR0 + 4 * k);
        if ((bar & BAR_IO_SPACE) == 0 && (bar & ~BAR_MEMORY_FLAGS) != 0)
            return bar & ~BAR_MEMORY_FLAGS;
    }
    return 0;
}

bool map_ahci_page(unsigned bus, unsigned dev, unsigned func)
{
    const uint64_t base = find_memory_bar(bus, dev, func);
    if (base == 0) {
        pcie_log(MSG_NO_MEMORY_BAR, bus, dev, func);
        return false;
    }
    void *page = map_phys_mem(base, settings::SATA_PAGE_SIZE);
    if (page == MAP_FAILED) {
        sata_vaddr = nullptr;
        pcie_log(MSG_MAP_FAILED, errno);
        return false;
    }
    sata_vaddr = static_cast<volatile uint8_t *>(page);
    return true;
}

} // namespace

extern "C" {

uint32_t sata_did;
volatile uint8_t *sata_vaddr;
volatile uint32_t *sata_PxSSTS_addr[2];

void setup_sata_ports(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func)
{
    // Only one controller is ever taken: a later function with the same
    // device ID does not map a second page over the first one's ports.
    if (sata_did == 0 || row->device != sata_did || sata_vaddr != nullptr)
        return;
    if (!map_ahci_page(bus, dev, func))
        return;
    const uint32_t pi =
        *reinterpret_cast<const volatile uint32_t *>(sata_vaddr + AHCI_PORTS_IMPLEMENTED);
    pcie_log(MSG_PORTS_IMPLEMENTED, pi);
    if ((pi & AHCI_PI_WATCHED) == 0) {
        pcie_log("%s", MSG_EMPTY_PI);
        return;
    }
    unsigned chosen = 0;
    for (unsigned k = 0; k < settings::SATA_MAX_PORTS && chosen < settings::SATA_WATCHED_PORTS;
         ++k) {
        if ((pi & (1u << k)) == 0)
            continue;
        const unsigned off = AHCI_PORT_BASE + AHCI_PORT_SIZE * k + AHCI_PORT_SSTS;
        sata_PxSSTS_addr[chosen++] = reinterpret_cast<volatile uint32_t *>(sata_vaddr + off);
    }
    for (unsigned i = 0; i < settings::SATA_WATCHED_PORTS; ++i) {
        if (sata_PxSSTS_addr[i] == nullptr)
            continue;
        const uint32_t s = *sata_PxSSTS_addr[i] & SSTS_MASK;
        row->disc_link_status |= s << (16 * i);
        pcie_log(MSG_PORT_STATUS, static_cast<int>(i), s);
    }
    row->link_status = row->disc_link_status;
    row->type = DEV_TYPE_SATA;
    row->partner_idx = PIDX_SATA;
    set_partner_to_self(row);
}

} // extern "C"
