/* The device record of the link monitor: one row of the device table and,
 * byte for byte, the reply of the linkmon protocol. Host byte order. */
#ifndef LINKMON_FMEA_DEVICE_H
#define LINKMON_FMEA_DEVICE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { FMEA_MAX_DEVICES = 256 };

/* Row types (field type) */
enum {
    DEV_TYPE_ENDPOINT = 0,
    DEV_TYPE_BRIDGE = 1,
    DEV_TYPE_SATA = 3,
    DEV_TYPE_PNIC = 4,
};

/* Link-partner index values that are not row indices */
enum {
    PIDX_PNIC = 253,
    PIDX_SATA = 254,
    PIDX_NONE = 255,
};

/* Record flag bits */
enum {
    FLAG_CRITICAL = 1u << 0,
    FLAG_NOTIFY_SKIPPED = 1u << 1,
};

/* Notification mask bits */
enum {
    NOTIFY_LINK = 1,
    NOTIFY_UES = 2,
    NOTIFY_BARS = 4,
    NOTIFY_NICERR = 8,
};

/* Check verdicts */
enum {
    CHECK_NA = 0,
    CHECK_OK = 1,
    CHECK_CHANGED = 2,
    CHECK_BARS_CHANGED = 3,
    CHECK_NIC_ERRORS = 4,
    CHECK_CRITICAL = 5,
};

/* Indices into a NIC error sample */
enum {
    NIC_SAMPLE_SEC = 0,
    NIC_SAMPLE_NSEC = 1,
    NIC_SAMPLE_RX_ERRORS = 2,
    NIC_SAMPLE_TX_ERRORS = 3,
    NIC_SAMPLE_RX_CRC_ERRORS = 4,
    NIC_SAMPLE_RX_LENGTH_ERRORS = 5,
    NIC_SAMPLE_WORDS = 6,
};

enum { FMEA_HWID_SIZE = 40, FMEA_NAME_SIZE = 128 };

