// Repairs the double quotes of a held line that an even line follows.
#pragma once

#include <cstddef>
#include <cstdint>

// Turns double quotes inside the values of the len-byte line into single quotes and
// closes a last value left open, printing what it did for line lineno. The buffer must
// have room for one byte more. Returns the new length.
size_t fixquotes(char *held, size_t len, int64_t lineno);
