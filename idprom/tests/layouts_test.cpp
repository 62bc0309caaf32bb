// The three layouts row by row, the format table, the image-size rule and
// its run-time use of the (writable) tables.
#include "layouts.h"

#include "ops_console.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

struct Row {
    const char *name;
    uint32_t type;
    uint32_t offset;
    int32_t length_or_min;
    int32_t max;
};

const std::vector<Row> kCommon = {
    {"Block # 1 - Common Block", SPROM_TYPE_BLOCK, 0, 160, 0},
    {"BLOCK_SIGNATURE", SPROM_TYPE_HEX2, 0, 0, 65535},
    {"BLOCK_VERSION", SPROM_TYPE_DEC_U8, 2, 0, 255},
    {"BLOCK_LENGTH", SPROM_TYPE_DEC_U8, 3, 0, 255},
    {"BLOCK_CHECKSUM", SPROM_TYPE_CHECKSUM, 4, 2, 0},
    {"SPROM_SIZE", SPROM_TYPE_DEC_U16, 6, 0, 65535},
    {"BLOCK_COUNT", SPROM_TYPE_DEC_U16, 8, 0, 65535},
    {"FRU_MAJOR_TYPE", SPROM_TYPE_HEX2, 10, 0, 65535},
    {"FRU_MINOR_TYPE", SPROM_TYPE_HEX2, 12, 0, 65535},
    {"OEM_STRING", SPROM_TYPE_TEXT, 14, 20, 0},
    {"PRODUCT_NUMBER", SPROM_TYPE_TEXT, 34, 20, 0},
    {"SERIAL_NUMBER", SPROM_TYPE_TEXT, 54, 20, 0},
    {"PART_NUMBER", SPROM_TYPE_TEXT, 74, 16, 0},
    {"PART_REVISION", SPROM_TYPE_TEXT, 90, 4, 0},
    {"MFG_DEVIATION", SPROM_TYPE_TEXT, 94, 20, 0},
    {"HW_REV_MAJOR", SPROM_TYPE_DEC_U16, 114, 0, 65535},
    {"HW_REV_MINOR", SPROM_TYPE_DEC_U16, 116, 0, 65535},
    {"MFG_BITS", SPROM_TYPE_HEX2, 118, 0, 65535},
    {"ENG_BITS", SPROM_TYPE_HEX2, 120, 0, 65535},
    {"SNMP_OID", SPROM_TYPE_DOT_DEC, 122, 16, 0},
    {"POWER_CONSUMPTION", SPROM_TYPE_SIGNED_DEC16, 138, -32768, 32767},
    {"RMA_FAILURE_CODE", SPROM_TYPE_DASH_DEC, 140, 4, 0},
    {"CLEI_CODE", SPROM_TYPE_TEXT, 144, 12, 0},
    {"VID", SPROM_TYPE_TEXT, 156, 4, 0},
};

std::vector<Row> with_common(std::vector<Row> tail)
{
    std::vector<Row> rows = kCommon;
    rows.insert(rows.end(), tail.begin(), tail.end());
    rows.push_back({"", SPROM_TYPE_END, 0, 0, 0});
    return rows;
}

std::vector<Row> board_rows()
{
    std::vector<Row> tail = {
        {"Block #2 - LC Block", SPROM_TYPE_BLOCK, 160, 103, 0},
        {"BLOCK_SIGNATURE", SPROM_TYPE_HEX2, 160, 0, 65535},
        {"BLOCK_VERSION", SPROM_TYPE_DEC_U8, 162, 0, 255},
        {"BLOCK_LENGTH", SPROM_TYPE_DEC_U8, 163, 0, 255},
        {"BLOCK_CHECKSUM", SPROM_TYPE_CHECKSUM, 164, 2, 0},
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
    };
    static const char *const kSensors[] = {"TEMP_SENSOR_0", "TEMP_SENSOR_1", "TEMP_SENSOR_2",
                                           "TEMP_SENSOR_3", "TEMP_SENSOR_4", "TEMP_SENSOR_5",
                                           "TEMP_SENSOR_6", "TEMP_SENSOR_7"};
    for (uint32_t n = 0; n < 8; ++n)
        tail.push_back({kSensors[n], SPROM_TYPE_TEMP_RANGE, 242 + 2 * n, 2, 0});
    tail.push_back({"MAX_CONNECTOR_POWER", SPROM_TYPE_DEC_U16, 258, 0, 65535});
    tail.push_back({"COOLING_REQUIREMENT", SPROM_TYPE_DEC_U16, 260, 0, 65535});
    tail.push_back({"AMBIENT_TEMPERATURE", SPROM_TYPE_SIGNED_DEC8, 262, -128, 127});
    return with_common(tail);
}

