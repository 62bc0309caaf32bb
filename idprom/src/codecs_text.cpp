// Line reading: the text codec, the hexadecimal digit value and the one
// fgets all codecs go through.
#include "codecs.h"
#include "export.h"

#include "boardprom.h"

#include <cstdio>
#include <cstring>
#include <safe_str_lib.h>

namespace boardprom
{

namespace
{

LineSource *g_source = nullptr;

} // namespace

LineSource::LineSource(const char *text, size_t length)
    : text_(text), length_(length), previous_(g_source)
{
    g_source = this;
}

LineSource::~LineSource()
{
    g_source = previous_;
}

// fgets over the text: up to size-1 characters, up to and including the
// first newline, then a NUL.
bool LineSource::read(char *buf, int size)
{
    if (taken_ >= length_)
        return false;
    size_t n = 0;
    while (n + 1 < static_cast<size_t>(size) && taken_ < length_) {
        const char c = text_[taken_++];
        buf[n++] = c;
        if (c == '\n')
            break;
    }
    buf[n] = '\0';
    return true;
}

bool read_line(char *buf, int size)
{
    if (size <= 0)
        return false;
    if (g_source != nullptr)
        return g_source->read(buf, size);
    return std::fgets(buf, size, stdin) != nullptr;
}

bool values_must_fit()
{
    return g_source != nullptr;
}

void complain(const char *message)
{
    if (g_source == nullptr)
        std::puts(message);
}

namespace
{

// strnlen_s refuses bounds above RSIZE_MAX_STR; longer buffers are counted
// in two steps so that a long line is never taken as empty.
size_t bounded_length(const char *buf, size_t size)
{
    const size_t first = size < RSIZE_MAX_STR ? size : RSIZE_MAX_STR;
    const size_t n = strnlen_s(buf, first);
    if (n < first || first == size)
        return n;
    return n + strnlen(buf + first, size - first);
}

} // namespace
} // namespace boardprom

extern "C" {

BOARDPROM_EXPORT int atoh(int c)
{
    const unsigned char ch = static_cast<unsigned char>(c);
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return 0;
}

BOARDPROM_EXPORT int sprom_get_text(char *buf, int size)
{
    if (buf == nullptr || !boardprom::read_line(buf, size))
        return -1;
    const size_t limit = static_cast<size_t>(size);
    for (char *p = buf; *p != '\0'; ++p)
        if (*p == '\n')
            *p = '\0';
    return static_cast<int>(boardprom::bounded_length(buf, limit));
}

} // extern "C"
