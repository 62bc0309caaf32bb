// Writes words and bytes of the dump image at a moving position.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "covdump.h"

namespace covdump
{

class Cursor
{
  public:
    explicit Cursor(unsigned char *at) : at_(at) {}
    void put_be32(std::uint32_t v)
    {
        const unsigned char bytes[4] = {
            static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
            static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
        put_bytes(bytes, sizeof bytes);
    }
    void put32(std::uint32_t v)
    {
        put_bytes(&v, sizeof v);
    }
    void put_bytes(const void *data, std::size_t n)
    {
        if (n == 0) {
            return; // a kind without counters may have no values at all
        }
        std::memcpy(at_, data, n);
        at_ += n;
    }
    // Counters as low word then high word, each in native order.
    void put_counters(const gcov_type *values, std::uint32_t n)
    {
        if constexpr (std::endian::native == std::endian::little) {
            put_bytes(values, std::size_t{n} * sizeof(gcov_type));
        } else {
            for (std::uint32_t i = 0; i < n; ++i) {
                const auto v = static_cast<std::uint64_t>(values[i]);
                put32(static_cast<std::uint32_t>(v));
                put32(static_cast<std::uint32_t>(v >> 32));
            }
        }
    }
    // 64-bit summary value: low word, then a high word of 0.
    void put_low_and_zero(std::uint64_t v)
    {
        put32(static_cast<std::uint32_t>(v));
        put32(0);
    }
    void skip(std::size_t n)
    {
        at_ += n;
    }
    unsigned char *at() const
    {
        return at_;
    }

  private:
    unsigned char *at_;
};

// Reads back a big-endian length field of the container.
inline std::uint32_t get_be32(const unsigned char *p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

} // namespace covdump
