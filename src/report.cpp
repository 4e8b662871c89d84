#include "report.h"

#include "console.h"

#include <cstring>

// Room for "Line <n>: " and the longest fixed text with its numbers.
static const size_t MSGROOM = 160;

// Prints "Line <lineno>: " and the n bytes of text, a line end among them.
static void sayline(int64_t lineno, const char *text, size_t n)
{
    char msg[MSGROOM];
    char *to = linetext(msg, lineno);
    std::memcpy(to, text, n);
    conput(msg, static_cast<size_t>(to + n - msg));
    conend();
}

void saycontrols(int64_t lineno, int64_t count, const char *codes, size_t codelen)
{
    char msg[MSGROOM + 256];
    char *to = numtext(linetext(msg, lineno), count);
    to = littext(to, " non-printable characters replaced with spaces (");
    std::memcpy(to, codes, codelen);
    to = littext(to + codelen, ")\n");
    conput(msg, static_cast<size_t>(to - msg));
    conend();
}

void saymerge(int64_t lineno)
{
    static const char text[] = "merging this line with the previous line\n";
    sayline(lineno, text, sizeof text - 1);
}

void sayclosed(int64_t lineno)
{
    static const char text[] = "added trailing double quote\n";
    sayline(lineno, text, sizeof text - 1);
}

void sayrequoted(int64_t lineno, int64_t count)
{
    char msg[MSGROOM];
    char *to = littext(numtext(littext(linetext(msg, lineno), "replaced "), count),
                       " embedded double quotes with single quotes\n");
    conput(msg, static_cast<size_t>(to - msg));
    conend();
}

void sayoverflow(int64_t lineno)
{
    static const char text[] = "input buffer overflow; sorry, can't help you.\n";
    sayline(lineno, text, sizeof text - 1);
}
