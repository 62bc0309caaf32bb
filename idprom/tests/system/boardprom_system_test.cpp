// The built libboardprom over the I2C interposer, inside a private mount
// namespace (see run_in_namespace.sh): SMBus transactions through libi2c,
// the ID-PROM address map, one open/bind/close per byte, requested pauses,
// retries and the plain-transfer road.
#include "boardprom.h"
#include "iofpga_sim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t count_lines(const std::string &text, const std::string &prefix)
{
    size_t n = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        n += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

class BuiltLibrary : public testing::Test
{
  protected:
    void SetUp() override
    {
        const std::string base = testing::TempDir() + "i2c_sim_" + std::to_string(getpid());
        eeprom_ = base + ".rom";
        log_ = base + ".log";
        std::string rom(2048, '\0');
        for (size_t i = 0; i < rom.size(); ++i)
            rom[i] = static_cast<char>(i * 13 + 1);
        std::ofstream(eeprom_, std::ios::binary) << rom;
        std::remove(log_.c_str());
        setenv("I2C_SIM_EEPROM", eeprom_.c_str(), 1);
        setenv("I2C_SIM_LOG", log_.c_str(), 1);
        unsetenv("I2C_SIM_ABSENT");
    }
    void TearDown() override
    {
        std::remove(eeprom_.c_str());
        std::remove(log_.c_str());
    }
    std::string log() const
    {
        return read_file(log_);
    }
    std::string rom() const
    {
        return read_file(eeprom_);
    }
    static std::string run(const std::function<void()> &fn)
    {
        testing::internal::CaptureStdout();
        fn();
        std::fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    std::string eeprom_;
    std::string log_;
};

TEST_F(BuiltLibrary, ReadCrossesFromDevice0x51To0x52)
{
    unsigned char buf[2] = {};
    ASSERT_EQ(idprom_read_eeprom(buf, 2, 0x1FF), 0);
    EXPECT_EQ(buf[0], static_cast<unsigned char>(rom()[0x1FF]));
    EXPECT_EQ(buf[1], static_cast<unsigned char>(rom()[0x200]));
    EXPECT_EQ(log(), "open /dev/i2c-1\n"
                     "bind 0x706 0x51\n"
                     "smbus-read 0x51 0xff size 2\n"
                     "close 0x51\n"
                     "open /dev/i2c-1\n"
                     "bind 0x706 0x52\n"
                     "smbus-read 0x52 0x00 size 2\n"
                     "close 0x52\n");
}

TEST_F(BuiltLibrary, PageReadOpensBindsAndClosesOncePerByte)
{
    std::vector<unsigned char> buf(270);
    ASSERT_EQ(idprom_read_page(0, buf.data(), 270, 0), 0);
    EXPECT_EQ(std::string(buf.begin(), buf.end()), rom().substr(0, 270));
    const std::string l = log();
    EXPECT_EQ(count_lines(l, "open "), 270u);
    EXPECT_EQ(count_lines(l, "bind "), 270u);
    EXPECT_EQ(count_lines(l, "close "), 270u);
    EXPECT_EQ(count_lines(l, "sleep "), 0u);
}

TEST_F(BuiltLibrary, WriteRequests200MsPerByte)
{
    const unsigned char data[3] = {0xA0, 0xA1, 0xA2};
    ASSERT_EQ(idprom_write_eeprom(data, 3, 0xFF), 0);
    EXPECT_EQ(rom().substr(0xFF, 3), "\xA0\xA1\xA2");
    EXPECT_EQ(count_lines(log(), "sleep 200000"), 3u);
    EXPECT_EQ(count_lines(log(), "smbus-write 0x51 0x00 size 2"), 1u);
}

TEST_F(BuiltLibrary, FailingWriteCountsDownAndReportsTheIoctlsMinusOne)
{
    setenv("I2C_SIM_ABSENT", "0x50", 1);
    const std::string out = run([] { EXPECT_EQ(x86_cpu_i2c_wr(1, 0x50, 2, 4, 'x'), 0x105); });
    std::string expected;
    for (int left = 9; left >= 0; --left)
        expected += "x86_cpu_i2c_wr retry again count = " + std::to_string(left) + "\n";
    EXPECT_EQ(out, expected + "Write failed, res = 0xffffffff\n");
    EXPECT_EQ(count_lines(log(), "sleep 200000"), 10u);
    EXPECT_EQ(count_lines(log(), "open "), 1u);
}

TEST_F(BuiltLibrary, PageRoutinesGoOnPastAFailingByte)
{
    setenv("I2C_SIM_ABSENT", "0x50", 1);
    std::vector<unsigned char> buf(258, 0xEE);
    const std::string out = run([&] { EXPECT_EQ(idprom_read_page(0, buf.data(), 258, 0), 0x105); });
    EXPECT_EQ(buf[255], 0);
    EXPECT_EQ(buf[256], static_cast<unsigned char>(rom()[256]));
    EXPECT_EQ(count_lines(out, "Read AT24 failed rc = 0x105"), 256u);
    std::vector<unsigned char> data(257, 0x42);
    run([&] { EXPECT_EQ(idprom_write_page(0, data.data(), 257, 0), 0x105); });
    EXPECT_EQ(rom()[256], 0x42);
}

TEST_F(BuiltLibrary, BlockReadStoresOnlyTheFirstByte)
{
    char out[2] = {0, 0x7E};
    ASSERT_EQ(x86_cpu_i2c_rd(1, 0x50, 5, 9, out), 0);
    EXPECT_EQ(out[0], rom()[9]);
    EXPECT_EQ(out[1], 0x7E);
}

TEST_F(BuiltLibrary, PlainTransferRoadReadsARegister)
{
    int out[3] = {-1, -1, -1};
    char err[64] = "";
    ASSERT_EQ(arm_cpu_i2c_port_rd(1, 0x20, 0x50, out, 2, err, sizeof err), 0);
    EXPECT_EQ(out[0], static_cast<unsigned char>(rom()[0x20]));
    EXPECT_EQ(out[1], static_cast<unsigned char>(rom()[0x21]));
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(log(), "open /dev/i2c-1\nbind 0x703 0x50\nraw-write 0x50 1\nsleep 200000\n"
                     "close 0x50\nopen /dev/i2c-1\nbind 0x703 0x50\nraw-read 0x50 2\n"
                     "close 0x50\n");
}

TEST_F(BuiltLibrary, FpgaRoadReachesTheAccessLibraryByName)
{
    // libboardprom finds iofpga_pci_*_v2 through the dynamic linker; here the
    // stand-in answers with a seeded fan-tray PROM on controller 1 channel 2.
    const std::string state = eeprom_ + ".fpga";
    setenv(IOFPGA_SIM_ENV, state.c_str(), 1);
    ASSERT_EQ(iofpga_sim_reset(), 0);
    std::vector<unsigned char> image(226);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<unsigned char>(255 - i);
    ASSERT_EQ(iofpga_sim_prom_load(1, 2, 0, image.data(), image.size()), 0);
    std::vector<unsigned char> buf(226);
    EXPECT_EQ(idprom_read_ft_psu_page(IDPROM_KIND_FAN_TRAY, buf.data(), 226, 2), 0);
    EXPECT_EQ(buf, image);
    // Every byte: a 5 ms pause between the transfers and 5 of them inside.
    EXPECT_EQ(count_lines(log(), "sleep 5000"), 226u * 6);
    unsetenv(IOFPGA_SIM_ENV);
    std::remove(state.c_str());
}

} // namespace
