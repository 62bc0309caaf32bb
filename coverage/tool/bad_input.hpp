// What went wrong, for the commands to print once before exiting 1.
//
// BadInput: a dump that breaks its format, with the byte offset in the
// dump file and a description; the reader of a file names the file.
// Failure: anything else that stops a command (a file the system would not
// read or write, objects that do not match), as a complete message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace covtool
{

class BadInput : public std::runtime_error
{
  public:
    BadInput(std::uint64_t offset, const std::string &what)
        : std::runtime_error(what), offset_(offset)
    {
    }
    std::uint64_t offset() const
    {
        return offset_;
    }
    const std::string &file() const
    {
        return file_;
    }
    void set_file(const std::string &file)
    {
        file_ = file;
    }
    // "FILE: offset N: what"
    std::string message() const
    {
        return file_ + ": offset " + std::to_string(offset_) + ": " + what();
    }

  private:
    std::uint64_t offset_;
    std::string file_;
};

class Failure : public std::runtime_error
{
  public:
    using std::runtime_error::runtime_error;
};

// Runs `f`, naming `file` in a BadInput that leaves it.
template <typename F> auto naming_file(const std::string &file, F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (BadInput &e) {
        if (e.file().empty()) {
            e.set_file(file);
        }
        throw;
    }
}

} // namespace covtool
