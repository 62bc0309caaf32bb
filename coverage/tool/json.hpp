// Just enough JSON for the tool's reports: quoted strings with escapes.
#pragma once

#include <ostream>
#include <string_view>

namespace covtool
{

// Writes `text` as a JSON string. Bytes that are not printable ASCII are
// written as \u00XX escapes, so any file name gives valid JSON.
void put_json_string(std::ostream &out, std::string_view text);

} // namespace covtool
