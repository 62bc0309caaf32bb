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

// Size of the current registry's image, or -1 when it would not fit an int.
int checked_size()
{
    const std::uint64_t size = image_size(gcov_list);
    return size > INT_MAX ? -1 : static_cast<int>(size);
}

} // namespace

MappedImage::MappedImage()
{
    if (gcov_list == nullptr) {
        return;
    }
    const int size = checked_size();
    if (size < 0) {
        return;
    }
    auto *p = static_cast<unsigned char *>(os::map_zeroed(static_cast<std::size_t>(size)));
    if (p == nullptr) {
        return;
    }
    write_image(gcov_list, gcov_crc32, {p, static_cast<std::size_t>(size)});
    data_ = p;
    size_ = size;
}

MappedImage::~MappedImage()
{
    if (data_ != nullptr) {
        os::unmap(data_, static_cast<std::size_t>(size_));
    }
}

} // namespace covdump

extern "C" {

COVDUMP_EXPORT extern const std::int32_t dat_file_header_size = covdump::settings::kImageHeaderSize;
COVDUMP_EXPORT extern const std::int32_t cflow_version = covdump::settings::kImageVersion;

COVDUMP_EXPORT int cflow_data_size(void)
{
    return covdump::checked_size();
}

COVDUMP_EXPORT void *cflow_writetobuffer(int *size_out)
{
    if (gcov_list == nullptr) {
        if (size_out != nullptr) {
            *size_out = 0;
        }
        return nullptr;
    }
    const int size = covdump::checked_size();
    if (size < 0) {
        return nullptr;
    }
    auto *p = static_cast<unsigned char *>(std::calloc(static_cast<std::size_t>(size), 1));
    if (p == nullptr) {
        return nullptr;
    }
    if (size_out != nullptr) {
        *size_out = size;
    }
    covdump::write_image(gcov_list, gcov_crc32, {p, static_cast<std::size_t>(size)});
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
