// Block checksums for programs that edit an image without the operator
// walk: the stored and computed sum of one block, and every block's sum
// stored afresh.  The same sum and byte order as the walk's.
#include "export.h"
#include "layouts.h"

namespace boardprom
{
namespace
{

struct BlockSpan {
    uint32_t start;
    uint32_t length;
};

// The block of the checksum row layout[row]: the nearest block header
// before it.  False when the row is no checksum row inside a block, or the
// layout ends or turns invalid before it.
bool block_of_checksum(const sprom_field_def *layout, int row, BlockSpan *block)
{
    if (row < 0)
        return false;
    bool in_block = false;
    for (int i = 0; i < row; ++i) {
        if (layout[i].type >= SPROM_TYPE_END)
            return false;
        if (layout[i].type == SPROM_TYPE_BLOCK) {
            *block = {layout[i].offset, static_cast<uint32_t>(layout[i].length_or_min)};
            in_block = true;
        }
    }
    return in_block && layout[row].type == SPROM_TYPE_CHECKSUM;
}

bool within_image(const BlockSpan &block, uint32_t checksum_at, int image_size)
{
    const auto size = static_cast<uint64_t>(image_size);
    return image_size >= 0 && uint64_t{block.start} + block.length <= size &&
           uint64_t{checksum_at} + 2 <= size;
}

int checksum_of(const sprom_field_def *layout, int row, const uint8_t *image, int image_size,
                int endian, uint16_t *stored, uint16_t *computed)
{
    BlockSpan block{};
    if (!block_of_checksum(layout, row, &block))
        return SPROM_RC_NOT_A_FIELD;
    const uint32_t at = layout[row].offset;
    if (!within_image(block, at, image_size))
        return SPROM_RC_OUT_OF_IMAGE;
    *stored = sprom_load16(image + at, endian);
    *computed = sprom_block_checksum(image, block.start, block.length, at);
    return 0;
}

} // namespace
} // namespace boardprom

using namespace boardprom;

extern "C" {

BOARDPROM_EXPORT int sprom_block_checksum_of(const sprom_field_def *layout, int row,
                                             const unsigned char *image, int image_size, int endian,
                                             uint16_t *stored, uint16_t *computed)
{
    if (layout == nullptr || image == nullptr || stored == nullptr || computed == nullptr)
        return IDPROM_RC_INVALID;
    return checksum_of(layout, row, image, image_size, endian, stored, computed);
}

BOARDPROM_EXPORT int sprom_update_checksums(const sprom_field_def *layout, unsigned char *image,
                                            int image_size, int endian)
{
    if (layout == nullptr || image == nullptr)
        return IDPROM_RC_INVALID;
    for (int i = 0; layout[i].type != SPROM_TYPE_END; ++i) {
        if (layout[i].type > SPROM_TYPE_END)
            return SPROM_RC_BAD_DEFINITION;
        if (layout[i].type != SPROM_TYPE_CHECKSUM)
            continue;
        uint16_t stored = 0;
        uint16_t computed = 0;
        const int rc = checksum_of(layout, i, image, image_size, endian, &stored, &computed);
        // A checksum row outside any block has no sum to store, as in the walk.
        if (rc == SPROM_RC_NOT_A_FIELD)
            continue;
        if (rc != 0)
            return rc;
        sprom_store16(image + layout[i].offset, computed, endian);
    }
    return 0;
}

} // extern "C"
