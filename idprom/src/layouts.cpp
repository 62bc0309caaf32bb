// The three SPROM layouts the library carries, the byte-order and
// configuration objects, and the internal format table.
#include "layouts.h"
#include "export.h"

// clang-format off
// Rows shared by every layout: the Common Block.
#define SPROM_COMMON_BLOCK                                                      \
    {"Block # 1 - Common Block", SPROM_TYPE_BLOCK, 0, 160, 0},                  \
    {"BLOCK_SIGNATURE", SPROM_TYPE_HEX2, 0, 0, 65535},                          \
    {"BLOCK_VERSION", SPROM_TYPE_DEC_U8, 2, 0, 255},                            \
    {"BLOCK_LENGTH", SPROM_TYPE_DEC_U8, 3, 0, 255},                             \
    {"BLOCK_CHECKSUM", SPROM_TYPE_CHECKSUM, 4, 2, 0},                           \
    {"SPROM_SIZE", SPROM_TYPE_DEC_U16, 6, 0, 65535},                            \
    {"BLOCK_COUNT", SPROM_TYPE_DEC_U16, 8, 0, 65535},                           \
    {"FRU_MAJOR_TYPE", SPROM_TYPE_HEX2, 10, 0, 65535},                          \
    {"FRU_MINOR_TYPE", SPROM_TYPE_HEX2, 12, 0, 65535},                          \
    {"OEM_STRING", SPROM_TYPE_TEXT, 14, 20, 0},                                 \
    {"PRODUCT_NUMBER", SPROM_TYPE_TEXT, 34, 20, 0},                             \
    {"SERIAL_NUMBER", SPROM_TYPE_TEXT, 54, 20, 0},                              \
    {"PART_NUMBER", SPROM_TYPE_TEXT, 74, 16, 0},                                \
    {"PART_REVISION", SPROM_TYPE_TEXT, 90, 4, 0},                               \
    {"MFG_DEVIATION", SPROM_TYPE_TEXT, 94, 20, 0},                              \
    {"HW_REV_MAJOR", SPROM_TYPE_DEC_U16, 114, 0, 65535},                        \
    {"HW_REV_MINOR", SPROM_TYPE_DEC_U16, 116, 0, 65535},                        \
    {"MFG_BITS", SPROM_TYPE_HEX2, 118, 0, 65535},                               \
    {"ENG_BITS", SPROM_TYPE_HEX2, 120, 0, 65535},                               \
    {"SNMP_OID", SPROM_TYPE_DOT_DEC, 122, 16, 0},                               \
    {"POWER_CONSUMPTION", SPROM_TYPE_SIGNED_DEC16, 138, -32768, 32767},         \
    {"RMA_FAILURE_CODE", SPROM_TYPE_DASH_DEC, 140, 4, 0},                       \
    {"CLEI_CODE", SPROM_TYPE_TEXT, 144, 12, 0},                                 \
    {"VID", SPROM_TYPE_TEXT, 156, 4, 0}

// Header, signature, version, length and checksum of a block at `at`.
#define SPROM_BLOCK_HEAD(title, at, len)                                        \
    {title, SPROM_TYPE_BLOCK, at, len, 0},                                      \
    {"BLOCK_SIGNATURE", SPROM_TYPE_HEX2, at, 0, 65535},                         \
    {"BLOCK_VERSION", SPROM_TYPE_DEC_U8, (at) + 2, 0, 255},                     \
    {"BLOCK_LENGTH", SPROM_TYPE_DEC_U8, (at) + 3, 0, 255},                      \
    {"BLOCK_CHECKSUM", SPROM_TYPE_CHECKSUM, (at) + 4, 2, 0}
// clang-format on

#define SPROM_END_ROW                                                                              \
    {                                                                                              \
        "", SPROM_TYPE_END, 0, 0, 0                                                                \
    }

static_assert(sizeof(sprom_field_def) == 80);
static_assert(offsetof(sprom_field_def, type) == 64);
static_assert(offsetof(sprom_field_def, offset) == 68);
static_assert(offsetof(sprom_field_def, length_or_min) == 72);
static_assert(offsetof(sprom_field_def, max) == 76);

