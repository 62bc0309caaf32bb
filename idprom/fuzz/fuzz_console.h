// The operator's console for the PROM fuzz targets: standard input served
// from the fuzzer's bytes, standard output kept in memory.  glibc's stdin
// and stdout are plain variables, so the codecs and the walk, which read
// and print through them, need no change to run on a buffer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace boardprom_fuzz
{

class FuzzConsole
{
  public:
    explicit FuzzConsole(std::string_view input) : input_(input)
    {
        saved_in_ = stdin;
        saved_out_ = stdout;
        // A zero-length memory stream is refused: an empty input is /dev/null.
        in_ = input_.empty() ? std::fopen("/dev/null", "r")
                             : fmemopen(input_.data(), input_.size(), "r");
        out_ = open_memstream(&text_, &size_);
        if (in_ == nullptr || out_ == nullptr)
            std::abort();
        stdin = in_;
        stdout = out_;
    }

    ~FuzzConsole()
    {
        stdin = saved_in_;
        stdout = saved_out_;
        std::fclose(in_);
        std::fclose(out_);
        std::free(text_);
    }

    FuzzConsole(const FuzzConsole &) = delete;
    FuzzConsole &operator=(const FuzzConsole &) = delete;

    // Everything printed so far; printing goes on after it.
    std::string output()
    {
        std::fflush(out_);
        return std::string(text_, size_);
    }

    // True when every input byte was read.
    bool input_used_up() const
    {
        return std::fgetc(in_) == EOF;
    }

  private:
    std::string input_;
    std::FILE *saved_in_ = nullptr;
    std::FILE *saved_out_ = nullptr;
    std::FILE *in_ = nullptr;
    std::FILE *out_ = nullptr;
    char *text_ = nullptr;
    std::size_t size_ = 0;
};

// Takes the fuzzer's bytes from the front.
class Bytes
{
  public:
    Bytes(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    uint8_t byte()
    {
        if (size_ == 0)
            return 0;
        --size_;
        return *data_++;
    }

    uint32_t word()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return v;
    }

    // Up to n bytes, fewer when the input ends.
    std::string take(std::size_t n)
    {
        const std::size_t k = n < size_ ? n : size_;
        std::string s(reinterpret_cast<const char *>(data_), k);
        data_ += k;
        size_ -= k;
        return s;
    }

    std::string rest()
    {
        return take(size_);
    }

  private:
    const uint8_t *data_;
    std::size_t size_;
};

} // namespace boardprom_fuzz
