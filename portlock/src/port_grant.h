// Access to one I/O port for the lifetime of a scope: granted on
// construction, released by release() or at the end of the scope.
#pragma once

#include <cstdint>
#include <cstdio>

namespace portlock
{

class PortGrant
{
  public:
    explicit PortGrant(std::uint16_t port);
    ~PortGrant();
    PortGrant(const PortGrant &) = delete;
    PortGrant &operator=(const PortGrant &) = delete;

    // True when the port may be read and written.
    [[nodiscard]] bool held() const
    {
        return held_;
    }
    // Gives the port back; errno is kept. Does nothing when not held.
    void release();

  private:
    std::uint16_t port_;
    bool held_;
};

// Reports on `err` that access to `port` was refused with `error` (an
// errno value) and returns the exit status for it.
int report_refused(std::FILE *err, std::uint16_t port, int error);

} // namespace portlock
