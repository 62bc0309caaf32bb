// Configuration registers and AHCI registers the daemon reads, with the
// fields it takes from them. Offsets in bytes; PCIE_ and AER_ offsets are
// relative to their capability.
#ifndef LINKMON_PCI_REGS_H
#define LINKMON_PCI_REGS_H

#include <cstdint>

namespace linkmon
{

inline constexpr unsigned REG_VENDOR = 0x00;
inline constexpr unsigned REG_STATUS = 0x06;
inline constexpr unsigned STATUS_CAP_LIST = 1u << 4;
inline constexpr unsigned REG_HEADER_TYPE = 0x0E;
inline constexpr unsigned HEADER_NONE = 0x7F;
inline constexpr unsigned HEADER_CARDBUS = 2;
inline constexpr unsigned REG_BAR0 = 0x10;
inline constexpr unsigned BAR_COUNT = 6;
inline constexpr unsigned REG_PRIMARY_BUS = 0x18;
inline constexpr unsigned REG_SECONDARY_BUS = 0x19;
inline constexpr unsigned REG_SUBORDINATE_BUS = 0x1A;
inline constexpr unsigned REG_CAP_PTR = 0x34;

inline constexpr unsigned CAP_ID_PCIE = 0x10;
inline constexpr unsigned PCIE_LINK_STATUS = 0x12;
inline constexpr unsigned PCIE_SLOT_CAPS = 0x14;
inline constexpr uint32_t LINK_WIDTH_MASK = 0x3F0;
inline constexpr uint32_t LINK_LOST = 0xFFFF;

inline constexpr unsigned EXT_CAP_ID_AER = 1;
inline constexpr unsigned AER_UE_STATUS = 0x04;
inline constexpr unsigned AER_UE_MASK = 0x08;
inline constexpr unsigned AER_UE_SEVERITY = 0x0C;
inline constexpr uint32_t UES_LOST = 0xFFFFFFFF;

inline constexpr unsigned AHCI_PORTS_IMPLEMENTED = 0x0C;
inline constexpr unsigned AHCI_PORT_BASE = 0x100;
inline constexpr unsigned AHCI_PORT_SIZE = 0x80;
inline constexpr unsigned AHCI_PORT_SSTS = 0x28;
inline constexpr uint32_t SSTS_MASK = 0xFFF; // detection, speed, power state

constexpr unsigned devfn_of(unsigned dev, unsigned func)
{
    return (dev << 3) | func;
}

} // namespace linkmon

#endif
