// A real program linked with libcovdump, for covtool's round trip: three
// hand-built objects, a dump on signal 56, some more counting, then the
// exit dump. Run by roundtrip_test.sh on a simulated card, natively or
// under the emulator.
#include <csignal>

#include "fake_object.hpp"

int main()
{
    using covdump::test::FakeObject;
    // Never freed: the exit dump reads them after main returns.
    auto *gamma = new FakeObject("/build/lib/gamma.gcda", 1U << 1, {{2}});
    auto *beta = new FakeObject("/build/src/beta.gcda", 1U, {{3}});
    auto *alpha = new FakeObject("/build/src/alpha.gcda", 1U | (1U << 3), {{3, 3}, {2, 0}});
    gamma->register_it();
    beta->register_it();
    alpha->register_it();
    gamma->values(0) = {4, 0};
    beta->values(0) = {10, 0, 20};
    alpha->values(0) = {1, 2, 3, 0, 0};
    alpha->values(1) = {42, 3, 3};
    std::raise(56);
    alpha->values(0)[3] = 5;
    return 0;
}
