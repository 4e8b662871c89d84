// Repairs the double quotes of a held line that an even line follows.
#pragma once

#include <cstddef>
#include <cstdint>

// What the repair did to a line.
struct quotefix {
    size_t len;       // the line's new length
    int64_t requoted; // double quotes inside values made single
    bool closed;      // a closing double quote was added
};

// Turns double quotes inside the values of the len-byte line into single quotes and
// closes a last value left open. The buffer must have room for one byte more.
quotefix fixquotes(char *held, size_t len);
