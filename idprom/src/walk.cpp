// The walk over a SPROM layout: show mode prints every field and checks
// each block's checksum, program mode asks for every field, rewrites the
// checksums, shows the result and asks for confirmation.  Nothing is
// allocated: the row buffer lives on the stack.
#include "walk.h"

#include "export.h"
#include "fields.h"
#include "layouts.h"

#include <array>
#include <cstdio>
#include <cstring>

extern "C" {
BOARDPROM_EXPORT int global_idprom_checksum_err = 0;
BOARDPROM_EXPORT int sprom_read_back_verify = 1;
BOARDPROM_EXPORT int force_verify_skip = 0;
}

namespace boardprom
{
namespace
{

inline constexpr const char *kPrinting = "Printing SPROM info...\n";
inline constexpr const char *kProgramming = "Programming SPROM info...\n";
inline constexpr const char *kBadDefinition = "Invalid sprom definition! Stop.";
inline constexpr const char *kInvalidInput = "Invalid input. Retry..";
inline constexpr const char *kTooLong = "Input too long. Retry..";
inline constexpr const char *kBlockHeader = "\n### %.*s ###\n";
inline constexpr const char *kChecksumValue = "0x%04x%s";
inline constexpr const char *kChecksumMismatch =
    "## WARNING: Checksum mismatch observed in this block! ##";
inline constexpr const char *kReview = "This is your input so far...";
inline constexpr const char *kInputEnded = "\nEnd of input - programming CANCELLED";

struct Affixes {
    const char *prefix;
    const char *suffix;
};
inline constexpr Affixes kShowAffixes{" : ", "\n"};
inline constexpr Affixes kProgramAffixes{" [", "] : "};

inline constexpr size_t kClearedRowBytes = 512;
inline constexpr long kNoChecksum = -1;

using RowBuffer = std::array<uint8_t, kRowBufferSize>;

struct Block {
    uint32_t start = 0;
    uint32_t length = 0;
    long checksum_offset = kNoChecksum;
};

enum class Visit { Done, Retry, TooLong, InputEnded };

// Once a read has met the end of standard input no answer can follow.
bool input_ended()
{
    return std::feof(stdin) != 0 || std::ferror(stdin) != 0;
}

void print_name(const sprom_field_def &row, const char *prefix)
{
    std::printf("%.*s%s", static_cast<int>(sizeof row.name), row.name, prefix);
}

Visit visit_field(const sprom_field_def &row, uint8_t *image, int endian, bool program,
                  RowBuffer &line)
{
    if (program && input_ended())
        return Visit::InputEnded;
    const Affixes &affixes = program ? kProgramAffixes : kShowAffixes;
    switch (sprom_visit_field(&row, image, endian, program, affixes.prefix, affixes.suffix,
                              line.data())) {
    case FieldOutcome::Invalid:
        return input_ended() ? Visit::InputEnded : Visit::Retry;
    case FieldOutcome::TooLong:
        return Visit::TooLong;
    default:
        return Visit::Done;
    }
}

Visit visit_row(const sprom_field_def &row, uint8_t *image, int endian, bool program, Block &block,
                RowBuffer &line)
{
    switch (row.type) {
    case SPROM_TYPE_BLOCK:
        std::printf(kBlockHeader, static_cast<int>(sizeof row.name), row.name);
        block = Block{row.offset, static_cast<uint32_t>(row.length_or_min), kNoChecksum};
        return Visit::Done;
    case SPROM_TYPE_CHECKSUM:
        block.checksum_offset = row.offset;
        if (!program) {
            print_name(row, kShowAffixes.prefix);
            std::printf(kChecksumValue, sprom_load16(image + row.offset, endian),
                        kShowAffixes.suffix);
        }
        return Visit::Done;
    case SPROM_TYPE_PADDING:
        if (program)
            std::memset(image + row.offset, 0, static_cast<uint32_t>(row.length_or_min));
        return Visit::Done;
    case SPROM_TYPE_SKIP:
        return Visit::Done;
    default:
        return visit_field(row, image, endian, program, line);
    }
}

// At the end of a block that has a checksum row: program mode stores the
// sum, show mode compares it with the stored one.
void close_block(const Block &block, uint8_t *image, int endian, bool program)
{
    if (block.checksum_offset == kNoChecksum)
        return;
    const auto at = static_cast<uint32_t>(block.checksum_offset);
    const uint16_t sum = sprom_block_checksum(image, block.start, block.length, at);
    if (program) {
        sprom_store16(image + at, sum, endian);
    } else if (sprom_load16(image + at, endian) != sum) {
        std::puts(kChecksumMismatch);
        global_idprom_checksum_err = 1;
    }
}

bool ends_block(const sprom_field_def &next)
{
    return next.type == SPROM_TYPE_BLOCK || next.type == SPROM_TYPE_END;
}

// One pass over the rows; false when a row stopped it with `rc`.
bool walk_rows(const sprom_field_def *layout, uint8_t *image, int endian, bool program, int *rc)
{
    Block block;
    RowBuffer line;
    for (size_t i = 0; layout[i].type != SPROM_TYPE_END;) {
        std::memset(line.data(), 0, kClearedRowBytes);
        if (layout[i].type > SPROM_TYPE_END) {
            std::puts(kBadDefinition);
            *rc = SPROM_RC_BAD_DEFINITION;
            return false;
        }
        switch (visit_row(layout[i], image, endian, program, block, line)) {
        case Visit::Retry:
            std::puts(kInvalidInput);
            continue;
        case Visit::TooLong:
            std::puts(kTooLong);
            continue;
        case Visit::InputEnded:
            std::puts(kInputEnded);
            *rc = SPROM_RC_CANCELLED;
            return false;
        case Visit::Done:
            break;
        }
        if (ends_block(layout[i + 1]))
            close_block(block, image, endian, program);
        ++i;
    }
    return true;
}

} // namespace

int walk_layout(const sprom_field_def *layout, uint8_t *image, int endian, bool program)
{
    std::puts(program ? kProgramming : kPrinting);
    int rc = 0;
    const bool completed = walk_rows(layout, image, endian, program, &rc);
    if (completed || rc == SPROM_RC_CANCELLED)
        force_verify_skip = 0;
    if (!completed || !program)
        return rc;
    std::puts(kReview);
    walk_layout(layout, image, endian, false);
    return confirm_programming();
}

} // namespace boardprom

extern "C" BOARDPROM_EXPORT int sprom_show_program(sprom_field_def *layout, unsigned char *image,
                                                   int endian, int program)
{
    return boardprom::walk_layout(layout, image, endian, program != 0);
}
