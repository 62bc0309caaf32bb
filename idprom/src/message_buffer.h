// Messages into a buffer the caller passes, for the routines that report
// in text instead of printing (the plain-transfer road, the presence
// checks).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace boardprom
{

// The caller's buffer of `size` bytes.  Each message replaces the one
// before and is cut to fit; a caller without a buffer gets none.
class MessageBuffer
{
  public:
    MessageBuffer(char *text, int size)
        : text_(text), size_(size > 0 ? static_cast<std::size_t>(size) : 0)
    {
    }

    [[gnu::format(printf, 2, 3)]] void put(const char *format, ...) const
    {
        if (text_ == nullptr || size_ == 0)
            return;
        va_list args;
        va_start(args, format);
        std::vsnprintf(text_, size_, format, args);
        va_end(args);
    }

  private:
    char *text_;
    std::size_t size_;
};

} // namespace boardprom
