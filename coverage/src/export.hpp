// Marks the runtime's specified entry points and data objects; everything
// else stays hidden (-fvisibility=hidden and the version script).
#pragma once

#define COVDUMP_EXPORT __attribute__((visibility("default")))
