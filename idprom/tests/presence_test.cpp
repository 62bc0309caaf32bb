// Fan-tray and power-module presence checks on the simulated FPGA, with
// the chassis-type file served by the fake.
#include "fake_os.h"
#include "ops_fake_clock.h"
#include "ops_fpga.h"

#include "boardprom.h"

#include <gtest/gtest.h>

#include <string>

using namespace boardprom_test;

namespace
{

inline constexpr uint32_t kFanReg = IOFPGA_SIM_FAN_PRESENCE_REG;
inline constexpr uint32_t kPsuReg = IOFPGA_SIM_PSU_PRESENCE_REG;

class Presence : public SimulatedFpga
{
  protected:
    void SetUp() override
    {
        SimulatedFpga::SetUp();
        reset_sleeps();
        set_chassis_file(std::string("chassis 0x60010000\n"));
    }

    int fan(int ft)
    {
        msg_ = std::string(256, '\0');
        return idprom_check_fan_presence(ft, msg_.data(), static_cast<int>(msg_.size()));
    }

    int psu(int *pm)
    {
        msg_ = std::string(256, '\0');
        return idprom_check_psu_presence(pm, msg_.data(), static_cast<int>(msg_.size()));
    }

    std::string message() const
    {
        return msg_.c_str();
    }

