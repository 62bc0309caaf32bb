// covtool: lists, splits, merges and compares the coverage dumps that
// libcovdump writes.
#include <iostream>

#include "cli.hpp"

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    return covtool::run(argc, argv, std::cout, std::cerr);
}
