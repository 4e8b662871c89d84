// Replaces control characters inside a line with spaces.
#pragma once

#include <cstddef>
#include <cstdint>

extern const char hexdigit[17];

// At most this many codes are listed; the count is always the full one.
const int64_t MAXCODES = 63;
// Room for the list of codes: "01h" and a space, MAXCODES times.
const size_t CODESROOM = 252;

// The bytes the scrub replaces: 31 or less, other than TAB.
inline bool iscontrol(unsigned char c)
{
    return c < 32 && c != '\t';
}

// Turns every byte of 31 or less other than TAB into a space, looking at all but the last
// two bytes of the line (its line end). Returns how many it replaced; codes (CODESROOM
// bytes) gets the list of the first MAXCODES, "01h 1Ah", and *codelen its length.
int64_t scrubline(char *line, size_t len, char *codes, size_t *codelen);
