// The names by which the tool's commands address the rows of a layout, and
// field values as one line of text.
//
// A row is named by its title as show prints it.  Titles that occur more
// than once in a layout (BLOCK_SIGNATURE, BLOCK_CHECKSUM, ...; the fan
// tray's SERIAL_NUMBER) are named TITLE@N, N being the block's number in
// the layout counted from 1; TITLE@N is accepted for every row.
#pragma once

#include "target.h"

#include <string>
#include <string_view>
#include <vector>

namespace idpromtool
{

struct FieldRow {
    int row = 0;      // index in the layout
    int block = 0;    // number of its block, from 1 (0: before any block)
    std::string name; // TITLE, or TITLE@N when the title is not unique
};

struct BlockRow {
    int row = 0;           // index of the block header in the layout
    int checksum_row = -1; // index of its checksum row, or -1
};

// The rows of a layout that hold bytes of the image (fields, checksums,
// padding) and its blocks.
class Fields
{
  public:
    explicit Fields(const Prom &prom);

    const std::vector<FieldRow> &rows() const
    {
        return rows_;
    }
    const std::vector<BlockRow> &blocks() const
    {
        return blocks_;
    }
    const sprom_field_def &def(const FieldRow &row) const
    {
        return layout_[row.row];
    }
    const sprom_field_def &def(const BlockRow &block) const
    {
        return layout_[block.row];
    }

    // The row NAME or NAME@N stands for; null, with the reason in *why,
    // when there is none or the name is ambiguous.
    const FieldRow *find(std::string_view name, std::string *why) const;

    // The row that holds image byte `offset`, or null.
    const FieldRow *at_offset(int offset) const;

  private:
    const sprom_field_def *layout_;
    const char *what_; // "board", "fan tray", "power module"
    std::vector<FieldRow> rows_;
    std::vector<BlockRow> blocks_;
};

// The field's value as show prints it, a text field's NUL padding left out;
// false for a row show prints no value for (padding).
bool shown_value(const Prom &prom, const Image &image, const sprom_field_def &row,
                 std::string *value);

// Bytes made fit for one line of a terminal: printable ASCII as it is, a
// backslash as \\, everything else as \xNN.
std::string printable(std::string_view bytes);

// The row type's name without its SPROM_TYPE_ prefix ("TEXT", "HEX2", ...).
const char *type_name(uint32_t type);

} // namespace idpromtool
