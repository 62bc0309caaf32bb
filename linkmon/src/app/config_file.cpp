// get_config_value: the reader of key-and-value text files.
#include "app/app.h"
#include "os/os.h"
#include "settings.h"

#include <safe_str_lib.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

using namespace linkmon;

namespace
{

inline constexpr int CONFIG_NO_MEMORY = 12;
inline constexpr int CONFIG_NO_KEY = 2;
inline constexpr int CONFIG_NO_EQUALS = 3;

// Holds the open file; closing keeps errno.
class FileHolder
{
  public:
    explicit FileHolder(int fd) : fd_(fd) {}
    FileHolder(const FileHolder &) = delete;
    FileHolder &operator=(const FileHolder &) = delete;
    ~FileHolder()
    {
        reset();
    }
    int get() const
    {
        return fd_;
    }
    void reset()
    {
        if (fd_ >= 0)
            os::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

// Reads the whole file into a NUL-terminated buffer; 0 or an error code.
int slurp(const char *path, std::unique_ptr<char[]> &text)
{
    int fd = -1;
    if (int rc = os::open_read(path, &fd); rc != 0)
        return rc;
    FileHolder file(fd);
    std::size_t size = 0;
    if (int rc = os::file_size(file.get(), &size); rc != 0)
        return rc;
    text.reset(new (std::nothrow) char[size + 1]());
    if (!text)
        return CONFIG_NO_MEMORY;
    const long got = os::read(file.get(), text.get(), size);
    const int read_errno = errno;
    file.reset();
    if (got < 0)
        return read_errno;
    text[static_cast<std::size_t>(got)] = '\0';
    return 0;
}

} // namespace

extern "C" int get_config_value(const char *path, const char *key, char *out, size_t size)
{
    std::unique_ptr<char[]> text;
    if (int rc = slurp(path != nullptr ? path : settings::BOARD_CONFIG_FILE, text); rc != 0)
        return rc;
    char *at = std::strstr(text.get(), key);
    if (at == nullptr)
        return CONFIG_NO_KEY;
    char *equals = std::strchr(at, '=');
    if (equals == nullptr)
        return CONFIG_NO_EQUALS;
    char *value = equals + 1;
    char *end = value;
    while (*end != '\0' && std::isspace(static_cast<unsigned char>(*end)) == 0)
        ++end;
    *end = '\0';
    // At most size - 1 characters, always terminated; the text buffer is
    // released on every path, the failed copy included.
    if (strncpy_s(out, size, value, size - 1) != EOK)
        return CONFIG_NO_MEMORY;
    return 0;
}
