// Bounded text assembly for paths and log lines: no allocation, no locks,
// so it serves inside signal handlers. Text that would not fit is refused
// as a whole (ok() turns false) instead of being cut.
#pragma once

#include <safe_str_lib.h>

#include <cstddef>
#include <cstring>
#include <string_view>

namespace covdump
{

template <std::size_t N> class Text
{
  public:
    Text()
    {
        buf_[0] = '\0';
    }

    Text &add(std::string_view s)
    {
        if (!ok_ || s.size() > N - 1 - len_) {
            ok_ = false;
            return *this;
        }
        if (s.empty()) {
            return *this;
        }
        if (strncat_s(buf_, N, s.data(), s.size()) != 0) {
            ok_ = false;
            return *this;
        }
        len_ += s.size();
        return *this;
    }

    Text &add(const char *s)
    {
        return add(std::string_view(s == nullptr ? "(null)" : s));
    }

    // Decimal value, keeping at most `max_digits` leading characters.
    Text &add_int(long long v, std::size_t max_digits = 32)
    {
        char digits[24];
        std::size_t n = 0;
        unsigned long long u =
            v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        do {
            digits[n++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u != 0);
        if (v < 0) {
            digits[n++] = '-';
        }
        char ordered[24];
        for (std::size_t i = 0; i < n; ++i) {
            ordered[i] = digits[n - 1 - i];
        }
        return add(std::string_view(ordered, n < max_digits ? n : max_digits));
    }

    bool ok() const
    {
        return ok_;
    }
    const char *c_str() const
    {
        return buf_;
    }
    std::size_t size() const
    {
        return len_;
    }
    std::string_view view() const
    {
        return {buf_, len_};
    }

  private:
    char buf_[N];
    std::size_t len_ = 0;
    bool ok_ = true;
};

} // namespace covdump
