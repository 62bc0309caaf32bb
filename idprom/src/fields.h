// Field handlers: how one layout row is shown and, in program mode, read
// from the operator and stored back into the image.
#pragma once

#include "boardprom.h"

#include <cstddef>
#include <cstdint>

namespace boardprom
{

// Outcome of one visit of a field row.
enum class FieldOutcome {
    Shown,   // show mode: printed only
    Store,   // program mode: the image was changed
    Keep,    // program mode: empty line, image unchanged
    Invalid, // program mode: unacceptable line; ask again
    TooLong, // program mode, text rows only: more characters than the width
};

inline constexpr size_t kRowBufferSize = 2048;

// True for the field types 0 to 14 that have a handler.
bool sprom_is_field_type(uint32_t type);

// Prints name, prefix, the field's current value and suffix; in program mode
// then reads the operator's line with the row's codec and stores it.
// `rowbuf` is the walk's row buffer of kRowBufferSize bytes.
FieldOutcome sprom_visit_field(const sprom_field_def *row, uint8_t *image, int endian, bool program,
                               const char *prefix, const char *suffix, uint8_t *rowbuf);

// Program mode without the display: reads the operator's line with the
// row's codec and stores the value in the field at image + row->offset.
// `strict` makes decoded bytes beyond a byte-string field's width an
// over-long line instead of dropping them.
FieldOutcome sprom_program_field(const sprom_field_def *row, uint8_t *image, int endian,
                                 uint8_t *rowbuf, bool strict);

} // namespace boardprom
