// Wraps data files into a dump container, as libcovdump lays it out:
//
//   covtool_wrap OUT NAME=FILE...
//
// Each FILE's bytes become one record named NAME, in the order given.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

void put_be32(std::string &out, std::size_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((v >> shift) & 0xFFU);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: covtool_wrap OUT NAME=FILE...\n");
        return 2;
    }
    std::string dump;
    put_be32(dump, 3);
    put_be32(dump, static_cast<std::size_t>(argc - 2));
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::size_t eq = arg.find('=');
        std::ifstream in(arg.substr(eq + 1), std::ios::binary);
        if (eq == std::string::npos || !in) {
            std::fprintf(stderr, "covtool_wrap: cannot read %s\n", argv[i]);
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        put_be32(dump, eq + 1);
        dump += arg.substr(0, eq);
        dump += '\0';
        put_be32(dump, bytes.size());
        dump += bytes;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << dump;
    return out.good() ? 0 : 1;
}
