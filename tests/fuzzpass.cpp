// Arbitrary bytes through the program's pass under every kind of scan, held to the plain
// pass: the same copy, words, counts and outcome. Built as a fuzz target for clang's
// libFuzzer; the ordinary tests replay its seeds.
#include "passrun.h"
#include "scan.h"

#include <cstdio>
#include <cstdlib>

// The first way the fast pass parted from the plain one on this input, or an empty text.
std::string checkpass(const std::string &input)
{
    passrun want = plainpass(input);
    for (int k = SCAN_PLAIN; k < SCAN_BEST; k++) {
        if (!scanuse(static_cast<scankind>(k)))
            continue;
        // A small first byte also hands the input over in pieces of that size.
        auto first = static_cast<unsigned char>(input.empty() ? 255 : input[0]);
        size_t piece = first > 16 ? 0 : first + 1u;
        std::string why = differ(want, fastpass(input, 0, piece));
        if (!why.empty())
            return "scan kind " + std::to_string(k) + ": " + why;
    }
    scanuse(SCAN_BEST);
    return "";
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    std::string why = checkpass(std::string(reinterpret_cast<const char *>(data), size));
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        std::abort();
    }
    return 0;
}