extern "C" {

BOARDPROM_EXPORT sprom_field_def sprom_info_cpu_Calderi[SPROM_BOARD_ROWS] = {
    SPROM_COMMON_BLOCK,
    SPROM_BLOCK_HEAD("Block #2 - LC Block", 160, 103),
    {"FEATURE_BITS", SPROM_TYPE_HEX8, 166, 0, 0},
    {"HW_CHANGES_BITS", SPROM_TYPE_HEX8, 174, 0, 0},
    {"CARD_INDEX", SPROM_TYPE_DEC_U16, 182, 0, 65535},
    {"MAC_BASE", SPROM_TYPE_HEX, 184, 6, 0},
    {"MAC_LENGTH", SPROM_TYPE_DEC_U16, 190, 0, 65535},
    {"EOBC_CONNECTIONS", SPROM_TYPE_HEX1, 192, 0, 255},
    {"EPLD_NUM", SPROM_TYPE_DEC_U8, 193, 0, 255},
    {"EMPTY", SPROM_TYPE_HEX, 194, 30, 0},
    {"PORT_INFO", SPROM_TYPE_HYPEN_DEC, 224, 16, 0},
    {"SRAM_SIZE", SPROM_TYPE_DEC_U16, 240, 0, 65535},
    {"TEMP_SENSOR_0", SPROM_TYPE_TEMP_RANGE, 242, 2, 0},
    {"TEMP_SENSOR_1", SPROM_TYPE_TEMP_RANGE, 244, 2, 0},
    {"TEMP_SENSOR_2", SPROM_TYPE_TEMP_RANGE, 246, 2, 0},
    {"TEMP_SENSOR_3", SPROM_TYPE_TEMP_RANGE, 248, 2, 0},
    {"TEMP_SENSOR_4", SPROM_TYPE_TEMP_RANGE, 250, 2, 0},
    {"TEMP_SENSOR_5", SPROM_TYPE_TEMP_RANGE, 252, 2, 0},
    {"TEMP_SENSOR_6", SPROM_TYPE_TEMP_RANGE, 254, 2, 0},
    {"TEMP_SENSOR_7", SPROM_TYPE_TEMP_RANGE, 256, 2, 0},
    {"MAX_CONNECTOR_POWER", SPROM_TYPE_DEC_U16, 258, 0, 65535},
    {"COOLING_REQUIREMENT", SPROM_TYPE_DEC_U16, 260, 0, 65535},
    {"AMBIENT_TEMPERATURE", SPROM_TYPE_SIGNED_DEC8, 262, -128, 127},
    SPROM_END_ROW,
};

BOARDPROM_EXPORT sprom_field_def sprom_info_Miravel16[SPROM_FAN_TRAY_ROWS] = {
    SPROM_COMMON_BLOCK,
    SPROM_BLOCK_HEAD("Block #2 - Fan Block", 160, 32),
    {"FEATURE_BITS", SPROM_TYPE_HEX8, 166, 0, 0},
    {"HW_CHANGES_BITS", SPROM_TYPE_HEX8, 174, 0, 0},
    {"STACKMIB_IOD", SPROM_TYPE_DEC_U16, 182, 0, 65535},
    {"COOLING_CAPACITY", SPROM_TYPE_DEC_U16, 184, 0, 65535},
    {"AMBIENT_TEMPERATURE", SPROM_TYPE_SIGNED_DEC8, 186, -128, 127},
    {"RESERVED", SPROM_TYPE_SIGNED_DEC8, 187, -128, 127},
    {"POWER_CONSUMPTION2", SPROM_TYPE_SIGNED_DEC16, 188, -32768, 32767},
    {"COOLING_CAPACITY2", SPROM_TYPE_DEC_U16, 190, 0, 65535},
    SPROM_BLOCK_HEAD("Block #3 - Serial Number Block", 192, 28),
    {"SERIAL_NUMBER", SPROM_TYPE_TEXT, 198, 20, 0},
    {"PADDING", SPROM_TYPE_PADDING, 218, 2, 0},
    SPROM_END_ROW,
};

BOARDPROM_EXPORT sprom_field_def sprom_info_Ostrand[SPROM_POWER_MODULE_ROWS] = {
    SPROM_COMMON_BLOCK,
    SPROM_BLOCK_HEAD("Block #2 - Power Supply Block", 160, 36),
    {"FEATURE_BITS", SPROM_TYPE_HEX8, 166, 0, 0},
    {"CURRENT_110V/DC_LOW", SPROM_TYPE_DEC_U16, 174, 0, 65535},
    {"CURRENT_220V/DC_HIGH", SPROM_TYPE_DEC_U16, 176, 0, 65535},
    {"STACKMIB_OID", SPROM_TYPE_DEC_U16, 178, 0, 65535},
    {"CURRENT_MODE1", SPROM_TYPE_SIGNED_DEC16, 180, 0, 65535},
    {"CURRENT_MODE2", SPROM_TYPE_SIGNED_DEC16, 182, 0, 65535},
    {"CURRENT_MODE3", SPROM_TYPE_SIGNED_DEC16, 184, 0, 65535},
    {"CURRENT_MODE4", SPROM_TYPE_SIGNED_DEC16, 186, 0, 65535},
    {"MAX_FLOAT_CURRENT_MODE1", SPROM_TYPE_DEC_U16, 188, 0, 65535},
    {"MAC_FLOAT_CURRENT_MODE2", SPROM_TYPE_DEC_U16, 190, 0, 65535},
    {"MAX_FLOAT_CURRENT_MODE3", SPROM_TYPE_DEC_U16, 192, 0, 65535},
    {"MAX_FLOAT_CURRENT_MODE4", SPROM_TYPE_DEC_U16, 194, 0, 65535},
    SPROM_END_ROW,
};

// Width of each dotted-decimal component by its first byte: eight 16-bit
// components to start with.
BOARDPROM_EXPORT int32_t dot_dec_bytes[SPROM_DOT_DEC_BYTES] = {2, 0, 2, 0, 2, 0, 2, 0,
                                                               2, 0, 2, 0, 2, 0, 2, 0};

// Kept for programs linked with the library; nothing here reads it.
BOARDPROM_EXPORT int32_t enable_le_to_be_auto_fix = 1;

sprom_format_entry sprom_formats[4] = {
    {SPROM_KEY_BOARD, 0, sprom_info_cpu_Calderi},
    {SPROM_KEY_FAN_TRAY, 0, sprom_info_Miravel16},
    {SPROM_KEY_POWER_MODULE, 0, sprom_info_Ostrand},
    {SPROM_KEY_END, SPROM_ENDIAN_NONE, nullptr},
};

} // extern "C"
