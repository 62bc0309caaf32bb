// get_config_value on any file, key and buffer size, checked against a
// reading of the same rules written here: the first occurrence of the key
// anywhere in the text, the first '=' after it, the value up to white space
// or the end, at most size - 1 characters of it, always terminated.
//
// Input: byte 0 the buffer size, byte 1 the key length (mod 32), the key,
// then the file's contents.
#include "app/app.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace
{

int file_fd = -1;
char file_path[64];

// The expected result and value, or -1 when the reading is not decided
// here (the file cannot be read).
int expected(const std::string &text, const std::string &key, size_t size, std::string *value)
{
    // The text ends at its first NUL, as a C string does.
    const std::string c_text = text.substr(0, text.find('\0'));
    const size_t at = c_text.find(key);
    if (at == std::string::npos)
        return 2;
    const size_t equals = c_text.find('=', at);
    if (equals == std::string::npos)
        return 3;
    size_t end = equals + 1;
    while (end < c_text.size() && std::isspace(static_cast<unsigned char>(c_text[end])) == 0)
        ++end;
    if (size == 0)
        return 12;
    *value = c_text.substr(equals + 1, end - equals - 1).substr(0, size - 1);
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    file_fd = memfd_create("linkmon-config", 0);
    if (file_fd < 0)
        std::abort();
    std::snprintf(file_path, sizeof file_path, "/proc/self/fd/%d", file_fd);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t out_size = data[0];
    const size_t key_len = std::min<size_t>(data[1] % 32, size - 2);
    // A key is a C string: it ends at its first NUL.
    std::string key(reinterpret_cast<const char *>(data + 2), key_len);
    key = key.substr(0, key.find('\0'));
    const std::string text(reinterpret_cast<const char *>(data + 2 + key_len), size - 2 - key_len);
    if (ftruncate(file_fd, 0) != 0 ||
        pwrite(file_fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
        std::abort();

    // The output block is exactly as large as the size given.
    std::unique_ptr<char[]> out(out_size != 0 ? new char[out_size] : nullptr);
    if (out_size != 0)
        std::memset(out.get(), '#', out_size);
    const int rc = get_config_value(file_path, key.c_str(), out.get(), out_size);
    std::string value;
    if (rc != expected(text, key, out_size, &value))
        std::abort();
    if (rc == 0 && (std::memchr(out.get(), '\0', out_size) == nullptr || value != out.get()))
        std::abort();
    return 0;
}
