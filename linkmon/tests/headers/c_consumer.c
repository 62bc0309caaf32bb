/* A C consumer of the link monitor's public headers. It is compiled as
 * strict C11 (-std=c11 -pedantic-errors), so a header that needs C++ or a
 * compiler extension fails the build; run, it checks that a C program sees
 * the record and the request word with the daemon's layout (x86-64, little
 * endian) and exits 0. */
#include <linkmon/fmea_device.h>
#include <linkmon/linkmon_request.h>

#include <stddef.h>
#include <stdio.h>
#include <string.h>

static LinkmonRequest request_word(unsigned action, unsigned command, unsigned bdf)
{
    return ((LinkmonRequest)LINKMON_MAGIC << 48) | ((LinkmonRequest)action << 24) |
           ((LinkmonRequest)command << 16) | (LinkmonRequest)(bdf & 0xFFFFu);
}

static int check(int ok, const char *what)
{
    if (!ok)
        printf("c_consumer: %s\n", what);
    return ok ? 0 : 1;
}

int main(void)
{
    FmeaDevice record;
    unsigned char bytes[sizeof record];
    const LinkmonRequest word = request_word(LINKMON_ACTION_SHOW, LINKMON_CMD_STATUS, 0x0200);
    int failures = 0;

    memset(&record, 0, sizeof record);
    record.index = 9;
    record.partner_idx = PIDX_SATA;
    record.notify_mask = NOTIFY_LINK | NOTIFY_NICERR;
    record.nic_cur[NIC_SAMPLE_RX_ERRORS] = 3;
    strcpy(record.name, "Line card FPGA");
    memcpy(bytes, &record, sizeof bytes);

    failures += check(sizeof(FmeaDevice) == 480, "record size");
    failures += check(bytes[0] == 9, "index at 0");
    failures += check(bytes[92] == PIDX_SATA, "partner index at 92");
    failures += check(bytes[188] == (NOTIFY_LINK | NOTIFY_NICERR), "notification mask at 188");
    failures += check(bytes[264 + 8 * NIC_SAMPLE_RX_ERRORS] == 3, "current NIC sample at 264");
    failures += check(memcmp(bytes + 352, "Line card FPGA", 15) == 0, "name at 352");
    failures += check(sizeof word == 8 && word == 0x1234000002070200ull, "request word");
    failures +=
        check(FMEA_MAX_DEVICES == 256 && CHECK_CRITICAL == 5 && LINKMON_CMD_MAX == 7, "constants");
    if (failures == 0)
        printf("c_consumer: %u-byte record, request word %016llx\n", (unsigned)sizeof record,
               (unsigned long long)word);
    return failures == 0 ? 0 : 1;
}
