// The process-wide registry of instrumented objects.
#include <cstring>
#include <string_view>

#include "covdump.h"
#include "crc32.hpp"
#include "export.hpp"
#include "image_gcc12.hpp"
#include "layout.hpp"
#include "os.hpp"
#include "settings.hpp"
#include "text.hpp"

namespace
{

namespace s = covdump::settings;

inline constexpr std::string_view kUnsupportedVersion = "Not registered, unsupported version 0x";
inline constexpr std::string_view kUnsupportedCounters = "Not registered, unsupported counters";

bool g_refusal_noted = false;
// The descriptor at the end of the registry: the first one linked since it
// was last empty.
const gcov_object_desc *g_last = nullptr;

// The first descriptor the registry refuses is noted in the registration
// log with the program's name (once the log directory is known); later ones
// are not, so that a program of many such objects does not flood the card's
// log. Nothing but the version word is read from a descriptor of unknown
// layout.
void note_refusal(const gcov_object_desc &info, bool version_known)
{
    if (g_refusal_noted || cflow_log_path[0] == '\0') {
        return;
    }
    g_refusal_noted = true;
    covdump::Text<64> text;
    if (version_known) {
        text.add(kUnsupportedCounters);
    } else {
        static constexpr char kHex[] = "0123456789ABCDEF";
        char digits[9] = {};
        for (int i = 0; i < 8; ++i) {
            digits[i] = kHex[(info.version >> (28 - 4 * i)) & 0xFU];
        }
        text.add(kUnsupportedVersion).add(digits);
    }
    cflow_log(s::kProcessLog, text.c_str(), covdump::os::program_name(), 0, 0);
}

// The compiler leaves `next` null; in the registry it points to the next
// descriptor, except at the end.
bool registered(const gcov_object_desc *info)
{
    return info->next != nullptr || info == g_last;
}

void link(gcov_object_desc *info, const char *filename)
{
    // The name's terminating NUL is part of the checksum.
    const std::string_view name(filename, std::strlen(filename) + 1);
    gcov_crc32 = covdump::crc32_continue(gcov_crc32, name);
    if (gcov_list == nullptr) {
        g_last = info;
    }
    info->next = gcov_list;
    gcov_list = info;
}

// GCC 12 descriptors keep their version, which tells their layout at dump
// time, so a second registration is recognised by the registry's link:
// like a GCC 4 descriptor, each registers once.
// Like GCC's own runtime, the registry leaves out objects without
// functions: no data file would be written for them.
void register_gcc12(gcov_object_desc *info)
{
    const gcov12_object_desc &obj = covdump::as_gcc12(*info);
    if (covdump::gcc12::has_list_counters(obj)) {
        note_refusal(*info, true);
        return;
    }
    if (obj.n_functions == 0 || registered(info)) {
        return;
    }
    link(info, obj.filename);
}

} // namespace

extern "C" {

COVDUMP_EXPORT gcov_object_desc *gcov_list = nullptr;
COVDUMP_EXPORT std::uint32_t gcov_crc32 = 0;

COVDUMP_EXPORT void __gcov_init(gcov_object_desc *info)
{
    if (info == nullptr || info->version == 0) {
        return;
    }
    switch (covdump::layout_of_version(info->version)) {
    case covdump::Layout::gcc4:
        link(info, info->filename);
        info->version = 0;
        break;
    case covdump::Layout::gcc12:
        register_gcc12(info);
        break;
    case covdump::Layout::unsupported:
        // Never read in a layout it may not have.
        note_refusal(*info, false);
        break;
    }
}

// Named by the compiler as the merge function of arc counters; dumps never
// merge, so there is nothing to do.
COVDUMP_EXPORT void __gcov_merge_add(gcov_type * /*counters*/, std::uint32_t /*n*/) {}

// Called by every GCC 12 object when it is unloaded or the program exits.
// The runtime's own exit dump, registered at start-up, writes the counters:
// a program gets exactly one exit dump.
COVDUMP_EXPORT void __gcov_exit(void) {}

COVDUMP_EXPORT gcov_object_desc *_get_bb_list_head(void)
{
    return gcov_list;
}

COVDUMP_EXPORT gcov_object_desc **_get_bb_list_head_addr(void)
{
    return &gcov_list;
}

// The registry starts over: a refused descriptor is noted again.
COVDUMP_EXPORT void _clear_bb_list_head(void)
{
    gcov_list = nullptr;
    g_last = nullptr;
    g_refusal_noted = false;
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
