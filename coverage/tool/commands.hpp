// The four commands over open dumps. Each writes its report to `out`, its
// messages to `err`, and returns the exit status: 0, or 1 when a record
// could not be handled. Broken framing throws BadInput; the caller prints
// it.
#pragma once

#include <ostream>
#include <string>

#include "source.hpp"

namespace covtool
{

struct ListOptions {
    bool json = false;
    bool functions = false;
};
int list_dump(const Source &dump, const ListOptions &options, std::ostream &out, std::ostream &err);

struct SplitOptions {
    std::string directory = ".";
    unsigned strip = 0;
    bool force = false;
};
int split_dump(const Source &dump, const SplitOptions &options, std::ostream &err);

// The name a record gets below the output directory once `strip` leading
// components are removed (the leading '/' of an absolute name does not
// count; when fewer remain, the last is kept), or an empty text and the
// reason it is refused.
std::string split_target(const std::string &name, unsigned strip, std::string &refusal);

int diff_dumps(const Source &a, const Source &b, bool json, std::ostream &out, std::ostream &err);

} // namespace covtool
