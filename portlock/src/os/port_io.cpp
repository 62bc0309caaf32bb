// The two port transactions, as the x86 IN and OUT instructions. They
// fault unless port_access() has granted the port first.
#include "port_io.h"

extern "C" unsigned char inb(unsigned short port)
{
    unsigned char value;
    asm volatile("inb %w1, %b0" : "=a"(value) : "Nd"(port));
    return value;
}

extern "C" void outb(unsigned char value, unsigned short port)
{
    asm volatile("outb %b0, %w1" : : "a"(value), "Nd"(port));
}
