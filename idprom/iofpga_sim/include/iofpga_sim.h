/* Control of the simulated I/O FPGA behind our libiofpga stand-in.
   The simulated state lives in the file named by IOFPGA_SIM_STATE; every
   process that sets the variable to the same path sees the same FPGA.
   All functions return 0 on success or an errno value. */
#ifndef IOFPGA_SIM_H
#define IOFPGA_SIM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define IOFPGA_SIM_ENV "IOFPGA_SIM_STATE"
#define IOFPGA_SIM_REG_SPACE 0x1000u   /* bytes of register space */
#define IOFPGA_SIM_CHANNELS 12         /* per controller */
#define IOFPGA_SIM_PROM_SIZE 8192u     /* bytes of each simulated PROM */
#define IOFPGA_SIM_FOREVER 0xFFFFFFFFu /* a count that never runs out */
#define IOFPGA_SIM_ANY_OFFSET 0xFFFFFFFFu
#define IOFPGA_SIM_FAN_PRESENCE_REG 0x118u
#define IOFPGA_SIM_PSU_PRESENCE_REG 0x11Cu

/* Devices behind each channel: the PROM (0x50 on controller 1, 0x57 on
   controller 2, two address bytes) and the auxiliary device the pre-write
   steps address (0x20 on controller 1, 0x47 on controller 2, one register
   byte). */
enum iofpga_sim_device { IOFPGA_SIM_PROM = 0, IOFPGA_SIM_AUX = 1 };

/* One register write seen by the simulated FPGA (the newest last). */
struct iofpga_sim_write {
    uint32_t offset;
    uint32_t value;
};

int iofpga_sim_reset(void); /* defaults: every device present, PROMs 0xFF */
int iofpga_sim_prom_load(int controller, int channel, uint32_t offset, const uint8_t *data,
                         size_t len);
int iofpga_sim_prom_fetch(int controller, int channel, uint32_t offset, uint8_t *out, size_t len);
int iofpga_sim_aux_set(int controller, int channel, uint8_t reg, uint8_t value);
int iofpga_sim_aux_get(int controller, int channel, uint8_t reg, uint8_t *value);
int iofpga_sim_set_present(int controller, int channel, enum iofpga_sim_device dev, int present);
int iofpga_sim_reg_set(uint32_t offset, uint32_t value);
int iofpga_sim_reg_get(uint32_t offset, uint32_t *value);
/* Status reads of the channel report busy: `now` for the next reads,
   `after_start` for the reads following each started transfer. */
int iofpga_sim_set_busy(int controller, int channel, uint32_t now, uint32_t after_start);
/* The next `count` reads (writes) of `offset` (or any offset) fail with `code`. */
int iofpga_sim_fail_reads(uint32_t offset, uint32_t count, int code);
int iofpga_sim_fail_writes(uint32_t offset, uint32_t count, int code);
/* Register reads and writes served so far (failed ones included). */
int iofpga_sim_counters(uint64_t *reads, uint64_t *writes);
/* Up to `max` of the latest successful register writes, oldest first. */
int iofpga_sim_write_log(struct iofpga_sim_write *out, size_t max, size_t *n);
int iofpga_sim_clear_log(void);

#ifdef __cplusplus
}
#endif

#endif
