// Replaces control characters inside a line with spaces and reports them.
#pragma once

#include <cstddef>
#include <cstdint>

extern const char hexdigit[17];

// Turns every byte of 31 or less other than TAB into a space, looking at all but the last
// two bytes of the line (its line end), and prints one message listing them for line lineno.
void scrubline(char *line, size_t len, int64_t lineno);
