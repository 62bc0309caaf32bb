// Runs the whole tool against the simulated firmware and collects what it
// printed on standard output and standard error.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "portlock.h"

namespace fake
{

struct Run {
    int status;
    std::string out;
    std::string err;
};

class MemoryStream
{
  public:
    MemoryStream() : file_(open_memstream(&buffer_, &size_)) {}
    ~MemoryStream()
    {
        if (file_ != nullptr)
            std::fclose(file_);
        std::free(buffer_);
    }
    MemoryStream(const MemoryStream &) = delete;
    MemoryStream &operator=(const MemoryStream &) = delete;
    std::FILE *file() const
    {
        return file_;
    }
    std::string text()
    {
        std::fflush(file_);
        return std::string(buffer_, size_);
    }

  private:
    char *buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE *file_;
};

inline Run run_portlock(const std::vector<const char *> &args)
{
    std::vector<const char *> argv{"portlock"};
    argv.insert(argv.end(), args.begin(), args.end());
    const int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);
    MemoryStream out;
    MemoryStream err;
    const int status = portlock::run(argc, argv.data(), out.file(), err.file());
    return Run{status, out.text(), err.text()};
}

} // namespace fake
