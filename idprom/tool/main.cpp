// idpromtool: show, program, dump and restore identification PROMs, and
// check whether fan trays and power modules are fitted.
#include "tool.h"

int main(int argc, char **argv)
{
    idpromtool::Request request;
    if (!idpromtool::parse_args(argc, argv, &request))
        return idpromtool::kExitUsage;
    return idpromtool::run(request);
}
