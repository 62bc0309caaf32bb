// The program around the monitor: start-up and the choice of mode, the
// compiled-in device lists of every board, and the key-and-value file reader.
#ifndef LINKMON_APP_APP_H
#define LINKMON_APP_APP_H

#include <cstddef>
#include <cstdint>
#include <ctime>

extern "C" {

// ---- board.cpp: device lists and board selection ------------------------------
typedef struct TrackedDevice {
    uint16_t vendor;
    uint16_t device;
    uint32_t link_status; /* expected link status, 0 = read from the device */
    uint32_t bar_mask;    /* 0 = all six BARs compared */
    uint32_t flags;       /* copied into the record's flags */
    uint32_t spare;
    int32_t match_count;
} TrackedDevice;

extern TrackedDevice *tracked_devices;
extern TrackedDevice *sata_devices;
extern TrackedDevice tracked_devices_BRUVEL_LC_A[], tracked_devices_BRUVEL_LC_B[],
    tracked_devices_BRUVEL_RPX[], tracked_devices_BRUVEL_LC_C[], tracked_devices_BRUVEL_RP[],
    tracked_devices_MOSKA_RP[], tracked_devices_MOSKA_LC[], tracked_devices_TALVE_CR_RP[],
    tracked_devices_ORNEK_RP[], tracked_devices_SELMI_RP[], tracked_devices_GRENT_RP[],
    tracked_devices_ZEVA_CR[], tracked_devices_DEFAULT_CARD[];
extern TrackedDevice sata_devices_list[], sata_devices_list_MOSKA[], sata_devices_default[];
// Points tracked_devices and sata_devices at the board's lists; 1 when the
// board is supported, else 0 (the empty lists, after logging the refusal).
int select_board(int code);

// ---- startup.cpp: start-up and modes ---------------------------------------------
extern char boardtype_arr[3];
extern int is_boardtype_set;
extern int client_mode;
// End of the start-up quiet period (monotonic): set once before the threads
// start; notifications before it are logged but not sent.
extern struct timespec skiptime;
int read_card_index(void);
void start_threads(const char *progname);
// The whole program: returns its exit status (server mode never returns).
int pcie_monitor_main(int argc, char **argv);

// ---- config_file.cpp: key-and-value files -----------------------------------------
int get_config_value(const char *path, const char *key, char *out, size_t size);

} // extern "C"

static_assert(sizeof(TrackedDevice) == 24, "TrackedDevice is 24 bytes");

#endif
