// iofpga-sim: seeds and inspects the simulated I/O FPGA named by
// IOFPGA_SIM_STATE (PROM images, presence bits, failure injection).
#include "iofpga_sim.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

inline constexpr const char *kUsage =
    "usage: iofpga-sim COMMAND ...   (state file: $IOFPGA_SIM_STATE)\n"
    "  init\n"
    "  load CTRL CH FILE [OFFSET]\n"
    "  save CTRL CH FILE LEN [OFFSET]\n"
    "  dump CTRL CH LEN [OFFSET]\n"
    "  device CTRL CH prom|aux on|off\n"
    "  aux CTRL CH REG [VALUE]\n"
    "  reg OFFSET [VALUE]\n"
    "  fan N on|off\n"
    "  psu M on|off\n"
    "  busy CTRL CH NOW|forever AFTER|forever\n"
    "  fail-read OFFSET|any COUNT|forever [CODE]\n"
    "  fail-write OFFSET|any COUNT|forever [CODE]\n"
    "  status\n"
    "  log\n";
inline constexpr int kDefaultFailCode = 5; // EIO

bool number(const char *s, unsigned long *out)
{
    if (std::strcmp(s, "forever") == 0 || std::strcmp(s, "any") == 0) {
        *out = 0xFFFFFFFFul;
        return true;
    }
    char *end = nullptr;
    errno = 0;
    *out = std::strtoul(s, &end, 0);
    return errno == 0 && end != s && *end == '\0';
}

// Parses argv[first..first+n-1] as numbers; false on any bad one.
bool numbers(char **argv, int first, int n, unsigned long *out)
{
    for (int i = 0; i < n; ++i)
        if (!number(argv[first + i], &out[i]))
            return false;
    return true;
}

int report(int rc)
{
    if (rc != 0)
        std::fprintf(stderr, "iofpga-sim: %s\n", std::strerror(rc));
    return rc == 0 ? 0 : 1;
}

int cmd_load(int argc, char **argv, bool save)
{
    unsigned long v[4] = {0, 0, 0, 0};
    int fixed = save ? 3 : 2; // CTRL CH [LEN]
    if (argc < 3 + fixed || !numbers(argv, 2, 2, v) || (save && !number(argv[5], &v[2])) ||
        (argc > 3 + fixed && !number(argv[3 + fixed], &v[3])))
        return report(EINVAL);
    static uint8_t image[IOFPGA_SIM_PROM_SIZE];
    std::FILE *f = std::fopen(argv[4], save ? "wb" : "rb");
    if (f == nullptr)
        return report(errno);
    int rc = 0;
    if (save) {
        rc = iofpga_sim_prom_fetch(int(v[0]), int(v[1]), uint32_t(v[3]), image, v[2]);
        if (rc == 0 && std::fwrite(image, 1, v[2], f) != v[2])
            rc = EIO;
    } else {
        size_t n = std::fread(image, 1, sizeof(image), f);
        rc = iofpga_sim_prom_load(int(v[0]), int(v[1]), uint32_t(v[3]), image, n);
    }
    if (std::fclose(f) != 0 && rc == 0)
        rc = errno;
    return report(rc);
}

int cmd_dump(int argc, char **argv)
{
    unsigned long v[4] = {0, 0, 0, 0};
    if (argc < 5 || !numbers(argv, 2, argc - 2 > 4 ? 4 : argc - 2, v))
        return report(EINVAL);
    static uint8_t image[IOFPGA_SIM_PROM_SIZE];
    int rc = iofpga_sim_prom_fetch(int(v[0]), int(v[1]), uint32_t(v[3]), image, v[2]);
    if (rc != 0)
        return report(rc);
    for (unsigned long i = 0; i < v[2]; ++i)
        std::printf("%s%02x%s", i % 16 == 0 ? "" : " ", image[i],
                    (i % 16 == 15 || i + 1 == v[2]) ? "\n" : "");
    return 0;
}

int cmd_device(int argc, char **argv)
{
    unsigned long v[2];
    if (argc != 6 || !numbers(argv, 2, 2, v))
        return report(EINVAL);
    auto dev = std::strcmp(argv[4], "aux") == 0 ? IOFPGA_SIM_AUX : IOFPGA_SIM_PROM;
    return report(
        iofpga_sim_set_present(int(v[0]), int(v[1]), dev, std::strcmp(argv[5], "on") == 0));
}

int cmd_aux(int argc, char **argv)
{
    unsigned long v[4];
    if (argc < 5 || argc > 6 || !numbers(argv, 2, argc - 2, v))
        return report(EINVAL);
    if (argc == 6)
        return report(iofpga_sim_aux_set(int(v[0]), int(v[1]), uint8_t(v[2]), uint8_t(v[3])));
    uint8_t value = 0;
    int rc = iofpga_sim_aux_get(int(v[0]), int(v[1]), uint8_t(v[2]), &value);
    if (rc == 0)
        std::printf("0x%02x\n", value);
    return report(rc);
}

