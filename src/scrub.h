// Replaces control characters inside a line with spaces and reports them.
#pragma once

#include <cstddef>
#include <cstdint>

extern const char hexdigit[17];

// The bytes the scrub replaces: 31 or less, other than TAB.
inline bool iscontrol(unsigned char c)
{
    return c < 32 && c != '\t';
}

// Turns every byte of 31 or less other than TAB into a space, looking at all but the last
// two bytes of the line (its line end), and prints one message listing them for line lineno,
// if there were any.
void scrubline(char *line, size_t len, int64_t lineno);
