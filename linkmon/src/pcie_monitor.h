/* Globals and routines of pcie_monitor, with C linkage under their own names.
 * Each block names the source file that defines it. */
#ifndef LINKMON_PCIE_MONITOR_H
#define LINKMON_PCIE_MONITOR_H

#include <linkmon/fmea_device.h>
#include <linkmon/linkmon_request.h>

#include <stddef.h>
#include <stdint.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- board.cpp: device lists and board selection -------------------- */
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
extern char boardtype_arr[3];
extern int is_boardtype_set;
extern struct timespec skiptime;
extern int client_mode;
extern TrackedDevice tracked_devices_BRUVEL_LC_A[], tracked_devices_BRUVEL_LC_B[],
    tracked_devices_BRUVEL_RPX[], tracked_devices_BRUVEL_LC_C[], tracked_devices_BRUVEL_RP[],
    tracked_devices_MOSKA_RP[], tracked_devices_MOSKA_LC[], tracked_devices_TALVE_CR_RP[],
    tracked_devices_ORNEK_RP[], tracked_devices_SELMI_RP[], tracked_devices_GRENT_RP[],
    tracked_devices_ZEVA_CR[], tracked_devices_DEFAULT_CARD[];
extern TrackedDevice sata_devices_list[], sata_devices_list_MOSKA[], sata_devices_default[];
/* Points tracked_devices and sata_devices at the board's lists; 1 when the
 * board is supported, else 0 (the empty lists, after logging the refusal). */
int select_board(int code);

/* ---- startup.cpp: start-up, modes, key-and-value files -------------- */
int read_card_index(void);
void start_threads(const char *progname);
int get_config_value(const char *path, const char *key, char *out, size_t size);
/* The whole program: returns its exit status (server mode never returns). */
int pcie_monitor_main(int argc, char **argv);

