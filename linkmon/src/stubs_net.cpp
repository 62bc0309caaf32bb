// Temporary stand-ins for routines not written yet; each goes away when
// its real definition lands.
#include "pcie_monitor.h"

extern "C" {
int pnic_count;
int ethtool_sock = -1;
void load_pnic_list(void) {}
int check_pnic(unsigned) { return CHECK_NA; }
int linkmonsockfd[LINKMON_MAX_CLIENTS];
int fi_command;
int fi_action;
int fi_bus;
int fi_dev;
int fi_func;
FmeaDevice fi_fmea_dev;
void *accept_linkmon_connections(void *) { return nullptr; }
void restore_injected_device(unsigned) {}
int fi_snapshot_if_target(int, unsigned, int *) { return 0; }
int connect_linkmon(int, char **) { return 1; }
int parse_pci_slot(char *) { return 0; }
void notify_clients(unsigned row, unsigned mask)
{
    FmeaDevice *d = &fmea_devices[row];
    d->notify_mask = mask;
    log_device(d);
    if (mask & NOTIFY_LINK) {
        d->link_status = d->new_link_status;
        d->new_link_status = 0;
    }
    if (mask & NOTIFY_UES) {
        d->ue_status = d->new_ue_status;
        d->new_ue_status = 0;
    }
}
int reload_card(unsigned row, unsigned mask)
{
    notify_clients(row, mask);
    return 0;
}
int in_skip_window(const struct timespec *) { return 0; }
}
