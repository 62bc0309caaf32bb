// A discovered card for the tests of the checks and the loop: root port
// 00:01.0 (row 0) paired with the platform endpoint 01:00.0 (row 1), which
// has AER with a fatal, unmasked Completion Timeout bit.
#ifndef LINKMON_TESTS_FAKES_MONITOR_FIXTURE_H
#define LINKMON_TESTS_FAKES_MONITOR_FIXTURE_H

#include "fakes/daemon_fixture.h"
#include "fakes/fake_card.h"
#include "monitor/monitor.h"
#include "pci/pci.h"
#include "state/shared_state.h"

#include <string>

namespace fake_os
{

inline constexpr uint32_t UE_CTO = 1u << 14;
inline constexpr uint32_t ENDPOINT_BAR0 = 0xfe000000;

class MonitorTest : public DaemonTest
{
  protected:
    void SetUp() override
    {
        DaemonTest::SetUp();
        card.add_linked_endpoint(1, 1, PLATFORM_VENDOR_ID, 0x0100);
        card.add_aer(1, 0, 0, 0, 0, UE_CTO);
        card.set_bar(1, 0, 0, 0, ENDPOINT_BAR0);
        capture();
        scan_pci_functions();
        pair_link_partners();
        messages();
    }
    FmeaDevice &endpoint()
    {
        return fmea_devices[1];
    }
    void set_link(uint16_t status)
    {
        card.write<uint16_t>(1, 0, 0, LINK_STATUS_REG, status);
    }
    void set_ues(uint32_t status)
    {
        card.write<uint32_t>(1, 0, 0, UE_STATUS_REG, status);
    }
    // Runs passes (sleep, pass, count) and returns their messages.
    std::string passes(unsigned n)
    {
        capture();
        for (unsigned i = 0; i < n; ++i)
            monitor_step();
        return messages();
    }
    static unsigned count(const std::string &text, const std::string &what)
    {
        unsigned n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
    FakeCard card;
};

} // namespace fake_os

#endif