/* ---- log.cpp: the event log ------------------------------------------ */
int pcie_log(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
void log_prefix(void);

/* ---- mmconfig.cpp: configuration access ------------------------------ */
extern int devmem_fd;
extern volatile uint8_t *mmucfg_base;
/* Window offset of a configuration register. */
static inline uint32_t pci_cfg_offset(unsigned bus, unsigned dev, unsigned func, unsigned reg)
{
    return ((((uint32_t)bus * 32u + dev) * 8u + func) << 12) + reg;
}
void *map_phys_mem(uint64_t offset, size_t length);
int map_mmconfig(const char *text);
uint8_t pci_cfg_read8(unsigned bus, unsigned devfn, unsigned reg);
uint16_t pci_cfg_read16(unsigned bus, unsigned devfn, unsigned reg);
uint32_t pci_cfg_read32(unsigned bus, unsigned devfn, unsigned reg);
unsigned pci_find_cap(unsigned bus, unsigned devfn, unsigned cap_id);
unsigned pci_find_ext_cap(unsigned bus, unsigned devfn, unsigned cap_id);

/* ---- discovery.cpp, pairing.cpp, sata.cpp: the device table ---------- */
extern FmeaDevice fmea_devices[FMEA_MAX_DEVICES];
extern uint32_t n_fmea_devices;
extern uint32_t sata_did;
extern volatile uint8_t *sata_vaddr;
extern volatile uint32_t *sata_PxSSTS_addr[2];
extern TrackedDevice skipped_devices[];
void scan_pci_functions(void);
void add_pci_function(unsigned bus, unsigned dev, unsigned func);
int match_sata_device(unsigned vendor, unsigned device);
int match_tracked_device(unsigned vendor, unsigned device);
int is_skipped_bridge(unsigned vendor, unsigned device);
/* The board-list row a record was matched against, or null (bridges, or a
 * position beyond the end of the list). */
const TrackedDevice *tracked_row_of(const FmeaDevice *row);
/* The partner fields of a row that is its own link partner. */
void set_partner_to_self(FmeaDevice *row);
void setup_sata_ports(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);
void read_hwid(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);
int read_pcie_link(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);
void read_aer_regs(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);
void capture_bars(FmeaDevice *row, unsigned bus, unsigned dev, unsigned func);
void read_lspci_name(unsigned bus, unsigned dev, unsigned func, char *dest);
void pair_link_partners(void);
void pair_with_bridge(unsigned row);
void log_device(const FmeaDevice *rec);
void log_all_devices(void);

/* ---- monitor.cpp, checks.cpp: the monitoring loop -------------------- */
typedef int (*check_fn)(unsigned row);
typedef struct CheckEntry {
    check_fn check;
    uint32_t notify_flag;
    const char *name;
} CheckEntry;
extern CheckEntry check_table[4];
extern uint32_t ncheck_logs;
extern uint64_t linkmon_pass;
extern volatile uint32_t linkmonstate;
enum { LINK_STATUS_MASK = 0x23FF, UE_AUTOCLEAR_MASK = 0x5C000 };
void monitor_loop(void) __attribute__((noreturn));
/* One turn of the loop: a 2-second pause poll while paused, else the
 * 1-second sleep, one pass and its count. */
void monitor_step(void);
/* One pass over the table, without the sleep and the count. */
void monitor_pass(void);
void run_checks(unsigned row);
int check_link(unsigned row);
int check_ues(unsigned row);
int check_sata(unsigned row);
int verify_bars(unsigned row, unsigned bus, unsigned dev, unsigned func);

/* ---- autoclear.cpp: the auto-clear ring and thread ------------------- */
typedef struct AutoClearEntry {
    volatile uint32_t *reg;
    uint32_t bits;
} AutoClearEntry;
enum { AUTO_CLEAR_SLOTS = 64 };
extern AutoClearEntry auto_clear[AUTO_CLEAR_SLOTS];
extern uint32_t ac_wr_idx;
extern uint32_t ac_rd_idx;
void enqueue_auto_clear(volatile uint32_t *reg, uint32_t bits);
void *auto_clear_thread(void *arg);
void clear_ue_status(volatile uint32_t *reg, uint32_t bits);
/* Carries out every queued clear; the thread runs it every 6 seconds. */
void auto_clear_drain(void);

/* ---- pnic_list.cpp, pnic_check.cpp, nic_errors.cpp, ethtool.cpp:
 *      physical NIC monitoring ------------------------------------------ */
enum { NIC_LINK_UP = 0x2000 };
extern int pnic_count;
extern int ethtool_sock;
void load_pnic_list(void);
void add_pnic_device(const char *text, size_t len);
int check_pnic(unsigned row);
int check_nic_errors(unsigned row, const char *name);
unsigned get_nic_link(const char *name, size_t len);
void *fetch_stat_names(const char *name, size_t len, uint32_t set, size_t fallback_offset,
                       int terminate);
int ethtool_ioctl(const char *name, size_t len, void *request);

/* ---- server.cpp, service.cpp, clients.cpp, injection.cpp: linkmon
 *      server and fault injection ----------------------------------------- */
enum { LINKMON_PORT = 11000, LINKMON_MAX_CLIENTS = 1000 };
extern int linkmonsockfd[LINKMON_MAX_CLIENTS];
extern int fi_command;
extern int fi_action;
extern int fi_bus;
extern int fi_dev;
extern int fi_func;
extern FmeaDevice fi_fmea_dev;
void *accept_linkmon_connections(void *arg);
void service_client(int fd);
void add_linkmon_client(int fd);
void close_all_clients(void);
int check_client_peer(int fd);
void show_device_status(unsigned bus, unsigned dev, unsigned func);
void restore_injected_device(unsigned row);
/* The checks' one way into the injection state, safe against the server
 * thread: when an injection of `command` is pending and `row` is its target
 * (for the "sata" command: any row the SATA check runs on), copy the row into
 * fi_fmea_dev, store the request's action in *action and return 1; else 0. */
int fi_snapshot_if_target(int command, unsigned row, int *action);

/* ---- client_mode.cpp, pci_slot.cpp: client mode ---------------------- */
int connect_linkmon(int argc, char **argv);
int parse_pci_slot(char *text);

/* ---- notify.cpp: notifications and card reload ----------------------- */
void notify_clients(unsigned row, unsigned mask);
int reload_card(unsigned row, unsigned mask);
int in_skip_window(const struct timespec *t);

#ifdef __cplusplus
} /* extern "C" */
#endif

static_assert(sizeof(TrackedDevice) == 24, "TrackedDevice is 24 bytes");

#endif
