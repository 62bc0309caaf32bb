// Block checksums and multi-byte values in a layout's byte order.
#include "layouts.h"

namespace boardprom
{

uint16_t sprom_block_checksum(const uint8_t *image, uint32_t start, uint32_t length,
                              uint32_t checksum_offset)
{
    uint32_t sum = 0;
    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t at = start + i;
        if (at == checksum_offset || at == checksum_offset + 1)
            continue;
        sum += image[at];
    }
    return static_cast<uint16_t>(sum);
}

namespace
{

// Value of the n bytes at p: most significant first when endian is 0.
uint64_t load(const uint8_t *p, int n, int endian)
{
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) {
        const uint8_t b = p[endian == 0 ? i : n - 1 - i];
        v = v << 8 | b;
    }
    return v;
}

void store(uint8_t *p, uint64_t v, int n, int endian)
{
    for (int i = 0; i < n; ++i) {
        const uint8_t b = static_cast<uint8_t>(v >> (8 * (n - 1 - i)));
        p[endian == 0 ? i : n - 1 - i] = b;
    }
}

} // namespace

uint16_t sprom_load16(const uint8_t *p, int endian)
{
    return static_cast<uint16_t>(load(p, 2, endian));
}

uint32_t sprom_load32(const uint8_t *p, int endian)
{
    return static_cast<uint32_t>(load(p, 4, endian));
}

uint64_t sprom_load64(const uint8_t *p, int endian)
{
    return load(p, 8, endian);
}

void sprom_store16(uint8_t *p, uint16_t v, int endian)
{
    store(p, v, 2, endian);
}

void sprom_store32(uint8_t *p, uint32_t v, int endian)
{
    store(p, v, 4, endian);
}

void sprom_store64(uint8_t *p, uint64_t v, int endian)
{
    store(p, v, 8, endian);
}

} // namespace boardprom