typedef struct FmeaDevice {
    uint32_t index;                      /* 0: the row's own index */
    int32_t tracked_idx;                 /* 4: tracked-list row, -1 for bridges */
    uint32_t flags;                      /* 8 */
    uint32_t vendor;                     /* 12 */
    uint32_t device;                     /* 16 */
    uint32_t bus;                        /* 20 */
    uint32_t dev;                        /* 24: device number */
    uint32_t func;                       /* 28 */
    uint32_t type;                       /* 32: T */
    uint32_t pri_bus;                    /* 36: PSS */
    uint32_t sec_bus;                    /* 40 */
    uint32_t sub_bus;                    /* 44 */
    uint32_t slot_cap;                   /* 48: SCAP */
    uint32_t disc_link_status;           /* 52 */
    uint32_t link_status;                /* 56: LS, last reported */
    uint32_t new_link_status;            /* 60: NLS, read, not yet reported */
    uint32_t disc_ue_status;             /* 64 */
    uint32_t ue_status;                  /* 68: UES, last reported */
    uint32_t new_ue_status;              /* 72: NUES */
    uint32_t ue_mask;                    /* 76: UEM */
    uint32_t ue_severity;                /* 80: UESV */
    uint32_t pcie_cap;                   /* 84 */
    uint32_t aer_cap;                    /* 88 */
    uint32_t partner_idx;                /* 92: PIDX */
    uint32_t partner_vendor;             /* 96: PVD */
    uint32_t partner_device;             /* 100 */
    uint32_t partner_bus;                /* 104 */
    uint32_t partner_dev;                /* 108 */
    uint32_t partner_func;               /* 112 */
    uint32_t bars[6];                    /* 116: captured at discovery */
    uint32_t new_bars[6];                /* 140: read at the last verification */
    uint32_t reserved;                   /* 164 */
    int64_t loss_sec;                    /* 168: monotonic time of the loss */
    int64_t loss_nsec;                   /* 176 */
    uint32_t debounce;                   /* 184 */
    uint32_t notify_mask;                /* 188: NTFMSK */
    int64_t notify_sec;                  /* 192: time of the last notification */
    int64_t notify_nsec;                 /* 200 */
    uint32_t nic_errors;                 /* 208: NICERR */
    uint32_t pad;                        /* 212 */
    uint64_t nic_prev[NIC_SAMPLE_WORDS]; /* 216 */
    uint64_t nic_cur[NIC_SAMPLE_WORDS];  /* 264 */
    char hwid[FMEA_HWID_SIZE];           /* 312 */
    char name[FMEA_NAME_SIZE];           /* 352 */
} FmeaDevice;

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The layout is the protocol: checked at compile time, in C as in C++. */
#ifndef LINKMON_LAYOUT_ASSERT
#ifdef __cplusplus
#define LINKMON_LAYOUT_ASSERT static_assert
#else
#define LINKMON_LAYOUT_ASSERT _Static_assert
#endif
#endif
#define FMEA_ASSERT_OFFSET(field, off)                                                             \
    LINKMON_LAYOUT_ASSERT(offsetof(FmeaDevice, field) == (off), "FmeaDevice." #field)
LINKMON_LAYOUT_ASSERT(sizeof(FmeaDevice) == 480, "FmeaDevice is 480 bytes");
FMEA_ASSERT_OFFSET(index, 0);
FMEA_ASSERT_OFFSET(tracked_idx, 4);
FMEA_ASSERT_OFFSET(flags, 8);
FMEA_ASSERT_OFFSET(vendor, 12);
FMEA_ASSERT_OFFSET(device, 16);
FMEA_ASSERT_OFFSET(bus, 20);
FMEA_ASSERT_OFFSET(dev, 24);
FMEA_ASSERT_OFFSET(func, 28);
FMEA_ASSERT_OFFSET(type, 32);
FMEA_ASSERT_OFFSET(pri_bus, 36);
FMEA_ASSERT_OFFSET(sec_bus, 40);
FMEA_ASSERT_OFFSET(sub_bus, 44);
FMEA_ASSERT_OFFSET(slot_cap, 48);
FMEA_ASSERT_OFFSET(disc_link_status, 52);
FMEA_ASSERT_OFFSET(link_status, 56);
FMEA_ASSERT_OFFSET(new_link_status, 60);
FMEA_ASSERT_OFFSET(disc_ue_status, 64);
FMEA_ASSERT_OFFSET(ue_status, 68);
FMEA_ASSERT_OFFSET(new_ue_status, 72);
FMEA_ASSERT_OFFSET(ue_mask, 76);
FMEA_ASSERT_OFFSET(ue_severity, 80);
FMEA_ASSERT_OFFSET(pcie_cap, 84);
FMEA_ASSERT_OFFSET(aer_cap, 88);
FMEA_ASSERT_OFFSET(partner_idx, 92);
FMEA_ASSERT_OFFSET(partner_vendor, 96);
FMEA_ASSERT_OFFSET(partner_device, 100);
FMEA_ASSERT_OFFSET(partner_bus, 104);
FMEA_ASSERT_OFFSET(partner_dev, 108);
FMEA_ASSERT_OFFSET(partner_func, 112);
FMEA_ASSERT_OFFSET(bars, 116);
FMEA_ASSERT_OFFSET(new_bars, 140);
FMEA_ASSERT_OFFSET(reserved, 164);
FMEA_ASSERT_OFFSET(loss_sec, 168);
FMEA_ASSERT_OFFSET(loss_nsec, 176);
FMEA_ASSERT_OFFSET(debounce, 184);
FMEA_ASSERT_OFFSET(notify_mask, 188);
FMEA_ASSERT_OFFSET(notify_sec, 192);
FMEA_ASSERT_OFFSET(notify_nsec, 200);
FMEA_ASSERT_OFFSET(nic_errors, 208);
FMEA_ASSERT_OFFSET(pad, 212);
FMEA_ASSERT_OFFSET(nic_prev, 216);
FMEA_ASSERT_OFFSET(nic_cur, 264);
FMEA_ASSERT_OFFSET(hwid, 312);
FMEA_ASSERT_OFFSET(name, 352);
#undef FMEA_ASSERT_OFFSET

#endif
