// An in-memory card for the unit tests: the whole configuration window of
// buses 0 to 191 (absent functions read as all ones), with builders for
// functions, bridges, PCI Express and AER capabilities and BARs.
#ifndef LINKMON_TESTS_FAKES_FAKE_CARD_H
#define LINKMON_TESTS_FAKES_FAKE_CARD_H

#include <cstdint>
#include <cstring>

namespace fake_os
{

// Offsets at which the builders place their capabilities.
inline constexpr unsigned PCIE_CAP = 0x40;
inline constexpr unsigned AER_CAP = 0x100;
inline constexpr unsigned LINK_STATUS_REG = PCIE_CAP + 0x12;
inline constexpr unsigned UE_STATUS_REG = AER_CAP + 0x04;
inline constexpr unsigned UE_MASK_REG = AER_CAP + 0x08;
// A trained x4 link with the data link layer active.
inline constexpr uint16_t LINK_UP_X4 = 0x2041;

class FakeCard
{
  public:
    FakeCard();
    ~FakeCard();
    FakeCard(const FakeCard &) = delete;
    FakeCard &operator=(const FakeCard &) = delete;

    uint8_t *page(unsigned bus, unsigned dev, unsigned func);
    template <typename T> void write(unsigned bus, unsigned dev, unsigned func, unsigned reg, T v)
    {
        std::memcpy(page(bus, dev, func) + reg, &v, sizeof v);
    }
    template <typename T> T read(unsigned bus, unsigned dev, unsigned func, unsigned reg)
    {
        T v;
        std::memcpy(&v, page(bus, dev, func) + reg, sizeof v);
        return v;
    }

    void add_endpoint(unsigned bus, unsigned dev, unsigned func, uint16_t vendor, uint16_t device);
    void add_bridge(unsigned bus, unsigned dev, unsigned func, uint16_t vendor, uint16_t device,
                    uint8_t secondary, uint8_t subordinate);
    void add_pcie(unsigned bus, unsigned dev, unsigned func, uint16_t link_status,
                  uint32_t slot_caps = 0);
    void add_aer(unsigned bus, unsigned dev, unsigned func, uint32_t status, uint32_t mask,
                 uint32_t severity);
    void set_bar(unsigned bus, unsigned dev, unsigned func, unsigned k, uint32_t value);
    void remove(unsigned bus, unsigned dev, unsigned func);
    // An endpoint with a trained PCIe link below a root port on bus 0.
    void add_linked_endpoint(unsigned port_dev, unsigned bus, uint16_t vendor, uint16_t device);

    uint8_t *base() const
    {
        return base_;
    }

  private:
    uint8_t *base_;
};

} // namespace fake_os

#endif