    std::string msg_;
};

TEST_F(Presence, FanBitDecides)
{
    ASSERT_EQ(iofpga_sim_reg_set(kFanReg, 0x00020000), 0);
    EXPECT_EQ(fan(1), 1);
    EXPECT_EQ(message(), "");
    EXPECT_EQ(fan(0), 0);
    EXPECT_EQ(message(), "ft0 is not present ....\n");
    EXPECT_EQ(fan(2), 0);
    EXPECT_EQ(message(), "ft2 is not present ....\n");
}

TEST_F(Presence, FanInstanceOutOfRangeIsJudgedAfterTheRead)
{
    const uint64_t before = register_reads();
    EXPECT_EQ(fan(3), 0);
    EXPECT_EQ(message(), "ft3 instance is wrong. Pls. provide correct instance\n");
    EXPECT_EQ(fan(-1), 0);
    EXPECT_EQ(message(), "ft-1 instance is wrong. Pls. provide correct instance\n");
    EXPECT_EQ(register_reads() - before, 2u);
}

TEST_F(Presence, RegisterFailingEveryTimeIsReadElevenTimes)
{
    ASSERT_EQ(iofpga_sim_fail_reads(kFanReg, IOFPGA_SIM_FOREVER, 0x13), 0);
    const uint64_t before = register_reads();
    EXPECT_EQ(fan(1), 0);
    EXPECT_EQ(register_reads() - before, 11u);
    EXPECT_EQ(sleeps(), std::vector<unsigned>(10, 200000));
    EXPECT_EQ(message(), "iofpga_pci_read_memory rc = 0x13\n");
}

class PresenceRetries : public Presence, public testing::WithParamInterface<int>
{
};

// The register answers after n failed reads: the last retry's numbered
// message stays, and the bit decides.
TEST_P(PresenceRetries, NumberedMessageOfTheLastRetryStays)
{
    const int failures = GetParam();
    ASSERT_EQ(iofpga_sim_fail_reads(kFanReg, static_cast<uint32_t>(failures), 0x2A), 0);
    EXPECT_EQ(fan(0), 1);
    EXPECT_EQ(message(), "#" + std::to_string(failures) + " iofpga_pci_read_memory rc = 0x2a\n");
    EXPECT_EQ(sleeps().size(), static_cast<size_t>(failures));
}

INSTANTIATE_TEST_SUITE_P(Counts, PresenceRetries, testing::Values(1, 2, 5, 10));

TEST_F(Presence, NoMessageBufferIsTolerated)
{
    EXPECT_EQ(idprom_check_fan_presence(7, nullptr, 0), 0);
    int pm = 0;
    EXPECT_EQ(idprom_check_psu_presence(&pm, nullptr, 64), 1);
}

struct PsuCase {
    const char *name;
    uint32_t chassis;
    uint32_t bits; // presence bits 16 and up
    int requested;
    int rc;
    int pm_after;
    const char *msg;
};

class PsuPresence : public Presence, public testing::WithParamInterface<PsuCase>
{
};

TEST_P(PsuPresence, ChassisTypeNumbersTheModule)
{
    const PsuCase &c = GetParam();
    char chassis[64];
    std::snprintf(chassis, sizeof chassis, "chassis 0x%x\n", c.chassis);
    set_chassis_file(std::string(chassis));
    ASSERT_EQ(iofpga_sim_reg_set(kPsuReg, c.bits << 16), 0);
    int pm = c.requested;
    EXPECT_EQ(psu(&pm), c.rc);
    EXPECT_EQ(pm, c.pm_after);
    EXPECT_EQ(message(), c.msg);
    EXPECT_EQ(chassis_file_path(), "/tmp/pem_dump");
}

const PsuCase kPsuCases[] = {
    {"ShiftedPresent", 0x60010000, 1u << 3, 0, 1, 3, "PD chassis type: 0x60010000\n"},
    {"ShiftedAbsent", 0x60010000, 0x3F7, 0, 0, 2, "pm0 is not present ...\n"},
    {"ShiftedBeyondNine", 0x60010000, 0x3FF, 8, 0, 10,
     "pm8 instance is wrong. Pls. provide correct instance\n"},
    {"SwappedOne", 0x60010002, 1u << 3, 1, 1, 3, "PD chassis type: 0x60010002\n"},
    {"SwappedTwo", 0x60010002, 1u << 0, 2, 1, 0, "PD chassis type: 0x60010002\n"},
    {"SwappedFiveUnchanged", 0x60010002, 1u << 4, 5, 1, 4, "PD chassis type: 0x60010002\n"},
    {"OtherChassis", 0x60010001, 1u << 1, 0, 1, 1, "PD chassis type: 0x60010001\n"},
    {"OtherChassisAbsent", 0x60010001, 1u << 0, 0, 0, 0, "pm0 is not present ...\n"},
    {"NegativeModule", 0x60010001, 0x3FF, -1, 0, -1,
     "pm-1 instance is wrong. Pls. provide correct instance\n"},
    {"SlotNine", 0x1, 1u << 9, 8, 1, 9, "PD chassis type: 0x1\n"},
};

INSTANTIATE_TEST_SUITE_P(Table, PsuPresence, testing::ValuesIn(kPsuCases),
                         [](const testing::TestParamInfo<PsuCase> &info) {
                             return std::string(info.param.name);
                         });

struct ChassisFileCase {
    const char *name;
    bool exists;
    const char *contents;
    const char *msg;
};

class PsuChassisFile : public Presence, public testing::WithParamInterface<ChassisFileCase>
{
};

TEST_P(PsuChassisFile, BadFileEndsTheCheck)
{
    const ChassisFileCase &c = GetParam();
    if (c.exists)
        set_chassis_file(std::string(c.contents));
    else
        set_chassis_file(std::nullopt);
    int pm = 0;
    EXPECT_EQ(psu(&pm), 0);
    EXPECT_EQ(pm, 0);
    EXPECT_EQ(message(), c.msg);
}

const ChassisFileCase kChassisFiles[] = {
    {"Missing", false, "", "Cannot open /tmp/pem_dump to get chassis type.\n"},
    {"Empty", true, "", "Cannot get chassis type from fscanf.\n"},
    {"WordOnly", true, "chassis\n", "Cannot get chassis type from fscanf.\n"},
    {"NoHexPrefix", true, "chassis 60010000\n", "Cannot get chassis type from fscanf.\n"},
    {"LongWord", true,
     "chassis_xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
     "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx 0x60010000\n",
     "Cannot get chassis type from fscanf.\n"},
    {"NotAChassis", true, "rack 0x60010000\n", "Getting chassis type failed.\n"},
};

INSTANTIATE_TEST_SUITE_P(Files, PsuChassisFile, testing::ValuesIn(kChassisFiles),
                         [](const testing::TestParamInfo<ChassisFileCase> &info) {
                             return std::string(info.param.name);
                         });

TEST_F(Presence, PsuRegisterFailureComesBeforeTheChassisFile)
{
    ASSERT_EQ(iofpga_sim_fail_reads(kPsuReg, IOFPGA_SIM_FOREVER, 5), 0);
    set_chassis_file(std::nullopt);
    int pm = 0;
    EXPECT_EQ(psu(&pm), 0);
    EXPECT_EQ(message(), "iofpga_pci_read_memory rc = 0x5\n");
    EXPECT_EQ(chassis_file_path(), "");
}

} // namespace
