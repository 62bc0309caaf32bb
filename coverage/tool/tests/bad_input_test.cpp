// Truncated and corrupted dumps: one message naming the byte offset and
// what was wrong, never a crash.
#include <functional>

#include "bad_input.hpp"
#include "dump_fixture.hpp"

namespace covtool::test
{
namespace
{

void put_be32(Bytes &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
    }
}

void put_le32(Bytes &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    }
}

// What list says about a dump: the message of broken framing, or the
// messages about its records. `in_place`: bytes shown in place, as from a
// mapped file, or copied, as with pread.
std::string complaint(const Bytes &dump, bool in_place, int &status)
{
    std::ostringstream out, err;
    try {
        status = list_dump(MemorySource("d", dump, in_place), {}, out, err);
        return err.str();
    } catch (const BadInput &e) {
        status = -1;
        return "covtool: " + e.message() + "\n";
    }
}

struct Case {
    const char *what;
    std::function<void(Bytes &)> damage;
    const char *message;
};

// The dump of one object "/a.gcda" with one function of two arc counters:
// header, name length at 8, name at 12, image length at 20, image at 24
// (magic, version, stamp, the function record at 36, its counter block at
// 52), 164 bytes in all.
TEST_F(LibraryDump, DamageIsReportedWithItsOffset)
{
    add("/a.gcda", 1, {{2}}).values(0) = {5, 6};
    const Bytes good = dump();
    ASSERT_EQ(good.size(), 164U);
    const std::vector<Case> cases = {
        {"header cut", [](Bytes &b) { b.resize(5); },
         "d: offset 0: the dump has 5 bytes, fewer than its 8-byte header"},
        {"container version", [](Bytes &b) { put_be32(b, 0, 2); },
         "d: offset 0: container version 2 is not 3"},
        {"record count", [](Bytes &b) { put_be32(b, 4, 1000); },
         "d: offset 4: record count 1000 cannot fit in the 156 bytes that follow"},
        {"empty name", [](Bytes &b) { put_be32(b, 8, 0); },
         "d: offset 8: record 1 has a name length of 0"},
        {"name length", [](Bytes &b) { put_be32(b, 8, 0xFFFFFFF0); },
         "d: offset 8: name length 4294967280 of record 1 exceeds the 152 bytes that remain"},
        {"name end", [](Bytes &b) { b[19] = 'x'; },
         "d: offset 19: name of record 1 does not end with a NUL"},
        {"NUL in name", [](Bytes &b) { b[13] = 0; },
         "d: offset 13: name of record 1 holds a NUL before its end"},
        {"image length", [](Bytes &b) { put_be32(b, 20, 141); },
         "d: offset 20: image length 141 of record 1 exceeds the 140 bytes that remain"},
        {"cut in a length", [](Bytes &b) { b.resize(22); },
         "d: offset 20: the dump ends inside the image length of record 1"},
        {"trailing bytes", [](Bytes &b) { b.resize(b.size() + 3); },
         "d: offset 164: 3 bytes after the last record"},
        {"magic", [](Bytes &b) { put_le32(b, 24, 0x67636460); },
         "d: offset 24: data image magic 0x67636460 is not 0x67636461"},
        {"version", [](Bytes &b) { put_le32(b, 28, 0x4130322A); },
         "d: offset 28: data image version 0x4130322a ('A02*') is neither the GCC 4 series "
         "nor GCC 12"},
        {"counter length", [](Bytes &b) { put_le32(b, 56, 0x7FFFFFFE); },
         "d: offset 60: the data image ends inside a counter block (8589934584 bytes needed, "
         "104 left)"},
        {"counter kind", [](Bytes &b) { put_le32(b, 52, 0x01AB0000); },
         "d: offset 52: counter kind 5 is not one of the GCC 4 series layout"},
        {"summary tag", [](Bytes &b) { put_le32(b, 76, 0xA5000000); },
         "d: offset 76: unexpected tag 0xa5000000"},
    };
    for (const Case &c : cases) {
        for (const bool in_place : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (in_place ? ", in place" : ", copied"));
            Bytes bad = good;
            c.damage(bad);
            int status = 0;
            EXPECT_EQ(complaint(bad, in_place, status),
                      std::string("covtool: ") + c.message + "\n");
            EXPECT_NE(status, 0);
        }
    }
}

} // namespace
} // namespace covtool::test
