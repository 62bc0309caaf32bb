// parse_pci_slot on any text: the result is 0 or a packed address whose
// fields are in range, the text is never read or written past its end, and
// a valid result reads back the same from its canonical text.
#include "proto/proto.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The text as a caller gives it: NUL-terminated, in a block of exactly
    // its size, cut up in place.
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    const int packed = parse_pci_slot(text.get());
    if (packed < 0 || (packed >> 16) > 0x7FFF)
        std::abort();
    if (packed == 0)
        return 0;
    char canonical[32];
    std::snprintf(canonical, sizeof canonical, "%x:%x:%x.%x", packed >> 16, (packed >> 8) & 0xFF,
                  (packed >> 3) & 0x1F, packed & 7);
    if (parse_pci_slot(canonical) != packed)
        std::abort();
    return 0;
}
