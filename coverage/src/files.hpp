// Files in directories other users share. The dump directory is open to
// everyone, so any name the runtime writes there may already exist as a
// link to some other file, a FIFO or a hard link: an entry is never
// reached through a symbolic link, must be a plain file (regular, one
// link), and its mode is set on the open descriptor. System calls only,
// so that the signal handlers can use all of it.
#pragma once

#include <string_view>

#include "os.hpp"

namespace covdump
{

// A descriptor that is closed when it goes out of scope; closing keeps
// errno as it was.
class Fd
{
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        reset();
    }
    Fd(Fd &&other) noexcept : fd_(other.release()) {}
    Fd &operator=(Fd &&other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;

    bool ok() const
    {
        return fd_ >= 0;
    }
    int get() const
    {
        return fd_;
    }
    [[nodiscard]] int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset();

  private:
    int fd_ = -1;
};

// A name that stays inside its directory: no '/', not "." or "..".
bool is_plain_name(std::string_view name);

// `name` inside the open directory `dir` as a plain file; on failure the
// result is not ok() and errno tells why (EACCES for an entry that is
// there but not a plain file).
Fd open_plain(int dir, const char *name, os::Access how);
// The same for a whole path: the directories on the way are followed, the
// last component is not.
Fd open_plain(const char *path, os::Access how);

// Writes `len` bytes as the whole content of the plain file at `path`,
// creating it when missing; when `mode` is given, sets it on the open file
// before closing it.
enum class Written {
    ok,
    failed,      // not opened, not fully written, or the close failed
    mode_failed, // written, but the mode could not be set
};
inline constexpr int kKeepMode = -1;
Written write_whole_file(const char *path, const unsigned char *data, int len, int mode);

} // namespace covdump
