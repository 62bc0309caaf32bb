// pcie_monitor: a thin main; start-up lives in startup.cpp.
#include "app/app.h"

int main(int argc, char **argv)
{
    return pcie_monitor_main(argc, argv);
}
