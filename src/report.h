// The words of every repair, told the moment the pass makes it: "Line <n>: ..." on the
// console.
#pragma once

#include <cstddef>
#include <cstdint>

// count control bytes replaced on the line; codes holds the first ones' list, "01h 1Ah".
void saycontrols(int64_t lineno, int64_t count, const char *codes, size_t codelen);
void saymerge(int64_t lineno);
void sayclosed(int64_t lineno);
void sayrequoted(int64_t lineno, int64_t count);
void sayoverflow(int64_t lineno);
