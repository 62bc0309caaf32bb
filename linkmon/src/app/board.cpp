// The compiled-in device lists of every supported board and the selection
// of a board's lists by its board code.
#include "app/app.h"
#include "app/log.h"

#include <array>

namespace
{

inline constexpr const char *MSG_NOT_SUPPORTED = "Linkmonitoring is not supported on card = %d\n";

constexpr TrackedDevice row(uint16_t vendor, uint16_t device)
{
    return TrackedDevice{vendor, device, 0, 0, 0, 0, 0};
}
constexpr TrackedDevice END = row(0, 0);
constexpr uint16_t PV = PLATFORM_VENDOR_ID;

} // namespace

extern "C" {

TrackedDevice tracked_devices_BRUVEL_LC_A[] = {
    row(0x8086, 0x1533), row(0x8086, 0x15ab), row(0x10b5, 0x8725),
    row(PV, 0x0100),     row(PV, 0x00f0),     END,
};
TrackedDevice tracked_devices_BRUVEL_LC_B[] = {
    row(0x8086, 0x15ab), row(0x14e4, 0x8456), row(PV, 0x0101),
    row(PV, 0x0103),     row(PV, 0x0104),     END,
};
TrackedDevice tracked_devices_BRUVEL_RPX[] = {
    row(0x8086, 0x1533), row(0x8086, 0x15ab), row(0x8086, 0x1581),
    row(PV, 0x0100),     row(PV, 0x00f0),     END,
};
TrackedDevice tracked_devices_BRUVEL_LC_C[] = {
    row(0x8086, 0x15ab), row(0x10b5, 0x8713), row(PV, 0x0101),
    row(PV, 0x0103),     row(PV, 0x0104),     END,
};
TrackedDevice tracked_devices_BRUVEL_RP[] = {
    row(PV, 0x0100),
    row(0x8086, 0x1523),
    END,
};
TrackedDevice tracked_devices_MOSKA_RP[] = {
    row(PV, 0x0100),
    row(0x8086, 0x15ab),
    END,
};
TrackedDevice tracked_devices_MOSKA_LC[] = {
    row(PV, 0x0101),     row(PV, 0x0103),     row(PV, 0x0104),
    row(0x11ab, 0xc819), row(0x8086, 0x15ab), END,
};
TrackedDevice tracked_devices_TALVE_CR_RP[] = {
    row(0x14e4, 0x8681), row(0x8086, 0x15ab), row(PV, 0x0200),     row(PV, 0x0101),
    row(PV, 0x0103),     row(PV, 0x0100),     row(0x8086, 0x1533), END,
};
TrackedDevice tracked_devices_ORNEK_RP[] = {
    row(0x14e4, 0x8375),
    row(0x8086, 0x15ab),
    row(PV, 0x0101),
    row(PV, 0x0103),
    row(PV, 0x0100),
    row(0x8086, 0x1521),
    END,
};
TrackedDevice tracked_devices_SELMI_RP[] = {
    row(0x14e4, 0x8375),
    row(0x8086, 0x15ab),
    row(PV, 0x0101),
    row(PV, 0x0103),
    row(PV, 0x0100),
    row(0x8086, 0x1521),
    END,
};
TrackedDevice tracked_devices_GRENT_RP[] = {
    row(0x14e4, 0x8680),
    row(0x8086, 0x15ab),
    row(PV, 0x0101),
    row(PV, 0x0103),
    row(PV, 0x0100),
    row(0x8086, 0x1533),
    END,
};
TrackedDevice tracked_devices_ZEVA_CR[] = {
    row(0x14e4, 0x9800), row(0x14e4, 0x8775), row(0x14e4, 0x8683), row(0x8086, 0x15ab),
    row(PV, 0x0101),     row(PV, 0x0103),     row(PV, 0x0100),     END,
};
TrackedDevice tracked_devices_DEFAULT_CARD[] = {
    END,
};

TrackedDevice sata_devices_list[] = {
    row(0x8086, 0x8c02),
    row(0x8086, 0x8c22),
    row(0x8086, 0x2323),
    END,
};
TrackedDevice sata_devices_list_MOSKA[] = {
    row(0x8086, 0x8c02),
    END,
};
TrackedDevice sata_devices_default[] = {
    END,
};

TrackedDevice *tracked_devices = tracked_devices_DEFAULT_CARD;
TrackedDevice *sata_devices = sata_devices_default;

} // extern "C"

namespace
{

struct BoardLists {
    int code;
    TrackedDevice *tracked;
    TrackedDevice *sata;
};

const std::array<BoardLists, 14> board_table = {{
    {21014, tracked_devices_BRUVEL_RP, sata_devices_list},
    {27016, tracked_devices_ORNEK_RP, sata_devices_list},
    {27020, tracked_devices_SELMI_RP, sata_devices_list},
    {27025, tracked_devices_ZEVA_CR, sata_devices_list},
    {27029, tracked_devices_GRENT_RP, sata_devices_list},
    {27031, tracked_devices_TALVE_CR_RP, sata_devices_list},
    {27044, tracked_devices_BRUVEL_LC_A, sata_devices_list},
    {27046, tracked_devices_BRUVEL_LC_B, sata_devices_list},
    {27059, tracked_devices_BRUVEL_RPX, sata_devices_list},
    {27060, tracked_devices_BRUVEL_LC_C, sata_devices_list},
    {27064, tracked_devices_BRUVEL_LC_C, sata_devices_list},
    {27065, tracked_devices_MOSKA_RP, sata_devices_list_MOSKA},
    {27066, tracked_devices_MOSKA_LC, sata_devices_list_MOSKA},
    {27067, tracked_devices_MOSKA_LC, sata_devices_list_MOSKA},
}};

} // namespace

extern "C" int select_board(int code)
{
    for (const BoardLists &board : board_table) {
        if (board.code == code) {
            tracked_devices = board.tracked;
            sata_devices = board.sata;
            return 1;
        }
    }
    tracked_devices = tracked_devices_DEFAULT_CARD;
    sata_devices = sata_devices_default;
    pcie_log(MSG_NOT_SUPPORTED, code);
    return 0;
}
