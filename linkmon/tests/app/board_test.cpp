// Board selection by board code and the shape of the device lists.
#include "app/app.h"
#include "fakes/daemon_fixture.h"

#include <string>
#include <vector>

namespace
{

struct BoardCase {
    int code;
    TrackedDevice *tracked;
    TrackedDevice *sata;
};

class BoardSelection : public fake_os::DaemonTest, public ::testing::WithParamInterface<BoardCase>
{
};

std::vector<std::pair<unsigned, unsigned>> ids(const TrackedDevice *list)
{
    std::vector<std::pair<unsigned, unsigned>> out;
    for (; list->vendor != 0; ++list)
        out.emplace_back(list->vendor, list->device);
    return out;
}

constexpr unsigned PV = PLATFORM_VENDOR_ID;

} // namespace

TEST_P(BoardSelection, SelectsTheBoardsLists)
{
    capture();
    EXPECT_EQ(select_board(GetParam().code), 1);
    EXPECT_EQ(messages(), "");
    EXPECT_EQ(tracked_devices, GetParam().tracked);
    EXPECT_EQ(sata_devices, GetParam().sata);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BoardSelection,
    ::testing::Values(BoardCase{21014, tracked_devices_BRUVEL_RP, sata_devices_list},
                      BoardCase{27016, tracked_devices_ORNEK_RP, sata_devices_list},
                      BoardCase{27020, tracked_devices_SELMI_RP, sata_devices_list},
                      BoardCase{27025, tracked_devices_ZEVA_CR, sata_devices_list},
                      BoardCase{27029, tracked_devices_GRENT_RP, sata_devices_list},
                      BoardCase{27031, tracked_devices_TALVE_CR_RP, sata_devices_list},
                      BoardCase{27044, tracked_devices_BRUVEL_LC_A, sata_devices_list},
                      BoardCase{27046, tracked_devices_BRUVEL_LC_B, sata_devices_list},
                      BoardCase{27059, tracked_devices_BRUVEL_RPX, sata_devices_list},
                      BoardCase{27060, tracked_devices_BRUVEL_LC_C, sata_devices_list},
                      BoardCase{27064, tracked_devices_BRUVEL_LC_C, sata_devices_list},
                      BoardCase{27065, tracked_devices_MOSKA_RP, sata_devices_list_MOSKA},
                      BoardCase{27066, tracked_devices_MOSKA_LC, sata_devices_list_MOSKA},
                      BoardCase{27067, tracked_devices_MOSKA_LC, sata_devices_list_MOSKA}),
    [](const ::testing::TestParamInfo<BoardCase> &info) {
        return "Card" + std::to_string(info.param.code);
    });

using Board = fake_os::DaemonTest;

TEST_F(Board, UnknownCodeSelectsEmptyListsAndLogs)
{
    for (int code : {0, 27061, 27068, -1}) {
        capture();
        EXPECT_EQ(select_board(code), 0);
        EXPECT_EQ(messages(),
                  "Linkmonitoring is not supported on card = " + std::to_string(code) + "\n");
        EXPECT_EQ(tracked_devices, tracked_devices_DEFAULT_CARD);
        EXPECT_EQ(sata_devices, sata_devices_default);
        EXPECT_EQ(tracked_devices->vendor, 0);
        EXPECT_EQ(sata_devices->vendor, 0);
    }
}

TEST_F(Board, ListsUseTheConfiguredPlatformVendor)
{
    using P = std::pair<unsigned, unsigned>;
    EXPECT_EQ(ids(tracked_devices_MOSKA_RP), (std::vector<P>{{PV, 0x0100}, {0x8086, 0x15ab}}));
    EXPECT_EQ(ids(tracked_devices_MOSKA_LC),
              (std::vector<P>{
                  {PV, 0x0101}, {PV, 0x0103}, {PV, 0x0104}, {0x11ab, 0xc819}, {0x8086, 0x15ab}}));
    EXPECT_EQ(ids(tracked_devices_SELMI_RP), ids(tracked_devices_ORNEK_RP));
    EXPECT_EQ(ids(tracked_devices_TALVE_CR_RP).size(), 7u);
    EXPECT_EQ(ids(sata_devices_list),
              (std::vector<P>{{0x8086, 0x8c02}, {0x8086, 0x8c22}, {0x8086, 0x2323}}));
}

TEST_F(Board, ShippedRowsCarryNoSettings)
{
    for (const TrackedDevice *list :
         {tracked_devices_BRUVEL_LC_A, tracked_devices_BRUVEL_LC_B, tracked_devices_BRUVEL_RPX,
          tracked_devices_BRUVEL_LC_C, tracked_devices_BRUVEL_RP, tracked_devices_MOSKA_RP,
          tracked_devices_MOSKA_LC, tracked_devices_TALVE_CR_RP, tracked_devices_ORNEK_RP,
          tracked_devices_SELMI_RP, tracked_devices_GRENT_RP, tracked_devices_ZEVA_CR,
          sata_devices_list, sata_devices_list_MOSKA}) {
        const TrackedDevice *row = list;
        for (; row->vendor != 0; ++row)
            EXPECT_EQ(row->link_status | row->bar_mask | row->flags | row->spare, 0u);
        EXPECT_EQ(row->device, 0); // the terminator is all zeros
        EXPECT_EQ(row->flags, 0u);
    }
}
