// Opening the chassis-type file written by another platform component.
#include "os.h"

namespace boardprom::os
{

std::FILE *open_chassis_file(const char *path)
{
    return std::fopen(path, "r");
}

} // namespace boardprom::os
