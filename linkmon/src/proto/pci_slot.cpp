// The [[domain:]bus:]device[.function] parser shared by the client and the
// NIC list.
#include "proto/proto.h"

#include <cstdlib>
#include <cstring>

namespace
{

// Converts one component; 0 when it is absent, empty or "*". Returns
// false when the text is not a hexadecimal number within 0..max.
bool convert_component(const char *text, long max, long *value)
{
    *value = 0;
    if (text == nullptr || text[0] == '\0' || std::strcmp(text, "*") == 0)
        return true;
    char *end = nullptr;
    long v = std::strtol(text, &end, 16);
    if (end == text || *end != '\0' || v < 0 || v > max)
        return false;
    *value = v;
    return true;
}

} // namespace

extern "C" int parse_pci_slot(char *text)
{
    if (text == nullptr)
        return 0;
    const char *domain = nullptr;
    const char *bus = nullptr;
    const char *dev = text;
    const char *func = nullptr;
    char *colon = std::strrchr(text, ':');
    char *dot = std::strchr(colon != nullptr ? colon + 1 : text, '.');
    if (colon != nullptr) {
        *colon = '\0';
        dev = colon + 1;
        char *split = std::strchr(text, ':');
        if (split != nullptr) {
            *split = '\0';
            domain = text;
            bus = split + 1;
        } else {
            bus = text;
        }
    }
    if (dot != nullptr) {
        *dot = '\0';
        func = dot + 1;
    }
    long d = 0, b = 0, s = 0, f = 0;
    if (!convert_component(domain, 0x7FFF, &d) || !convert_component(bus, 0xFF, &b) ||
        !convert_component(dev, 0x1F, &s) || !convert_component(func, 7, &f))
        return 0;
    return static_cast<int>(d * 65536 + b * 256 + s * 8 + f);
}
