// The process-wide registry of instrumented objects.
#include <cstring>

#include "covdump.h"
#include "crc32.hpp"
#include "export.hpp"

extern "C" {

COVDUMP_EXPORT gcov_object_desc *gcov_list = nullptr;
COVDUMP_EXPORT std::uint32_t gcov_crc32 = 0;

COVDUMP_EXPORT void __gcov_init(gcov_object_desc *info)
{
    if (info == nullptr || info->version == 0) {
        return;
    }
    // The name's terminating NUL is part of the checksum.
    const std::string_view name(info->filename, std::strlen(info->filename) + 1);
    gcov_crc32 = covdump::crc32_continue(gcov_crc32, name);
    info->next = gcov_list;
    gcov_list = info;
    info->version = 0;
}

// Named by the compiler as the merge function of arc counters; dumps never
// merge, so there is nothing to do.
COVDUMP_EXPORT void __gcov_merge_add(gcov_type * /*counters*/, std::uint32_t /*n*/) {}

COVDUMP_EXPORT gcov_object_desc *_get_bb_list_head(void)
{
    return gcov_list;
}

COVDUMP_EXPORT gcov_object_desc **_get_bb_list_head_addr(void)
{
    return &gcov_list;
}

COVDUMP_EXPORT void _clear_bb_list_head(void)
{
    gcov_list = nullptr;
}

COVDUMP_EXPORT int cflow_data_count(void)
{
    int count = 0;
    for (const gcov_object_desc *obj = gcov_list; obj != nullptr; obj = obj->next) {
        ++count;
    }
    return count;
}

} // extern "C"
