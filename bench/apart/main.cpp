// make_apart_set DIR SEED: writes a set of test archives with their truth, made
// without any knowledge of how the probe decides.
// make_apart_set --round-trip DIR: writes plain signals encoded by every encoder rule.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "round_trip_signals.h"
#include "set_writer.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_apart_set DIR SEED | make_apart_set --round-trip DIR\n");
        return 2;
    }
    if (std::string(argv[1]) == "--round-trip") return apart::writeRoundTripSignals(argv[2]) == 0 ? 0 : 1;
    char* endOfSeed = nullptr;
    unsigned long long seed = std::strtoull(argv[2], &endOfSeed, 0);
    if (endOfSeed == argv[2] || *endOfSeed != '\0') {
        std::fprintf(stderr, "SEED must be a number\n");
        return 2;
    }
    try {
        return apart::writeSet(argv[1], seed) == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_apart_set: %s\n", e.what());
        return 1;
    }
}
