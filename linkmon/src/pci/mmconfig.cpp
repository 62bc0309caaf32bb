// Configuration access through the memory-mapped enhanced configuration
// space (MMCONFIG) of buses 0 to 191, and the capability searches.
#include "app/log.h"
#include "os/os.h"
#include "pci/pci.h"
#include "pci/regs.h"
#include "settings.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

using namespace linkmon;

namespace
{

inline constexpr const char *MSG_DEVMEM_OPEN = "Failed to open mem for mmap %lx for %lx, rc = %d\n";
inline constexpr const char *MSG_NOT_ALIGNED = "paddr = %lx is not aligned\n";
inline constexpr const char *MSG_MAP_FAILED = "mmap_mmcfg failed paddr = %lx errno = %d\n";
inline constexpr const char *MSG_NOT_MMCONFIG = "mmap_mmcfg paddr = %lx is not MMCONFIG memory\n";
inline constexpr const char *MSG_MMCONFIG = "MMCONFIG paddr = %lx vaddr = %p\n";

inline constexpr unsigned CAP_FIRST = 0x40;
inline constexpr unsigned EXT_CAP_FIRST = 0x100;

template <typename T> T cfg_load(unsigned bus, unsigned devfn, unsigned reg)
{
    const uint32_t off = pci_cfg_offset(bus, devfn >> 3, devfn & 7, reg);
    return *reinterpret_cast<const volatile T *>(mmucfg_base + off);
}

} // namespace

extern "C" {

int devmem_fd = -1;
volatile uint8_t *mmucfg_base;

void *map_phys_mem(uint64_t offset, size_t length)
{
    if (devmem_fd == -1)
        devmem_fd = os::open_devmem();
    if (devmem_fd < 0) {
        const int saved = errno;
        pcie_log(MSG_DEVMEM_OPEN, static_cast<unsigned long>(offset),
                 static_cast<unsigned long>(length), saved);
        devmem_fd = -1;
        errno = saved;
        return MAP_FAILED;
    }
    return os::map_shared_read(devmem_fd, offset, length);
}

int map_mmconfig(const char *text)
{
    const unsigned long long base = std::strtoull(text, nullptr, 0);
    const unsigned long paddr = static_cast<unsigned long>(base);
    if ((static_cast<uint32_t>(base) & settings::MMCONFIG_ALIGN_MASK) != 0) {
        pcie_log(MSG_NOT_ALIGNED, paddr);
        return 1;
    }
    void *window = map_phys_mem(base, settings::MMCONFIG_WINDOW_SIZE);
    if (window == MAP_FAILED) {
        pcie_log(MSG_MAP_FAILED, paddr, errno);
        return 1;
    }
    mmucfg_base = static_cast<volatile uint8_t *>(window);
    if (pci_cfg_read16(0, 0, 0) != settings::MMCONFIG_VENDOR_CHECK) {
        pcie_log(MSG_NOT_MMCONFIG, paddr);
        return 1;
    }
    pcie_log(MSG_MMCONFIG, paddr, window);
    return 0;
}

uint8_t pci_cfg_read8(unsigned bus, unsigned devfn, unsigned reg)
{
    return cfg_load<uint8_t>(bus, devfn, reg);
}

uint16_t pci_cfg_read16(unsigned bus, unsigned devfn, unsigned reg)
{
    return cfg_load<uint16_t>(bus, devfn, reg);
}

uint32_t pci_cfg_read32(unsigned bus, unsigned devfn, unsigned reg)
{
    return cfg_load<uint32_t>(bus, devfn, reg);
}

unsigned pci_find_cap(unsigned bus, unsigned devfn, unsigned cap_id)
{
    if ((pci_cfg_read16(bus, devfn, REG_STATUS) & STATUS_CAP_LIST) == 0)
        return 0;
    unsigned pos = pci_cfg_read8(bus, devfn, REG_CAP_PTR);
    for (unsigned ttl = settings::CAP_TTL; ttl != 0; --ttl) {
        if (pos < CAP_FIRST || pos == 0xFF)
            return 0;
        pos &= ~3u;
        const uint16_t entry = pci_cfg_read16(bus, devfn, pos);
        const unsigned id = entry & 0xFF;
        if (entry == 0xFFFF || id == 0xFF)
            return 0;
        if (id == cap_id)
            return pos;
        pos = entry >> 8;
    }
    return 0;
}

unsigned pci_find_ext_cap(unsigned bus, unsigned devfn, unsigned cap_id)
{
    unsigned pos = EXT_CAP_FIRST;
    uint32_t header = pci_cfg_read32(bus, devfn, pos);
    if (header == 0 || header == 0xFFFFFFFF)
        return 0;
    for (unsigned ttl = settings::EXT_CAP_TTL; ttl > 0; --ttl) {
        if ((header & 0xFFFF) == cap_id)
            return pos;
        pos = (header >> 20) & 0xFFC;
        if (pos < EXT_CAP_FIRST)
            return 0;
        header = pci_cfg_read32(bus, devfn, pos);
        if (header == 0 || header == 0xFFFFFFFF)
            return 0;
    }
    return 0;
}

} // extern "C"
