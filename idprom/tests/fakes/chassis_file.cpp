// Fake of src/os/chassis_file.cpp: the chassis-type file is whatever the
// test put in place (or missing), served from a temporary stream.
#include "fake_os.h"
#include "os.h"

#include <cstring>
#include <optional>
#include <string>

namespace
{

std::optional<std::string> g_content;
std::string g_last_path;

} // namespace

namespace boardprom_test
{

void set_chassis_file(std::optional<std::string> content)
{
    g_content = std::move(content);
    g_last_path.clear();
}

const std::string &chassis_file_path()
{
    return g_last_path;
}

} // namespace boardprom_test

namespace boardprom::os
{

std::FILE *open_chassis_file(const char *path)
{
    g_last_path = path;
    if (!g_content)
        return nullptr;
    std::FILE *file = std::tmpfile();
    if (file == nullptr)
        return nullptr;
    std::fwrite(g_content->data(), 1, g_content->size(), file);
    std::rewind(file);
    return file;
}

} // namespace boardprom::os
