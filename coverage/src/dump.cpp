// Dump, clear and copy of the whole registry.
#include <string_view>

#include "covdump.h"
#include "export.hpp"
#include "files.hpp"
#include "handler_scope.hpp"
#include "image_buffer.hpp"
#include "image_gcc12.hpp"
#include "layout.hpp"
#include "os.hpp"
#include "settings.hpp"
#include "text.hpp"

namespace
{

namespace s = covdump::settings;
namespace os = covdump::os;
using DumpPath = covdump::Text<s::kDumpPathSize>;

inline constexpr const char *kStarted = "Started";
inline constexpr const char *kSuccessful = "Successful";
inline constexpr const char *kPartiallyFailed = "Partially failed";
inline constexpr const char *kNoFile = "No file generated";
inline constexpr std::string_view kClearDone = "['cflow clear' DONE]\n";
constexpr int kDumpFileMode = 0666;

// "/misc/scratch/cflow/<name>.ARM.<pid>.dat", at most five PID digits.
DumpPath dump_path(const char *name)
{
    DumpPath path;
    path.add(s::kDumpDir)
        .add(name)
        .add(s::kDumpSuffix)
        .add(".")
        .add_int(os::getpid(), s::kDumpPidDigits)
        .add(s::kDatSuffix);
    return path;
}

// Writes the current image to `path` and opens the file to everyone;
// 0 on success, -1 at the first failing step.
int write_image_file(const char *path, bool refuse_header_only)
{
    const covdump::MappedImage image;
    if (image.empty() || (refuse_header_only && image.size() == dat_file_header_size)) {
        return -1;
    }
    const covdump::Written written =
        covdump::write_whole_file(path, image.data(), image.size(), kDumpFileMode);
    return written == covdump::Written::ok ? 0 : -1;
}

void log_dump(const char *status, const char *path)
{
    cflow_log(s::kDumpLog, status, path, 0, 0);
}

} // namespace

extern "C" {

COVDUMP_EXPORT int dumpCodeCoverageData(const char *name)
{
    if (create_cflow_dirs() == 0) {
        return -1;
    }
    const DumpPath path = dump_path(name);
    if (!path.ok()) {
        return -1;
    }
    log_dump(kStarted, path.c_str());
    const int result = write_image_file(path.c_str(), true);
    const char *status = kNoFile;
    if (covdump::open_plain(path.c_str(), os::Access::read).ok()) {
        status = result == 0 ? kSuccessful : kPartiallyFailed;
    }
    log_dump(status, path.c_str());
    return result;
}

COVDUMP_EXPORT void cflowDumpAtExit(void)
{
    const char *program = os::program_name();
    cflow_log(s::kTransientLog, nullptr, program, cflowpid, 0);
    record_proc_info(s::kTransFile);
    DumpPath name;
    name.add(program).add(s::kTransientSuffix);
    if (name.ok()) {
        (void)dumpCodeCoverageData(name.c_str());
    }
}

COVDUMP_EXPORT void cflow_clear(void)
{
    for (gcov_object_desc *obj = gcov_list; obj != nullptr; obj = obj->next) {
        if (covdump::is_gcc12(*obj)) {
            covdump::gcc12::clear_arcs(covdump::as_gcc12(*obj));
            continue;
        }
        if ((obj->ctr_mask & 1U) == 0) {
            continue;
        }
        gcov_type *values = obj->counts[0].values;
        for (std::uint32_t i = 0; i < obj->counts[0].num; ++i) {
            if (values[i] != 0) {
                values[i] = 0;
            }
        }
    }
    os::write_stdout(kClearDone.data(), kClearDone.size(), !covdump::in_signal_handler());
}

COVDUMP_EXPORT int cflow_copy(void)
{
    DumpPath path;
    path.add(s::kDumpDir)
        .add(s::kCopyPrefix)
        .add_int(os::getpid(), s::kCopyPidDigits)
        .add(s::kDatSuffix);
    if (!path.ok()) {
        return -1;
    }
    return write_image_file(path.c_str(), false);
}

} // extern "C"
