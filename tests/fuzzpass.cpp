// Arbitrary bytes through the program's pass under every kind of scan, held to the plain
// pass: the same copy, words, counts and outcome. Built as a fuzz target for clang's
// libFuzzer; the ordinary tests replay its seeds.
#include "passrun.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    std::string input(reinterpret_cast<const char *>(data), size);
    // A small first byte also hands the input over in pieces of that size.
    auto first = static_cast<unsigned char>(input.empty() ? 255 : input[0]);
    std::string why = checkpass(input, 0, first > 16 ? 0 : first + 1u);
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        std::abort();
    }
    return 0;
}
