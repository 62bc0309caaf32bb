// The in-memory card of the unit tests (see fake_card.h).
#include "fakes/fake_card.h"
#include "pci/pci.h"
#include "pci/regs.h"
#include "settings.h"

#include <sys/mman.h>

namespace fake_os
{

namespace
{

void fill_absent(uint8_t *base)
{
    for (unsigned bus = 0; bus <= linkmon::settings::SCAN_LAST_BUS; ++bus) {
        const unsigned devices = bus == 0 ? 32 : linkmon::settings::SCAN_DEVICES;
        const unsigned functions = bus == 0 ? 8 : linkmon::settings::SCAN_FUNCTIONS;
        for (unsigned dev = 0; dev < devices; ++dev)
            for (unsigned func = 0; func < functions; ++func)
                std::memset(base + pci_cfg_offset(bus, dev, func, 0), 0xFF,
                            linkmon::settings::CFG_PAGE_SIZE);
    }
}

// One window for the whole test program: mapping and faulting in 192 MiB
// for every test would dominate the run time.
uint8_t *shared_window()
{
    static uint8_t *window = [] {
        void *p = ::mmap(nullptr, linkmon::settings::MMCONFIG_WINDOW_SIZE, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        return p == MAP_FAILED ? nullptr : static_cast<uint8_t *>(p);
    }();
    return window;
}

} // namespace

FakeCard::FakeCard() : base_(shared_window())
{
    fill_absent(base_);
    // The host bridge that validates the window.
    add_endpoint(0, 0, 0, 0x8086, 0x0C00);
    mmucfg_base = base_;
}

FakeCard::~FakeCard()
{
    mmucfg_base = nullptr;
}

uint8_t *FakeCard::page(unsigned bus, unsigned dev, unsigned func)
{
    return base_ + pci_cfg_offset(bus, dev, func, 0);
}

void FakeCard::add_endpoint(unsigned bus, unsigned dev, unsigned func, uint16_t vendor,
                            uint16_t device)
{
    std::memset(page(bus, dev, func), 0, linkmon::settings::CFG_PAGE_SIZE);
    write<uint32_t>(bus, dev, func, 0, vendor | uint32_t{device} << 16);
}

void FakeCard::add_bridge(unsigned bus, unsigned dev, unsigned func, uint16_t vendor,
                          uint16_t device, uint8_t secondary, uint8_t subordinate)
{
    add_endpoint(bus, dev, func, vendor, device);
    write<uint8_t>(bus, dev, func, 0x0E, 1);
    write<uint8_t>(bus, dev, func, 0x18, static_cast<uint8_t>(bus));
    write<uint8_t>(bus, dev, func, 0x19, secondary);
    write<uint8_t>(bus, dev, func, 0x1A, subordinate);
}

void FakeCard::add_pcie(unsigned bus, unsigned dev, unsigned func, uint16_t link_status,
                        uint32_t slot_caps)
{
    write<uint16_t>(bus, dev, func, 0x06,
                    read<uint16_t>(bus, dev, func, 0x06) | linkmon::STATUS_CAP_LIST);
    write<uint8_t>(bus, dev, func, 0x34, PCIE_CAP);
    write<uint16_t>(bus, dev, func, PCIE_CAP, 0x0010); // ID 0x10, no next
    write<uint16_t>(bus, dev, func, LINK_STATUS_REG, link_status);
    write<uint32_t>(bus, dev, func, PCIE_CAP + 0x14, slot_caps);
}

void FakeCard::add_aer(unsigned bus, unsigned dev, unsigned func, uint32_t status, uint32_t mask,
                       uint32_t severity)
{
    write<uint32_t>(bus, dev, func, AER_CAP, 0x00010001); // ID 1, version 1, no next
    write<uint32_t>(bus, dev, func, UE_STATUS_REG, status);
    write<uint32_t>(bus, dev, func, UE_MASK_REG, mask);
    write<uint32_t>(bus, dev, func, AER_CAP + 0x0C, severity);
}

void FakeCard::set_bar(unsigned bus, unsigned dev, unsigned func, unsigned k, uint32_t value)
{
    write<uint32_t>(bus, dev, func, 0x10 + 4 * k, value);
}

void FakeCard::remove(unsigned bus, unsigned dev, unsigned func)
{
    std::memset(page(bus, dev, func), 0xFF, linkmon::settings::CFG_PAGE_SIZE);
}

void FakeCard::add_linked_endpoint(unsigned port_dev, unsigned bus, uint16_t vendor,
                                   uint16_t device)
{
    add_bridge(0, port_dev, 0, 0x8086, 0x1901, static_cast<uint8_t>(bus),
               static_cast<uint8_t>(bus));
    add_pcie(0, port_dev, 0, LINK_UP_X4, 0x00400000);
    add_endpoint(bus, 0, 0, vendor, device);
    add_pcie(bus, 0, 0, LINK_UP_X4);
}

} // namespace fake_os