std::vector<Row> fan_tray_rows()
{
    return with_common({
        {"Block #2 - Fan Block", SPROM_TYPE_BLOCK, 160, 32, 0},
        {"BLOCK_SIGNATURE", SPROM_TYPE_HEX2, 160, 0, 65535},
        {"BLOCK_VERSION", SPROM_TYPE_DEC_U8, 162, 0, 255},
        {"BLOCK_LENGTH", SPROM_TYPE_DEC_U8, 163, 0, 255},
        {"BLOCK_CHECKSUM", SPROM_TYPE_CHECKSUM, 164, 2, 0},
        {"FEATURE_BITS", SPROM_TYPE_HEX8, 166, 0, 0},
        {"HW_CHANGES_BITS", SPROM_TYPE_HEX8, 174, 0, 0},
        {"STACKMIB_IOD", SPROM_TYPE_DEC_U16, 182, 0, 65535},
        {"COOLING_CAPACITY", SPROM_TYPE_DEC_U16, 184, 0, 65535},
        {"AMBIENT_TEMPERATURE", SPROM_TYPE_SIGNED_DEC8, 186, -128, 127},
        {"RESERVED", SPROM_TYPE_SIGNED_DEC8, 187, -128, 127},
        {"POWER_CONSUMPTION2", SPROM_TYPE_SIGNED_DEC16, 188, -32768, 32767},
        {"COOLING_CAPACITY2", SPROM_TYPE_DEC_U16, 190, 0, 65535},
        {"Block #3 - Serial Number Block", SPROM_TYPE_BLOCK, 192, 28, 0},
        {"BLOCK_SIGNATURE", SPROM_TYPE_HEX2, 192, 0, 65535},
        {"BLOCK_VERSION", SPROM_TYPE_DEC_U8, 194, 0, 255},
        {"BLOCK_LENGTH", SPROM_TYPE_DEC_U8, 195, 0, 255},
        {"BLOCK_CHECKSUM", SPROM_TYPE_CHECKSUM, 196, 2, 0},
        {"SERIAL_NUMBER", SPROM_TYPE_TEXT, 198, 20, 0},
        {"PADDING", SPROM_TYPE_PADDING, 218, 2, 0},
    });
}

std::vector<Row> power_module_rows()
{
    return with_common({
        {"Block #2 - Power Supply Block", SPROM_TYPE_BLOCK, 160, 36, 0},
        {"BLOCK_SIGNATURE", SPROM_TYPE_HEX2, 160, 0, 65535},
        {"BLOCK_VERSION", SPROM_TYPE_DEC_U8, 162, 0, 255},
        {"BLOCK_LENGTH", SPROM_TYPE_DEC_U8, 163, 0, 255},
        {"BLOCK_CHECKSUM", SPROM_TYPE_CHECKSUM, 164, 2, 0},
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
    });
}

struct LayoutCase {
    const char *label;
    const sprom_field_def *table;
    size_t rows;
    std::vector<Row> (*expected)();
    int kind;
    int size;
};

class LayoutTable : public testing::TestWithParam<LayoutCase>
{
};

TEST_P(LayoutTable, EveryRowMatchesItsDefinition)
{
    const LayoutCase &c = GetParam();
    const std::vector<Row> rows = c.expected();
    ASSERT_EQ(rows.size(), c.rows);
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const sprom_field_def &r = c.table[i];
        char padded[SPROM_NAME_SIZE] = {};
        std::strncpy(padded, rows[i].name, sizeof padded - 1);
        EXPECT_EQ(0, std::memcmp(r.name, padded, sizeof padded)) << r.name;
        EXPECT_EQ(r.type, rows[i].type);
        EXPECT_EQ(r.offset, rows[i].offset);
        EXPECT_EQ(r.length_or_min, rows[i].length_or_min);
        EXPECT_EQ(r.max, rows[i].max);
    }
}

TEST_P(LayoutTable, KindPicksLayoutOrderAndSize)
{
    const LayoutCase &c = GetParam();
    sprom_field_def *layout = nullptr;
    int endian = -1;
    int size = -1;
    EXPECT_EQ(0, idprom_get_sprom_format(c.kind, &layout, &endian, &size, 2));
    EXPECT_EQ(layout, c.table);
    EXPECT_EQ(endian, 0);
    EXPECT_EQ(size, c.size);
}

TEST_P(LayoutTable, CommonBlockIsByteForByteTheSame)
{
    EXPECT_EQ(0,
              std::memcmp(GetParam().table, sprom_info_cpu_Calderi, 24 * sizeof(sprom_field_def)));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LayoutTable,
    testing::Values(LayoutCase{"Board", sprom_info_cpu_Calderi, 51, board_rows, 0, 270},
                    LayoutCase{"FanTray", sprom_info_Miravel16, 45, fan_tray_rows, 3, 226},
                    LayoutCase{"PowerModule", sprom_info_Ostrand, 42, power_module_rows, 4, 202}),
    [](const testing::TestParamInfo<LayoutCase> &info) { return info.param.label; });

