// Whole images to and from a PROM, and the read-back check.
#include "prom_io.h"

#include "field_names.h"
#include "progress.h"

#include <cstdio>
#include <unistd.h>

namespace idpromtool
{
namespace
{

inline constexpr const char *kReadFailed = "reading the %s PROM failed, rc 0x%x";
inline constexpr const char *kVerifying = "Verifying: reading the %s PROM back...\n";
inline constexpr const char *kVerified = "Verified: all %d bytes read back as written.\n";
inline constexpr const char *kReadBackFailed =
    "verification failed: reading the PROM back failed, rc 0x%x";
inline constexpr const char *kMismatch =
    "verification failed: %d of %d bytes read back differ from what was written";
inline constexpr const char *kMismatchByte = "offset 0x%04x (%s): expected 0x%02x, read 0x%02x";
inline constexpr const char *kOutsideFields = "no field";
inline constexpr const char *kSkippedByOperator = "Verification skipped: the operator answered Z.";
inline constexpr const char *kSkippedByOption = "Verification skipped (--no-verify).";

bool through_fpga(const Prom &prom)
{
    return prom.target != Target::Board;
}

} // namespace

int read_prom(const Prom &prom, Image &image, const char *purpose)
{
    const Progress progress(std::string(purpose) + " the " + prom_name(prom) + " PROM");
    if (through_fpga(prom))
        return idprom_read_ft_psu_page(prom.kind, image.data(), prom.size, prom.channel);
    return idprom_read_page(prom.kind, image.data(), prom.size, 0);
}

bool read_current(const Request &request, Prom *prom, Image &image)
{
    if (!find_module(request, prom))
        return false;
    if (const int rc = read_prom(*prom, image, "reading"); rc != 0) {
        complain(kExitFailed, kReadFailed, prom_name(*prom).c_str(), static_cast<unsigned>(rc));
        return false;
    }
    return true;
}

int write_prom(const Prom &prom, const Image &image)
{
    const Progress progress("writing the " + prom_name(prom) + " PROM");
    if (through_fpga(prom))
        return idprom_write_ft_psu_page(prom.kind, image.data(), prom.size, prom.channel);
    return idprom_write_page(prom.kind, image.data(), prom.size, 0);
}

int verify_prom(const Prom &prom, const Image &written)
{
    std::printf(kVerifying, prom_name(prom).c_str());
    std::fflush(stdout);
    Image back{};
    const int rc = read_prom(prom, back, "verifying");
    if (rc != 0)
        return complain(kExitFailed, kReadBackFailed, static_cast<unsigned>(rc));
    int differ = 0;
    for (int i = 0; i < prom.size; ++i)
        differ += back[i] != written[i] ? 1 : 0;
    if (differ == 0) {
        std::printf(kVerified, prom.size);
        return kExitOk;
    }
    complain(kExitFailed, kMismatch, differ, prom.size);
    const Fields fields(prom);
    for (int i = 0; i < prom.size; ++i) {
        if (back[i] == written[i])
            continue;
        const FieldRow *row = fields.at_offset(i);
        complain(kExitFailed, kMismatchByte, static_cast<unsigned>(i),
                 row != nullptr ? row->name.c_str() : kOutsideFields, written[i], back[i]);
    }
    return kExitFailed;
}

void verification_skipped(bool by_operator)
{
    std::puts(by_operator ? kSkippedByOperator : kSkippedByOption);
}

LibraryOutputToStderr::LibraryOutputToStderr()
{
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    if (saved_ >= 0)
        dup2(STDERR_FILENO, STDOUT_FILENO);
}

LibraryOutputToStderr::~LibraryOutputToStderr()
{
    std::fflush(stdout);
    if (saved_ >= 0) {
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }
}

} // namespace idpromtool
