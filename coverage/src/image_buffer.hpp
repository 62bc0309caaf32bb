// The image of the current registry in memory that does not come from the
// heap, for dumps that may run inside a signal handler.
#pragma once

#include <cstddef>

namespace covdump
{

class MappedImage
{
  public:
    // Builds the image; empty() when the registry is empty or memory is short.
    MappedImage();
    ~MappedImage();
    MappedImage(const MappedImage &) = delete;
    MappedImage &operator=(const MappedImage &) = delete;

    bool empty() const
    {
        return data_ == nullptr;
    }
    const unsigned char *data() const
    {
        return data_;
    }
    int size() const
    {
        return size_;
    }

  private:
    unsigned char *data_ = nullptr;
    std::size_t mapped_ = 0;
    int size_ = 0;
};

} // namespace covdump