TEST(Layouts, RowIs80BytesInTheExportedTables)
{
    EXPECT_EQ(sizeof(sprom_field_def), 80u);
    EXPECT_EQ(sizeof sprom_info_cpu_Calderi, 51u * 80);
    EXPECT_EQ(sizeof sprom_info_Miravel16, 45u * 80);
    EXPECT_EQ(sizeof sprom_info_Ostrand, 42u * 80);
}

TEST(Layouts, ConfigurationObjectsStartAsDocumented)
{
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(dot_dec_bytes[k], k % 2 == 0 ? 2 : 0) << k;
    EXPECT_EQ(enable_le_to_be_auto_fix, 1);
}

TEST(FormatLookup, OtherKindsAllGetTheBoardLayout)
{
    for (int kind : {0, 1, 2, 5, -1}) {
        sprom_field_def *layout = nullptr;
        int endian = -1;
        int size = -1;
        EXPECT_EQ(0, idprom_get_sprom_format(kind, &layout, &endian, &size, kind));
        EXPECT_EQ(layout, sprom_info_cpu_Calderi) << kind;
        EXPECT_EQ(size, 270) << kind;
    }
}

TEST(FormatLookup, EndKeyAndUnknownKeysFindNothing)
{
    for (int key : {42, 7, 0}) {
        EXPECT_EQ(idprom_find_sprom_format(key), nullptr) << key;
        EXPECT_EQ(idprom_find_sprom_endian(key), 2) << key;
    }
    EXPECT_EQ(idprom_find_sprom_format(40), sprom_info_cpu_Calderi);
    EXPECT_EQ(idprom_find_sprom_format(6), sprom_info_Miravel16);
    EXPECT_EQ(idprom_find_sprom_format(8), sprom_info_Ostrand);
}

TEST(FormatLookup, MissingFormatSaysSoAndLeavesSizeAlone)
{
    sprom_format_entry saved = sprom_formats[1];
    sprom_formats[1].key = 99; // the fan-tray key is gone
    sprom_field_def *layout = sprom_info_Ostrand;
    int endian = -1;
    int size = 1234;
    boardprom_test::Console console;
    EXPECT_EQ(SPROM_RC_NO_FORMAT, idprom_get_sprom_format(3, &layout, &endian, &size, 0));
    sprom_formats[1] = saved;
    EXPECT_EQ(console.output(), "Could not find the proper sprom type!\n");
    EXPECT_EQ(layout, nullptr);
    EXPECT_EQ(endian, 2);
    EXPECT_EQ(size, 1234);
}

TEST(ImageSize, ComesFromTheTableAtRunTime)
{
    sprom_field_def saved = sprom_info_Ostrand[40];
    // A text row of 10 bytes at 300 becomes the last counted row.
    sprom_info_Ostrand[40] = {"EXTRA", SPROM_TYPE_TEXT, 300, 10, 0};
    sprom_info_Ostrand[41].type = SPROM_TYPE_END;
    sprom_field_def *layout = nullptr;
    int endian = 0;
    int size = 0;
    EXPECT_EQ(0, idprom_get_sprom_format(4, &layout, &endian, &size, 0));
    sprom_info_Ostrand[40] = saved;
    EXPECT_EQ(size, 314);
}

TEST(ImageSize, WidthsByRowType)
{
    using boardprom::sprom_size_width;
    EXPECT_EQ(sprom_size_width(SPROM_TYPE_TEXT, 20), 20u);
    EXPECT_EQ(sprom_size_width(SPROM_TYPE_HEX, 30), 30u);
    EXPECT_EQ(sprom_size_width(SPROM_TYPE_DOT_DEC, 16), 32u);
    EXPECT_EQ(sprom_size_width(SPROM_TYPE_HYPEN_DEC, 16), 32u);
    EXPECT_EQ(sprom_size_width(SPROM_TYPE_HEX8, 0), 8u);
    for (uint32_t t : {2u, 3u, 5u, 9u, 11u, 14u, 15u, 16u, 17u, 18u})
        EXPECT_EQ(sprom_size_width(t, 99), 4u) << t;
}

TEST(ImageSize, RowsAtOffsetZeroNeverCount)
{
    sprom_field_def rows[3] = {{"B", SPROM_TYPE_BLOCK, 0, 160, 0},
                               {"T", SPROM_TYPE_TEXT, 0, 50, 0},
                               {"", SPROM_TYPE_END, 0, 0, 0}};
    EXPECT_EQ(boardprom::sprom_image_size(rows), 4);
}

TEST(ImageSize, OnlyAStrictlyLargerOffsetTakesOverTheWidth)
{
    // The second row at the same offset does not replace the first's width.
    sprom_field_def rows[4] = {{"A", SPROM_TYPE_TEXT, 10, 50, 0},
                               {"B", SPROM_TYPE_HEX8, 10, 0, 0},
                               {"C", SPROM_TYPE_HEX1, 8, 0, 255},
                               {"", SPROM_TYPE_END, 0, 0, 0}};
    EXPECT_EQ(boardprom::sprom_image_size(rows), 64);
}

} // namespace
