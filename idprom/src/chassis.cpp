// The chassis-type file and the power-module numbering of the chassis.
#include "chassis.h"

#include "settings.h"

#include <array>
#include <cstring>

namespace boardprom
{
namespace
{

inline constexpr std::array<int, 4> psu_chassis_remap = {0, 2, 1, 3};

} // namespace

ChassisRead read_chassis_type(std::FILE *file, uint32_t *type)
{
    if (file == nullptr)
        return ChassisRead::NotOpened;
    // The word is read with a bound so that a long first word cannot run
    // past the buffer; it then fails to parse as a whole.
    std::array<char, kChassisWordSize> word{};
    unsigned int value = 0;
    const int items = std::fscanf(file, kChassisFormat, word.data(), &value);
    if (items != 2)
        return ChassisRead::NotParsed;
    if (std::strstr(word.data(), kChassisMarker) == nullptr)
        return ChassisRead::NotChassis;
    *type = value;
    return ChassisRead::Ok;
}

int renumber_power_module(uint32_t chassis_type, int k)
{
    if (chassis_type == kChassisShifted)
        return static_cast<int>(static_cast<unsigned>(k) + 2u);
    if (chassis_type == kChassisSwapped && k >= 0 && k < static_cast<int>(psu_chassis_remap.size()))
        return psu_chassis_remap[static_cast<std::size_t>(k)];
    return k;
}

} // namespace boardprom
