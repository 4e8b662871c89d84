// The pass over bytes in memory, twice: the program's fast pass, and a plain one written
// line by line from the description of the repairs, which the fast one must match.
#pragma once

#include "linepass.h"
#include "scan.h"

#include <string>

// What a pass made of an input: the copy, the console's words, how it ended, and its count.
struct passrun {
    std::string copy, console;
    passresult result;
    repairs done;
};

// The program's pass over input, its lines numbered on from before, the input handed over
// piece bytes at a time (0: as much as the pass asks for).
passrun fastpass(const std::string &input, int64_t before = 0, size_t piece = 0);
// The same by the plain pass.
passrun plainpass(const std::string &input, int64_t before = 0);
// Where two runs differ, told with the bytes near the first difference; empty where they do
// not. The copy counts only where the pass completed.
std::string differ(const passrun &want, const passrun &got);
// The first way the program's pass under any kind of scan this build and processor have, or
// under only that one, parted from the plain pass on input; empty where it did not.
std::string checkpass(const std::string &input, int64_t before = 0, size_t piece = 0,
                      scankind only = SCAN_BEST);
// Where two texts differ, what names them and the bytes near the first difference; empty
// where they do not.
std::string textdiff(const char *what, const std::string &want, const std::string &got);
