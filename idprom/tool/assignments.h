// NAME=VALUE assignments of a batch program: one --set argument, or the
// lines of a --from file.
#pragma once

#include "tool.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace idpromtool
{

// Splits NAME=VALUE at its first '='; blanks around NAME are dropped, and
// around VALUE when `trim_value` (a --set value is kept as the shell gave
// it).  False when there is no '=' or no name.
bool split_assignment(std::string_view text, bool trim_value, std::string *name,
                      std::string *value);

// Reads the assignments of a --from file: one NAME=VALUE per line, blank
// lines and lines whose first non-blank character is '#' ignored, blanks
// around NAME and VALUE and a carriage return before the line end dropped.  Errors are printed with
// the file name and line number; false if there was any.
bool read_assignments(std::FILE *in, const std::string &name, std::vector<Assignment> *out);

} // namespace idpromtool
