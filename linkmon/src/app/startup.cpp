// Start-up of pcie_monitor: the argument count, the board code and type
// from the kernel command line, the choice of mode and the server's
// start-up sequence.
#include "app/app.h"
#include "app/log.h"
#include "client/client.h"
#include "monitor/monitor.h"
#include "os/os.h"
#include "pci/pci.h"
#include "server/server.h"
#include "settings.h"

#include <cstdio>

using namespace linkmon;

namespace
{

inline constexpr const char *USAGE_LINE1 = "Usage: Two modes\n";
inline constexpr const char *USAGE_LINE2 = "%s 0x80000000 - server mode\n";
inline constexpr const char *USAGE_LINE3 =
    "%s 10.0.2.16 set|show sata|link|ues|pniclnk|pnicerr|status|hitless bb:dd.f - client mode\n";
inline constexpr const char *USAGE_LINE4 = "0x80000000 is PCI MMCONFIG base address\n";
inline constexpr const char *USAGE_LINE5 = "10.0.2.16 is Host IP address\n";

inline constexpr const char *MSG_NO_CARD_INDEX = "Card index not found\n";
inline constexpr const char *MSG_CARD_INDEX = "cardindex = %d";
inline constexpr const char *MSG_NO_BOARDTYPE = "Boardtype not found\n";
inline constexpr const char *MSG_BOARDTYPE = "boardtype = %s ";
inline constexpr const char *MSG_NO_SERVER_THREAD =
    "%s: cannot create aer server thread, errno = %d\n";
inline constexpr const char *MSG_NO_CLEAR_THREAD =
    "%s: cannot create auto clear thread, errno = %d\n";

inline constexpr int CARD_INDEX_CHARS = 9;
inline constexpr const char *DEFAULT_PROGNAME = "pcie_monitor";

void print_usage(const char *prog)
{
    std::printf("%s", USAGE_LINE1);
    std::printf(USAGE_LINE2, prog);
    std::printf(USAGE_LINE3, prog);
    std::printf("%s", USAGE_LINE4);
    std::printf("%s", USAGE_LINE5);
    std::fflush(stdout);
}

int read_card_code()
{
    int code = 0;
    std::FILE *pipe = os::popen_read(settings::CARD_INDEX_PIPELINE);
    if (pipe == nullptr) {
        pcie_log("%s", MSG_NO_CARD_INDEX);
        return code;
    }
    char line[CARD_INDEX_CHARS + 1] = {};
    if (std::fgets(line, sizeof line, pipe) != nullptr)
        std::sscanf(line, "%d", &code);
    pcie_log(MSG_CARD_INDEX, code);
    os::pclose(pipe);
    return code;
}

void read_board_type()
{
    std::FILE *pipe = os::popen_read(settings::BOARDTYPE_PIPELINE);
    if (pipe == nullptr) {
        pcie_log("%s", MSG_NO_BOARDTYPE);
        return;
    }
    // At most two characters; the array keeps its terminator.
    if (std::fgets(boardtype_arr, sizeof boardtype_arr, pipe) == nullptr)
        boardtype_arr[0] = '\0';
    is_boardtype_set = 1;
    pcie_log(MSG_BOARDTYPE, boardtype_arr);
    os::pclose(pipe);
}

void set_quiet_period_end()
{
    os::clock_monotonic(&skiptime);
    skiptime.tv_sec += settings::QUIET_PERIOD_SEC;
}

[[noreturn]] void run_server(const char *progname)
{
    os::sleep_for(settings::STARTUP_DELAY);
    set_quiet_period_end();
    start_threads(progname);
    scan_pci_functions();
    pair_link_partners();
    log_all_devices();
    monitor_loop();
}

} // namespace

extern "C" {

char boardtype_arr[3];
int is_boardtype_set;
struct timespec skiptime;
int client_mode;

int read_card_index(void)
{
    const int code = read_card_code();
    read_board_type();
    return code;
}

void start_threads(const char *progname)
{
    if (int rc = os::start_thread(accept_linkmon_connections); rc != 0)
        pcie_log(MSG_NO_SERVER_THREAD, progname, rc);
    if (int rc = os::start_thread(auto_clear_thread); rc != 0)
        pcie_log(MSG_NO_CLEAR_THREAD, progname, rc);
}

int pcie_monitor_main(int argc, char **argv)
{
    if (argc != settings::SERVER_MODE_ARGC && argc != settings::CLIENT_MODE_ARGC) {
        print_usage(argc > 0 && argv[0] != nullptr ? argv[0] : DEFAULT_PROGNAME);
        return 1;
    }
    if (select_board(read_card_index()) == 0)
        return 0;
    if (argc == settings::CLIENT_MODE_ARGC) {
        client_mode = 1;
        return connect_linkmon(argc, argv);
    }
    for (int &slot : linkmonsockfd)
        slot = -1;
    if (map_mmconfig(argv[1]) != 0)
        return 1;
    run_server(argv[0]);
}

} // extern "C"
