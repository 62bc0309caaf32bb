// The exported image builders and file writers over the registry.
#include "image_buffer.hpp"

#include <climits>
#include <cstdlib>

#include "covdump.h"
#include "export.hpp"
#include "files.hpp"
#include "image.hpp"
#include "os.hpp"
#include "settings.hpp"

namespace covdump
{
namespace
{

// A size of the current registry's image, or -1 when it would not fit an
// int.
int checked(std::uint64_t size)
{
    return size > INT_MAX ? -1 : static_cast<int>(size);
}

} // namespace

MappedImage::MappedImage()
{
    if (gcov_list == nullptr) {
        return;
    }
    const int capacity = checked(image_capacity(gcov_list));
    if (capacity < 0) {
        return;
    }
    const auto mapped = static_cast<std::size_t>(capacity);
    auto *p = static_cast<unsigned char *>(os::map_zeroed(mapped));
    if (p == nullptr) {
        return;
    }
    data_ = p;
    mapped_ = mapped;
    size_ = static_cast<int>(write_image(gcov_list, gcov_crc32, {p, mapped}));
}

MappedImage::~MappedImage()
{
    if (data_ != nullptr) {
        os::unmap(data_, mapped_);
    }
}

} // namespace covdump

extern "C" {

COVDUMP_EXPORT extern const std::int32_t dat_file_header_size = covdump::settings::kImageHeaderSize;
COVDUMP_EXPORT extern const std::int32_t cflow_version = covdump::settings::kImageVersion;

COVDUMP_EXPORT int cflow_data_size(void)
{
    return covdump::checked(covdump::image_size(gcov_list));
}

COVDUMP_EXPORT void *cflow_writetobuffer(int *size_out)
{
    if (gcov_list == nullptr) {
        if (size_out != nullptr) {
            *size_out = 0;
        }
        return nullptr;
    }
    // Room for the counters as they may be by the time they are written.
    const int capacity = covdump::checked(covdump::image_capacity(gcov_list));
    if (capacity < 0) {
        return nullptr;
    }
    const auto room = static_cast<std::size_t>(capacity);
    auto *p = static_cast<unsigned char *>(std::calloc(room, 1));
    if (p == nullptr) {
        return nullptr;
    }
    const std::size_t size = covdump::write_image(gcov_list, gcov_crc32, {p, room});
    if (size_out != nullptr) {
        *size_out = static_cast<int>(size);
    }
    return p;
}

COVDUMP_EXPORT int cflow_file_copy_buffer_to_file(const char *path, const unsigned char *data,
                                                  int len)
{
    const covdump::Written written = covdump::write_whole_file(path, data, len, covdump::kKeepMode);
    return written == covdump::Written::ok ? 1 : 0;
}

COVDUMP_EXPORT int cflow_move_buffer_to_file(const char *path, const unsigned char *data, int len)
{
    return cflow_file_copy_buffer_to_file(path, data, len);
}

} // extern "C"
