// covtool's dump reader on arbitrary bytes: the input is listed, merged
// with itself and compared with itself. Damage must come out as BadInput
// (or, for a merge, Failure), never as a crash, a hang or a huge
// allocation; and a merge that succeeds must write a dump that reads back
// cleanly.
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "bad_input.hpp"
#include "commands.hpp"
#include "merge.hpp"
#include "source.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace covtool;
    const MemorySource dump("fuzz", {data, size});
    std::ostringstream out, err;
    try {
        list_dump(dump, {true, true}, out, err);
    } catch (const BadInput &) {
    }
    // The same bytes copied through the reader's window, as from a file
    // that cannot be mapped.
    try {
        list_dump(MemorySource("fuzz", {data, size}, false), {false, true}, out, err);
    } catch (const BadInput &) {
    }
    try {
        diff_dumps(dump, dump, true, out, err);
    } catch (const BadInput &) {
    }
    MemorySink merged;
    try {
        const Source *inputs[] = {&dump, &dump};
        merge_dumps(inputs, merged, {true}, err);
    } catch (const BadInput &) {
        return 0;
    } catch (const Failure &) {
        return 0;
    }
    const MemorySource again("merged", merged.data);
    if (list_dump(again, {}, out, err) != 0) {
        __builtin_trap();
    }
    return 0;
}
