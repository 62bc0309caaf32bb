// Cost of the pure parts a program walk runs for every field and block:
// the longest hexadecimal line, dotted decimals, the size rule, checksums.
#include "codecs.h"
#include "layouts.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace
{

void BM_ParseHexLongestLine(benchmark::State &state)
{
    const std::string line(2047, 'a');
    std::vector<uint8_t> out(1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            boardprom::parse_hex(line.c_str(), static_cast<int>(line.size()), out.data()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2047);
}
BENCHMARK(BM_ParseHexLongestLine);

void BM_ParseDotDecEightComponents(benchmark::State &state)
{
    const std::string line = "1.3.6.1.4.1.65535.12345";
    uint16_t cells[16];
    for (auto _ : state)
        benchmark::DoNotOptimize(boardprom::parse_dot_dec(
            line.c_str(), static_cast<int>(line.size()), 0, dot_dec_bytes, cells));
}
BENCHMARK(BM_ParseDotDecEightComponents);

void BM_ImageSizeBoardLayout(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(boardprom::sprom_image_size(sprom_info_cpu_Calderi));
}
BENCHMARK(BM_ImageSizeBoardLayout);

void BM_BlockChecksumLcBlock(benchmark::State &state)
{
    std::vector<uint8_t> image(270, 0x5A);
    for (auto _ : state)
        benchmark::DoNotOptimize(boardprom::sprom_block_checksum(image.data(), 160, 103, 164));
}
BENCHMARK(BM_BlockChecksumLcBlock);

} // namespace
