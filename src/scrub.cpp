#include "scrub.h"

#include "console.h"
#include "scan.h"

#include <cstring>

const char hexdigit[17] = "0123456789ABCDEF";

// At most this many codes are listed in a message; the count is always the full one.
static const int MAXCODES = 63;

// The first control character at or after i and before end, or end; eight bytes a step.
static size_t nextcontrol(const unsigned char *p, size_t i, size_t end)
{
    for (uint64_t w = 0; i + 8 <= end && (std::memcpy(&w, p + i, 8), wordcontrols(w) == 0);
         i += 8) {
    }
    while (i < end && !iscontrol(p[i]))
        i++;
    return i;
}

void scrubline(char *line, size_t len, int64_t lineno)
{
    unsigned char *p = reinterpret_cast<unsigned char *>(line);
    char codes[MAXCODES * 4];
    size_t at = 0, end = len > 2 ? len - 2 : 0;
    int count = 0;
    for (size_t i = nextcontrol(p, 0, end); i < end; i = nextcontrol(p, i + 1, end)) {
        if (count < MAXCODES) {
            if (count > 0)
                codes[at++] = ' ';
            codes[at++] = hexdigit[p[i] >> 4];
            codes[at++] = hexdigit[p[i] & 15];
            codes[at++] = 'h';
        }
        count++;
        p[i] = ' ';
    }
    if (count == 0)
        return;
    char msg[sizeof codes + 100];
    char *to = numtext(linetext(msg, lineno), count);
    to = littext(to, " non-printable characters replaced with spaces (");
    std::memcpy(to, codes, at);
    to = littext(to + at, ")\n");
    conput(msg, static_cast<size_t>(to - msg));
    conend();
}
