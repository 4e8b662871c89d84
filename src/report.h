// The words of every repair and of a line too long, as a player reads them ("Line <n>:
// ..."), and the pieces other messages are made of. It writes into buffers of the
// caller's and prints nothing.
#pragma once

#include "linepass.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// Room for the longest worded repair: "Line <n>: ", the longest text and the list of codes.
const size_t WORDROOM = 416;

// Words r into to (WORDROOM bytes), its line end included; gives its length.
size_t wordrepair(const repair &r, char *to);
// Words the end of a pass that stopped at a line too long, line lineno, into to.
size_t wordoverflow(int64_t lineno, char *to);

// The closing line of a save's run, into to (WORDROOM bytes and the name's), the len bytes
// of the name shown as nametext shows them; each gives its length.
// "Done writing '<copy>'. <lines> lines processed.\n"
size_t worddone(const char *copy, size_t len, int64_t lines, char *to);
// "'<save>' needs no repair. <lines> lines checked.\n", or where it does, "'<save>' needs
// repair: <scrubbed> non-printable characters, <merged> merged lines, <requoted> embedded
// double quotes, <closed> trailing double quotes. <lines> lines checked.\n", each count's
// noun without its s where the count is 1.
size_t wordchecked(const char *save, size_t len, const repairs &r, char *to);
// Why a pass failed: "Can't read the file '<save>'\n" for PASS_READFAIL, else
// "Can't write output file '<copy>'\n"; name is the one of the two that failed.
size_t wordfailed(passresult result, const char *name, size_t len, char *to);

// Pieces of a message, each written at to, giving the end. The decimal digits of n, at
// most 20 bytes:
char *numtext(char *to, int64_t n);
// "<n> <noun>", the noun with an s after it unless n is 1. The words of the repairs and of
// "Done writing" keep "lines" and "quotes" whatever the count, as players know them.
char *counttext(char *to, int64_t n, const char *noun);
// The len bytes of a name as shown to the player: every byte below 32, and 127, as '?'.
char *nametext(char *to, const char *name, size_t len);
// "Line <lineno>: ", which every message about a line begins with; at most 27 bytes.
char *linetext(char *to, int64_t lineno);
// A text known when compiling, without counting its bytes at run time.
template <size_t N> inline char *littext(char *to, const char (&s)[N])
{
    std::memcpy(to, s, N - 1);
    return to + N - 1;
}
