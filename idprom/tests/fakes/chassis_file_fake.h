// Control of the fake chassis-type file (tests/fakes/chassis_file.cpp).
#pragma once

#include <optional>
#include <string>

namespace boardprom_test
{

// The file's contents from now on; no value: the file cannot be opened.
void set_chassis_file(std::optional<std::string> content);

// The path the library last asked for.
const std::string &chassis_file_path();

} // namespace boardprom_test