int cmd_reg(int argc, char **argv)
{
    unsigned long v[2];
    if (argc < 3 || argc > 4 || !numbers(argv, 2, argc - 2, v))
        return report(EINVAL);
    if (argc == 4)
        return report(iofpga_sim_reg_set(uint32_t(v[0]), uint32_t(v[1])));
    uint32_t value = 0;
    int rc = iofpga_sim_reg_get(uint32_t(v[0]), &value);
    if (rc == 0)
        std::printf("0x%08x\n", value);
    return report(rc);
}

// Presence bit 16+n of the presence register and the devices of channel n.
int cmd_presence(int argc, char **argv, int controller, uint32_t reg)
{
    unsigned long n;
    if (argc != 4 || !number(argv[2], &n) || n >= IOFPGA_SIM_CHANNELS)
        return report(EINVAL);
    bool on = std::strcmp(argv[3], "on") == 0;
    uint32_t value = 0;
    int rc = iofpga_sim_reg_get(reg, &value);
    if (rc == 0 && n < 16)
        rc = iofpga_sim_reg_set(reg, on ? value | (1u << (16 + n)) : value & ~(1u << (16 + n)));
    if (rc == 0)
        rc = iofpga_sim_set_present(controller, int(n), IOFPGA_SIM_PROM, on);
    if (rc == 0)
        rc = iofpga_sim_set_present(controller, int(n), IOFPGA_SIM_AUX, on);
    return report(rc);
}

int cmd_busy(int argc, char **argv)
{
    unsigned long v[4];
    if (argc != 6 || !numbers(argv, 2, 4, v))
        return report(EINVAL);
    return report(iofpga_sim_set_busy(int(v[0]), int(v[1]), uint32_t(v[2]), uint32_t(v[3])));
}

int cmd_fail(int argc, char **argv, bool reads)
{
    unsigned long v[3] = {0, 0, kDefaultFailCode};
    if (argc < 4 || argc > 5 || !numbers(argv, 2, argc - 2, v))
        return report(EINVAL);
    auto fn = reads ? iofpga_sim_fail_reads : iofpga_sim_fail_writes;
    return report(fn(uint32_t(v[0]), uint32_t(v[1]), int(v[2])));
}

int cmd_status()
{
    uint64_t reads = 0, writes = 0;
    uint32_t fan = 0, psu = 0;
    int rc = iofpga_sim_counters(&reads, &writes);
    if (rc == 0)
        rc = iofpga_sim_reg_get(IOFPGA_SIM_FAN_PRESENCE_REG, &fan);
    if (rc == 0)
        rc = iofpga_sim_reg_get(IOFPGA_SIM_PSU_PRESENCE_REG, &psu);
    if (rc == 0)
        std::printf("register reads %llu, writes %llu\nfan presence 0x%08x\npsu presence 0x%08x\n",
                    static_cast<unsigned long long>(reads), static_cast<unsigned long long>(writes),
                    fan, psu);
    return report(rc);
}

int cmd_log()
{
    static iofpga_sim_write entries[512];
    size_t n = 0;
    int rc = iofpga_sim_write_log(entries, 512, &n);
    for (size_t i = 0; rc == 0 && i < n; ++i)
        std::printf("0x%03x <- 0x%08x\n", entries[i].offset, entries[i].value);
    return report(rc);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const char *cmd = argv[1];
    if (std::strcmp(cmd, "init") == 0)
        return report(iofpga_sim_reset());
    if (std::strcmp(cmd, "load") == 0)
        return cmd_load(argc, argv, false);
    if (std::strcmp(cmd, "save") == 0)
        return cmd_load(argc, argv, true);
    if (std::strcmp(cmd, "dump") == 0)
        return cmd_dump(argc, argv);
    if (std::strcmp(cmd, "device") == 0)
        return cmd_device(argc, argv);
    if (std::strcmp(cmd, "aux") == 0)
        return cmd_aux(argc, argv);
    if (std::strcmp(cmd, "reg") == 0)
        return cmd_reg(argc, argv);
    if (std::strcmp(cmd, "fan") == 0)
        return cmd_presence(argc, argv, 1, IOFPGA_SIM_FAN_PRESENCE_REG);
    if (std::strcmp(cmd, "psu") == 0)
        return cmd_presence(argc, argv, 2, IOFPGA_SIM_PSU_PRESENCE_REG);
    if (std::strcmp(cmd, "busy") == 0)
        return cmd_busy(argc, argv);
    if (std::strcmp(cmd, "fail-read") == 0)
        return cmd_fail(argc, argv, true);
    if (std::strcmp(cmd, "fail-write") == 0)
        return cmd_fail(argc, argv, false);
    if (std::strcmp(cmd, "status") == 0)
        return cmd_status();
    if (std::strcmp(cmd, "log") == 0)
        return cmd_log();
    std::fputs(kUsage, stderr);
    return 2;
}
