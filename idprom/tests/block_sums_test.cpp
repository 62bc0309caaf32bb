// Block checksums for callers that edit images themselves, judged by an
// independent sum, and the progress hook of the four page routines.
#include "boardprom.h"

#include "fakes/fake_os.h"
#include "ops_fpga.h"
#include "ops_images.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace boardprom_test;

namespace
{

// Row index of the n-th (from 0) checksum row of a layout.
int checksum_row(const sprom_field_def *layout, int n)
{
    for (int i = 0; layout[i].type != SPROM_TYPE_END; ++i)
        if (layout[i].type == SPROM_TYPE_CHECKSUM && n-- == 0)
            return i;
    return -1;
}

TEST(BlockSums, ReportStoredAndComputedSumOfEachBlock)
{
    Image img = fan_tray_image();
    img[200] ^= 0x01; // a byte of the Serial Number Block
    uint16_t stored = 0, computed = 0;
    for (int n = 0; n < 3; ++n) {
        const int row = checksum_row(sprom_info_Miravel16, n);
        ASSERT_EQ(sprom_block_checksum_of(sprom_info_Miravel16, row, img.data(), kFanImageSize, 0,
                                          &stored, &computed),
                  0);
        EXPECT_EQ(stored, get(img, sprom_info_Miravel16[row].offset, 2));
        EXPECT_EQ(computed == stored, n != 2) << "block " << n;
    }
    EXPECT_EQ(computed, block_sum(img, 192, 28, 196));
}

TEST(BlockSums, RefuseRowsThatAreNoChecksumOrLieBeyondTheImage)
{
    const Image img = board_image();
    uint16_t stored = 0, computed = 0;
    EXPECT_EQ(sprom_block_checksum_of(sprom_info_cpu_Calderi, 5, img.data(), kBoardImageSize, 0,
                                      &stored, &computed),
              SPROM_RC_NOT_A_FIELD);
    EXPECT_EQ(sprom_block_checksum_of(sprom_info_cpu_Calderi, 500, img.data(), kBoardImageSize, 0,
                                      &stored, &computed),
              SPROM_RC_NOT_A_FIELD);
    // The LC Block runs to byte 262.
    EXPECT_EQ(sprom_block_checksum_of(sprom_info_cpu_Calderi,
                                      checksum_row(sprom_info_cpu_Calderi, 1), img.data(), 262, 0,
                                      &stored, &computed),
              SPROM_RC_OUT_OF_IMAGE);
}

TEST(BlockSums, UpdateStoresEverySumInEitherByteOrderAndNothingElse)
{
    for (int endian : {0, 1}) {
        Image img = fan_tray_image();
        img[218] = 0xEE; // padding keeps its bytes
        img[20] ^= 0x40;
        img[170] ^= 0x02;
        img[205] ^= 0x10;
        Image expected = img;
        fix_checksums(expected, sprom_info_Miravel16, endian);
        EXPECT_EQ(sprom_update_checksums(sprom_info_Miravel16, img.data(), kFanImageSize, endian),
                  0);
        EXPECT_EQ(img, expected) << "endian " << endian;
    }
    Image img = fan_tray_image();
    EXPECT_EQ(sprom_update_checksums(sprom_info_Miravel16, img.data(), 200, 0),
              SPROM_RC_OUT_OF_IMAGE);
}

// Records every call of the progress hook.
struct Calls {
    std::vector<std::pair<int, int>> seen;
    static void hook(void *context, int done, int total)
    {
        static_cast<Calls *>(context)->seen.emplace_back(done, total);
    }
    bool counts_up_to(int total) const
    {
        if (seen.size() != static_cast<size_t>(total))
            return false;
        for (int i = 0; i < total; ++i)
            if (seen[i] != std::make_pair(i + 1, total))
                return false;
        return true;
    }
};

TEST(ProgressHook, BoardPagesReportEveryByteUntilRemoved)
{
    reset_platform();
    Calls calls;
    idprom_set_progress(&Calls::hook, &calls);
    std::vector<uint8_t> buf(40);
    EXPECT_EQ(idprom_read_page(0, buf.data(), 40, 0), 0);
    EXPECT_TRUE(calls.counts_up_to(40));
    calls.seen.clear();
    EXPECT_EQ(idprom_write_page(0, buf.data(), 25, 0), 0);
    EXPECT_TRUE(calls.counts_up_to(25));
    // The byte routines underneath report nothing of their own.
    calls.seen.clear();
    EXPECT_EQ(idprom_read_eeprom(buf.data(), 10, 0), 0);
    EXPECT_TRUE(calls.seen.empty());
    idprom_set_progress(nullptr, nullptr);
    EXPECT_EQ(idprom_read_page(0, buf.data(), 40, 0), 0);
    EXPECT_TRUE(calls.seen.empty());
}

class FpgaProgress : public SimulatedFpga
{
};

TEST_F(FpgaProgress, FanTrayAndPowerModulePagesReportEveryByte)
{
    reset_platform();
    Calls calls;
    idprom_set_progress(&Calls::hook, &calls);
    std::vector<uint8_t> buf(30, 0x42);
    EXPECT_EQ(idprom_write_ft_psu_page(IDPROM_KIND_FAN_TRAY, buf.data(), 30, 1), 0);
    EXPECT_TRUE(calls.counts_up_to(30));
    calls.seen.clear();
    EXPECT_EQ(idprom_read_ft_psu_page(IDPROM_KIND_POWER_MODULE, buf.data(), 12, 4), 0);
    EXPECT_TRUE(calls.counts_up_to(12));
    idprom_set_progress(nullptr, nullptr);
}

} // namespace
