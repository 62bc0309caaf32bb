// The record line of a device row.
#include "app/log.h"
#include "pci/pci.h"
#include "state/shared_state.h"

#include <cstring>

namespace
{

inline constexpr const char *RECORD_FORMAT =
    "%02x. %04x:%04x %02x:%02x.%x T:%02x PSS:%02x:%02x:%02x LS:%08xNLS:%08x SCAP:%08x "
    "UES:%08x NUES:%08x UEM:%08x UESV:%08xNICERR:%08x PVD:%04x:%04x PIDX:%02x NTFMSK:%x "
    "HWID:[%s] NAME[%s]\n";

// A record may come from a peer (client mode): its texts are bounded here
// instead of trusting their terminators.
template <std::size_t N> void copy_text(char (&dest)[N + 1], const char (&src)[N])
{
    std::memcpy(dest, src, N);
    dest[N] = '\0';
}

} // namespace

extern "C" {

void log_device(const FmeaDevice *rec)
{
    char hwid[FMEA_HWID_SIZE + 1];
    char name[FMEA_NAME_SIZE + 1];
    copy_text<FMEA_HWID_SIZE>(hwid, rec->hwid);
    copy_text<FMEA_NAME_SIZE>(name, rec->name);
    pcie_log(RECORD_FORMAT, rec->index, rec->vendor, rec->device, rec->bus, rec->dev, rec->func,
             rec->type, rec->pri_bus, rec->sec_bus, rec->sub_bus, rec->link_status,
             rec->new_link_status, rec->slot_cap, rec->ue_status, rec->new_ue_status, rec->ue_mask,
             rec->ue_severity, rec->nic_errors, rec->partner_vendor, rec->partner_device,
             rec->partner_idx, rec->notify_mask, hwid, name);
}

void log_all_devices(void)
{
    for (unsigned i = 0; i < n_fmea_devices; ++i)
        if (fmea_devices[i].vendor != 0)
            log_device(&fmea_devices[i]);
}

} // extern "C"
