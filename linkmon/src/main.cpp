// pcie_monitor: a thin main; start-up lives in startup.cpp.
#include "pcie_monitor.h"

int main(int argc, char **argv)
{
    return pcie_monitor_main(argc, argv);
}
