// The tool's only door to the system: dump files read by offset, the
// merged dump written aside and renamed into place, and split's files
// created below a directory without following symbolic links.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sink.hpp"
#include "source.hpp"

namespace covtool
{

// An open file descriptor, closed once.
class Fd
{
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd &&other) noexcept : fd_(other.release()) {}
    Fd &operator=(Fd &&other) noexcept;
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd();
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

  private:
    int fd_ = -1;
};

// A regular file, mapped and shown in place (read with pread when it cannot
// be mapped). Should the file be cut short while mapped, the pages lost read
// as zeros instead of ending the program, and intact() turns false. Throws
// Failure when the file cannot be opened.
class FileSource final : public Source
{
  public:
    explicit FileSource(std::string path);
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;
    ~FileSource() override;
    const std::string &name() const override
    {
        return path_;
    }
    std::uint64_t size() const override
    {
        return size_;
    }
    void read(std::uint64_t offset, std::span<unsigned char> out) const override;
    std::span<const unsigned char> view(std::uint64_t offset, std::size_t n) const override;
    void release(std::uint64_t offset, std::uint64_t n) const override;
    bool intact() const override;

  private:
    std::string path_;
    Fd fd_;
    std::uint64_t size_ = 0;
    const unsigned char *map_ = nullptr;
    int guard_slot_ = -1;
};

// The merged dump: written to a new file beside `path`, renamed onto it by
// commit(). Until then `path` is untouched; the new file is removed when
// the object goes without commit(), or when SIGINT, SIGTERM or SIGHUP ends
// the program. Throws Failure.
class OutputFile final : public Sink
{
  public:
    explicit OutputFile(std::string path);
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    ~OutputFile() override;
    void write(std::span<const unsigned char> bytes) override;
    void patch(std::uint64_t offset, std::span<const unsigned char> bytes) override;
    void commit();

  private:
    void flush();
    std::string path_;
    std::string temp_;
    Fd fd_;
    std::vector<unsigned char> buffer_;
    std::uint64_t flushed_ = 0;
};

// A directory that split writes below; created with its parents when
// missing. Throws Failure.
Fd open_output_directory(const std::string &path);

// Writes `data` to `relative` (components separated by '/', none of them
// "..") below `root`, making missing directories. No symbolic link is
// followed; an existing file is replaced only when `force`. Returns what
// went wrong, or an empty text.
std::string write_below(const Fd &root, std::string_view relative,
                        std::span<const unsigned char> data, bool force);

} // namespace covtool
